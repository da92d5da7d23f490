// The record control bar against a stand-in main window: how it opens, its buttons
// through a recording's events, and its commands (which never leave it stuck, never act
// on a missing camera window and never destroy it from inside its own handler).
#include "app/RecordControlDlg.h"
#include "ids/record_control.h"
#include "region/RegionFrame.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <string>
#include <vector>

namespace {

class FakeHost : public IRecordControlHost {
public:
    std::vector<std::string> calls;
    bool recording = false, camera = false, cameraVisible = false;
    std::function<void()> onStart;
    void BarStart() override {
        calls.push_back("start");
        if (onStart) onStart();
    }
    void BarPause() override { calls.push_back("pause"); }
    void BarStop() override { calls.push_back("stop"); }
    bool BarIsRecording() const override { return recording; }
    bool BarHasCameraWindow() const override { return camera; }
    bool BarIsCameraVisible() const override { return cameraVisible; }
    void BarShowCamera(bool show) override {
        calls.push_back(show ? "show camera" : "hide camera");
        cameraVisible = show;
    }
    void BarRequestRemoval() override { calls.push_back("remove"); }
};

void Click(CRecordControlDlg& bar, int id) {
    ::SendMessageW(bar.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(bar.GetSafeHwnd(), id)));
}

// "on"/"off" for enabled, "+"/"-" for shown: record, pause, stop, camera.
std::string Buttons(const CRecordControlDlg& bar) {
    std::string s;
    for (int id : {IDC_BAR_RECORD, IDC_BAR_PAUSE, IDC_BAR_STOP, IDC_BAR_CAMERA}) {
        const auto st = bar.State(id);
        s += std::string(st.enabled ? "on" : "off") + (st.shown ? "+ " : "- ");
    }
    return s;
}

std::wstring Text(HWND h) {
    wchar_t buf[64] = {};
    ::GetWindowTextW(h, buf, 64);
    return buf;
}

} // namespace

TEST(RecordControlBar, OpensHiddenTopmostAtItsPictureSize) {
    FakeHost host;
    CRecordControlDlg bar;
    ASSERT_TRUE(bar.Create(&host, 1));
    HWND h = bar.GetSafeHwnd();
    RECT rc{};
    ::GetWindowRect(h, &rc);
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(-100, rc.top);
    EXPECT_EQ(242, rc.right - rc.left);
    EXPECT_EQ(32, rc.bottom - rc.top);
    const LONG ex = ::GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_TRUE((ex & WS_EX_TOPMOST) && (ex & WS_EX_TOOLWINDOW) && !(ex & WS_EX_APPWINDOW));
    EXPECT_EQ(L"00:00-0KB", Text(::GetDlgItem(h, IDC_BAR_TIME)));
    EXPECT_EQ("on+ on- off+ off+ ", Buttons(bar)); // screen only: no camera
    bar.SetTimeText(L"00:01");
    EXPECT_EQ(L"00:01", Text(::GetDlgItem(h, IDC_BAR_TIME)));

    // Shown (as the region frame does it): the background picture, between the buttons.
    ::SetWindowPos(h, HWND_TOPMOST, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::UpdateWindow(h);
    vt::CImage picture;
    ASSERT_EQ(1, vt::LoadImageResource(picture, L"", 149));
    HDC dc = ::GetDC(h);
    const COLORREF c = ::GetPixel(dc, 42, 2);
    ::ReleaseDC(h, dc);
    EXPECT_EQ(picture.GetPixel(42, 2) & 0xFFFFFF, DWORD((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)));

    // Placed by a region frame, then a button shown at once (as a starting recording
    // does): it stands on the bar's picture, not on the black of a bar not yet painted.
    CRecordControlDlg placed;
    ASSERT_TRUE(placed.Create(&host, 1));
    h = placed.GetSafeHwnd();
    CDisplayRegionDlg frame;
    ASSERT_TRUE(frame.Create(nullptr, 0));
    frame.SetControlBar(h);
    const RECT region{300, 100, 700, 400};
    frame.SetRegion(false, &region, nullptr);
    placed.EnableButton(IDC_BAR_RECORD, false);
    placed.EnableButton(IDC_BAR_PAUSE, false);
    placed.ShowButton(IDC_BAR_PAUSE, true);
    for (int i = 0; i < 10; ++i) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        vt::PumpPending();
    }
    dc = ::GetDC(h);
    const COLORREF corner = ::GetPixel(dc, 7, 4); // the pause button's transparent corner
    ::ReleaseDC(h, dc);
    EXPECT_EQ(picture.GetPixel(7, 4) & 0xFFFFFF,
              DWORD((GetRValue(corner) << 16) | (GetGValue(corner) << 8) | GetBValue(corner)));

    FakeHost withCamera;
    withCamera.camera = true;
    CRecordControlDlg second;
    ASSERT_TRUE(second.Create(&withCamera, 4));
    EXPECT_TRUE(second.State(IDC_BAR_CAMERA).enabled);
    CRecordControlDlg noCamera; // a camera recording whose camera window is not made yet
    ASSERT_TRUE(noCamera.Create(&host, 4));
    EXPECT_FALSE(noCamera.State(IDC_BAR_CAMERA).enabled);
}

