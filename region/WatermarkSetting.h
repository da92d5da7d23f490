// The watermark's settings dialog with its live preview.
#pragma once

#include "config/RecorderSettings.h"
#include "region/DialogSupport.h"
#include "region/WatermarkPicture.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/SkinControls.h"

// The picture over a sample background at the size it will have in the recording.
class CStaticWatermaskPreview : public CSettingsPreview {
public:
    void SetSettings(const WatermarkSettings& settings);

protected:
    void PaintOver(HDC dc, const RECT& client) override;

private:

    WatermarkSettings m_settings{};
    // Decoded once per path; a path that failed is not tried again at every paint.
    CWatermarkPicture m_picture;
    std::wstring m_failedPath;
};

class CDlgWatermaskSetting : public vt::CDialog {
public:
    // The filter of the picture dialog, in text form.
    static constexpr const wchar_t* kFilter = L"All Picture Files|*.png;*.bmp;*.jpg;*.jpeg|All Files (*.*)|*.*||";

    CDlgWatermaskSetting();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Browse();
    void UpdatePreview();

    WatermarkSettings m_copy{};
    CStaticWatermaskPreview m_preview;
    CNSliderEx m_transparency, m_zoom, m_sliderX, m_sliderY;
    CPositionGrid m_grid;
};
