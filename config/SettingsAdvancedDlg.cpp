#include "config/SettingsAdvancedDlg.h"

#include "config/Language.h"
#include "config/PendingOverlaySettings.h"
#include "config/SettingsLogic.h"
#include "ids/settings.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr ControlPlace kPlaces[] = {
    {IDC_ADV_LABEL_HOTKEY, 8, 4, 196, 16},    {IDC_ADV_LABEL_START, 16, 25, 104, 16},
    {IDC_ADV_HOTKEY_START, 124, 22, 60, 22},  {IDC_ADV_LABEL_PAUSE, 16, 51, 104, 16},
    {IDC_ADV_HOTKEY_PAUSE, 124, 48, 60, 22},  {IDC_ADV_LABEL_STOP, 16, 77, 104, 16},
    {IDC_ADV_HOTKEY_STOP, 124, 74, 60, 22},   {IDC_ADV_LABEL_NOTE, 8, 104, 196, 16},
    {IDC_ADV_NOTE_TIME, 16, 122, 190, 20},    {IDC_ADV_NOTE_WATERMARK, 16, 146, 104, 20},
    {IDC_ADV_WATERMARK_SET, 124, 144, 82, 24}, {IDC_ADV_NOTE_TITLE, 16, 170, 104, 20},
    {IDC_ADV_TITLE_SET, 124, 168, 82, 24},    {IDC_ADV_TITLE_TEXT, 16, 194, 190, 22},
};

constexpr ControlCaption kCaptions[] = {
    {IDC_ADV_LABEL_HOTKEY, L"IDC_STC_ADVANCED_HOTKEY"},
    {IDC_ADV_LABEL_START, L"IDC_STC_ADVANCED_RECORD"},
    {IDC_ADV_LABEL_PAUSE, L"IDC_STC_ADVANCED_PAUSE"},
    {IDC_ADV_LABEL_STOP, L"IDC_STC_ADVANCED_STOP"},
    {IDC_ADV_LABEL_NOTE, L"IDC_STC_ADVANCED_NOTE"},
    {IDC_ADV_NOTE_TIME, L"IDC_CHECK_NOTE_TIME"},
    {IDC_ADV_NOTE_WATERMARK, L"IDC_CHECK_NOTE_WATERMARK"},
    {IDC_ADV_NOTE_TITLE, L"IDC_CHECK_NOTE_TITLE"},
    {IDC_ADV_WATERMARK_SET, L"IDC_SET_ADVANCED_WATERMASK_SET"},
    {IDC_ADV_TITLE_SET, L"IDC_SET_ADVANCED_WATERMASK_SET"},
};

constexpr int kKeyIds[3] = {IDC_ADV_HOTKEY_START, IDC_ADV_HOTKEY_PAUSE, IDC_ADV_HOTKEY_STOP};
constexpr int kLabelIds[5] = {IDC_ADV_LABEL_HOTKEY, IDC_ADV_LABEL_START, IDC_ADV_LABEL_PAUSE, IDC_ADV_LABEL_STOP,
                              IDC_ADV_LABEL_NOTE};

} // namespace

CSettingsAdvancedDlg::CSettingsAdvancedDlg(AdvancedSettings& advanced, ISettingsWindowHost& host)
    : CSettingsPage(IDD_SETTINGS_ADVANCED), m_advanced(advanced), m_host(host) {}

CSettingsAdvancedDlg::~CSettingsAdvancedDlg() {
    PendingTitleSettings.reset();
    PendingWatermarkSettings.reset();
}

void CSettingsAdvancedDlg::AttachAdvancedTab() {
    PendingTitleSettings = std::make_unique<TitleSettings>(m_advanced.title);
    PendingWatermarkSettings = std::make_unique<WatermarkSettings>(m_advanced.watermark);
}

