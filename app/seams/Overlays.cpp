// The overlay windows of one recording (region/VideoLogo) behind the main window's
// interface.
#include "app/seams/Overlays.h"

#include "region/VideoLogo.h"

namespace {

class COverlays final : public IRecordingOverlays {
public:
    explicit COverlays(RecordingOverlays overlays) : m_overlays(std::move(overlays)) {}
    void MakeTopmost() override { m_overlays.MakeTopmost(); }
    void ShowTimeOverlay() override { m_overlays.ShowTimeOverlay(); }
    std::vector<HWND> Windows() const override {
        std::vector<HWND> windows;
        for (const auto* w : {m_overlays.time.get(), m_overlays.title.get(), m_overlays.watermark.get()})
            if (w) windows.push_back(w->GetSafeHwnd());
        return windows;
    }

private:
    RecordingOverlays m_overlays;
};

} // namespace

std::unique_ptr<IRecordingOverlays> CreateRecordingOverlays(const AdvancedSettings& settings, const RECT& rect) {
    RecordingOverlays overlays = MakeRecordingOverlays(settings, rect);
    if (overlays.Empty()) return nullptr;
    return std::make_unique<COverlays>(std::move(overlays));
}
