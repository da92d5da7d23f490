// The skinned controls on real windows: frames by state, sizes, the slider's geometry and
// notices, line breaking, transparency and the tooltip, read back from painted pixels.
#include "SkinTestUtil.h"

#include "toolkit/SkinControls.h"
#include "toolkit/SkinText.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cwchar>

namespace {

constexpr unsigned kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
constexpr COLORREF cRed = RGB(255, 0, 0), cGreen = RGB(0, 255, 0), cBlue = RGB(0, 0, 255), cYellow = RGB(255, 255, 0);
constexpr COLORREF cParent = RGB(255, 0, 255);

SIZE ClientSize(HWND h) {
    RECT rc{};
    ::GetClientRect(h, &rc);
    return SIZE{rc.right, rc.bottom};
}

} // namespace

TEST(SkinButton, ThreeFramesOf39x12GiveA13x12Button) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    const std::wstring strip = WriteStrip(L"b39.png", 13, 12, {kRed, kGreen, kBlue});
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 3));
    const SIZE s = ClientSize(button.GetSafeHwnd());
    EXPECT_EQ(13, s.cx);
    EXPECT_EQ(12, s.cy);
    RECT rc{};
    ::GetWindowRect(button.GetSafeHwnd(), &rc);
    ::MapWindowPoints(nullptr, parent.Hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(10, rc.left); // resized without moving
    EXPECT_EQ(10, rc.top);
    // Made owner-drawn when created or attached.
    EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongW(button.GetSafeHwnd(), GWL_STYLE) & BS_TYPEMASK);
}

TEST(SkinButton, EachStatePaintsItsFrame) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    const std::wstring strip = WriteStrip(L"b4.png", 20, 10, {kRed, kGreen, kBlue, kYellow});
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 4));
    HWND h = button.GetSafeHwnd();

    EXPECT_EQ(cRed, PixelAt(h, 5, 5)) << "normal";
    ::SendMessageW(h, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHover());
    EXPECT_EQ(cGreen, PixelAt(h, 5, 5)) << "hover";
    ::SendMessageW(h, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(cBlue, PixelAt(h, 5, 5)) << "pressed";
    ::SendMessageW(h, BM_SETSTATE, FALSE, 0);
    ::SendMessageW(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(cRed, PixelAt(h, 5, 5)) << "left";
    button.SetEnabledFlag(false);
    EXPECT_EQ(cYellow, PixelAt(h, 5, 5)) << "disabled";
    button.SetEnabledFlag(true);
    button.Enable(false);
    EXPECT_FALSE(::IsWindowEnabled(h));
    EXPECT_EQ(cYellow, PixelAt(h, 5, 5)) << "disabled with the window";
}

TEST(SkinButton, PressThroughTheMouseShowsThePressedFrameAndClicks) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    const std::wstring strip = WriteStrip(L"b4p.png", 20, 10, {kRed, kGreen, kBlue, kYellow});
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 4));
    HWND h = button.GetSafeHwnd();
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(cBlue, PixelAt(h, 5, 5));
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(cRed, PixelAt(h, 5, 5));
}

TEST(SkinButton, RealPointerHoversAndLeaves) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 40, 40, 50, 50));
    const std::wstring strip = WriteStrip(L"b4h.png", 20, 10, {kRed, kGreen, kBlue, kYellow});
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 4));
    HWND h = button.GetSafeHwnd();
    POINT pt{5, 5};
    ::ClientToScreen(h, &pt);
    ::SetCursorPos(pt.x, pt.y);
    ::SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    for (int i = 0; i < 40 && !button.IsHover(); ++i) Pump();
    EXPECT_TRUE(button.IsHover());
    EXPECT_EQ(cGreen, PixelAt(h, 5, 5));
    ::SetCursorPos(pt.x + 200, pt.y + 200);
    for (int i = 0; i < 40 && button.IsHover(); ++i) Pump();
    EXPECT_FALSE(button.IsHover());
    EXPECT_EQ(cRed, PixelAt(h, 5, 5));
}

