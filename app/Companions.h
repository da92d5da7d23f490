// Everything the main window reaches outside itself, as replaceable functions: the
// companion windows of other parts (each through its own header in seams/), the file
// browser and the file-open dialog. The defaults are the real ones; tests replace entries.
#pragma once

#include "app/seams/CameraWindow.h"
#include "app/seams/EncoderInstall.h"
#include "app/seams/MenuXP.h"
#include "app/seams/Overlays.h"
#include "app/seams/RegionFrame.h"
#include "app/seams/RegionSelection.h"
#include "app/seams/SettingsWindow.h"
#include "app/seams/TitlePrompt.h"
#include "app/seams/TrayIcon.h"
#include "app/seams/UpdateCheck.h"
#include "app/seams/VideoPlayer.h"
#include "app/seams/WindowShadow.h"

#include <functional>
#include <memory>
#include <string>

struct Companions {
    std::function<INT_PTR(HWND owner)> runEncoderInstall;
    std::function<RegionSelectionResult(const RegionSelectionRequest&)> runRegionSelection;
    std::function<std::unique_ptr<IRegionFrame>()> createRegionFrame;
    std::function<std::unique_ptr<IRecordControlBar>(int recordObject)> createRecordControlBar;
    std::function<std::unique_ptr<ICameraWindow>(bool showCloseButton)> createCameraWindow;
    // Index of the camera named so (the first camera when none matches), -1 with none.
    std::function<int(const wchar_t* name)> cameraIndexByName;
    std::function<std::unique_ptr<IRecordingOverlays>(const AdvancedSettings&, const RECT&)> createOverlays;
    std::function<INT_PTR(HWND owner, std::wstring& title)> runChangeTitle;
    std::function<std::unique_ptr<IVideoPlayer>(HWND mainWindow)> createPlayer;
    std::function<INT_PTR(HWND owner, RecorderSettings&, ISettingsWindowHost&)> runSettingsWindow;
    std::function<bool()> endSettingsWindow;
    std::function<bool(HWND owner)> runTitleSettings;
    std::function<bool(HWND owner)> runWatermarkSettings;
    // The settings window's "check now": tells the user the outcome, waiting for it.
    std::function<void(HWND owner)> checkForUpdatesNow;
    std::function<std::unique_ptr<IUpdateCheck>()> startUpdateCheck;
    std::function<std::unique_ptr<ITrayIcon>(HMENU menu)> createTrayIcon;
    std::function<std::unique_ptr<IWindowShadow>(HWND parent)> createShadow;
    std::function<std::unique_ptr<IPopupMenu>(UINT pictureStrip)> createMenu;
    // explorer.exe with these parameters ("/select,"<path>"").
    std::function<void(const std::wstring& parameters)> openFileBrowser;
    // The file-open dialog: true with the chosen path. filter ends in two NULs (or is null).
    std::function<bool(HWND owner, const wchar_t* filter, const std::wstring& initialFolder, std::wstring& path)>
        chooseVideoFile;

    // The real ones.
    static Companions Default();
};
