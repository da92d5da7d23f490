#include "region/TitleSetting.h"

#include "region/OverlayLayout.h"
#include "config/PendingOverlaySettings.h"
#include "resources/ids/overlays.h"
#include "toolkit/CommonDialogs.h"
#include "toolkit/MemDC.h"

#include <cwchar>

using namespace Gdiplus;

// --- Preview ----------------------------------------------------------------

void CStaticTitlePreview::SetSettings(const TitleSettings& settings) {
    m_settings = settings;
    m_font = TitleFont::Make(settings);
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CStaticTitlePreview::PaintOver(HDC dc, const RECT& client) {
    vt::DcState state(dc);
    ::IntersectClipRect(dc, client.left + 3, client.top + 3, client.right - 3, client.bottom - 3);

    std::wstring text = TitleTextOf(m_settings);
    if (text.empty()) text = L"AAA";

    // Measured as points in a GUI font of the title's face; drawn in the title's font.
    LOGFONTW lf{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    wcsncpy_s(lf.lfFaceName, m_settings.lfFont.lfFaceName, _TRUNCATE);
    lf.lfWeight = m_settings.lfFont.lfWeight;
    lf.lfHeight = PreviewFontHeight(m_settings.lfFont.lfHeight, ::GetDeviceCaps(dc, LOGPIXELSY));
    SIZE extent{};
    {
        vt::UniqueFont measure(::CreateFontIndirectW(&lf));
        vt::SelectGuard select(dc, measure.Get());
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    const SIZE size{client.right - client.left, client.bottom - client.top};
    const POINT at = TitlePreviewPosition(size, extent, m_settings.nPosX, m_settings.nPosY);
    if (!m_font) return;

    Graphics g(dc);
    const PointF p(static_cast<REAL>(at.x), static_cast<REAL>(at.y));
    if (m_settings.nType != 0) {
        const RectF dest(p.X, p.Y, static_cast<REAL>(extent.cx), static_cast<REAL>(extent.cy));
        m_font.DrawShadow(g, text, PointF(0, 0), dest, m_settings.clrShadow);
        g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    }
    m_font.DrawText(g, text, p, m_settings.clrNormal);
}

// --- Title settings ---------------------------------------------------------

CDlgTitleSetting::CDlgTitleSetting() : vt::CDialog(IDD_SET_TITLE) {}

BOOL CDlgTitleSetting::OnInitDialog() {
    SetTextByKey(m_hWnd, L"IDD_DLG_SET_TITLE_CAPTION");
    SetItemTextByKey(m_hWnd, IDC_TITLE_STA_TYPE, L"IDC_DLG_SET_TITLE_STA_TYPE");
    SetItemTextByKey(m_hWnd, IDC_TITLE_RADIO_NORMAL, L"IDC_DLG_SET_TITLE_RADIO_NORMAL");
    SetItemTextByKey(m_hWnd, IDC_TITLE_RADIO_SHADOW, L"IDC_DLG_SET_TITLE_RADIO_SHADOW");
    SetItemTextByKey(m_hWnd, IDC_TITLE_BTN_FONT, L"IDC_DLG_SET_TITLE_BTN_FONT_STYLE");
    SetItemTextByKey(m_hWnd, IDC_TITLE_BTN_COLOR, L"IDC_DLG_SET_TITLE_BTN_FONT_CLR");
    SetItemTextByKey(m_hWnd, IDC_TITLE_BTN_SHADOW_COLOR, L"IDC_DLG_SET_TITLE_BTN_SHADOW_FONT_CLR");
    SetItemTextByKey(m_hWnd, IDC_OVERLAY_STA_POS, L"IDC_DLG_SET_TITLE_STA_POS");
    SetItemTextByKey(m_hWnd, IDC_OVERLAY_STA_POS_X, L"IDC_DLG_SET_TITLE_STA_POS_X");
    SetItemTextByKey(m_hWnd, IDC_OVERLAY_STA_POS_Y, L"IDC_DLG_SET_TITLE_STA_POS_Y");
    SetItemTextByKey(m_hWnd, IDOK, L"ID_DLG_SET_TITLE_BTN_OK");
    SetItemTextByKey(m_hWnd, IDCANCEL, L"ID_DLG_SET_TITLE_BTN_CANCEL");

    static constexpr ControlPlace kPlaces[] = {
        {IDC_TITLE_STA_TYPE, 12, 15, 56, 16},         {IDC_TITLE_RADIO_NORMAL, 72, 12, 90, 20},
        {IDC_TITLE_RADIO_SHADOW, 170, 12, 100, 20},   {IDC_TITLE_BTN_FONT, 12, 42, 110, 24},
        {IDC_TITLE_BTN_COLOR, 12, 72, 110, 24},       {IDC_TITLE_SWATCH_NORMAL, 128, 76, 24, 16},
        {IDC_TITLE_BTN_SHADOW_COLOR, 170, 72, 120, 24}, {IDC_TITLE_SWATCH_SHADOW, 296, 76, 24, 16},
        {IDC_OVERLAY_STA_POS, 12, 104, 120, 16},      {IDC_OVERLAY_STA_POS_X, 20, 178, 125, 15},
        {IDC_OVERLAY_STA_POS_Y, 20, 213, 125, 15},    {IDOK, 150, 256, 86, 26},
        {IDCANCEL, 247, 256, 86, 26},
    };
    PlaceControls(m_hWnd, kPlaces);
    SizeClientAndCentre(m_hWnd, 345, 294);

    ::SetDlgItemTextW(m_hWnd, IDC_TITLE_SWATCH_NORMAL, L"");
    ::SetDlgItemTextW(m_hWnd, IDC_TITLE_SWATCH_SHADOW, L"");

    if (PendingTitleSettings) {
        m_copy = *PendingTitleSettings;
    } else {
        LOGFONTW lf{};
        auto font = reinterpret_cast<HGDIOBJ>(::SendDlgItemMessageW(m_hWnd, IDC_TITLE_RADIO_NORMAL, WM_GETFONT, 0, 0));
        if (!font || !::GetObjectW(font, sizeof(lf), &lf)) ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        m_copy = DefaultTitleSettings(lf);
    }
    ::CheckRadioButton(m_hWnd, IDC_TITLE_RADIO_NORMAL, IDC_TITLE_RADIO_SHADOW,
                       m_copy.nType == 0 ? IDC_TITLE_RADIO_NORMAL : IDC_TITLE_RADIO_SHADOW);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TITLE_BTN_SHADOW_COLOR), m_copy.nType != 0);

    CreateSettingsSlider(m_sliderX, m_hWnd, IDC_OVERLAY_SLIDER_X, 20, 195, 86, 14, m_copy.nPosX);
    CreateSettingsSlider(m_sliderY, m_hWnd, IDC_OVERLAY_SLIDER_Y, 20, 230, 86, 14, m_copy.nPosY);
    ::EnableWindow(m_sliderX.GetSafeHwnd(), FALSE);
    ::EnableWindow(m_sliderY.GetSafeHwnd(), TRUE);
    m_grid.Attach(m_hWnd, m_sliderX, m_sliderY, 40, 124, 18);

    m_normalBrush.Reset(::CreateSolidBrush(m_copy.clrNormal));
    m_shadowBrush.Reset(::CreateSolidBrush(m_copy.clrShadow));

    if (m_preview.Attach(::GetDlgItem(m_hWnd, IDC_OVERLAY_PREVIEW)))
        ::MoveWindow(m_preview.GetSafeHwnd(), 150, 108, 183, 133, FALSE);
    m_preview.SetSettings(m_copy);
    return TRUE;
}

void CDlgTitleSetting::UpdatePreview() {
    m_preview.SetSettings(m_copy);
    if (HWND h = m_preview.GetSafeHwnd()) ::UpdateWindow(h);
}

bool CDlgTitleSetting::ChooseColour(COLORREF* colour) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = *colour;
    cc.lpCustColors = m_customColours;
    cc.Flags = CC_RGBINIT;
    if (!vt::CommonDialogs().chooseColor(&cc)) return false;
    *colour = cc.rgbResult;
    return true;
}