TEST(SkinButton, ThreeFrameStripDisabledKeepsItsNormalFrame) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    const std::wstring strip = WriteStrip(L"b3.png", 10, 10, {kRed, kGreen, kBlue});
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 3));
    button.SetEnabledFlag(false);
    EXPECT_EQ(3, button.FrameFor(false));
    EXPECT_EQ(cRed, PixelAt(button.GetSafeHwnd(), 5, 5));
}

TEST(SkinButton, IconFrameLeftOfTheTextCentredVertically) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    ASSERT_TRUE(button.SetStateImage(WriteStrip(L"bi.png", 30, 12, {kRed, kRed, kRed, kRed}).c_str(), 0, 4));
    ASSERT_TRUE(button.SetIconImage(WriteStrip(L"icons.png", 8, 6, {kYellow, kBlue}).c_str(), 0, 1, 2));
    button.SetIconLeft(2);
    HWND h = button.GetSafeHwnd();
    EXPECT_EQ(cBlue, PixelAt(h, 5, 5));
    const RECT& ir = button.GetIconRect();
    EXPECT_EQ(2, ir.left);
    EXPECT_EQ(3, ir.top); // (12 - 6) / 2
    EXPECT_EQ(10, ir.right);
    EXPECT_EQ(9, ir.bottom);
    EXPECT_EQ(cRed, PixelAt(h, 5, 1));
    button.SetIconIndex(0);
    EXPECT_EQ(cYellow, PixelAt(h, 5, 5));
}

TEST(SkinButton, TransparentPixelsShowTheParent) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    // Left half opaque red, right half fully transparent.
    const std::wstring strip = WritePicture(L"bt.png", 20, 10, [](int x, int) -> unsigned {
        return (x % 10) < 5 ? kRed : 0x00000000u;
    });
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 2));
    HWND h = button.GetSafeHwnd();
    EXPECT_EQ(cRed, PixelAt(h, 2, 5));
    EXPECT_EQ(cParent, PixelAt(h, 7, 5));
    // The copy is taken once: a later paint still shows the parent's pixels.
    ::SendMessageW(h, WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(cParent, PixelAt(h, 7, 5));
}

