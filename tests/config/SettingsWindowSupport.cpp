#include "SettingsWindowSupport.h"

#include "config/Language.h"
#include "config/PendingOverlaySettings.h"
#include "config/Settings.h"
#include "ids/settings.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/Paths.h"
#include "toolkit/Raii.h"
#include "toolkit/WebAddress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

// ------------------------------------------------------------------ BoxAnswerer

namespace {

std::wstring TextOf(HWND h) {
    wchar_t buf[2048] = {};
    ::GetWindowTextW(h, buf, 2048);
    return buf;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[64] = {};
    ::GetClassNameW(h, buf, 64);
    return buf;
}

// A message box: a dialog holding the text static (id 0xFFFF) and buttons, no list or tree.
bool IsMessageBox(HWND h) {
    if (ClassOf(h) != L"#32770" || !::IsWindowVisible(h)) return false;
    HWND text = ::GetDlgItem(h, 0xFFFF);
    return text && ClassOf(text) == L"Static" && !::FindWindowExW(h, nullptr, L"SysTreeView32", nullptr) &&
           !::GetDlgItem(h, IDC_SETTINGS_PAGE_VIDEO);
}

struct FindBoxes {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND h, LPARAM l) {
    if (IsMessageBox(h)) reinterpret_cast<FindBoxes*>(l)->found.push_back(h);
    return TRUE;
}

} // namespace

BoxAnswerer::BoxAnswerer(DWORD uiThread, std::function<int(const SeenBox&)> choose)
    : m_uiThread(uiThread), m_choose(std::move(choose)) {
    m_thread = ::CreateThread(
        nullptr, 0,
        [](void* self) -> DWORD {
            static_cast<BoxAnswerer*>(self)->Run();
            return 0;
        },
        this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
    m_stop = true;
    if (m_thread) {
        ::WaitForSingleObject(m_thread, 10000);
        ::CloseHandle(m_thread);
    }
}

std::vector<SeenBox> BoxAnswerer::Seen() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_seen;
}

bool BoxAnswerer::WaitForBoxes(size_t n, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (::GetTickCount64() < end) {
        if (Seen().size() >= n) return true;
        ::Sleep(20);
    }
    return Seen().size() >= n;
}

void BoxAnswerer::Run() {
    while (!m_stop) {
        FindBoxes boxes;
        ::EnumThreadWindows(m_uiThread, &CollectBox, reinterpret_cast<LPARAM>(&boxes));
        for (HWND h : boxes.found) {
            {
                std::lock_guard<std::mutex> g(m_lock);
                if (std::find(m_handled.begin(), m_handled.end(), h) != m_handled.end()) continue;
                m_handled.push_back(h);
            }
            ::Sleep(100); // let it settle (focus, default button)
            SeenBox box;
            box.owner = ::GetWindow(h, GW_OWNER);
            box.caption = TextOf(h);
            box.text = TextOf(::GetDlgItem(h, 0xFFFF));
            for (HWND c = ::GetWindow(h, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
                if (ClassOf(c) == L"Button") box.buttons.push_back(::GetDlgCtrlID(c));
            GUITHREADINFO info{sizeof(info)};
            if (::GetGUIThreadInfo(m_uiThread, &info) && info.hwndFocus) box.focused = ::GetDlgCtrlID(info.hwndFocus);
            int press = m_choose ? m_choose(box) : 0;
            if (!press) {
                const bool hasCancel = std::find(box.buttons.begin(), box.buttons.end(), IDCANCEL) != box.buttons.end();
                press = hasCancel ? IDCANCEL : (box.buttons.empty() ? IDOK : box.buttons.front());
            }
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_seen.push_back(box);
            }
            ::PostMessageW(h, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(h, press)));
        }
        ::Sleep(30);
    }
}

// ------------------------------------------------------------------ UiCaller

namespace {

constexpr UINT kCall = WM_APP + 1;

LRESULT CALLBACK CallerProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg != kCall) return ::DefWindowProcW(h, msg, w, l);
    (*reinterpret_cast<const std::function<void()>*>(l))();
    return 0;
}

} // namespace

UiCaller::UiCaller() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &CallerProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SettingsTestCaller";
        return ::RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    m_window = ::CreateWindowExW(0, L"SettingsTestCaller", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
}

UiCaller::~UiCaller() {
    if (m_window) ::DestroyWindow(m_window);
}