void CDlgTitleSetting::ChooseFont() {
    LOGFONTW lf = m_copy.lfFont;
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = m_hWnd;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    cf.rgbColors = m_copy.clrNormal;
    if (!vt::CommonDialogs().chooseFont(&cf)) return;
    m_copy.lfFont = lf;
    m_copy.clrNormal = cf.rgbColors;
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_TITLE_SWATCH_NORMAL), nullptr, TRUE);
}

void CDlgTitleSetting::SetType(int32_t type) {
    m_copy.nType = type;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TITLE_BTN_SHADOW_COLOR), type != 0);
}

bool CDlgTitleSetting::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return false;
    const int id = LOWORD(wParam);
    switch (id) {
    case IDC_TITLE_BTN_FONT:
        ChooseFont();
        break;
    case IDC_TITLE_BTN_COLOR:
        if (ChooseColour(&m_copy.clrNormal))
            ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_TITLE_SWATCH_NORMAL), nullptr, TRUE);
        break;
    case IDC_TITLE_BTN_SHADOW_COLOR:
        if (ChooseColour(&m_copy.clrShadow))
            ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_TITLE_SWATCH_SHADOW), nullptr, TRUE);
        break;
    case IDC_TITLE_RADIO_NORMAL:
        SetType(0);
        break;
    case IDC_TITLE_RADIO_SHADOW:
        SetType(1);
        break;
    default:
        if (!FindGridCell(id)) return false;
        if (!m_grid.Press(id, &m_copy.nPosX, &m_copy.nPosY)) return true;
        break;
    }
    UpdatePreview();
    return true;
}

