// Running the settings window for real: modal on the test's thread, driven from a second
// thread, with a third answering message boxes; fakes of the host and the devices.
#pragma once

#include "config/SettingsDlg.h"
#include "config/SettingsWindowHost.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What a message box showed, and which button answered it.
struct SeenBox {
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons;  // ids, in child order
    int focused = 0;           // id of the focused button when it appeared
};

// Answers every message box that the user-interface thread shows, with the button that
// `choose` names (0: Cancel when there is one, else the first); `choose` runs while the
// box is still open.
class BoxAnswerer {
public:
    BoxAnswerer(DWORD uiThread, std::function<int(const SeenBox&)> choose);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<SeenBox> Seen();
    // Waits until at least n boxes have been answered.
    bool WaitForBoxes(size_t n, DWORD timeoutMs = 10000);

private:
    void Run();
    DWORD m_uiThread;
    std::mutex m_lock;
    std::function<int(const SeenBox&)> m_choose;
    std::vector<SeenBox> m_seen;
    std::vector<HWND> m_handled;
    std::atomic<bool> m_stop{false};
    HANDLE m_thread = nullptr;
};

// Runs closures on the user-interface thread from another one.
class UiCaller {
public:
    UiCaller();
    ~UiCaller();
    UiCaller(const UiCaller&) = delete;
    UiCaller& operator=(const UiCaller&) = delete;
    // Runs f there and waits for it (the caller's thread is blocked meanwhile).
    void Call(const std::function<void()>& f);

private:
    HWND m_window = nullptr;
};

// Records what the settings window asks of the main window; the camera window is a state
// only, the update check a thread of a given length.
class FakeSettingsHost : public ISettingsWindowHost {
public:
    const ISettingsHost* SettingsHost() const override { return nullptr; }
    bool CameraWindowExists() const override { return cameraExists; }
    bool CreateCameraWindow() override;
    bool SelectCamera(int deviceIndex) override;
    int CurrentCamera() const override { return camera; }
    void ShowCameraWindow() override { cameraVisible = true; }
    void HideCameraWindow() override { cameraVisible = false; }
    bool IsCameraWindowVisible() const override { return cameraVisible; }
    void DestroyCameraWindow() override;
    void ShowShadow(bool show) override { shadowCalls.push_back(show); }
    void RunUpdateCheckNow(HWND owner) override { updateChecks.push_back(owner); }
    bool ShowTitleSettings(HWND owner) override;
    bool ShowWatermarkSettings(HWND owner) override;
    void OpenWebPage(const std::wstring& address) override;

    bool cameraExists = false;
    bool cameraVisible = false;
    int camera = -1;
    int createCalls = 0;
    int destroyCalls = 0;
    std::vector<int> selected;
    std::vector<bool> shadowCalls;
    std::vector<HWND> updateChecks;
    // What the dialogs do to the working copies when they are confirmed.
    std::function<void()> titleDialog;
    std::function<void()> watermarkDialog;
    int titleDialogs = 0;
    int watermarkDialogs = 0;
    std::vector<std::wstring> webPages;
    // Also hand pages to the real opener.
    bool openForReal = false;
};

// Devices as lists, counted and optionally blocking the camera listing until released.
class FakeDevices : public ISettingsDevices {
public:
    FakeDevices();
    ~FakeDevices() override;
    int CameraCount() override;
    bool CameraAttributes(int index, CameraAttr& attr) override;
    unsigned AudioDeviceCount() override { return static_cast<unsigned>(audio.size()); }
    bool AudioDeviceInfo(int index, ::AudioDeviceInfo& info) override;
    bool AudioInputLines(int device, ::AudioInputLines& lines) override;
    bool SetAudioInputLine(int device, const AudioInputLine& line) override;

    std::vector<std::wstring> cameras;
    // Indices whose attributes cannot be read.
    std::vector<int> unreadable;
    // While set, the listing waits in CameraCount until Release.
    HANDLE gate = nullptr;
    HANDLE entered = nullptr;  // set when the listing has started waiting
    void Release() { ::SetEvent(gate); }
    std::atomic<bool>* destroyed = nullptr;
    // Audio devices with their line names; every set fails when setFails.
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> audio;
    bool setFails = false;
    int setCalls = 0;
};

// The settings window under test. Pages come from the language files beside the test.
struct SettingsRun {
    RecorderSettings settings{};
    FakeSettingsHost host;
    SettingsWindowOptions options;

    // Runs the window modally; `script` drives it from another thread and must end it
    // (an unended window is ended without commit, and the test fails). Returns DoModal's
    // result.
    INT_PTR Run(const std::function<void(class Driver&)>& script);
    std::vector<SeenBox> boxes;
    std::function<int(const SeenBox&)> choose;
};

class Driver {
public:
    Driver(CSettingsDlg& dlg, UiCaller& ui, BoxAnswerer& boxes) : m_dlg(dlg), m_ui(ui), m_boxes(boxes) {}
    HWND Window();
    // A control of the window, or of the page that holds it (templates 107 .. 113).
    HWND Item(int id);
    HWND PageItem(UINT page, int id);
    HWND Page(UINT page);
    // Clicks a button on the user-interface thread (message boxes it opens are answered).
    void Click(HWND button);
    void Ui(const std::function<void()>& f) { m_ui.Call(f); }
    // Posts a key press to a window as the keyboard would.
    void PostKey(HWND target, UINT vk, bool system = false);
    std::wstring Text(HWND h);
    bool Checked(HWND h) { return ::SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Visible(HWND h) { return ::IsWindowVisible(h) != FALSE; }
    bool Enabled(HWND h) { return ::IsWindowEnabled(h) != FALSE; }
    int ComboSelection(HWND h) { return static_cast<int>(::SendMessageW(h, CB_GETCURSEL, 0, 0)); }
    std::vector<std::wstring> ComboTexts(HWND h);
    // Selects an entry as the user would (the selection-change notice included).
    void Select(HWND box, int index);
    bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
    bool WaitForBoxes(size_t n, DWORD timeoutMs = 10000) { return m_boxes.WaitForBoxes(n, timeoutMs); }
    std::vector<SeenBox> Boxes() { return m_boxes.Seen(); }
    CSettingsDlg& Dialog() { return m_dlg; }

private:
    CSettingsDlg& m_dlg;
    UiCaller& m_ui;
    BoxAnswerer& m_boxes;
};

// The language files beside the test program, with the language in force.
void UseLanguage(int languageId);
// A folder under %TEMP%, removed with everything in it.
std::wstring MakeTempFolder(const wchar_t* tag);
void RemoveFolder(const std::wstring& path);
// The screen as a PNG in build/test-screens/ (for looking at, not compared).
void SaveScreenshot(const std::wstring& name, const RECT* area = nullptr);
// Fills a text field of the record.
template <size_t N>
void PutText(wchar_t (&field)[N], const std::wstring& text) {
    for (size_t i = 0; i < N; ++i) field[i] = i < text.size() && i + 1 < N ? text[i] : L'\0';
}
// A realistic record: every field a page shows holds a value of its own.
RecorderSettings SampleSettings(const std::wstring& outDir);
