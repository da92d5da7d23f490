// The selection overlay as a user meets it: real windows under it, real mouse and keys
// (SendInput), the area helper, and the copies it makes per mouse move.
#include "region/DlgAddScreen.h"
#include "ids/region.h"
#include "RegionTestUtil.h"

#include <gtest/gtest.h>

#include <utility>

#include <functional>

using namespace region;

namespace {

int SW() { return ::GetSystemMetrics(SM_CXSCREEN); }
int SH() { return ::GetSystemMetrics(SM_CYSCREEN); }

std::function<void()>* g_script = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (auto* s = std::exchange(g_script, nullptr)) (*s)();
}

// Runs the overlay modal; the script runs inside its loop once it has painted, and ends
// it (Esc is pressed when it does not).
INT_PTR RunWith(CDlgAddScreen& dlg, HWND owner, const std::function<void(CDlgAddScreen&)>& script) {
    std::function<void()> body = [&] {
        rt::PumpUntil([&] { return dlg.OpeningMilliseconds() != 0; });
        rt::PumpFor(50);
        script(dlg);
        rt::PressKey(VK_ESCAPE); // ignored when the script ended it already
    };
    g_script = &body;
    ::SetTimer(nullptr, 0, 20, &RunScript);
    const INT_PTR result = dlg.Run(owner);
    g_script = nullptr;
    rt::PumpFor(20);
    return result;
}

