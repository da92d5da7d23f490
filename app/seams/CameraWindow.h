// The camera window: the live picture of one camera, topmost, placed inside the recorded
// rectangle (or itself the capture source in camera-only recording).
#pragma once

#include <windows.h>
#include <memory>

class ICameraWindow {
public:
    virtual ~ICameraWindow() = default;
    virtual HWND Window() const = 0;
    // The picture area (control 1048): the capture source of a camera-only recording.
    virtual HWND PictureWindow() const = 0;
    // Opens the camera (the same index again succeeds at once). On failure the window
    // shows its message (IDS_INIT_CAMERA_FAILED) and stays without camera.
    virtual bool SelectCamera(int index) = 0;
    // Shows or hides the window; hiding also hides its close-button window.
    virtual void Show(bool show) = 0;
    virtual bool IsVisible() const = 0;
    // Moves and sizes the window (screen pixels), topmost.
    virtual void Place(const RECT& rect) = 0;
};

// Created hidden, top-level. showCloseButton: the small close window beside it, which
// posts WM_CAMERA_HIDE to RecorderHost()->MainWindow(); every creator sets it except the
// one preparing a camera-only recording. Null when no camera window can be made.
std::unique_ptr<ICameraWindow> CreateCameraWindow(bool showCloseButton);
