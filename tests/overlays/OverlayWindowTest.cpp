// The overlay windows on the screen over a plain background, read back as the screen
// capture reads them.
#include "OverlayTestSupport.h"

#include "region/TitleText.h"
#include "region/VideoLogo.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

const RECT kRecorded{96, 96, 736, 576};
constexpr COLORREF kGreen = RGB(0, 96, 0);

TitleSettings Title(const wchar_t* text, const wchar_t* face, LONG height, int type = 0) {
    TitleSettings t{};
    wcsncpy_s(t.szTitle, text, _TRUNCATE);
    wcsncpy_s(t.lfFont.lfFaceName, face, _TRUNCATE);
    t.lfFont.lfHeight = height;
    t.nType = type;
    t.clrNormal = RGB(0, 0, 0);
    t.clrShadow = 0x606060;
    t.nPosX = 50;
    t.nPosY = 0;
    return t;
}

WatermarkSettings Watermark(const std::wstring& path, int transparency, int zoom, int x, int y) {
    WatermarkSettings w{};
    wcsncpy_s(w.szPath, path.c_str(), _TRUNCATE);
    w.nTransparency = transparency;
    w.nZoom = zoom;
    w.nPosX = x;
    w.nPosY = y;
    return w;
}

RECT WindowRect(const vt::CWnd& w) {
    RECT r{};
    ::GetWindowRect(w.GetSafeHwnd(), &r);
    return r;
}

bool IsGrey(COLORREF c) { return Near(c, 96, 96, 96, 6); }
bool IsDark(COLORREF c) { return GetRValue(c) < 50 && GetGValue(c) < 50 && GetBValue(c) < 50; }
bool IsWhite(COLORREF c) { return Near(c, 255, 255, 255, 40); }

// The size the production code gives a title, measured by the same font code.
OverlaySize ExpectedTitleSize(const TitleSettings& t) {
    const TitleFont font = TitleFont::Make(t);
    float w = 0, h = 0;
    EXPECT_TRUE(font.MeasureOutline(TitleTextOf(t), &w, &h));
    return TitleOverlaySize(TitleFontPixels(t.lfFont.lfHeight), w, h);
}

TEST(OverlayWindows, PlacedByTheirRulesOpaqueAndTopmost) {
    SolidWindow background(kRecorded, kGreen);
    AdvancedSettings s{};
    s.bNoteTime = s.bNoteTitle = s.bNoteWatermark = 1;
    s.title = Title(L"Overlay Title", L"Liberation Sans", -32);
    s.watermark = Watermark(WriteRedBluePicture(L"mark64.png", 64, 48), 0, 100, 0, 100);
    RecordingOverlays o = MakeRecordingOverlays(s, kRecorded);
    ASSERT_TRUE(o.time && o.title && o.watermark);

    const OverlaySize titleSize = ExpectedTitleSize(s.title);
    const RECT title = WindowRect(*o.title), time = WindowRect(*o.time), mark = WindowRect(*o.watermark);
    const auto titleAt = PlaceOverlay(kOverlayTitle, titleSize, kRecorded, 50, 0);
    ASSERT_TRUE(titleAt);
    EXPECT_EQ(titleAt->x, title.left);
    EXPECT_EQ(kRecorded.top, title.top);
    EXPECT_EQ(titleSize.cx, title.right - title.left);
    EXPECT_EQ(titleSize.cy, title.bottom - title.top);
    EXPECT_EQ(kRecorded.right, time.right);
    EXPECT_EQ(kRecorded.bottom, time.bottom);
    EXPECT_GT(time.right - time.left, 100);
    EXPECT_LT(time.bottom - time.top, 40);
    EXPECT_EQ((RECT{96, 576 - 48, 96 + 64, 576}).left, mark.left);
    EXPECT_EQ(576 - 48, mark.top);
    EXPECT_EQ(64, mark.right - mark.left);

    for (const vt::CWnd* w : {static_cast<vt::CWnd*>(o.time.get()), static_cast<vt::CWnd*>(o.title.get()),
                              static_cast<vt::CWnd*>(o.watermark.get())}) {
        const LONG_PTR ex = ::GetWindowLongPtrW(w->GetSafeHwnd(), GWL_EXSTYLE);
        EXPECT_TRUE(ex & WS_EX_TOPMOST);
        EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
        EXPECT_FALSE(ex & (WS_EX_LAYERED | WS_EX_APPWINDOW));
        EXPECT_TRUE(::IsWindowVisible(w->GetSafeHwnd()));
    }

    PumpFor(400);
    RECT all = kRecorded;
    ::InflateRect(&all, 4, 4);
    const ScreenShot shot(all);
    EXPECT_TRUE(Near(shot.At(400, 300), 0, 96, 0, 8)) << "outside the overlays";
    // Title: grey with dark text, the region's corner showing the background.
    EXPECT_TRUE(Near(shot.At(title.left, title.top), 0, 96, 0, 8));
    const int titleArea = titleSize.cx * titleSize.cy;
    RECT inner = title;
    ::InflateRect(&inner, -1, -1);
    EXPECT_GT(shot.Count(inner, IsGrey), titleArea * 6 / 10);
    EXPECT_GT(shot.Count(inner, IsDark), 100);
    // Time: white text on grey.
    EXPECT_GT(shot.Count(time, IsWhite), 30);
    EXPECT_GT(shot.Count(time, IsGrey), (time.right - time.left) * (time.bottom - time.top) / 3);
    // Watermark: its two halves, opaque.
    EXPECT_TRUE(Near(shot.At(mark.left + 10, mark.top + 24), 255, 0, 0, 3));
    EXPECT_TRUE(Near(shot.At(mark.right - 10, mark.top + 24), 0, 0, 255, 3));
}

