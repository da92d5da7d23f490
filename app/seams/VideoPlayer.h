// The built-in video player window that the main window's buttons steer in player mode.
#pragma once

#include <windows.h>
#include <memory>
#include <string>

class IVideoPlayer {
public:
    static constexpr int kStopped = 1;
    static constexpr int kPaused = 2;
    static constexpr int kPlaying = 3;

    virtual ~IVideoPlayer() = default;
    virtual HWND Window() const = 0;
    // Loads the file without playing it; false when it cannot be loaded.
    virtual bool PlayFile(const std::wstring& path) = 0;
    // False when playback does not start (the player is then stopped).
    virtual bool Play() = 0;
    // False when the player cannot pause (it then goes on playing).
    virtual bool Pause() = 0;
    virtual void Stop() = 0;
    // Seconds.
    virtual double CurrentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;
    // 0 or less while unknown (some players know it only once playback has begun).
    virtual double Duration() const = 0;
    virtual int PlayState() const = 0;
    // Re-labels the window with the language in force.
    virtual void ApplyLanguage() = 0;
};

// Created hidden, top-level (template 112). It posts WM_PLAYER_CLOSED to mainWindow when
// the user closes it; the main window destroys it later. Null when it cannot be made.
std::unique_ptr<IVideoPlayer> CreateVideoPlayer(HWND mainWindow);
