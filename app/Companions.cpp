#include "app/Companions.h"

#include "devices/CameraLookup.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

namespace {

void OpenFileBrowser(const std::wstring& parameters) {
    ::ShellExecuteW(nullptr, nullptr, L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

bool ChooseVideoFile(HWND owner, const wchar_t* filter, const std::wstring& initialFolder, std::wstring& path) {
    std::vector<wchar_t> buffer(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!::GetOpenFileNameW(&ofn)) return false;
    path = buffer.data();
    return !path.empty();
}

} // namespace

Companions Companions::Default() {
    Companions c;
    c.runEncoderInstall = &RunEncoderInstall;
    c.runRegionSelection = &RunRegionSelection;
    c.createRegionFrame = &CreateRegionFrame;
    c.createRecordControlBar = &CreateRecordControlBar;
    c.createCameraWindow = &CreateCameraWindow;
    c.cameraIndexByName = &CameraIndexByName;
    c.createOverlays = &CreateRecordingOverlays;
    c.runChangeTitle = &RunChangeTitle;
    c.createPlayer = &CreateVideoPlayer;
    c.runSettingsWindow = &RunSettingsWindow;
    c.endSettingsWindow = &EndSettingsWindow;
    c.runTitleSettings = &RunTitleSettings;
    c.runWatermarkSettings = &RunWatermarkSettings;
    c.checkForUpdatesNow = [](HWND owner) { RunUpdateCheckNow(owner); };
    c.startUpdateCheck = &StartUpdateCheck;
    c.createTrayIcon = &CreateTrayIcon;
    c.createShadow = &CreateWindowShadow;
    c.createMenu = &CreateOwnerDrawnMenu;
    c.openFileBrowser = &OpenFileBrowser;
    c.chooseVideoFile = &ChooseVideoFile;
    return c;
}