void UiCaller::Call(const std::function<void()>& f) {
    ::SendMessageW(m_window, kCall, 0, reinterpret_cast<LPARAM>(&f));
}

// ------------------------------------------------------------------ FakeSettingsHost

bool FakeSettingsHost::CreateCameraWindow() {
    ++createCalls;
    cameraExists = true;
    cameraVisible = false;
    return true;
}

bool FakeSettingsHost::SelectCamera(int deviceIndex) {
    selected.push_back(deviceIndex);
    camera = deviceIndex;
    return true;
}

void FakeSettingsHost::DestroyCameraWindow() {
    ++destroyCalls;
    cameraExists = cameraVisible = false;
    camera = -1;
}

bool FakeSettingsHost::ShowTitleSettings(HWND) {
    ++titleDialogs;
    if (!titleDialog) return false;
    titleDialog();
    return true;
}

bool FakeSettingsHost::ShowWatermarkSettings(HWND) {
    ++watermarkDialogs;
    if (!watermarkDialog) return false;
    watermarkDialog();
    return true;
}

void FakeSettingsHost::OpenWebPage(const std::wstring& address) {
    webPages.push_back(address);
    if (openForReal) vt::OpenWebAddress(address);
}

// ------------------------------------------------------------------ FakeDevices

FakeDevices::FakeDevices() {
    gate = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    entered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

FakeDevices::~FakeDevices() {
    if (destroyed) *destroyed = true;
    ::CloseHandle(gate);
    ::CloseHandle(entered);
}

int FakeDevices::CameraCount() {
    ::SetEvent(entered);
    ::WaitForSingleObject(gate, INFINITE);
    return static_cast<int>(cameras.size());
}

bool FakeDevices::CameraAttributes(int index, CameraAttr& attr) {
    if (index < 0 || index >= static_cast<int>(cameras.size())) return false;
    if (std::find(unreadable.begin(), unreadable.end(), index) != unreadable.end()) return false;
    const std::wstring& name = cameras[static_cast<size_t>(index)];
    std::memcpy(attr.szName, name.c_str(), (std::min<size_t>(name.size(), CAMERA_NAME_CHARS - 1)) * sizeof(wchar_t));
    return true;
}

namespace {
template <size_t N>
void CopyName(wchar_t (&field)[N], const std::wstring& name) {
    std::memcpy(field, name.c_str(), std::min<size_t>(name.size(), N - 1) * sizeof(wchar_t));
}
} // namespace

bool FakeDevices::AudioDeviceInfo(int index, ::AudioDeviceInfo& info) {
    if (index < 0 || index >= static_cast<int>(audio.size())) return false;
    CopyName(info.szName, audio[static_cast<size_t>(index)].first);
    return true;
}

bool FakeDevices::AudioInputLines(int device, ::AudioInputLines& lines) {
    if (device < 0 || device >= static_cast<int>(audio.size())) return false;
    const auto& names = audio[static_cast<size_t>(device)].second;
    lines.nCount = static_cast<uint32_t>(std::min<size_t>(names.size(), AUDIO_MAX_LINES));
    for (uint32_t i = 0; i < lines.nCount; ++i) {
        CopyName(lines.lines[i].szName, names[i]);
        lines.lines[i].nVolume = 50;
    }
    return lines.nCount > 0;
}

bool FakeDevices::SetAudioInputLine(int, const AudioInputLine&) {
    ++setCalls;
    return !setFails;
}

// ------------------------------------------------------------------ SettingsRun / Driver

INT_PTR SettingsRun::Run(const std::function<void(Driver&)>& script) {
    UiCaller ui;
    BoxAnswerer answerer(::GetCurrentThreadId(), choose);
    CSettingsDlg dlg(settings, host, options);
    std::atomic<bool> done{false};
    std::thread driver([&] {
        Driver d(dlg, ui, answerer);
        if (d.Window()) {
            script(d);
            // The script ends the window; one it left open is ended here.
            bool gone = d.WaitFor([&] {
                bool alive = false;
                ui.Call([&] { alive = dlg.GetSafeHwnd() != nullptr; });
                return !alive;
            });
            if (!gone) {
                ADD_FAILURE() << "the settings window was left open";
                ui.Call([&] { dlg.EndWithoutCommit(); });
            }
        } else {
            ADD_FAILURE() << "the settings window did not open";
        }
        done = true;
    });
    const INT_PTR result = dlg.DoModal(nullptr);
    while (!done) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        vt::PumpPending();
    }
    driver.join();
    boxes = answerer.Seen();
    return result;
}