::testing::AssertionResult Is(const RECT& got, RECT want) {
    if (SameRect(got, want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << got.left << "," << got.top << "," << got.right << ","
                                         << got.bottom << ") want (" << want.left << "," << want.top << ","
                                         << want.right << "," << want.bottom << ")";
}

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

bool CursorIs(LPCWSTR shape) { return ::GetCursor() == ::LoadCursorW(nullptr, shape); }

void InjectCoded(CDlgAddScreen& dlg) {
    dlg.SetScreenSource([](int W, int H) { return rt::CodedScreenshot(W, H); });
}

} // namespace

TEST(OverlayWindow, HidesTheOwnerForTheScreenshotAndShowsItAgain) {
    rt::ColourWindow owner(RGB(255, 0, 255), RECT{100, 100, 500, 400});
    rt::PumpFor(100);
    CDlgAddScreen dlg;
    const INT_PTR result = RunWith(dlg, owner.Hwnd(), [&](CDlgAddScreen& d) {
        EXPECT_FALSE(::IsWindowVisible(owner.Hwnd()));
        EXPECT_NE(0xFF00FFu, d.Renderer().ScreenshotPixel(300, 250)) << "the owner is in the frozen picture";
        EXPECT_TRUE(Is(WindowRect(d.GetSafeHwnd()), RECT{0, 0, SW(), SH()}));
        EXPECT_TRUE(::GetWindowLongW(d.GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_LE(WindowRect(d.HelperWindow()).right, 0) << "no rectangle yet: the helper waits off the screen";
    });
    EXPECT_EQ(kResultCancel, result);
    EXPECT_TRUE(::IsWindowVisible(owner.Hwnd()));
    EXPECT_TRUE(::IsWindowEnabled(owner.Hwnd()));
}

TEST(OverlayWindow, PicksRealWindowsAndTakesTheClickedOne) {
    const int W = SW(), H = SH();
    rt::ColourWindow a(RGB(0, 160, 0), RECT{60, 60, 460, 360});
    rt::ColourWindow child(RGB(0, 90, 0), RECT{20, 20, 220, 120}, a.Hwnd(), WS_CHILD | WS_VISIBLE);
    rt::ColourWindow hidden(RGB(0, 0, 0), RECT{250, 20, 350, 120}, a.Hwnd(), WS_CHILD);
    rt::ColourWindow disabled(RGB(0, 0, 200), RECT{500, 60, 700, 260}, nullptr, WS_POPUP | WS_VISIBLE | WS_DISABLED);
    rt::ColourWindow off(RGB(200, 0, 0), RECT{W - 150, H - 120, W + 300, H + 300});
    rt::PumpFor(100);
    CDlgAddScreen dlg;
    const INT_PTR result = RunWith(dlg, nullptr, [&](CDlgAddScreen& d) {
        rt::MoveMouse(100, 100);
        EXPECT_EQ(child.Hwnd(), d.GetChosenWindow());
        EXPECT_TRUE(Is(d.GetSelection(), RECT{80, 80, 280, 180}));
        EXPECT_TRUE(CursorIs(IDC_ARROW));
        rt::MoveMouse(330, 100); // over the hidden child: its parent
        EXPECT_EQ(a.Hwnd(), d.GetChosenWindow());
        rt::SaveScreenForReview(L"overlay-picking");
        rt::MoveMouse(600, 100);
        EXPECT_NE(disabled.Hwnd(), d.GetChosenWindow());
        rt::MoveMouse(W - 50, H - 50);
        EXPECT_EQ(off.Hwnd(), d.GetChosenWindow());
        EXPECT_TRUE(Is(d.GetSelection(), RECT{W - 150, H - 120, W, H})) << "clamped to the screen";
        rt::LeftDown(W - 50, H - 50);
        rt::LeftUp(W - 50, H - 50);
        EXPECT_FALSE(d.Model().Picking());
        // Under the rectangle's bottom edge there is no room: the helper goes inside it.
        EXPECT_EQ(H - 72 - 1, WindowRect(d.HelperWindow()).top);
        rt::PressKey(VK_RETURN);
    });
    EXPECT_EQ(kResultAccept, result);
    EXPECT_EQ(off.Hwnd(), dlg.GetChosenWindow());
    EXPECT_TRUE(Is(dlg.GetSelection(), RECT{W - 150, H - 120, W, H}));
}

TEST(OverlayWindow, DrawResizeAndMoveWithTheMouseCopyingOnlyWhatChanged) {
    const int W = SW(), H = SH();
    CDlgAddScreen dlg;
    InjectCoded(dlg);
    const INT_PTR result = RunWith(dlg, nullptr, [&](CDlgAddScreen& d) {
        rt::Drag(POINT{200, 200}, POINT{400, 350}, 20);
        EXPECT_TRUE(Is(d.GetSelection(), RECT{200, 200, 401, 351}));
        EXPECT_EQ(nullptr, d.GetChosenWindow());
        EXPECT_EQ(196, WindowRect(d.HelperWindow()).left);
        EXPECT_EQ(352, WindowRect(d.HelperWindow()).top);
        // On the screen: the true pixels inside, the outline, the dimmed rest.
        EXPECT_EQ(rt::CodedPixel(300, 250), rt::ScreenPixel(300, 250));
        EXPECT_EQ(kFrameColour & 0xFFFFFF, rt::ScreenPixel(200, 275));
        const DWORD dim = rt::ScreenPixel(150, 150), coded = rt::CodedPixel(150, 150);
        EXPECT_NEAR(DimChannel((coded >> 16) & 255), (dim >> 16) & 255, 1);

        rt::MoveMouse(399, 275);
        EXPECT_TRUE(CursorIs(IDC_SIZEWE));
        rt::MoveMouse(300, 275);
        EXPECT_TRUE(CursorIs(IDC_SIZEALL));
        rt::MoveMouse(300, 199);
        EXPECT_TRUE(CursorIs(IDC_SIZENS));
        rt::MoveMouse(300, 198);
        EXPECT_TRUE(CursorIs(IDC_ARROW)) << "the top band is two pixels deep: 199 and 200";
        rt::MoveMouse(400, 350);
        EXPECT_TRUE(CursorIs(IDC_SIZENWSE));

        // Resizing by the corner, step by step: each copy stays within what changed, and
        // none is of the whole screen.
        const int fullBefore = d.Stats().fullScreenOutsidePaint;
        HWND h = d.GetSafeHwnd();
        ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 350));
        for (int i = 1; i <= 40; ++i) {
            ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400 + 3 * i, 350 + 2 * i));
            ASSERT_LE(d.Stats().stepPixels, static_cast<std::uint64_t>(Area(d.Stats().stepBound))) << i;
            ASSERT_GT(d.Stats().stepPixels, 0u);
        }
        rt::SaveScreenForReview(L"overlay-adjusting");
        // A point far off the screen (another monitor) is taken at the screen's edge.
        ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5000, 3000));
        EXPECT_TRUE(Is(d.GetSelection(), RECT{200, 200, W, H}));
        ::SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(520, 430));
        EXPECT_TRUE(Is(d.GetSelection(), RECT{200, 200, W, H}));

        rt::Drag(POINT{W - 2, H - 2}, POINT{520, 430}, 10); // the corner back
        EXPECT_TRUE(Is(d.GetSelection(), RECT{200, 200, 522, 432}));
        rt::Drag(POINT{300, 300}, POINT{350, 330}, 5); // moved by its inside
        EXPECT_TRUE(Is(d.GetSelection(), RECT{250, 230, 572, 462}));
        EXPECT_EQ(fullBefore, d.Stats().fullScreenOutsidePaint);

        // The magnifier at the bottom right, flipped to the left and above.
        rt::LeftDown(570, 460);
        rt::MoveMouse(W - 10, H - 10);
        rt::SaveScreenForReview(L"overlay-magnifier-flipped");
        rt::LeftUp(W - 10, H - 10);
        rt::PressKey(VK_RETURN);
    });
    EXPECT_EQ(kResultAccept, result);
    EXPECT_EQ(nullptr, dlg.GetChosenWindow());
}