TEST(SkinButton, TooltipHasItsTextOneToolAnd250msDelay) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 20, L"Rec"));
    button.SetToolTipText(true, L"Start recording");
    HWND tip = button.GetToolTipWnd();
    ASSERT_NE(nullptr, tip);
    EXPECT_TRUE(button.IsToolTipActive());
    EXPECT_EQ(1, ::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    wchar_t text[80] = {};
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = parent.Hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(button.GetSafeHwnd());
    ti.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(L"Start recording", text);
    EXPECT_EQ(250, ::SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));

    // A press re-creates it, with the same text.
    ::SendMessageW(button.GetSafeHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(button.GetSafeHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    HWND again = button.GetToolTipWnd();
    ASSERT_NE(nullptr, again);
    EXPECT_FALSE(::IsWindow(tip) && tip != again);
    text[0] = 0;
    ::SendMessageW(again, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(L"Start recording", text);

    // An empty text takes the button's.
    button.SetToolTipText(true, L"");
    EXPECT_EQ(L"Rec", button.GetToolTipText());
    EXPECT_EQ(L"Rec", vt::WindowText(button.GetSafeHwnd())) << "a caption stays the window's text";
}

TEST(SkinControls, TextsAreWindowTextsForScreenReaders) {
    TestParent parent;
    CNButtonEx pictureOnly;
    ASSERT_TRUE(pictureOnly.Create(parent.Hwnd(), 100, 10, 10, 20, 20));
    pictureOnly.SetToolTipText(true, L"Record");
    EXPECT_EQ(L"Record", vt::WindowText(pictureOnly.GetSafeHwnd())) << "named by its tooltip";
    EXPECT_TRUE(pictureOnly.GetText().empty()) << "but not drawn";
    pictureOnly.SetToolTipText(true, L"Aufnahme");
    EXPECT_EQ(L"Aufnahme", vt::WindowText(pictureOnly.GetSafeHwnd())) << "follows a new language";
    CNStaticEx label;
    ASSERT_TRUE(label.Create(parent.Hwnd(), 101, 10, 40, 80, 20));
    label.SetText(L"00:01:02");
    EXPECT_EQ(L"00:01:02", vt::WindowText(label.GetSafeHwnd()));
}

TEST(SkinOption, FramesByCheckedAndDisabled) {
    TestParent parent;
    CNOptionEx option;
    ASSERT_TRUE(option.Create(parent.Hwnd(), 101, 10, 10, 80, 30));
    ASSERT_TRUE(option.SetStateImage(WriteStrip(L"o3.png", 16, 12, {kRed, kGreen, kBlue}).c_str(), 0, 3));
    HWND h = option.GetSafeHwnd();
    EXPECT_EQ(16, ClientSize(h).cx);
    EXPECT_EQ(12, ClientSize(h).cy);
    EXPECT_EQ(cRed, PixelAt(h, 3, 3));
    option.SetCheck(true);
    EXPECT_EQ(cGreen, PixelAt(h, 3, 3));
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(h, BM_GETCHECK, 0, 0));
    option.SetEnabledFlag(false);
    EXPECT_EQ(cBlue, PixelAt(h, 3, 3));

    CNOptionEx two;
    ASSERT_TRUE(two.Create(parent.Hwnd(), 102, 40, 10, 80, 30));
    ASSERT_TRUE(two.SetStateImage(WriteStrip(L"o2.png", 16, 12, {kRed, kGreen}).c_str(), 0));
    two.SetEnabledFlag(false);
    EXPECT_EQ(cRed, PixelAt(two.GetSafeHwnd(), 3, 3)) << "no disabled frame in a two-frame strip";
    ::SendMessageW(two.GetSafeHwnd(), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(cGreen, PixelAt(two.GetSafeHwnd(), 3, 3));
}

TEST(SkinOption, TextColourFollowsTheCheck) {
    TestParent parent(RGB(128, 128, 128));
    CNOptionEx option;
    ASSERT_TRUE(option.Create(parent.Hwnd(), 101, 10, 10, 80, 30));
    ASSERT_TRUE(option.SetStateImage(WriteStrip(L"ot.png", 60, 22, {0xFF808080u, 0xFF808080u}).c_str(), 0));
    option.SetFont(L"Arial", 20, 700);
    option.SetText(L"\x2588\x2588\x2588\x2588");
    HWND h = option.GetSafeHwnd();
    EXPECT_EQ(RGB(0, 0, 0), PixelAt(h, 30, 11));
    option.SetCheck(true);
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(h, 30, 11));
}

namespace {

// Thumb red (x 0..8), empty column blue (x 9), filled column green (x 10).
std::wstring SliderStrip() {
    return WritePicture(L"slider.png", 11, 10, [](int x, int) -> unsigned {
        return x < 9 ? kRed : (x == 9 ? kBlue : kGreen);
    });
}

} // namespace

TEST(SkinSlider, OnePixelPerUnitAndTheRightEndAt100) {
    TestParent parent;
    CNSliderEx slider;
    ASSERT_TRUE(slider.Create(parent.Hwnd(), 103, 10, 10, 109, 10));
    ASSERT_TRUE(slider.SetImage(SliderStrip().c_str(), 0));
    slider.SetRange(0, 100);
    EXPECT_FLOAT_EQ(1.0f, slider.GetPixelsPerUnit());
    HWND h = slider.GetSafeHwnd();
    slider.SetValue(30);
    EXPECT_EQ(30, slider.GetThumbRect().left);
    EXPECT_EQ(cRed, PixelAt(h, 34, 5));
    EXPECT_EQ(cGreen, PixelAt(h, 10, 5)) << "filled up to the thumb's middle";
    EXPECT_EQ(cBlue, PixelAt(h, 80, 5)) << "empty after it";
    slider.SetValue(100);
    EXPECT_EQ(100, slider.GetThumbRect().left);
    EXPECT_EQ(109, slider.GetThumbRect().right);
    EXPECT_EQ(cRed, PixelAt(h, 108, 5));
    EXPECT_EQ(cGreen, PixelAt(h, 99, 5));
    slider.SetValue(0);
    EXPECT_EQ(0, slider.GetThumbRect().left);
    EXPECT_TRUE(parent.notices.empty()) << "setting the value is no user action";
}

TEST(SkinSlider, PressDragReleaseNotifiesTheValueAndHandle) {
    TestParent parent;
    CNSliderEx slider;
    ASSERT_TRUE(slider.Create(parent.Hwnd(), 103, 10, 10, 109, 10));
    ASSERT_TRUE(slider.SetImage(SliderStrip().c_str(), 0));
    slider.SetRange(0, 100);
    slider.SetValue(30);
    HWND h = slider.GetSafeHwnd();
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(34, 5));
    EXPECT_EQ(h, ::GetCapture());
    ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(44, 5));
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(44, 5));
    EXPECT_EQ(nullptr, ::GetCapture());
    ASSERT_EQ(1u, parent.notices.size());
    EXPECT_EQ(40u, parent.notices[0].value);
    EXPECT_EQ(h, parent.notices[0].slider);
    EXPECT_EQ(40, slider.GetValue());
    EXPECT_EQ(cRed, PixelAt(h, 44, 5));
    // Dragging past the end stops at the end.
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(44, 5));
    ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(106, 5));
    EXPECT_EQ(100, slider.GetValue());
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(106, 5));
    EXPECT_EQ(100, slider.GetValue());
}

