#include "region/WatermarkSetting.h"

#include "region/OverlayLayout.h"
#include "config/PendingOverlaySettings.h"
#include "resources/ids/overlays.h"
#include "toolkit/CommonDialogs.h"
#include "toolkit/MemDC.h"

#include <cwchar>

using namespace Gdiplus;

namespace {
std::wstring PathOf(const WatermarkSettings& s) {
    return std::wstring(s.szPath, wcsnlen(s.szPath, kSettingsTextChars));
}
} // namespace

// --- Preview ----------------------------------------------------------------

void CStaticWatermaskPreview::SetSettings(const WatermarkSettings& settings) {
    m_settings = settings;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CStaticWatermaskPreview::PaintOver(HDC dc, const RECT& client) {
    const std::wstring path = PathOf(m_settings);
    if (!FileExists(path)) return;
    if (m_picture.Path() != path && m_failedPath != path) {
        if (m_picture.Load(path))
            m_failedPath.clear();
        else
            m_failedPath = path;
    }
    if (m_picture.IsNull() || m_picture.Path() != path) return;

    vt::DcState state(dc);
    ::IntersectClipRect(dc, client.left + 3, client.top + 3, client.right, client.bottom);
    const OverlaySize size = WatermarkOverlaySize(m_settings.nZoom, m_picture.Width(), m_picture.Height());
    const POINT at = WatermarkPreviewPosition(SIZE{client.right - client.left, client.bottom - client.top}, size,
                                              m_settings.nPosX, m_settings.nPosY);
    Graphics g(dc);
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    m_picture.Draw(g, at.x, at.y, size, WatermarkAlpha(m_settings.nTransparency));
}

// --- Watermark settings -----------------------------------------------------

CDlgWatermaskSetting::CDlgWatermaskSetting() : vt::CDialog(IDD_SET_WATERMASK) {}

BOOL CDlgWatermaskSetting::OnInitDialog() {
    SetTextByKey(m_hWnd, L"IDD_DLG_WATERMASK_CAPTION");
    SetItemTextByKey(m_hWnd, IDC_WATERMASK_STA_PATH, L"IDC_WATERMASK_STATIC_1");
    SetItemTextByKey(m_hWnd, IDC_WATERMASK_BTN_BROWSE, L"IDC_WATERMASK_BTN_BROWN");
    SetItemTextByKey(m_hWnd, IDC_WATERMASK_STA_TRANSPARENCY, L"IDC_WATERMASK_STA2");
    SetItemTextByKey(m_hWnd, IDC_WATERMASK_STA_ZOOM, L"IDC_WATERMASK_STA3");
    SetItemTextByKey(m_hWnd, IDC_OVERLAY_STA_POS, L"IDC_WATERMASK_STA_POS");
    SetItemTextByKey(m_hWnd, IDC_OVERLAY_STA_POS_X, L"IDC_WATERMASK_STA_POS_X");
    SetItemTextByKey(m_hWnd, IDC_OVERLAY_STA_POS_Y, L"IDC_WATERMASK_STA_POS_Y");
    SetItemTextByKey(m_hWnd, IDOK, L"ID_WATERMASK_BTN_OK");
    SetItemTextByKey(m_hWnd, IDCANCEL, L"ID_WATERMASK_BTN_CANCEL");

    m_copy = PendingWatermarkSettings ? *PendingWatermarkSettings : DefaultWatermarkSettings();

    static constexpr ControlPlace kPlaces[] = {
        {IDC_WATERMASK_STA_PATH, 12, 10, 200, 16},
        {IDC_WATERMASK_EDIT_PATH, 12, 28, 232, 22},
        {IDC_WATERMASK_BTN_BROWSE, 250, 27, 76, 24},
        {IDC_WATERMASK_STA_TRANSPARENCY, 20, 54, 170, 15},
        {IDC_WATERMASK_STA_ZOOM, 200, 54, 120, 15},
        {IDC_OVERLAY_STA_POS, 12, 100, 120, 16},
        {IDC_OVERLAY_STA_POS_X, 20, 196, 115, 15},
        {IDC_OVERLAY_STA_POS_Y, 20, 236, 115, 15},
        {IDOK, 150, 270, 84, 26},
        {IDCANCEL, 240, 270, 84, 26},
    };
    PlaceControls(m_hWnd, kPlaces);
    SizeAndCentre(m_hWnd, 340, 336);

    CreateSettingsSlider(m_transparency, m_hWnd, IDC_WATERMASK_SLIDER_TRANSPARENCY, 20, 71, 90, 14,
                         m_copy.nTransparency);
    CreateSettingsSlider(m_zoom, m_hWnd, IDC_WATERMASK_SLIDER_ZOOM, 200, 71, 90, 14, m_copy.nZoom);
    CreateSettingsSlider(m_sliderX, m_hWnd, IDC_OVERLAY_SLIDER_X, 20, 213, 86, 14, m_copy.nPosX);
    CreateSettingsSlider(m_sliderY, m_hWnd, IDC_OVERLAY_SLIDER_Y, 20, 253, 86, 14, m_copy.nPosY);
    m_grid.Attach(m_hWnd, m_sliderX, m_sliderY, 40, 124, 18);

    // Only the browse button changes the path.
    ::SendDlgItemMessageW(m_hWnd, IDC_WATERMASK_EDIT_PATH, EM_LIMITTEXT, kSettingsTextChars - 1, 0);
    ::SetDlgItemTextW(m_hWnd, IDC_WATERMASK_EDIT_PATH, PathOf(m_copy).c_str());

    if (m_preview.Attach(::GetDlgItem(m_hWnd, IDC_OVERLAY_PREVIEW)))
        ::MoveWindow(m_preview.GetSafeHwnd(), 140, 126, 183, 133, FALSE);
    m_preview.SetSettings(m_copy);
    return TRUE;
}

void CDlgWatermaskSetting::UpdatePreview() {
    m_preview.SetSettings(m_copy);
    if (HWND h = m_preview.GetSafeHwnd()) ::UpdateWindow(h);
}

void CDlgWatermaskSetting::Browse() {
    const std::wstring filter = vt::FileDialogFilter(kFilter);
    wchar_t file[kSettingsTextChars] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = kSettingsTextChars;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_EXPLORER;
    // A path longer than the field fails the dialog (the buffer is too small): as Cancel.
    if (!vt::CommonDialogs().getOpenFileName(&ofn)) return;
    file[kSettingsTextChars - 1] = L'\0';
    wcsncpy_s(m_copy.szPath, file, _TRUNCATE);
    ::SetDlgItemTextW(m_hWnd, IDC_WATERMASK_EDIT_PATH, m_copy.szPath);
}

bool CDlgWatermaskSetting::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return false;
    const int id = LOWORD(wParam);
    if (id == IDC_WATERMASK_BTN_BROWSE) {
        Browse();
    } else if (FindGridCell(id)) {
        if (!m_grid.Press(id, &m_copy.nPosX, &m_copy.nPosY)) return true;
    } else {
        return false;
    }
    UpdatePreview();
    return true;
}

void CDlgWatermaskSetting::OnOK() {
    if (!PendingWatermarkSettings) PendingWatermarkSettings = std::make_unique<WatermarkSettings>();
    *PendingWatermarkSettings = m_copy;
    EndDialog(IDOK);
}

LRESULT CDlgWatermaskSetting::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SKIN_SLIDER_CHANGED) {
        const auto slider = reinterpret_cast<HWND>(lParam);
        const auto value = static_cast<int32_t>(wParam);
        if (slider == m_transparency.GetSafeHwnd()) m_copy.nTransparency = value;
        else if (slider == m_zoom.GetSafeHwnd()) m_copy.nZoom = value;
        else if (slider == m_sliderX.GetSafeHwnd()) m_copy.nPosX = value;
        else if (slider == m_sliderY.GetSafeHwnd()) m_copy.nPosY = value;
        else return 0;
        UpdatePreview();
        return 0;
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}