TEST(OverlayWindows, TimeTicksAtOneSizeAndComesBackOnTop) {
    SolidWindow background(kRecorded, kGreen);
    AdvancedSettings s{};
    s.bNoteTime = 1;
    RecordingOverlays o = MakeRecordingOverlays(s, kRecorded);
    ASSERT_TRUE(o.time);
    const RECT time = WindowRect(*o.time);
    PumpFor(200);
    const ScreenShot first(time);
    auto differs = [&] {
        const ScreenShot now(time);
        for (int y = time.top; y < time.bottom; ++y)
            for (int x = time.left; x < time.right; ++x)
                if (now.At(x, y) != first.At(x, y)) return true;
        return false;
    };
    const bool changed = PumpUntil(differs, 2500);
    EXPECT_TRUE(changed) << "the seconds change";
    const RECT later = WindowRect(*o.time);
    EXPECT_TRUE(::EqualRect(&time, &later));

    // Another topmost window over it gives way at the next repaint.
    RECT cover = time;
    ::InflateRect(&cover, 10, 10);
    SolidWindow covering(cover, RGB(255, 0, 255));
    ::SetWindowPos(covering.GetSafeHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpFor(100);
    EXPECT_TRUE(PumpUntil([&] { return ScreenShot(time).Count(time, IsGrey) > 100; }, 2500));
}

TEST(OverlayWindows, WatermarkBlendZoomAndPicturesThatAreLeftOut) {
    SolidWindow background(kRecorded, kGreen);
    const std::wstring picture = WriteRedBluePicture(L"mark128.png", 128, 96);
    AdvancedSettings s{};
    s.bNoteWatermark = 1;
    s.watermark = Watermark(picture, 50, 50, 100, 0);
    RecordingOverlays o = MakeRecordingOverlays(s, kRecorded);
    ASSERT_TRUE(o.watermark);
    const RECT mark = WindowRect(*o.watermark);
    EXPECT_EQ(64, mark.right - mark.left);
    EXPECT_EQ(48, mark.bottom - mark.top);
    EXPECT_EQ(kRecorded.right - 64, mark.left);
    PumpFor(300);
    const ScreenShot shot(mark);
    // Half of the picture over the grey.
    EXPECT_TRUE(Near(shot.At(mark.left + 10, mark.top + 24), 175, 48, 48, 3)) << std::hex << shot.At(mark.left + 10, mark.top + 24);
    EXPECT_TRUE(Near(shot.At(mark.right - 10, mark.top + 24), 48, 48, 175, 3));
    o.Destroy();

    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring garbage = WriteTempFile(L"garbage.png", std::string(3000, 'x'));
    for (const std::wstring& path : {std::wstring(), std::wstring(L"Z:\\no\\such\\picture.png"), std::wstring(folder), garbage}) {
        s.watermark = Watermark(path, 0, 100, 50, 50);
        EXPECT_FALSE(MakeRecordingOverlays(s, kRecorded).watermark) << std::string(path.begin(), path.end());
    }
    s.watermark = Watermark(picture, 0, 0, 50, 50);
    EXPECT_FALSE(MakeRecordingOverlays(s, kRecorded).watermark) << "zoom 0 draws nothing";
    s.watermark = Watermark(picture, 0, 1000, 50, 50);
    EXPECT_FALSE(MakeRecordingOverlays(s, kRecorded).watermark) << "larger than the rectangle";
}

TEST(OverlayWindows, TitleFontsFallBackAndAnEmptyTitleIsLeftOut) {
    SolidWindow background(kRecorded, kGreen);
    AdvancedSettings s{};
    s.bNoteTitle = 1;
    s.title = Title(L"", L"Liberation Sans", -32);
    EXPECT_FALSE(MakeRecordingOverlays(s, kRecorded).title);

    // A face nobody has still draws readable text; a height of 0 is the default height.
    s.title = Title(L"Fallback", L"No Such Face 123", -32);
    RecordingOverlays o = MakeRecordingOverlays(s, kRecorded);
    ASSERT_TRUE(o.title);
    const RECT r = WindowRect(*o.title);
    EXPECT_GT(r.right - r.left, 14 + 60);
    PumpFor(300);
    EXPECT_GT(ScreenShot(r).Count(r, IsDark), 50);
    o.Destroy();

    const OverlaySize zero = ExpectedTitleSize(Title(L"Size", L"Liberation Sans", 0));
    EXPECT_EQ(ExpectedTitleSize(Title(L"Size", L"Liberation Sans", 25)), zero);
    s.title = Title(L"Size", L"Liberation Sans", 0);
    o = MakeRecordingOverlays(s, kRecorded);
    ASSERT_TRUE(o.title);
    EXPECT_EQ(zero.cx, WindowRect(*o.title).right - WindowRect(*o.title).left);
    o.Destroy();
    s.title = Title(L"Huge", L"Liberation Sans", INT_MIN);
    EXPECT_FALSE(MakeRecordingOverlays(s, kRecorded).title);

    // Shadowed: blue at the top fading to light at the bottom, dark text over it.
    s.title = Title(L"Shadow", L"Liberation Sans", -40, 1);
    s.title.clrNormal = RGB(255, 255, 255);
    s.title.clrShadow = RGB(0, 0, 0);
    o = MakeRecordingOverlays(s, kRecorded);
    ASSERT_TRUE(o.title);
    const RECT t = WindowRect(*o.title);
    PumpFor(300);
    const ScreenShot shot(t);
    const COLORREF top = shot.At(t.right - 3, t.top + 2), bottom = shot.At(t.right - 3, t.bottom - 3);
    EXPECT_GT(GetBValue(top), 200);
    EXPECT_LT(GetRValue(top), 120);
    EXPECT_GT(GetRValue(bottom), 150);
    // The gradient is blue throughout: dark pixels are the black shadow's.
    EXPECT_GT(shot.Count(t, [](COLORREF c) { return GetBValue(c) < 100; }), 30);
}

TEST(OverlayWindows, RepeatedRecordingsLeakNothing) {
    const std::wstring big = WriteRedBluePicture(L"mark1000.png", 1000, 800);
    AdvancedSettings s{};
    s.bNoteTime = s.bNoteTitle = s.bNoteWatermark = 1;
    s.title = Title(L"Leak", L"Liberation Sans", -24);
    s.watermark = Watermark(big, 30, 50, 50, 50);
    const RECT wide{0, 0, 1280, 800};
    for (int i = 0; i < 3; ++i) MakeRecordingOverlays(s, wide);
    PumpFor(100);
    const size_t before = PrivateBytes();
    for (int i = 0; i < 20; ++i) {
        RecordingOverlays o = MakeRecordingOverlays(s, wide);
        ASSERT_TRUE(o.watermark);
        vt::PumpPending();
    }
    PumpFor(100);
    // One decoded picture is 3.2 MB: a leak of it would show many times over.
    EXPECT_LT(PrivateBytes(), before + 4 * 1024 * 1024) << before << " -> " << PrivateBytes();
}

} // namespace