TEST(SkinSlider, ReleaseOnTheTrackJumpsThereAndNotifiesOnce) {
    TestParent parent;
    CNSliderEx slider;
    ASSERT_TRUE(slider.Create(parent.Hwnd(), 103, 10, 10, 109, 10));
    ASSERT_TRUE(slider.SetImage(SliderStrip().c_str(), 0));
    slider.SetRange(0, 100);
    HWND h = slider.GetSafeHwnd();
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 5)); // away from the thumb
    EXPECT_EQ(nullptr, ::GetCapture());
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(80, 5));
    ASSERT_EQ(1u, parent.notices.size());
    EXPECT_EQ(76u, parent.notices[0].value); // centred on x: 80 - 9 / 2
    EXPECT_EQ(h, parent.notices[0].slider);
    EXPECT_EQ(cRed, PixelAt(h, 80, 5));
}

TEST(SkinSlider, WideSliderReachesItsMaximumAndKeepsItsThumbOnResize) {
    TestParent parent;
    CNSliderEx slider;
    ASSERT_TRUE(slider.Create(parent.Hwnd(), 103, 7, 10, 229, 15));
    ASSERT_TRUE(slider.SetImage(SliderStrip().c_str(), 0));
    slider.SetRange(0, 100);
    HWND h = slider.GetSafeHwnd();
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(228, 5));
    EXPECT_EQ(100, slider.GetValue());
    EXPECT_EQ(220, slider.GetThumbRect().left);
    slider.SetValue(50);
    EXPECT_EQ(110, slider.GetThumbRect().left);
    ::SetWindowPos(h, nullptr, 0, 0, 109, 15, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(50, slider.GetThumbRect().left);
    EXPECT_EQ(50, slider.GetValue());
}

TEST(SkinSlider, EmptyRangeIsHarmless) {
    TestParent parent;
    CNSliderEx slider;
    ASSERT_TRUE(slider.Create(parent.Hwnd(), 103, 10, 10, 109, 10));
    ASSERT_TRUE(slider.SetImage(SliderStrip().c_str(), 0));
    HWND h = slider.GetSafeHwnd();
    ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(60, 5));
    EXPECT_EQ(0, slider.GetValue());
    EXPECT_EQ(0, slider.GetThumbRect().left);
}

