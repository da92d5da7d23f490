// The title's settings dialog with its live preview, and the dialog that asks for this
// recording's title text.
#pragma once

#include "config/RecorderSettings.h"
#include "region/DialogSupport.h"
#include "region/TitleText.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/SkinControls.h"

#include <string>

// The title over a sample picture, roughly as the recording will show it.
class CStaticTitlePreview : public CSettingsPreview {
public:
    void SetSettings(const TitleSettings& settings);

protected:
    void PaintOver(HDC dc, const RECT& client) override;

private:

    TitleSettings m_settings{};
    TitleFont m_font;
};

class CDlgTitleSetting : public vt::CDialog {
public:
    CDlgTitleSetting();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool ChooseColour(COLORREF* colour);
    void ChooseFont();
    void SetType(int32_t type);
    void UpdatePreview();

    TitleSettings m_copy{};
    CStaticTitlePreview m_preview;
    CNSliderEx m_sliderX, m_sliderY;
    CPositionGrid m_grid;
    vt::UniqueBrush m_normalBrush, m_shadowBrush;
    COLORREF m_customColours[16]{};
};

// Asks for the title of the recording about to start: 1 (OK) with the edited text, or 2.
class CDlgChangeTitle : public vt::CDialog {
public:
    static constexpr int kMaxChars = kSettingsTextChars - 1;

    CDlgChangeTitle();
    void SetTitle(std::wstring title) { m_title = std::move(title); }
    const std::wstring& Title() const noexcept { return m_title; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring m_title;
};
