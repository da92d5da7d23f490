#include "app/seams/SettingsWindow.h"

#include "config/SettingsDlg.h"
#include "devices/LibrarySettingsDevices.h"
#include "region/TitleSetting.h"
#include "region/WatermarkSetting.h"
#include "toolkit/Raii.h"

namespace {
// The one that is open (modal, on the user-interface thread), for the tray's Exit.
CSettingsDlg* g_openSettings = nullptr;
} // namespace

INT_PTR RunSettingsWindow(HWND owner, RecorderSettings& settings, ISettingsWindowHost& host) {
    if (g_openSettings) return 0;
    SettingsWindowOptions options;
    options.devices = MakeLibrarySettingsDevices();
    CSettingsDlg window(settings, host, std::move(options));
    g_openSettings = &window;
    auto forget = vt::MakeScopeExit([] { g_openSettings = nullptr; });
    return window.DoModal(owner);
}

bool EndSettingsWindow() {
    if (!g_openSettings || !::IsWindowVisible(g_openSettings->GetSafeHwnd())) return false;
    g_openSettings->EndWithoutCommit();
    return true;
}

bool RunTitleSettings(HWND owner) {
    CDlgTitleSetting dialog;
    return dialog.DoModal(owner) == IDOK;
}

bool RunWatermarkSettings(HWND owner) {
    CDlgWatermaskSetting dialog;
    return dialog.DoModal(owner) == IDOK;
}