namespace {

// Number of separate bands of rows holding dark pixels.
int DarkBands(HWND h, int cx, int cy) {
    ::RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_INVALIDATE);
    Pump();
    vt::WindowDc dc(h);
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < cy; ++y) {
        bool dark = false;
        for (int x = 0; x < cx && !dark; ++x) dark = (::GetPixel(dc.Get(), x, y) & 0xFFFFFF) == 0;
        if (dark && !inBand) ++bands;
        inBand = dark;
    }
    return bands;
}

} // namespace

TEST(SkinLabel, TooWideTextWithLineBreakingDrawsTwoLines) {
    TestParent parent(RGB(255, 255, 255));
    CNStaticEx label;
    ASSERT_TRUE(label.Create(parent.Hwnd(), 104, 10, 10, 120, 60));
    label.SetFont(L"Arial", 16, 400);
    label.SetText(L"Recording has started in the region");
    label.SetLineBreak(true);
    EXPECT_EQ(2, DarkBands(label.GetSafeHwnd(), 120, 60));
    label.SetLineBreak(false);
    EXPECT_EQ(1, DarkBands(label.GetSafeHwnd(), 120, 60));
    label.SetLineBreak(true);
    label.SetText(L"Short");
    EXPECT_EQ(1, DarkBands(label.GetSafeHwnd(), 120, 60));
    EXPECT_EQ(SS_OWNERDRAW | SS_NOTIFY, ::GetWindowLongW(label.GetSafeHwnd(), GWL_STYLE) & (SS_TYPEMASK | SS_NOTIFY));
}

TEST(SkinLabel, BreakRuleSplitsAtTheShareThatFits) {
    bool single = false;
    // 20 characters, 100 pixels wide, 50 fit: break after 20 * 50 / 100 - 1 = 9.
    EXPECT_EQ(L"abcdefghi\n\rjklmnopqrst", vt::BreakSkinText(L"abcdefghijklmnopqrst", 50, 100, &single));
    EXPECT_FALSE(single);
    EXPECT_EQ(L"abc", vt::BreakSkinText(L"abc", 50, 30, &single));
    EXPECT_TRUE(single);
    // Too narrow for even one character: nothing inserted, not single-line either.
    EXPECT_EQ(L"ab", vt::BreakSkinText(L"ab", 10, 40, &single));
    EXPECT_FALSE(single);
    // The face is cut to the LOGFONT's size.
    const LOGFONTW lf = vt::SkinLogFont(L"A very long face name that does not fit at all", 14, 600);
    EXPECT_EQ(31u, std::wcslen(lf.lfFaceName));
    EXPECT_EQ(PROOF_QUALITY, lf.lfQuality);
    EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, lf.lfPitchAndFamily);
    EXPECT_EQ(14, lf.lfHeight);
    EXPECT_EQ(600, lf.lfWeight);
}