TEST(OverlayWindow, EnterEscAndRightClicksEndIt) {
    rt::ColourWindow a(RGB(0, 160, 0), RECT{60, 60, 460, 360});
    {
        CDlgAddScreen dlg; // Enter at once
        EXPECT_EQ(kResultAccept, RunWith(dlg, nullptr, [](CDlgAddScreen&) { rt::PressKey(VK_RETURN); }));
    }
    {
        CDlgAddScreen dlg; // after picking moves the keys come as system keys
        EXPECT_EQ(kResultAccept, RunWith(dlg, nullptr, [](CDlgAddScreen&) {
                      rt::MoveMouse(200, 200);
                      rt::MoveMouse(210, 205);
                      rt::PressKey(VK_RETURN);
                  }));
        EXPECT_EQ(a.Hwnd(), dlg.GetChosenWindow());
    }
    {
        CDlgAddScreen dlg;
        EXPECT_EQ(kResultCancel, RunWith(dlg, nullptr, [](CDlgAddScreen&) {
                      rt::MoveMouse(200, 200);
                      rt::PressKey(VK_ESCAPE);
                      rt::PressKey(VK_RETURN); // too late: the first ending counts
                  }));
    }
    {
        CDlgAddScreen dlg; // a double-click takes the window and accepts
        EXPECT_EQ(kResultAccept, RunWith(dlg, nullptr, [](CDlgAddScreen&) {
                      rt::MoveMouse(220, 210);
                      for (int i = 0; i < 2; ++i) {
                          rt::LeftDown(220, 210);
                          rt::LeftUp(220, 210);
                      }
                  }));
        EXPECT_EQ(a.Hwnd(), dlg.GetChosenWindow());
    }
    {
        CDlgAddScreen dlg; // click a window, right-click outside: picking again; again: cancel
        EXPECT_EQ(kResultCancel, RunWith(dlg, nullptr, [](CDlgAddScreen& d) {
                      rt::MoveMouse(200, 200);
                      rt::LeftDown(200, 200);
                      rt::LeftUp(200, 200);
                      EXPECT_FALSE(d.Model().Picking());
                      rt::RightClick(600, 500);
                      EXPECT_TRUE(d.Model().Picking());
                      rt::RightClick(600, 500);
                  }));
    }
}

