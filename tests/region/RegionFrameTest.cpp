// The region frame on the screen: red corner marks just outside the region with the
// window beneath showing through their key colour, blinking without taking the focus,
// the control bar placed beside the region, keys, and nothing left after it goes.
#include "region/RegionFrame.h"
#include "region/RegionGeometry.h"
#include "RegionTestUtil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr UINT kRemove = WM_APP + 7;

// A window that has the focus (its edit) and counts the removal requests posted to it.
class Workspace : public vt::CWnd {
public:
    Workspace() {
        CreateEx({.style = WS_POPUP | WS_VISIBLE, .rect = RECT{0, 0, 1280, 800}});
        edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 600, 600, 100, 20, m_hWnd, nullptr,
                                 nullptr, nullptr);
        ::SetForegroundWindow(m_hWnd);
        ::SetFocus(edit);
    }
    HWND edit = nullptr;
    int removals = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kRemove) ++removals;
        return vt::CWnd::WindowProc(msg, wParam, lParam);
    }
    bool OnPaint() override {
        vt::PaintDc pdc(m_hWnd);
        vt::UniqueBrush green(::CreateSolidBrush(RGB(0, 128, 0)));
        ::FillRect(pdc.Get(), &pdc.Info().rcPaint, green.Get());
        return true;
    }
};

int CountThreadWindows() {
    int n = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(), [](HWND, LPARAM p) { return ++*reinterpret_cast<int*>(p), TRUE; },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

} // namespace

TEST(RegionFrame, RedMarksOutsideTheRegionBlinkWithoutTakingTheFocus) {
    Workspace work;
    rt::PumpFor(100);
    ASSERT_EQ(work.edit, ::GetFocus());
    rt::ColourWindow bar(RGB(40, 40, 40), RECT{0, -100, 242, -68}, nullptr, WS_POPUP,
                         WS_EX_TOOLWINDOW | WS_EX_TOPMOST);

    auto frame = std::make_unique<CDisplayRegionDlg>();
    ASSERT_TRUE(frame->Create(work.GetSafeHwnd(), kRemove));
    EXPECT_FALSE(::IsWindowVisible(frame->GetSafeHwnd()));
    frame->SetControlBar(bar.Hwnd());
    const RECT region{100, 100, 500, 400};
    frame->SetRegion(false, &region, nullptr);
    const auto places = region::CornerRects(region);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(region::SameRect(places[i], WindowRect(frame->CornerWindow(i)))) << i;
        EXPECT_TRUE(::IsWindowVisible(frame->CornerWindow(i))) << i;
    }
    // At once, before the first blink: the top-left L covers rows 84..87 of columns
    // 84..99 and columns 84..87 of rows 84..99; the key colour shows what is beneath.
    {
        const vt::CImage screen = rt::Screen();
        auto px = [&](int x, int y) { return screen.GetPixel(x, y) & 0xFFFFFF; };
        EXPECT_EQ(0xFF0000u, px(84, 84));
        EXPECT_EQ(0xFF0000u, px(99, 87));
        EXPECT_EQ(0xFF0000u, px(87, 99));
        EXPECT_EQ(0x008000u, px(92, 92));
        EXPECT_EQ(0x008000u, px(100, 100)) << "the region itself is never covered";
        EXPECT_EQ(0xFF0000u, px(500, 84));
        EXPECT_EQ(0xFF0000u, px(515, 415));
        EXPECT_EQ(0xFF0000u, px(84, 415));
    }
    rt::SaveScreenForReview(L"frame-corners-and-bar");

    // The bar beside the region, shown without being activated.
    EXPECT_TRUE(frame->BarPlaced());
    EXPECT_TRUE(::IsWindowVisible(bar.Hwnd()));
    EXPECT_FALSE(region::Meets(WindowRect(bar.Hwnd()), region));
    EXPECT_EQ(work.GetSafeHwnd(), ::GetForegroundWindow());

    // Blinking on its timer, the focus staying in the edit throughout.
    bool seenShown = false, seenHidden = false;
    rt::PumpUntil([&] {
        (::IsWindowVisible(frame->CornerWindow(0)) ? seenShown : seenHidden) = true;
        return seenShown && seenHidden && ::IsWindowVisible(frame->CornerWindow(0));
    }, 3000);
    EXPECT_TRUE(seenShown && seenHidden);
    EXPECT_EQ(work.edit, ::GetFocus());
    // Tick by tick: a tick hides, the next shows.
    ::KillTimer(frame->GetSafeHwnd(), CDisplayRegionDlg::kBlinkTimer);
    ::SendMessageW(frame->GetSafeHwnd(), WM_TIMER, CDisplayRegionDlg::kBlinkTimer, 0);
    EXPECT_FALSE(::IsWindowVisible(frame->CornerWindow(0)));
    EXPECT_EQ(0x008000u, rt::ScreenPixel(84, 84));
    ::SendMessageW(frame->GetSafeHwnd(), WM_TIMER, CDisplayRegionDlg::kBlinkTimer, 0);
    EXPECT_TRUE(::IsWindowVisible(frame->CornerWindow(3)));
    EXPECT_EQ(0xFF0000u, rt::ScreenPixel(84, 84));
    EXPECT_EQ(work.edit, ::GetFocus());

    // The whole screen: the marks go off it, the bar goes away (it would be recorded).
    frame->SetRegion(true, nullptr, nullptr);
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(region::Meets(WindowRect(frame->CornerWindow(i)), screen)) << i;
    EXPECT_FALSE(::IsWindowVisible(bar.Hwnd()));
    EXPECT_EQ(0x008000u, rt::ScreenPixel(84, 84));
}

TEST(RegionFrame, KeysAreSwallowedAndTheWholeScreenAsksToBeRemoved) {
    Workspace work;
    const int before = CountThreadWindows();
    auto frame = std::make_unique<CDisplayRegionDlg>();
    ASSERT_TRUE(frame->Create(work.GetSafeHwnd(), kRemove));
    const RECT region{100, 100, 300, 300};
    frame->SetRegion(false, &region, nullptr);
    ::PostMessageW(frame->CornerWindow(0), WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(frame->GetSafeHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    rt::PumpFor(50);
    EXPECT_EQ(0, work.removals);
    EXPECT_TRUE(::IsWindow(frame->CornerWindow(0)));

    frame->SetRegion(true, nullptr, nullptr);
    ::PostMessageW(frame->CornerWindow(2), WM_KEYDOWN, VK_ESCAPE, 0);
    rt::PumpFor(50);
    EXPECT_EQ(1, work.removals) << "asked for, not done inside the key's handler";
    EXPECT_TRUE(::IsWindow(frame->GetSafeHwnd()));

    // Replacing the region and destroying the frame leave no window behind.
    for (int i = 0; i < 5; ++i) frame->SetRegion(false, &region, nullptr);
    EXPECT_EQ(before + 5, CountThreadWindows());
    frame.reset();
    rt::PumpFor(50);
    EXPECT_EQ(before, CountThreadWindows());
}
