// The window shadow: its picture as numbers, then the layered window following a real
// window on the screen.
#include "DesktopTestUtil.h"

#include "toolkit/Layered.h"
#include "toolkit/ShadowImage.h"
#include "toolkit/WndShadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>

using namespace vt;
using namespace desktoptest;

namespace {

// The main window's size and shape.
constexpr int kW = 244, kH = 168;

UniqueRgn MainWindowRegion() { return UniqueRgn(::CreateRoundRectRgn(0, 0, kW + 1, kH + 1, 9, 9)); }

ShadowPicture ShadowOf(HRGN region, const ShadowParams& params = {}) {
    return MakeShadowPicture(kW, kH, ShapeOfRegion(region, kW, kH), params);
}

} // namespace

TEST(ShadowPicture, SoftEdgeOutsideTheWindowNothingUnderIt) {
    UniqueRgn region = MainWindowRegion();
    const ShadowPicture pic = ShadowOf(region.Get());
    ASSERT_EQ(pic.width, kW + 10);
    ASSERT_EQ(pic.height, kH + 10);

    int maxAlpha = 0;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            maxAlpha = std::max(maxAlpha, pic.Alpha(x, y));
            if (::PtInRegion(region.Get(), x - 5, y - 5)) {
                ASSERT_EQ(pic.At(x, y), 0u) << "under the window at " << x << "," << y;
            }
        }
    EXPECT_LE(maxAlpha, 75);

    // Across each straight edge: the fade's outer five steps, the two inner ones being
    // under the window.
    const int expected[] = {46, 37, 28, 18, 9};
    const int midX = pic.width / 2, midY = pic.height / 2;
    for (int d = 0; d < 5; ++d) {
        EXPECT_EQ(pic.Alpha(4 - d, midY), expected[d]) << "left, " << d;
        EXPECT_EQ(pic.Alpha(pic.width - 5 + d, midY), expected[d]) << "right, " << d;
        EXPECT_EQ(pic.Alpha(midX, 4 - d), expected[d]) << "top, " << d;
        EXPECT_EQ(pic.Alpha(midX, pic.height - 5 + d), expected[d]) << "bottom, " << d;
    }
}

TEST(ShadowPicture, RoundedCornersDifferFromAPlainRectangle) {
    UniqueRgn region = MainWindowRegion();
    const ShadowPicture round = ShadowOf(region.Get());
    const ShadowPicture plain = ShadowOf(nullptr);
    // The window's cut-off corner is shadow, not window.
    EXPECT_GT(round.Alpha(5, 5), 0);
    EXPECT_EQ(plain.Alpha(5, 5), 0);
    int differing = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) differing += round.At(x, y) != plain.At(x, y);
    EXPECT_GT(differing, 10);
    // Without a region the four corners mirror each other.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const std::uint32_t p = plain.At(x, y);
            ASSERT_EQ(p, plain.At(plain.width - 1 - x, y));
            ASSERT_EQ(p, plain.At(x, plain.height - 1 - y));
            ASSERT_EQ(p, plain.At(plain.width - 1 - x, plain.height - 1 - y));
        }
}

TEST(ShadowPicture, OffsetShowsTheWholeFadeAndColourIsPremultiplied) {
    ShadowParams params;
    params.yOffset = 5;
    params.colour = RGB(200, 100, 50);
    const ShadowPicture pic = ShadowOf(nullptr, params);
    const int x = pic.width / 2;
    // The picture now starts at the window's top: below the window the solid core, then
    // the fade from darkness.
    EXPECT_EQ(pic.Alpha(x, 0), 0);
    const int below[] = {75, 75, 75, 65, 56, 46, 37, 28, 18, 9};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(pic.Alpha(x, kH + i), below[i]) << i;
    const std::uint32_t p = pic.At(x, kH + 4); // alpha 56
    EXPECT_EQ((p >> 16) & 0xFF, 200u * 56 / 255);
    EXPECT_EQ((p >> 8) & 0xFF, 100u * 56 / 255);
    EXPECT_EQ(p & 0xFF, 50u * 56 / 255);
}