TEST(OverlayWindow, AreaHelperTypesLocksAndRecords) {
    const int W = SW(), H = SH();
    CDlgAddScreen dlg;
    InjectCoded(dlg);
    dlg.SetDefaultRegion(400, 300);
    dlg.SetPreset(true);
    const RECT preset = DefaultRegion(400, 300, W, H);
    const INT_PTR result = RunWith(dlg, nullptr, [&](CDlgAddScreen& d) {
        HWND helper = d.HelperWindow();
        const RECT hr = WindowRect(helper);
        EXPECT_EQ(preset.right - 205, hr.left);
        EXPECT_EQ(preset.bottom + 1, hr.top);
        EXPECT_EQ(204, hr.right - hr.left);
        // The frame's box reaches into the helper: the helper is not painted over.
        vt::CImage panel;
        ASSERT_EQ(1, vt::LoadImageResource(panel, L"", 176));
        for (int x : {5, 20, 100})
            EXPECT_EQ(panel.GetPixel(x, 1) & 0xFFFFFF, rt::ScreenPixel(hr.left + x, hr.top + 1)) << x;
        wchar_t text[16] = {};
        ::GetDlgItemTextW(helper, IDC_EDIT_AREA_WIDTH, text, 16);
        EXPECT_STREQ(L"400", text);

        // Typed: the rectangle follows; too large is put back.
        ::SetDlgItemTextW(helper, IDC_EDIT_AREA_WIDTH, L"300");
        EXPECT_TRUE(Is(d.GetSelection(), RECT{preset.left, preset.top, preset.left + 300, preset.bottom}));
        ::SetDlgItemTextW(helper, IDC_EDIT_AREA_HEIGHT, L"99999");
        ::GetDlgItemTextW(helper, IDC_EDIT_AREA_HEIGHT, text, 16);
        EXPECT_STREQ(L"300", text);
        // Enter in a field accepts like anywhere else (checked below on another run).

        // Locked: the fields go off, handles do nothing, the inside still moves.
        const RECT lock = WindowRect(::GetDlgItem(helper, IDC_BUTTON_AREA_LOCK));
        rt::LeftDown((lock.left + lock.right) / 2, (lock.top + lock.bottom) / 2);
        rt::LeftUp((lock.left + lock.right) / 2, (lock.top + lock.bottom) / 2);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(helper, IDC_EDIT_AREA_WIDTH)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(helper, IDC_EDIT_AREA_HEIGHT)));
        const RECT before = d.GetSelection();
        rt::Drag(POINT{before.right - 1, before.bottom - 1}, POINT{before.right + 60, before.bottom + 40}, 5);
        EXPECT_TRUE(Is(d.GetSelection(), before));
        rt::Drag(POINT{before.left + 50, before.top + 50}, POINT{before.left + 70, before.top + 40}, 5);
        EXPECT_TRUE(Is(d.GetSelection(), RECT{before.left + 20, before.top - 10, before.right + 20, before.bottom - 10}));
        rt::SaveScreenForReview(L"overlay-size-lock");

        const RECT rec = WindowRect(::GetDlgItem(d.HelperWindow(), IDC_BUTTON_AREA_RECORD));
        rt::LeftDown((rec.left + rec.right) / 2, (rec.top + rec.bottom) / 2);
        rt::LeftUp((rec.left + rec.right) / 2, (rec.top + rec.bottom) / 2);
    });
    EXPECT_EQ(kResultRecordNow, result);

    CDlgAddScreen again; // a new opening starts unlocked; Enter in a field accepts
    InjectCoded(again);
    again.SetDefaultRegion(400, 300);
    again.SetPreset(true);
    EXPECT_EQ(kResultAccept, RunWith(again, nullptr, [](CDlgAddScreen& d) {
                  HWND field = ::GetDlgItem(d.HelperWindow(), IDC_EDIT_AREA_WIDTH);
                  EXPECT_TRUE(::IsWindowEnabled(field));
                  ::SetFocus(field);
                  rt::PressKey(VK_RETURN);
              }));
}