void CDlgTitleSetting::OnOK() {
    if (!PendingTitleSettings) PendingTitleSettings = std::make_unique<TitleSettings>();
    *PendingTitleSettings = m_copy;
    EndDialog(IDOK);
}

LRESULT CDlgTitleSetting::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SKIN_SLIDER_CHANGED) {
        const auto slider = reinterpret_cast<HWND>(lParam);
        if (slider == m_sliderX.GetSafeHwnd()) m_copy.nPosX = static_cast<int32_t>(wParam);
        else if (slider == m_sliderY.GetSafeHwnd()) m_copy.nPosY = static_cast<int32_t>(wParam);
        else return 0;
        UpdatePreview();
        return 0;
    }
    if (msg == WM_CTLCOLORSTATIC) {
        const auto control = reinterpret_cast<HWND>(lParam);
        vt::UniqueBrush* brush = nullptr;
        COLORREF colour = 0;
        if (control == ::GetDlgItem(m_hWnd, IDC_TITLE_SWATCH_NORMAL)) {
            brush = &m_normalBrush;
            colour = m_copy.clrNormal;
        } else if (control == ::GetDlgItem(m_hWnd, IDC_TITLE_SWATCH_SHADOW)) {
            brush = &m_shadowBrush;
            colour = m_copy.clrShadow;
        }
        if (brush) {
            // A new brush per request: the colour may have changed since the last.
            brush->Reset(::CreateSolidBrush(colour));
            ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<LRESULT>(brush->Get());
        }
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

// --- Change title -----------------------------------------------------------

CDlgChangeTitle::CDlgChangeTitle() : vt::CDialog(IDD_CHANGE_TITLE) {}

BOOL CDlgChangeTitle::OnInitDialog() {
    SetTextByKey(m_hWnd, L"IDD_DLG_CHANGE_TITLE_CAPTION");
    SetItemTextByKey(m_hWnd, IDC_CHANGE_TITLE_STA, L"IDC_DLG_CHANGE_TITLE_STA_TITLE");
    SetItemTextByKey(m_hWnd, IDOK, L"IDC_DLG_CHANGE_TITLE_BTN_OK");
    SetItemTextByKey(m_hWnd, IDCANCEL, L"IDC_DLG_CHANGE_TITLE_BTN_CANCEL");
    // The title block holds 259 characters and its terminator.
    ::SendDlgItemMessageW(m_hWnd, IDC_CHANGE_TITLE_EDIT, EM_LIMITTEXT, kMaxChars, 0);
    ::SetDlgItemTextW(m_hWnd, IDC_CHANGE_TITLE_EDIT, m_title.substr(0, kMaxChars).c_str());
    return TRUE;
}

void CDlgChangeTitle::OnOK() {
    m_title = vt::WindowText(::GetDlgItem(m_hWnd, IDC_CHANGE_TITLE_EDIT)).substr(0, kMaxChars);
    EndDialog(IDOK);
}