TEST(ShadowPicture, DegenerateShapesStayInsideThePicture) {
    // An empty shape, a one-pixel window and big offsets must neither crash nor draw
    // outside the picture.
    EXPECT_EQ(MakeShadowPicture(0, 10, {}, {}).pixels.size(), 0u);
    const ShadowPicture dot = MakeShadowPicture(1, 1, {{0, 1}}, {});
    EXPECT_EQ(dot.width, 11);
    EXPECT_EQ(dot.Alpha(5, 5), 0);
    ShadowParams moved;
    moved.xOffset = 40;
    moved.yOffset = -40;
    moved.size = 12;
    moved.sharpness = 3;
    const ShadowPicture shifted = MakeShadowPicture(30, 20, std::vector<ShadowSpan>(20, {0, 30}), moved);
    EXPECT_EQ(shifted.width, 54);
    EXPECT_GT(shifted.Alpha(27, 27), 0) << "a shadow moved off its window shows its core";
}

// ---------------------------------------------------------------- real windows

class WindowShadow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_initialised = ShadowsReady(); }

    void SetUp() override {
        ASSERT_TRUE(s_initialised);
        host = std::make_unique<TestHost>(RECT{300, 200, 300 + kW, 200 + kH}, RGB(255, 255, 255));
        ASSERT_TRUE(*host);
        UniqueRgn region = MainWindowRegion();
        ASSERT_TRUE(SetWindowRegion(host->Hwnd(), region));
        ::SetForegroundWindow(host->Hwnd());
        ASSERT_TRUE(shadow.Create(host->Hwnd()));
        PumpFor(50);
    }

    bool Shown() const { return ::IsWindowVisible(shadow.Window()) != FALSE; }
    bool Follows() const {
        RECT h{}, s{};
        ::GetWindowRect(host->Hwnd(), &h);
        ::GetWindowRect(shadow.Window(), &s);
        return s.left == h.left - 5 && s.top == h.top - 5 && s.right == h.right + 5 && s.bottom == h.bottom + 5;
    }

    static bool s_initialised;
    std::unique_ptr<TestHost> host;
    CWndShadow shadow;
};

bool WindowShadow::s_initialised = false;

