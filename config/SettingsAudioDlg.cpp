#include "config/SettingsAudioDlg.h"

#include "config/Language.h"
#include "config/SettingsLogic.h"
#include "ids/settings.h"
#include "toolkit/Trace.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr ControlPlace kPlaces[] = {
    {IDC_AUDIO_LABEL_DEVICE, 8, 8, 196, 16}, {IDC_AUDIO_DEVICES, 8, 26, 198, 200},
    {IDC_AUDIO_LABEL_LINE, 8, 60, 196, 16},  {IDC_AUDIO_LINES, 8, 78, 198, 200},
    {IDC_AUDIO_RECORD_SOUND, 8, 114, 198, 20}, {IDC_AUDIO_LABEL_VOLUME, 8, 174, 196, 16},
    {IDC_AUDIO_VOLUME_TEXT, 150, 195, 56, 16},
};

constexpr ControlCaption kCaptions[] = {
    {IDC_AUDIO_LABEL_DEVICE, L"IDC_STC_AUDIO_DEVICE"},
    {IDC_AUDIO_LABEL_LINE, L"IDC_STC_AUDIO_LINE"},
    {IDC_AUDIO_LABEL_VOLUME, L"IDC_STC_AUDIO_VOLUME"},
    {IDC_AUDIO_RECORD_SOUND, L"IDC_CHECK_SYSTEMVOICE"},
};

template <size_t N>
void StoreName(wchar_t (&field)[N], const std::wstring& text) {
    const std::wstring cut = CutName(text, N - 1);
    std::memset(field, 0, sizeof(field));
    std::memcpy(field, cut.data(), cut.size() * sizeof(wchar_t));
}

std::wstring LineName(const AudioInputLine& line) {
    wchar_t name[AUDIO_NAME_CHARS] = {};
    std::memcpy(name, line.szName, sizeof(name));
    name[AUDIO_NAME_CHARS - 1] = 0;
    return name;
}

} // namespace

bool DefaultSingleVolumeMode() noexcept {
    // GetVersionEx lies to programs without a manifest entry; RtlGetVersion does not.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return true;
    auto get = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!get || get(&info) != 0) return true;
    return info.dwMajorVersion >= 6;
}

CSettingsAudioDlg::CSettingsAudioDlg(AudioSettings& audio, std::shared_ptr<ISettingsDevices> devices,
                                     bool singleVolume)
    : CSettingsPage(IDD_SETTINGS_AUDIO), m_audio(audio), m_devices(std::move(devices)), m_singleVolume(singleVolume) {}

BOOL CSettingsAudioDlg::OnInitDialog() {
    Place(kPlaces, std::size(kPlaces));
    m_labels[0].SubclassDlgItem(IDC_AUDIO_LABEL_DEVICE, m_hWnd);
    m_labels[1].SubclassDlgItem(IDC_AUDIO_LABEL_LINE, m_hWnd);
    m_labels[2].SubclassDlgItem(IDC_AUDIO_LABEL_VOLUME, m_hWnd);
    m_labels[3].SubclassDlgItem(IDC_AUDIO_VOLUME_TEXT, m_hWnd);

    // Each entry keeps its device index: a device that cannot be read leaves a gap.
    HWND devicesBox = Item(IDC_AUDIO_DEVICES);
    const unsigned count = m_devices ? m_devices->AudioDeviceCount() : 0;
    for (unsigned i = 0; i < count && i < 256; ++i) {
        ::AudioDeviceInfo info{};
        if (!m_devices->AudioDeviceInfo(static_cast<int>(i), info)) continue;
        info.szName[AUDIO_NAME_CHARS - 1] = 0;
        const LRESULT at = ::SendMessageW(devicesBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(info.szName));
        if (at >= 0) ::SendMessageW(devicesBox, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
    }
    combo::Select(devicesBox, 0);

    m_slider.Create(m_hWnd, IDC_AUDIO_VOLUME, 12, 195, 130, 15);
    m_slider.SetImage(nullptr, 178);
    m_slider.SetRange(0, 100);

    FillAudioTab();
    SetCaptions(kCaptions, std::size(kCaptions));
    return TRUE;
}

int CSettingsAudioDlg::SelectedDevice() const noexcept {
    HWND box = Item(IDC_AUDIO_DEVICES);
    const int position = combo::Selection(box);
    if (position < 0) return -1;
    return static_cast<int>(::SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(position), 0));
}

