// An overlay window of a recording: the title, the date and time or the watermark
// picture, shown where the screen capture takes it into the video. Opaque, topmost,
// without frame or taskbar button; never layered, so that what the screen shows is what
// is captured.
#pragma once

#include "config/RecorderSettings.h"
#include "region/OverlayLayout.h"
#include "region/TitleText.h"
#include "toolkit/Dialog.h"
#include "toolkit/Raii.h"
#include "toolkit/Timer.h"

#include <memory>
#include <optional>

class CWatermarkPicture;

class CDlgVideoLogo : public vt::CDialog {
public:
    static constexpr UINT_PTR kRefreshTimer = 1192;
    static constexpr COLORREF kBackground = RGB(96, 96, 96);

    CDlgVideoLogo();
    ~CDlgVideoLogo() override;

    // A hidden top-level window of kind none, topmost at (0, -100).
    bool Create();

    // Content. SetTitle is false when the title has no usable font; SetWatermark when the
    // picture cannot be loaded. Either way the overlay must be left out.
    bool SetTitle(const TitleSettings& title);
    bool SetWatermark(const WatermarkSettings& watermark);
    void SetTime();
    OverlayKind Kind() const noexcept { return m_kind; }

    // The size the content needs; kinds title and time also get their rounded outline.
    OverlaySize GetOverlaySize();

    // Sizes and places the window inside the recorded rectangle and shows it; false when
    // it does not fit (the caller destroys it).
    bool PlaceIn(const RECT& recorded);

    // The once-a-second repaint of the time and the watermark.
    void StartRefresh();
    void MakeTopmost();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnPaint() override;
    bool OnTimer(UINT_PTR id) override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    void Paint(HDC dc, const RECT& client);
    bool ComposeWatermark(OverlaySize size);

    OverlayKind m_kind = kOverlayNone;
    TitleSettings m_title{};
    WatermarkSettings m_watermark{};
    TitleFont m_titleFont;
    std::unique_ptr<CWatermarkPicture> m_picture;  // until composed
    vt::UniqueBitmap m_composed;                   // the watermark over the grey, once
    vt::UniqueFont m_timeFont;
    OverlaySize m_size{};
    vt::CTimer m_refresh;
};

// The overlays of one recording, made from the settings of that moment.
class RecordingOverlays {
public:
    RecordingOverlays() = default;
    RecordingOverlays(RecordingOverlays&&) noexcept = default;
    RecordingOverlays& operator=(RecordingOverlays&&) noexcept = default;

    std::unique_ptr<CDlgVideoLogo> time, title, watermark;

    void MakeTopmost();
    void ShowTimeOverlay();
    void Destroy();
    bool Empty() const noexcept { return !time && !title && !watermark; }
};

// Time, title and watermark, each when switched on and when it fits the recorded
// rectangle, in that order; an empty title makes no title window.
RecordingOverlays MakeRecordingOverlays(const AdvancedSettings& settings, const RECT& recorded);