TEST_F(WindowShadow, OnceAClassOwnedClickThroughWindowAroundItsParentNeverActive) {
    EXPECT_FALSE(CWndShadow::Initialise(::GetModuleHandleW(nullptr))) << "a second start-up does nothing";
    wchar_t path[MAX_PATH] = {};
    HMODULE dwm = ::GetModuleHandleW(L"dwmapi.dll");
    ASSERT_NE(dwm, nullptr);
    ::GetModuleFileNameW(dwm, path, MAX_PATH);
    std::wstring lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    EXPECT_NE(lower.find(L"\\system32\\dwmapi.dll"), std::wstring::npos) << lower;

    HWND w = shadow.Window();
    wchar_t cls[32] = {};
    ::GetClassNameW(w, cls, 32);
    EXPECT_STREQ(cls, L"DTShadowWnd");
    EXPECT_EQ(::GetWindow(w, GW_OWNER), host->Hwnd());
    const LONG_PTR ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
    EXPECT_EQ(ex & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(Follows());
    EXPECT_EQ(::GetForegroundWindow(), host->Hwnd()) << "showing the shadow takes no activation";
}

TEST(WindowShadowOnScreen, ShowsNothingOverItsParentAndLetsClicksThrough) {
    ASSERT_TRUE(ShadowsReady());
    MouseMove(POINT{1200, 750}); // the focus follows the pointer without a window manager
    // A window beside the parent, under the shadow's right edge; windows shown later
    // lie above it.
    TestHost beside(RECT{300 + kW, 150, 300 + kW + 200, 450}, RGB(0, 0, 255));
    PumpFor(100);
    TestHost parent(RECT{300, 200, 300 + kW, 200 + kH}, RGB(255, 255, 255));
    UniqueRgn region = MainWindowRegion();
    ASSERT_TRUE(SetWindowRegion(parent.Hwnd(), region));
    CWndShadow shadow;
    ASSERT_TRUE(shadow.Create(parent.Hwnd()));
    PumpFor(200);

    EXPECT_EQ(ScreenPixel(300 + kW / 2, 200 + kH / 2), RGB(255, 255, 255)) << "alpha 0 over the parent";
    const POINT onShadow{300 + kW + 2, 200 + kH / 2};
    EXPECT_EQ(ScreenPixel(onShadow.x, onShadow.y), RGB(0, 0, 0)) << "Xvfb shows the premultiplied black raw";
    EXPECT_EQ(ScreenPixel(onShadow.x + 10, onShadow.y), RGB(0, 0, 255));
    EXPECT_EQ(::WindowFromPoint(onShadow), beside.Hwnd());
    MouseClick(onShadow);
    EXPECT_TRUE(PumpUntil([&] { return !beside.mouse.empty(); }, 3000)) << "the click went through the shadow";
}

TEST_F(WindowShadow, FollowsMovesDragsAndSizes) {
    ::SetWindowPos(host->Hwnd(), nullptr, 420, 260, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Follows());
    host->dragByClientArea = true;
    MouseDrag(POINT{440, 280}, POINT{520, 330});
    EXPECT_TRUE(PumpUntil([&] {
        RECT rc{};
        ::GetWindowRect(host->Hwnd(), &rc);
        return rc.left != 420;
    }, 3000)) << "the drag moved the window";
    EXPECT_TRUE(Follows());
    ::SetWindowPos(host->Hwnd(), nullptr, 0, 0, kW - 40, kH - 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(50);
    EXPECT_TRUE(Follows()) << "shrinking redraws at once";
    ::SetWindowPos(host->Hwnd(), nullptr, 0, 0, kW + 20, kH + 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::UpdateWindow(host->Hwnd());
    PumpFor(50);
    EXPECT_TRUE(Follows()) << "growing redraws at the next paint";
}

TEST_F(WindowShadow, HidesWhenMinimisedOrHiddenAndStaysOffWhenDisabled) {
    ::ShowWindow(host->Hwnd(), SW_MINIMIZE);
    EXPECT_FALSE(Shown());
    ::ShowWindow(host->Hwnd(), SW_RESTORE);
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(Follows());
    ::ShowWindow(host->Hwnd(), SW_HIDE); // to the tray
    EXPECT_FALSE(Shown());
    ::ShowWindow(host->Hwnd(), SW_SHOWNORMAL);
    EXPECT_TRUE(Shown());

    shadow.SetEnabled(false);
    EXPECT_FALSE(Shown());
    for (int show : {SW_MINIMIZE, SW_RESTORE, SW_HIDE, SW_SHOWNORMAL}) {
        ::ShowWindow(host->Hwnd(), show);
        ::SendMessageW(host->Hwnd(), WM_DWMCOMPOSITIONCHANGED, 0, 0);
        EXPECT_FALSE(Shown()) << "after ShowWindow " << show;
    }
    ::ShowWindow(host->Hwnd(), SW_HIDE);
    shadow.SetEnabled(true);
    EXPECT_FALSE(Shown()) << "no shadow for a hidden window";
    ::ShowWindow(host->Hwnd(), SW_SHOWNORMAL);
    EXPECT_TRUE(Shown());
}

TEST_F(WindowShadow, GoesWithItsParent) {
    HWND w = shadow.Window();
    host.reset();
    EXPECT_FALSE(::IsWindow(w));
    EXPECT_EQ(shadow.Window(), nullptr);
}