BOOL CSettingsAdvancedDlg::OnInitDialog() {
    Place(kPlaces, std::size(kPlaces));
    for (int i = 0; i < 5; ++i) m_labels[i].SubclassDlgItem(kLabelIds[i], m_hWnd);
    for (int i = 0; i < 3; ++i) {
        m_keys[i].SubclassDlgItem(kKeyIds[i], m_hWnd);
        m_keys[i].onKeyTyped = [this](CHotKeyEdit& edit) { OnKeyTyped(edit); };
    }
    ::SendMessageW(Item(IDC_ADV_TITLE_TEXT), EM_LIMITTEXT, kSettingsTextChars - 1, 0);
    FillAdvancedTab();
    SetCaptions(kCaptions, std::size(kCaptions));
    return TRUE;
}

void CSettingsAdvancedDlg::FillAdvancedTab() {
    // Keys outside F1..F12 or used twice would make the fields clash with each other.
    NormaliseHotkeys(m_advanced.nHotkeyStart, m_advanced.nHotkeyPause, m_advanced.nHotkeyStop);
    m_keys[0].SetKey(m_advanced.nHotkeyStart);
    m_keys[1].SetKey(m_advanced.nHotkeyPause);
    m_keys[2].SetKey(m_advanced.nHotkeyStop);
    Check(IDC_ADV_NOTE_TIME, m_advanced.bNoteTime != 0);
    Check(IDC_ADV_NOTE_WATERMARK, m_advanced.bNoteWatermark != 0);
    Check(IDC_ADV_NOTE_TITLE, m_advanced.bNoteTitle != 0);
    EnableOverlayControls();
    wchar_t title[kSettingsTextChars] = {};
    std::copy(std::begin(m_advanced.title.szTitle), std::end(m_advanced.title.szTitle), title);
    title[kSettingsTextChars - 1] = 0;
    ::SetDlgItemTextW(m_hWnd, IDC_ADV_TITLE_TEXT, title);
}

void CSettingsAdvancedDlg::EnableOverlayControls() {
    Enable(IDC_ADV_WATERMARK_SET, IsChecked(IDC_ADV_NOTE_WATERMARK));
    const bool title = IsChecked(IDC_ADV_NOTE_TITLE);
    Enable(IDC_ADV_TITLE_TEXT, title);
    Enable(IDC_ADV_TITLE_SET, title);
}

bool CSettingsAdvancedDlg::CommitAdvancedTab() {
    m_advanced.nHotkeyStart = m_keys[0].Key();
    m_advanced.nHotkeyPause = m_keys[1].Key();
    m_advanced.nHotkeyStop = m_keys[2].Key();
    m_advanced.bNoteTime = IsChecked(IDC_ADV_NOTE_TIME) ? 1 : 0;
    m_advanced.bNoteWatermark = IsChecked(IDC_ADV_NOTE_WATERMARK) ? 1 : 0;
    if (PendingWatermarkSettings) m_advanced.watermark = *PendingWatermarkSettings;
    CommitTitle(m_advanced, IsChecked(IDC_ADV_NOTE_TITLE), PendingTitleSettings.get(),
                vt::WindowText(Item(IDC_ADV_TITLE_TEXT)));
    return true;
}

void CSettingsAdvancedDlg::OnKeyTyped(CHotKeyEdit& edit) {
    for (const CHotKeyEdit& other : m_keys) {
        if (&other == &edit || other.Key() != edit.Key()) continue;
        edit.RevertKey();
        Message(LoadLanguageText(L"IDS_HOTKEY_REDEFINE"), MB_OK | MB_ICONWARNING);
        return;
    }
}

bool CSettingsAdvancedDlg::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return false;
    switch (LOWORD(wParam)) {
    case IDC_ADV_NOTE_TITLE:
    case IDC_ADV_NOTE_WATERMARK:
        EnableOverlayControls();
        return true;
    case IDC_ADV_TITLE_SET:
        if (::IsWindowEnabled(Item(IDC_ADV_TITLE_SET))) m_host.ShowTitleSettings(Root());
        return true;
    case IDC_ADV_WATERMARK_SET:
        if (::IsWindowEnabled(Item(IDC_ADV_WATERMARK_SET))) m_host.ShowWatermarkSettings(Root());
        return true;
    default:
        return false;
    }
}
