// How the main window's companions (record control bar, camera window, region frame,
// settings window, player) reach it: one process-wide pointer, set while the main
// window exists. Used on the user-interface thread only.
#pragma once

#include "config/RecorderSettings.h"

#include <windows.h>

// Session states; every command from every source is gated by them.
enum class SessionState {
    Idle,      // no recording
    Starting,  // from an accepted Start until the record thread reports
    Recording,
    Paused,
    Stopping,  // from Stop until the file is finished and the folder shown
};

class IRecorderHost {
public:
    // The main window: target of WM_CAMERA_HIDE, WM_PLAYER_CLOSED, WM_REMOVE_REGION_FRAME.
    virtual HWND MainWindow() const = 0;
    // The one settings record; the settings window edits it in place.
    virtual RecorderSettings& Settings() = 0;
    virtual SessionState State() const = 0;

    // The session's commands, refused in the states that do not allow them (as the main
    // window's own buttons and hot keys are).
    virtual void StartCommand() = 0;  // a new recording, or continue a paused one
    virtual void PauseCommand() = 0;
    virtual void StopCommand() = 0;

    // The camera window of a recording, for the record control bar's camera button.
    virtual bool HasCameraWindow() const = 0;
    virtual bool IsCameraWindowVisible() const = 0;
    virtual void ShowCameraWindow(bool show) = 0;

protected:
    ~IRecorderHost() = default;
};

namespace detail {
inline IRecorderHost* g_recorderHost = nullptr;
}

// The main window, or null when there is none.
inline IRecorderHost* RecorderHost() noexcept { return detail::g_recorderHost; }
// Set by the main window at initialisation, cleared when it goes.
inline void SetRecorderHost(IRecorderHost* host) noexcept { detail::g_recorderHost = host; }
