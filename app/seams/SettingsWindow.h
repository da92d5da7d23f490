// The settings window, modal, editing the main window's settings record in place.
#pragma once

#include "config/RecorderSettings.h"
#include "config/SettingsWindowHost.h"

#include <windows.h>

// IDOK when the user confirmed (the main window then applies the record: menu marks, hot
// keys, camera window, language); anything else leaves the record as the window left it.
// The host is the main window: camera window, shadow, update check, overlay dialogs.
INT_PTR RunSettingsWindow(HWND owner, RecorderSettings& settings, ISettingsWindowHost& host);

// Ends an open and visible settings window with 0, without committing (tray Exit).
// Returns whether one was open.
bool EndSettingsWindow();

// The title and watermark settings dialogs on the pending copies; true on OK.
bool RunTitleSettings(HWND owner);
bool RunWatermarkSettings(HWND owner);