TEST(RecordControlBar, CommandsNeverLeaveItStuck) {
    FakeHost host;
    host.camera = true;
    CRecordControlDlg bar;
    ASSERT_TRUE(bar.Create(&host, 4));
    // Paused, as the session sets it.
    bar.EnableButton(IDC_BAR_RECORD, true);
    bar.ShowButton(IDC_BAR_RECORD, true);
    bar.ShowButton(IDC_BAR_PAUSE, false);
    bar.EnableButton(IDC_BAR_STOP, true);
    EXPECT_EQ("on+ on- on+ on+ ", Buttons(bar));
    // Continue that does nothing (the installation check said no): record is usable again.
    Click(bar, IDC_BAR_RECORD);
    EXPECT_EQ("on+ on- on+ on+ ", Buttons(bar));
    // Continue that works: the session's state decides.
    host.onStart = [&] {
        bar.EnableButton(IDC_BAR_RECORD, false);
        bar.ShowButton(IDC_BAR_RECORD, false);
        bar.ShowButton(IDC_BAR_PAUSE, true);
    };
    Click(bar, IDC_BAR_RECORD);
    EXPECT_EQ("off- on+ on+ on+ ", Buttons(bar));
    Click(bar, IDC_BAR_PAUSE);
    Click(bar, IDC_BAR_STOP); // a Stop that did nothing leaves stop usable
    EXPECT_TRUE(bar.State(IDC_BAR_STOP).enabled);

    // No camera window: nothing to toggle, and the button goes off.
    host.camera = false;
    Click(bar, IDC_BAR_CAMERA);
    EXPECT_FALSE(bar.State(IDC_BAR_CAMERA).enabled);
    host.camera = true;
    Click(bar, IDC_BAR_CAMERA);
    Click(bar, IDC_BAR_CAMERA);

    // Close while recording: stop, then ask for the removal; the bar is still there.
    host.recording = true;
    Click(bar, IDC_BAR_CLOSE);
    EXPECT_TRUE(::IsWindow(bar.GetSafeHwnd()));
    const std::vector<std::string> want{"start", "start", "pause", "stop", "show camera", "hide camera", "stop", "remove"};
    EXPECT_EQ(want, host.calls);

    // Enter and Esc never close it.
    ::PostMessageW(::GetDlgItem(bar.GetSafeHwnd(), IDC_BAR_STOP), WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(bar.GetSafeHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    vt::PumpPending();
    ::SendMessageW(bar.GetSafeHwnd(), WM_COMMAND, IDOK, 0);
    ::SendMessageW(bar.GetSafeHwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(::IsWindow(bar.GetSafeHwnd()));

    // The main window may remove the bar while a command of it runs.
    auto owned = std::make_unique<CRecordControlDlg>();
    ASSERT_TRUE(owned->Create(&host, 1));
    HWND window = owned->GetSafeHwnd();
    host.onStart = [&] { owned.reset(); };
    Click(*owned, IDC_BAR_RECORD);
    EXPECT_FALSE(::IsWindow(window));
}
