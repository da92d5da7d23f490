#include "config/SettingsCommonDlg.h"

#include "config/Language.h"
#include "config/SettingsLogic.h"
#include "ids/settings.h"
#include "toolkit/SkinControls.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr ControlPlace kPlaces[] = {
    {IDC_COMMON_USE_SIZE, 8, 4, 200, 20},       {IDC_COMMON_SIZES, 26, 26, 130, 200},
    {IDC_COMMON_MINIMISE, 8, 56, 200, 20},      {IDC_COMMON_OPEN_FILE, 8, 76, 200, 20},
    {IDC_COMMON_SHADOW, 8, 96, 200, 20},        {IDC_COMMON_AUTO_UPDATE, 8, 116, 200, 20},
    {IDC_COMMON_CHECK_UPDATE, 26, 138, 110, 24}, {IDC_COMMON_LABEL_CLOSE, 8, 168, 200, 16},
    {IDC_COMMON_CLOSE_TO_TRAY, 8, 184, 200, 18}, {IDC_COMMON_CLOSE_TO_EXIT, 8, 200, 200, 18},
};

constexpr ControlCaption kCaptions[] = {
    {IDC_COMMON_USE_SIZE, L"IDC_CHECK_DEFAULTRECORDSIZE"},
    {IDC_COMMON_MINIMISE, L"IDC_CHECK_MINWINDOW"},
    {IDC_COMMON_OPEN_FILE, L"IDC_CHECK_OPENFILE"},
    {IDC_COMMON_SHADOW, L"IDC_CHK_SHOW_SHADOW"},
    {IDC_COMMON_AUTO_UPDATE, L"IDC_CHK_AUTO_UPDATE"},
    {IDC_COMMON_CHECK_UPDATE, L"IDC_BTN_CHECK_UPDATE"},
    {IDC_COMMON_LABEL_CLOSE, L"IDC_STC_COMMON_CLOSEAPP"},
    {IDC_COMMON_CLOSE_TO_TRAY, L"IDC_RADIO_CLOSETO_TRAY"},
    {IDC_COMMON_CLOSE_TO_EXIT, L"IDC_RADIO_CLOSETO_EXIT"},
};

constexpr int kSizeCount = 5;

SIZE ScreenSize() noexcept { return SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

} // namespace

CSettingsCommonDlg::CSettingsCommonDlg(CommonSettings& common, ISettingsWindowHost& host, bool shadowBoxAvailable)
    : CSettingsPage(IDD_SETTINGS_COMMON), m_common(common), m_host(host), m_shadowBoxAvailable(shadowBoxAvailable) {}

BOOL CSettingsCommonDlg::OnInitDialog() {
    Place(kPlaces, std::size(kPlaces));
    m_closeLabel.SubclassDlgItem(IDC_COMMON_LABEL_CLOSE, m_hWnd);
    std::vector<std::wstring> sizes;
    for (int i = 0; i < kSizeCount; ++i)
        sizes.push_back(LoadLanguageText((L"IDC_COMBO_DEFAULTRECORDSIZE_" + std::to_wstring(i)).c_str()));
    combo::Fill(Item(IDC_COMMON_SIZES), sizes);
    combo::Select(Item(IDC_COMMON_SIZES), 0);
    FillCommonTab();
    if (!m_shadowBoxAvailable) Enable(IDC_COMMON_SHADOW, false);
    SetCaptions(kCaptions, std::size(kCaptions));
    return TRUE;
}

void CSettingsCommonDlg::FillCommonTab() {
    const bool useSize = m_common.bUseDefaultRecordSize != 0;
    Check(IDC_COMMON_USE_SIZE, useSize);
    Enable(IDC_COMMON_SIZES, useSize);
    if (m_common.nDefaultRecordWidth < 1 || m_common.nDefaultRecordHeight < 1) {
        m_common.nDefaultRecordWidth = 800;
        m_common.nDefaultRecordHeight = 600;
    }
    HWND sizes = Item(IDC_COMMON_SIZES);
    const SIZE screen = ScreenSize();
    const int entry = SizeSelection(combo::Texts(sizes), m_common.nDefaultRecordWidth,
                                    m_common.nDefaultRecordHeight, screen.cx, screen.cy);
    m_sizeUnmatched = entry < 0;
    if (entry >= 0) combo::Select(sizes, entry);

    Check(IDC_COMMON_OPEN_FILE, m_common.bOpenFileAfterRecord != 0);
    Check(IDC_COMMON_MINIMISE, m_common.bMinWindow != 0);
    Check(IDC_COMMON_SHADOW, m_common.bShowShadow != 0);
    Check(IDC_COMMON_AUTO_UPDATE, m_common.bAutoUpdate != 0);
    Check(IDC_COMMON_CLOSE_TO_TRAY, m_common.bCloseToTray != 0);
    Check(IDC_COMMON_CLOSE_TO_EXIT, m_common.bCloseToTray == 0);
}

bool CSettingsCommonDlg::CommitCommonTab() {
    m_common.bUseDefaultRecordSize = IsChecked(IDC_COMMON_USE_SIZE) ? 1 : 0;
    if (!m_sizeUnmatched) {
        HWND sizes = Item(IDC_COMMON_SIZES);
        const int count = combo::Count(sizes);
        const int selected = combo::Selection(sizes);
        const SIZE size = SizeFromSelection(combo::Text(sizes, selected), count > 0 && selected == count - 1,
                                            count == 0 || selected < 0, ScreenSize());
        m_common.nDefaultRecordWidth = size.cx;
        m_common.nDefaultRecordHeight = size.cy;
    }
    m_common.bOpenFileAfterRecord = IsChecked(IDC_COMMON_OPEN_FILE) ? 1 : 0;
    m_common.bMinWindow = IsChecked(IDC_COMMON_MINIMISE) ? 1 : 0;
    m_common.bShowShadow = IsChecked(IDC_COMMON_SHADOW) ? 1 : 0;
    m_common.bAutoUpdate = IsChecked(IDC_COMMON_AUTO_UPDATE) ? 1 : 0;
    m_common.bCloseToTray = IsChecked(IDC_COMMON_CLOSE_TO_TRAY) ? 1 : 0;
    return true;
}

bool CSettingsCommonDlg::OnCommand(WPARAM wParam, LPARAM) {
    const int code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_COMMON_USE_SIZE:
        if (code == BN_CLICKED) Enable(IDC_COMMON_SIZES, IsChecked(IDC_COMMON_USE_SIZE));
        return true;
    case IDC_COMMON_SIZES:
        if (code == CBN_SELCHANGE) m_sizeUnmatched = false;
        return true;
    case IDC_COMMON_SHADOW:
        if (code == BN_CLICKED && m_shadowBoxAvailable) {
            m_common.bShowShadow = IsChecked(IDC_COMMON_SHADOW) ? 1 : 0;
            m_host.ShowShadow(m_common.bShowShadow != 0);
        }
        return true;
    case IDC_COMMON_CHECK_UPDATE:
        if (code == BN_CLICKED) m_host.RunUpdateCheckNow(m_hWnd);
        return true;
    default:
        return false;
    }
}
