// Private messages of the main window and the command ranges it owns.
#pragma once

#include <windows.h>

// Tray icon callback.
constexpr UINT WM_TRAY_CALLBACK = 0x44C;                 // 1100
// The player window was closed (posted by the player).
constexpr UINT WM_PLAYER_CLOSED = WM_USER + 80;          // 0x450
// Hide the camera window (posted by the camera window's close button).
constexpr UINT WM_CAMERA_HIDE = WM_USER + 88;            // 0x458
// The record thread's results. STARTED: wParam 0 when encoding runs, else the failure code.
constexpr UINT WM_RECORD_STARTED = WM_USER + 120;        // 0x478
constexpr UINT WM_RECORD_FINISHED = WM_USER + 121;       // 0x479
// Results of a pause and a continue made by the record thread: wParam = the library's code.
constexpr UINT WM_RECORD_PAUSED = WM_USER + 122;
constexpr UINT WM_RECORD_CONTINUED = WM_USER + 123;
// Remove the region frame and the record control bar (posted by the frame or the bar, which
// must not destroy themselves from inside their own handlers).
constexpr UINT WM_REMOVE_REGION_FRAME = WM_USER + 124;
// Hot keys, posted by the keyboard hook.
constexpr UINT WM_HOTKEY_START = WM_USER + 200;          // 0x4C8
constexpr UINT WM_HOTKEY_PAUSE = WM_USER + 201;          // 0x4C9
constexpr UINT WM_HOTKEY_STOP = WM_USER + 202;           // 0x4CA

// Commands 40000 + i pick language i of the language list.
constexpr UINT ID_LANGUAGE_FIRST = 40000;
constexpr UINT ID_LANGUAGE_LAST = 40200;
