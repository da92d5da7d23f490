// The region frame (region/RegionFrame) and the record control bar (app/RecordControlDlg),
// behind the main window's interfaces. Both go by the main window's hand only: they post
// WM_REMOVE_REGION_FRAME to it.
#include "app/seams/RegionFrame.h"

#include "app/RecordControlDlg.h"
#include "app/RecorderHost.h"
#include "app/RecorderMessages.h"
#include "region/RegionFrame.h"

namespace {

class CRegionFrame final : public IRegionFrame {
public:
    bool Create() {
        IRecorderHost* host = RecorderHost();
        return m_frame.Create(host ? host->MainWindow() : nullptr, WM_REMOVE_REGION_FRAME);
    }
    void SetRegion(bool fullScreen, const RECT& rect, HWND window, IRecordControlBar* bar) override {
        m_frame.SetControlBar(bar ? bar->Window() : nullptr);
        m_frame.SetRegion(fullScreen, &rect, window);
    }

private:
    CDisplayRegionDlg m_frame;
};

// The bar's commands go to the main window, whatever it is at the time.
class CControlBar final : public IRecordControlBar, private IRecordControlHost {
public:
    bool Create(int recordObject) { return m_bar.Create(this, recordObject); }
    HWND Window() const override { return m_bar.GetSafeHwnd(); }
    void SetTimeText(const std::wstring& text) override { m_bar.SetTimeText(text); }
    void EnableButton(int id, bool enabled) override { m_bar.EnableButton(id, enabled); }
    void ShowButton(int id, bool shown) override { m_bar.ShowButton(id, shown); }

private:
    // Nothing of this object is used after a command: the main window may have removed
    // the bar meanwhile.
    void BarStart() override {
        if (IRecorderHost* h = RecorderHost()) h->StartCommand();
    }
    void BarPause() override {
        if (IRecorderHost* h = RecorderHost()) h->PauseCommand();
    }
    void BarStop() override {
        if (IRecorderHost* h = RecorderHost()) h->StopCommand();
    }
    bool BarIsRecording() const override {
        const IRecorderHost* h = RecorderHost();
        return h && (h->State() == SessionState::Recording || h->State() == SessionState::Paused);
    }
    bool BarHasCameraWindow() const override {
        const IRecorderHost* h = RecorderHost();
        return h && h->HasCameraWindow();
    }
    bool BarIsCameraVisible() const override {
        const IRecorderHost* h = RecorderHost();
        return h && h->IsCameraWindowVisible();
    }
    void BarShowCamera(bool show) override {
        if (IRecorderHost* h = RecorderHost()) h->ShowCameraWindow(show);
    }
    void BarRequestRemoval() override {
        if (IRecorderHost* h = RecorderHost()) ::PostMessageW(h->MainWindow(), WM_REMOVE_REGION_FRAME, 0, 0);
    }

    CRecordControlDlg m_bar;
};

} // namespace

std::unique_ptr<IRegionFrame> CreateRegionFrame() {
    auto frame = std::make_unique<CRegionFrame>();
    if (!frame->Create()) return nullptr;
    return frame;
}

std::unique_ptr<IRecordControlBar> CreateRecordControlBar(int recordObject) {
    auto bar = std::make_unique<CControlBar>();
    if (!bar->Create(recordObject)) return nullptr;
    return bar;
}
