// The main window's icon in the notification area, with the tray menu.
#pragma once

#include <windows.h>
#include <memory>
#include <string>

class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;
    // The window that receives the callback message (1100) and the tray menu's commands.
    virtual void SetNotificationWnd(HWND window, UINT callbackMessage) = 0;
    // Adds (or changes) the icon; a null icon removes it. Returns the shell's result:
    // false means the icon is not in the tray.
    virtual bool SetIcon(HICON icon, const std::wstring& tip) = 0;
    // The tooltip for the icon, now and when it is added later (the window title).
    virtual void SetTip(const std::wstring& tip) = 0;
};

// menu: the tray menu (first sub-menu of menu 138), owned by the caller and outliving
// the icon. Never null.
std::unique_ptr<ITrayIcon> CreateTrayIcon(HMENU menu);