TEST(SkinLabel, LabelsShowTheirParentsPixels) {
    TestParent parent(RGB(0, 128, 64));
    CNStaticEx label;
    ASSERT_TRUE(label.Create(parent.Hwnd(), 104, 10, 10, 80, 20, L"x"));
    EXPECT_EQ(RGB(0, 128, 64), PixelAt(label.GetSafeHwnd(), 70, 2));

    CTransparentStatic plain;
    ASSERT_TRUE(plain.Create(parent.Hwnd(), 105, 10, 40, 100, 20, L""));
    EXPECT_EQ(RGB(0, 128, 64), PixelAt(plain.GetSafeHwnd(), 50, 10));
    // Its text in its colour, over the parent's pixels, also after a change of text.
    plain.SetTextColor(RGB(255, 255, 0));
    ::SendMessageW(plain.GetSafeHwnd(), WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    plain.SetText(L"\x2588\x2588\x2588\x2588\x2588\x2588");
    EXPECT_EQ(RGB(255, 255, 0), PixelAt(plain.GetSafeHwnd(), 4, 6));
    EXPECT_EQ(RGB(0, 128, 64), PixelAt(plain.GetSafeHwnd(), 95, 10));
    plain.SetText(L"");
    EXPECT_EQ(RGB(0, 128, 64), PixelAt(plain.GetSafeHwnd(), 4, 6)) << "the old text is gone";
}

TEST(SkinControls, AttachToTemplateControlsAndGoAgainCleanly) {
    for (int round = 0; round < 20; ++round) {
        TestParent parent;
        HWND b = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 5, 5, 40, 20,
                                   parent.Hwnd(), reinterpret_cast<HMENU>(200), nullptr, nullptr);
        HWND s = ::CreateWindowExW(0, L"STATIC", L"t", WS_CHILD | WS_VISIBLE | SS_LEFT, 5, 40, 40, 20,
                                   parent.Hwnd(), reinterpret_cast<HMENU>(201), nullptr, nullptr);
        CNButtonEx button;
        CNStaticEx label;
        ASSERT_TRUE(button.SubclassDlgItem(200, parent.Hwnd()));
        ASSERT_TRUE(label.SubclassDlgItem(201, parent.Hwnd()));
        EXPECT_EQ(BS_OWNERDRAW, ::GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK);
        EXPECT_EQ(SS_OWNERDRAW, ::GetWindowLongW(s, GWL_STYLE) & SS_TYPEMASK);
        ASSERT_TRUE(button.SetStateImage(nullptr, 157, 4));
        button.SetToolTipText(true, L"tip");
        EXPECT_EQ(32, ClientSize(b).cx);
        EXPECT_EQ(30, ClientSize(b).cy);
        Pump();
    }
}

TEST(SkinButton, DisabledBeforeTheFirstPaintStillShowsTheParent) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 50));
    const std::wstring strip = WritePicture(L"bd.png", 40, 10, [](int x, int) -> unsigned {
        return (x % 10) < 5 ? kYellow : 0x00000000u;
    });
    ASSERT_TRUE(button.SetStateImage(strip.c_str(), 0, 4));
    button.Enable(false);
    HWND h = button.GetSafeHwnd();
    EXPECT_EQ(cYellow, PixelAt(h, 2, 5));
    EXPECT_EQ(cParent, PixelAt(h, 7, 5));
}

namespace {

int g_relayed = 0;

LRESULT CALLBACK CountRelays(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == TTM_RELAYEVENT) ++g_relayed;
    return ::DefSubclassProc(h, msg, wParam, lParam);
}

int RelayedOf(HWND target, UINT message) {
    g_relayed = 0;
    MSG m{};
    m.hwnd = target;
    m.message = message;
    m.lParam = MAKELPARAM(2, 2);
    EXPECT_FALSE(vt::CWnd::PreTranslateChain(&m)) << "relaying swallows nothing";
    return g_relayed;
}

} // namespace

TEST(SkinButton, MouseMessagesAreRelayedToAnActiveTooltip) {
    TestParent parent;
    CNButtonEx button;
    ASSERT_TRUE(button.Create(parent.Hwnd(), 100, 10, 10, 50, 20, L"Rec"));
    button.SetToolTipText(true, L"Start recording");
    ASSERT_TRUE(::SetWindowSubclass(button.GetToolTipWnd(), CountRelays, 1, 0));
    HWND h = button.GetSafeHwnd();
    EXPECT_EQ(1, RelayedOf(h, WM_MOUSEMOVE));
    EXPECT_EQ(1, RelayedOf(h, WM_LBUTTONDOWN));
    EXPECT_EQ(1, RelayedOf(h, WM_LBUTTONUP));
    EXPECT_EQ(1, RelayedOf(h, WM_MOUSEHOVER));
    EXPECT_EQ(0, RelayedOf(h, WM_KEYDOWN));
    EXPECT_EQ(0, RelayedOf(parent.Hwnd(), WM_MOUSEMOVE)) << "only the button's own messages";

    button.SetToolTipText(false, L"Start recording");
    ASSERT_TRUE(::SetWindowSubclass(button.GetToolTipWnd(), CountRelays, 1, 0));
    EXPECT_EQ(0, RelayedOf(h, WM_MOUSEMOVE)) << "inactive";
}
