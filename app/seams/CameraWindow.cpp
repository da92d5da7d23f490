// The camera window (devices/CameraWindow) behind the main window's interface. Its close
// button talks to the main window, whatever it is at the time.
#include "app/seams/CameraWindow.h"

#include "app/RecorderHost.h"
#include "devices/CameraWindow.h"

namespace {

class CCameraWindow final : public ICameraWindow, private ICameraHost {
public:
    bool Create(bool showCloseButton) {
        m_dlg.SetShowCloseButton(showCloseButton);
        return m_dlg.Create();
    }
    HWND Window() const override { return m_dlg.GetSafeHwnd(); }
    HWND PictureWindow() const override { return m_dlg.PictureWindow(); }
    bool SelectCamera(int index) override { return m_dlg.SelectCamera(index); }
    void Show(bool show) override {
        ::ShowWindow(m_dlg.GetSafeHwnd(), show ? SW_SHOW : SW_HIDE);
        if (!show)
            if (CDlgCloseCamera* close = m_dlg.CloseButton()) ::ShowWindow(close->GetSafeHwnd(), SW_HIDE);
    }
    bool IsVisible() const override { return ::IsWindowVisible(m_dlg.GetSafeHwnd()) != FALSE; }
    void Place(const RECT& r) override {
        ::SetWindowPos(m_dlg.GetSafeHwnd(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOACTIVATE);
    }

private:
    HWND NotifyWindow() override {
        const IRecorderHost* h = RecorderHost();
        return h ? h->MainWindow() : nullptr;
    }
    // Its picture area is the recorded rectangle from the start until the file is closed.
    bool IsCameraOnlyRecording() override {
        IRecorderHost* h = RecorderHost();
        if (!h || h->State() == SessionState::Idle) return false;
        const int o = h->Settings().video.nRecordObject;
        return (o & kRecordObjectCamera) && !(o & (kRecordObjectScreen | kRecordObjectScreenWithCamera));
    }

    CDisplayCameraDlg m_dlg{this};
};

} // namespace

std::unique_ptr<ICameraWindow> CreateCameraWindow(bool showCloseButton) {
    auto camera = std::make_unique<CCameraWindow>();
    if (!camera->Create(showCloseButton)) return nullptr;
    return camera;
}