HWND Driver::Window() {
    HWND h = nullptr;
    WaitFor([&] {
        m_ui.Call([&] { h = m_dlg.GetSafeHwnd(); });
        return h && ::IsWindowVisible(h);
    });
    return h;
}

HWND Driver::Page(UINT page) {
    HWND window = Window();
    for (HWND c = ::GetWindow(window, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const bool found = (page == IDD_SETTINGS_VIDEO && ::GetDlgItem(c, IDC_VIDEO_FOLDER)) ||
                           (page == IDD_SETTINGS_AUDIO && ::GetDlgItem(c, IDC_AUDIO_DEVICES)) ||
                           (page == IDD_SETTINGS_COMMON && ::GetDlgItem(c, IDC_COMMON_USE_SIZE)) ||
                           (page == IDD_SETTINGS_ADVANCED && ::GetDlgItem(c, IDC_ADV_HOTKEY_START));
        if (found) return c;
    }
    return nullptr;
}

HWND Driver::Item(int id) { return ::GetDlgItem(Window(), id); }

HWND Driver::PageItem(UINT page, int id) { return ::GetDlgItem(Page(page), id); }

void Driver::Click(HWND button) {
    m_ui.Call([&] { ::SendMessageW(button, BM_CLICK, 0, 0); });
}

void Driver::PostKey(HWND target, UINT vk, bool system) {
    const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    ::PostMessageW(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1 | (scan << 16));
    ::PostMessageW(target, system ? WM_SYSKEYUP : WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
}

std::wstring Driver::Text(HWND h) {
    std::wstring s;
    m_ui.Call([&] { s = TextOf(h); });
    return s;
}

void Driver::Select(HWND box, int index) {
    m_ui.Call([&] {
        ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(::GetParent(box), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(box), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(box));
    });
}

std::vector<std::wstring> Driver::ComboTexts(HWND h) {
    std::vector<std::wstring> texts;
    const int n = static_cast<int>(::SendMessageW(h, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[512] = {};
        ::SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        texts.push_back(buf);
    }
    return texts;
}

bool Driver::WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (::GetTickCount64() < end) {
        if (condition()) return true;
        ::Sleep(20);
    }
    return condition();
}

// ------------------------------------------------------------------ helpers

void UseLanguage(int languageId) {
    BuildLanguageList(vt::ProgramFolder() + L"Language\\");
    SelectLanguageFile(languageId);
}

std::wstring MakeTempFolder(const wchar_t* tag) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"vistrel_" + tag + L"_" + std::to_wstring(::GetCurrentProcessId()) +
                        L"_" + std::to_wstring(++counter);
    RemoveFolder(path);
    ::CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

void RemoveFolder(const std::wstring& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

void SaveScreenshot(const std::wstring& name, const RECT* area) {
    const std::wstring folder = vt::ProgramFolder() + L"..\\test-screens\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    RECT rc{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (area) rc = *area;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    vt::WindowDc screen(nullptr);
    vt::UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
    vt::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), w, h));
    {
        vt::SelectGuard sel(mem.Get(), bitmap.Get());
        ::BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), rc.left, rc.top, SRCCOPY);
    }
    Gdiplus::Bitmap image(bitmap.Get(), nullptr);
    // image/png
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    image.Save((folder + name + L".png").c_str(), &png, nullptr);
}

RecorderSettings SampleSettings(const std::wstring& outDir) {
    RecorderSettings s{};
    ResetSettingsToDefaults(s, nullptr);
    s.nSelectTab = 0;
    s.video.nRecordRegion = 1;
    s.video.nRecordObject = 1;
    s.video.nVideoQuality = 2;
    s.video.nVideoFormat = 0;
    s.video.nCameraIndex = -1;
    std::memset(s.video.szOutDir, 0, sizeof(s.video.szOutDir));
    std::memcpy(s.video.szOutDir, outDir.c_str(), std::min<size_t>(outDir.size(), 259) * sizeof(wchar_t));
    s.common.nDefaultRecordWidth = 1024;
    s.common.nDefaultRecordHeight = 768;
    return s;
}
