// The settings window, modal, editing the main window's settings record in place.
#pragma once

#include "config/RecorderSettings.h"
#include "config/Settings.h"

#include <windows.h>

// IDOK when the user confirmed (the main window then applies the record: menu marks, hot
// keys, camera window); anything else leaves the record as the window left it.
// settingsHost serves the restore-defaults command.
INT_PTR RunSettingsWindow(HWND owner, RecorderSettings& settings, ISettingsHost& settingsHost);

// Ends an open and visible settings window with 0, without committing (tray Exit).
// Returns whether one was open.
bool EndSettingsWindow();