int CSettingsAudioDlg::PositionOfDevice(int device) const noexcept {
    HWND box = Item(IDC_AUDIO_DEVICES);
    const int n = combo::Count(box);
    for (int i = 0; i < n; ++i)
        if (static_cast<int>(::SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == device) return i;
    return -1;
}

void CSettingsAudioDlg::FillAudioTab() {
    HWND devicesBox = Item(IDC_AUDIO_DEVICES);
    if (combo::Count(devicesBox) == 0) {
        Enable(IDC_AUDIO_DEVICES, false);
        ::SendMessageW(Item(IDC_AUDIO_LINES), CB_RESETCONTENT, 0, 0);
        Enable(IDC_AUDIO_LINES, false);
        ApplyVolume(0, false, false);
        ::EnableWindow(m_slider.GetSafeHwnd(), FALSE);
        Check(IDC_AUDIO_RECORD_SOUND, false);
        Enable(IDC_AUDIO_RECORD_SOUND, false);
        return;
    }
    const int position =
        DeviceSelection(combo::Texts(devicesBox), m_audio.szDeviceName, PositionOfDevice(m_audio.nDeviceID));
    combo::Select(devicesBox, position);
    m_audio.nDeviceID = SelectedDevice();
    ListLines();
    if (!m_singleVolume) {
        HWND lines = Item(IDC_AUDIO_LINES);
        const int byName = LineByName(combo::Texts(lines), m_audio.szLineName);
        if (byName >= 0 && byName != combo::Selection(lines)) {
            combo::Select(lines, byName);
            UseLine();
        }
    }
    Enable(IDC_AUDIO_RECORD_SOUND, true);
    Check(IDC_AUDIO_RECORD_SOUND, m_audio.bRecordSystemVoice != 0);
    ApplyVolume(m_audio.nVolume, false, true);
}

void CSettingsAudioDlg::ListLines() {
    const int device = SelectedDevice();
    if (device < 0) return;
    HWND lines = Item(IDC_AUDIO_LINES);
    ::SendMessageW(lines, CB_RESETCONTENT, 0, 0);
    ::AudioInputLines table{};
    if (!m_devices->AudioInputLines(device, table) || table.nCount == 0) {
        Enable(IDC_AUDIO_LINES, false);
        return;
    }
    const unsigned count = table.nCount < AUDIO_MAX_LINES ? table.nCount : AUDIO_MAX_LINES;
    Enable(IDC_AUDIO_LINES, true);
    if (m_singleVolume) {
        combo::Fill(lines, {LoadLanguageText(L"IDS_VOLUME")});
        ApplyVolume(static_cast<int>(table.lines[0].nVolume), false, false);
        combo::Select(lines, 0);
        return;
    }
    std::vector<std::wstring> names;
    std::vector<bool> flags;
    for (unsigned i = 0; i < count; ++i) {
        names.push_back(LineName(table.lines[i]));
        flags.push_back(table.lines[i].bSelected != 0);
    }
    combo::Fill(lines, names);
    combo::Select(lines, LineToSelect(flags));
    UseLine();
}

void CSettingsAudioDlg::UseLine() {
    if (m_singleVolume) return;
    const int device = SelectedDevice();
    if (device < 0) return;
    ::AudioInputLines table{};
    if (!m_devices->AudioInputLines(device, table) || table.nCount == 0) return;
    const unsigned count = table.nCount < AUDIO_MAX_LINES ? table.nCount : AUDIO_MAX_LINES;
    HWND lines = Item(IDC_AUDIO_LINES);
    const int position = combo::Selection(lines);
    if (position < 0 || static_cast<unsigned>(position) >= count) {
        combo::Select(lines, 0);
        return;
    }
    AudioInputLine line = table.lines[position];
    ApplyVolume(static_cast<int>(line.nVolume), false, false);
    line.bSelected = 1;
    SetLine(device, line);
}

void CSettingsAudioDlg::ApplyVolume(int volume, bool fromSlider, bool apply) {
    volume = ClampVolume(volume);
    if (!fromSlider) m_slider.SetValue(volume);
    ::SetDlgItemTextW(m_hWnd, IDC_AUDIO_VOLUME_TEXT, (std::to_wstring(volume) + L"%").c_str());
    const int device = SelectedDevice();
    if (!apply || device < 0) return;
    if (m_singleVolume) {
        AudioInputLine line{};
        line.nVolume = static_cast<uint32_t>(volume);
        SetLine(device, line);
        return;
    }
    ::AudioInputLines table{};
    if (!m_devices->AudioInputLines(device, table)) return;
    const unsigned count = table.nCount < AUDIO_MAX_LINES ? table.nCount : AUDIO_MAX_LINES;
    const int position = combo::Selection(Item(IDC_AUDIO_LINES));
    if (position < 0 || static_cast<unsigned>(position) >= count) return;
    AudioInputLine line = table.lines[position];
    line.nVolume = static_cast<uint32_t>(volume);
    line.bSelected = 1;
    SetLine(device, line);
}

void CSettingsAudioDlg::SetLine(int device, const AudioInputLine& line) {
    if (!m_devices->SetAudioInputLine(device, line)) vt::Trace(L"apiAudioCardSetInputLine Failed!");
}

bool CSettingsAudioDlg::CommitAudioTab() {
    HWND devicesBox = Item(IDC_AUDIO_DEVICES);
    if (combo::Count(devicesBox) == 0) return true;
    m_audio.bRecordSystemVoice = IsChecked(IDC_AUDIO_RECORD_SOUND) ? 1 : 0;
    m_audio.nDeviceID = SelectedDevice();
    StoreName(m_audio.szDeviceName, combo::Text(devicesBox, combo::Selection(devicesBox)));
    HWND lines = Item(IDC_AUDIO_LINES);
    StoreName(m_audio.szLineName, combo::Text(lines, combo::Selection(lines)));
    m_audio.nVolume = ClampVolume(m_slider.GetValue());
    return true;
}

bool CSettingsAudioDlg::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != CBN_SELCHANGE) return false;
    switch (LOWORD(wParam)) {
    case IDC_AUDIO_DEVICES:
        ListLines();
        return true;
    case IDC_AUDIO_LINES:
        UseLine();
        return true;
    default:
        return false;
    }
}

LRESULT CSettingsAudioDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SKIN_SLIDER_CHANGED) {
        ApplyVolume(static_cast<int>(wParam), true, true);
        return 0;
    }
    return CSettingsPage::WindowProc(msg, wParam, lParam);
}
