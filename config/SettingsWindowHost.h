// What the settings window and its pages reach outside themselves: the main window's
// camera window and shadow, the update check, the title and watermark settings dialogs
// and the web browser. The main window implements it; tests use fakes.
#pragma once

#include <windows.h>
#include <string>

class ISettingsHost;

class ISettingsWindowHost {
public:
    // The main window's part in resetting the record (the title font); may be null.
    virtual const ISettingsHost* SettingsHost() const = 0;

    // The camera window the main window keeps for the preview and picture-in-picture.
    virtual bool CameraWindowExists() const = 0;
    // Creates it (hidden, with its close button); false when it cannot be created.
    virtual bool CreateCameraWindow() = 0;
    // Opens the camera of that device index in it; false (the window has told the user)
    // when the camera cannot be opened.
    virtual bool SelectCamera(int deviceIndex) = 0;
    // Device index of the camera chosen last; -1 none.
    virtual int CurrentCamera() const = 0;
    virtual void ShowCameraWindow() = 0;
    // Hides it and its close-button window.
    virtual void HideCameraWindow() = 0;
    virtual bool IsCameraWindowVisible() const = 0;
    virtual void DestroyCameraWindow() = 0;

    // Shows or hides the main window's shadow.
    virtual void ShowShadow(bool show) = 0;

    // Checks for a newer version now and tells the user the outcome, whatever it is;
    // waits for the check (at most 20 seconds) with the owner's window disabled.
    virtual void RunUpdateCheckNow(HWND owner) = 0;

    // The title and watermark settings dialogs, modal, on PendingTitleSettings and
    // PendingWatermarkSettings; true when they were confirmed.
    virtual bool ShowTitleSettings(HWND owner) = 0;
    virtual bool ShowWatermarkSettings(HWND owner) = 0;

    // Opens a web page (only a web address is opened; see vt::OpenWebAddress).
    virtual void OpenWebPage(const std::wstring& address) = 0;

protected:
    ~ISettingsWindowHost() = default;
};
