// The camera window on virtual cameras: opening, frames, moving and resizing, the close
// button, and what it does with a camera that fails.
#include "OverlayTestSupport.h"

#include "../encoder/TraceCapture.h"
#include "devices/CameraLayout.h"
#include "devices/CameraWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The main window's part: receives the close button's message, says whether a
// camera-only recording runs.
class FakeHost : public ICameraHost, public vt::CWnd {
public:
    FakeHost() { CreateEx({.title = L"camera host", .style = WS_POPUP}); }
    ~FakeHost() { DestroyWindow(); }
    HWND NotifyWindow() override { return m_hWnd; }
    bool IsCameraOnlyRecording() override { return cameraOnly; }
    bool cameraOnly = false;
    int hideRequests = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kCameraHideMessage) ++hideRequests;
        return vt::CWnd::WindowProc(msg, wParam, lParam);
    }
};

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

bool Same(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

int Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

void Post(HWND h, UINT msg, WPARAM flags, int x, int y) { ::PostMessageW(h, msg, flags, MAKELPARAM(x, y)); }

TEST(CameraWindow, OpensAtItsSizeAndShowsMovingBars) {
    VirtualDevices devices(L"camera:Test Cam@320x240,640x480,1280x720");
    TraceCapture trace;
    FakeHost host;
    CDisplayCameraDlg camera(&host);
    camera.SetShowCloseButton(true);
    ASSERT_TRUE(camera.Create());
    HWND h = camera.GetSafeHwnd();
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_TRUE(::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    ASSERT_TRUE(camera.SelectCamera(0));
    EXPECT_FALSE(::IsWindowVisible(h)) << "the caller shows it";
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_TRUE(Same(RECT{sw - 558, sh - 458, sw, sh}, WindowRect(h)));
    EXPECT_TRUE(Same(RECT{sw - 554, sh - 454, sw - 4, sh - 4}, camera.PictureScreenRect()));
    EXPECT_TRUE(::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const auto lines = trace.Lines();
    EXPECT_EQ(1, Count(lines, "Camera read size  320:240 "));
    EXPECT_EQ(1, Count(lines, "Camera read size  1280:720 "));
    EXPECT_EQ(1, Count(lines, "Camera set size  640:480 "));

    // Selecting the open camera again does nothing.
    EXPECT_TRUE(camera.SelectCamera(0));
    EXPECT_EQ(1, Count(trace.Lines(), "Camera set size  640:480 "));

    ::ShowWindow(h, SW_SHOWNA);
    const RECT pic = camera.PictureScreenRect();
    ASSERT_TRUE(PumpUntil([&] { return ScreenShot(pic).Count(pic, [](COLORREF c) { return Near(c, 255, 255, 0, 40); }) > 1000; },
                          3000))
        << "a yellow bar appears";
    const ScreenShot first(pic);
    PumpFor(300);
    const ScreenShot later(pic);
    int changed = 0;
    for (int y = pic.top + 50; y < pic.top + 300; y += 5)
        for (int x = pic.left; x < pic.right; x += 5) changed += first.At(x, y) != later.At(x, y);
    EXPECT_GT(changed, 200) << "the bars move";
    const RECT win = WindowRect(h);
    const ScreenShot frame(win);
    EXPECT_TRUE(Near(frame.At(win.left + 200, win.top + 1), 0, 174, 255, 3));
    EXPECT_TRUE(Near(frame.At(win.left + 1, win.top + 200), 0, 174, 255, 3));

    // A small window keeps the 4-pixel frame round the picture.
    ::MoveWindow(h, 100, 100, 160, 120, TRUE);
    EXPECT_TRUE(Same(RECT{104, 104, 104 + 152, 104 + 112}, camera.PictureScreenRect()));
}

TEST(CameraWindow, ACameraThatFailsIsTriedAgainAndReported) {
    SelectEnglish();
    VirtualDevices devices(L"camera:Only Cam@640x480");
    CDisplayCameraDlg camera(nullptr);
    ASSERT_TRUE(camera.Create());
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool ok = true;
        const std::wstring text = AnswerMessageBox(L"Tarn Video Recorder", [&] { ok = camera.SelectCamera(3); });
        EXPECT_FALSE(ok) << "attempt " << attempt;
        EXPECT_NE(std::wstring::npos, text.find(L"camera could not be opened")) << "attempt " << attempt;
    }
    EXPECT_FALSE(camera.HasCamera());
    EXPECT_TRUE(camera.SelectCamera(0));
    EXPECT_TRUE(camera.HasCamera());
}

TEST(CameraWindow, MovesAndResizesByDragButNotWhileRecordingItself) {
    VirtualDevices devices(L"camera:Drag Cam@640x480");
    FakeHost host;
    CDisplayCameraDlg camera(&host);
    camera.SetShowCloseButton(true);
    ASSERT_TRUE(camera.Create());
    ASSERT_TRUE(camera.SelectCamera(0));
    HWND h = camera.GetSafeHwnd();
    ::ShowWindow(h, SW_SHOWNA);
    ::MoveWindow(h, 200, 150, 400, 300, TRUE);
    // The close button stays only while the real pointer is near the window: put it there,
    // wherever an earlier test left it.
    ::SetCursorPos(400, 300);
    PumpFor(100);

    // The body moves the whole window; the close button follows beside it.
    Post(h, WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Post(h, WM_MOUSEMOVE, MK_LBUTTON, 130, 120);
    PumpFor(100);
    EXPECT_TRUE(Same(RECT{230, 170, 630, 470}, WindowRect(h)));
    EXPECT_EQ(h, ::GetCapture());
    HWND close = camera.CloseButton()->GetSafeHwnd();
    EXPECT_TRUE(::IsWindowVisible(close));
    EXPECT_TRUE(Same(RECT{631, 170, 655, 194}, WindowRect(close)));
    Post(h, WM_LBUTTONUP, 0, 130, 120);
    PumpFor(50);
    EXPECT_NE(h, ::GetCapture());

    // The bottom-right corner moves only the right and bottom edges, down to the minimum.
    // (Each press drags once: moving a window makes the system send a move of its own,
    // which carries the real buttons' state, up here.)
    Post(h, WM_LBUTTONDOWN, MK_LBUTTON, 397, 297);
    Post(h, WM_MOUSEMOVE, MK_LBUTTON, 417, 307);
    PumpFor(100);
    EXPECT_TRUE(Same(RECT{230, 170, 650, 480}, WindowRect(h)));
    Post(h, WM_LBUTTONUP, 0, 417, 307);
    Post(h, WM_LBUTTONDOWN, MK_LBUTTON, 417, 307);
    Post(h, WM_MOUSEMOVE, MK_LBUTTON, -2000, -2000);
    PumpFor(100);
    EXPECT_TRUE(Same(RECT{230, 170, 230 + kCameraMinimumSize, 170 + kCameraMinimumSize}, WindowRect(h)));
    Post(h, WM_LBUTTONUP, 0, 0, 0);
    ::MoveWindow(h, 200, 150, 400, 300, TRUE);

    // A move without the button ends a drag whose release went elsewhere.
    Post(h, WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Post(h, WM_MOUSEMOVE, 0, 150, 150);
    Post(h, WM_MOUSEMOVE, MK_LBUTTON, 180, 180);
    PumpFor(100);
    EXPECT_TRUE(Same(RECT{200, 150, 600, 450}, WindowRect(h)));

    // Hovering sets the cursor of the edge.
    Post(h, WM_MOUSEMOVE, 0, 2, 2);
    PumpFor(50);
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_SIZENWSE), ::GetCursor());

    host.cameraOnly = true;
    Post(h, WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    Post(h, WM_MOUSEMOVE, MK_LBUTTON, 200, 160);
    Post(h, WM_LBUTTONUP, 0, 200, 160);
    PumpFor(100);
    EXPECT_TRUE(Same(RECT{200, 150, 600, 450}, WindowRect(h)));
}

TEST(CameraWindow, RealInputDragAndTheCloseButton) {
    VirtualDevices devices(L"camera:Input Cam@640x480");
    FakeHost host;
    CDisplayCameraDlg camera(&host);
    camera.SetShowCloseButton(true);
    ASSERT_TRUE(camera.Create());
    ASSERT_TRUE(camera.SelectCamera(0));
    HWND h = camera.GetSafeHwnd();
    ::ShowWindow(h, SW_SHOWNA);
    ::MoveWindow(h, 200, 150, 400, 300, TRUE);
    PumpFor(150);

    // A quick flick, released far outside the window: it follows and lets go.
    auto input = [](DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        ::SendInput(1, &in, sizeof(in));
    };
    ::SetCursorPos(300, 250);
    PumpFor(50);
    input(MOUSEEVENTF_LEFTDOWN);
    PumpFor(50);
    ::SetCursorPos(700, 500);
    input(MOUSEEVENTF_MOVE);
    PumpFor(50);
    input(MOUSEEVENTF_LEFTUP);
    PumpFor(150);
    EXPECT_TRUE(Same(RECT{600, 400, 1000, 700}, WindowRect(h)));
    EXPECT_NE(h, ::GetCapture());

    // The close button stays while the pointer is within 25 pixels right of the window.
    HWND close = camera.CloseButton()->GetSafeHwnd();
    ASSERT_TRUE(::IsWindowVisible(close));
    ::SetCursorPos(1000 + 20, 450);
    PumpFor(250);
    EXPECT_TRUE(::IsWindowVisible(close));
    ::SetCursorPos(1000 + 30, 450);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(close); }, 1000));

    // Its press asks the host to hide the camera window; the frames go on meanwhile.
    ::ShowWindow(close, SW_SHOWNA);
    Post(close, WM_LBUTTONDOWN, MK_LBUTTON, 12, 12);
    EXPECT_TRUE(PumpUntil([&] { return host.hideRequests == 1; }, 1000));
    EXPECT_FALSE(::IsWindowVisible(close));
    ::ShowWindow(h, SW_HIDE);
    PumpFor(200);
    EXPECT_TRUE(camera.HasCamera());
    EXPECT_TRUE(::KillTimer(h, CDisplayCameraDlg::kFrameTimer)) << "the frame timer still runs";
}

TEST(CameraWindow, RepeatedOpeningLeaksNothing) {
    VirtualDevices devices(L"camera:Leak Cam@640x480");
    FakeHost host;
    auto cycle = [&] {
        CDisplayCameraDlg camera(&host);
        camera.SetShowCloseButton(true);
        ASSERT_TRUE(camera.Create());
        ASSERT_TRUE(camera.SelectCamera(0));
        ::ShowWindow(camera.GetSafeHwnd(), SW_SHOWNA);
        PumpFor(80);
    };
    for (int i = 0; i < 3; ++i) cycle();
    const size_t before = PrivateBytes();
    for (int i = 0; i < 30; ++i) cycle();
    PumpFor(100);
    // A frame is 900 KB: a frame buffer or picture kept per cycle would show many times over.
    EXPECT_LT(PrivateBytes(), before + 4 * 1024 * 1024) << before << " -> " << PrivateBytes();
}

} // namespace
