// First build: the frame and the bar keep their state but show no windows.
#include "app/seams/RegionFrame.h"

namespace {

class CStateOnlyFrame final : public IRegionFrame {
public:
    void SetRegion(bool fullScreen, const RECT& rect, HWND window, IRecordControlBar*) override {
        m_fullScreen = fullScreen;
        m_rect = rect;
        m_window = window;
    }

private:
    bool m_fullScreen = true;
    RECT m_rect{};
    HWND m_window = nullptr;
};

class CStateOnlyBar final : public IRecordControlBar {
public:
    explicit CStateOnlyBar(int recordObject) { m_enabled[3] = recordObject != 1; }
    HWND Window() const override { return nullptr; }
    void SetTimeText(const std::wstring& text) override { m_time = text; }
    void EnableButton(int id, bool enabled) override {
        if (int i = Index(id); i >= 0) m_enabled[i] = enabled;
    }
    void ShowButton(int id, bool shown) override {
        if (int i = Index(id); i >= 0) m_shown[i] = shown;
    }

private:
    static int Index(int id) {
        switch (id) {
        case kRecord: return 0;
        case kPause: return 1;
        case kStop: return 2;
        case kCamera: return 3;
        default: return -1;
        }
    }
    std::wstring m_time = L"00:00-0KB";
    bool m_enabled[4] = {true, true, false, false};
    bool m_shown[4] = {true, false, true, true};
};

} // namespace

std::unique_ptr<IRegionFrame> CreateRegionFrame() {
    return std::make_unique<CStateOnlyFrame>();
}

std::unique_ptr<IRecordControlBar> CreateRecordControlBar(int recordObject) {
    return std::make_unique<CStateOnlyBar>(recordObject);
}
