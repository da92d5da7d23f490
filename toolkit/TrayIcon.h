// A window's icon in the notification area: added, changed and removed, its clicks
// turned into the tray menu (right button) or the menu's first command (double click),
// and put back when the task bar is re-created. Listens to the window's messages as a
// subclass layer of its own.
#pragma once

#include "toolkit/MessageHook.h"

#include <shellapi.h>

#include <functional>
#include <string>

namespace vt {

// "TaskbarCreated", registered once; the shell broadcasts it when the task bar
// (re)starts.
UINT TaskbarCreatedMessage() noexcept;

class CTrayIcon {
public:
    // Shell_NotifyIconW, replaceable for tests.
    using ShellCall = std::function<BOOL(DWORD, NOTIFYICONDATAW*)>;

    // menu: the tray menu, owned by the caller and outliving the icon (may be null: no
    // menu, clicks do nothing).
    explicit CTrayIcon(HMENU menu, ShellCall shell = {});
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // The window that gets callbackMessage (wParam: icon id, lParam: mouse message) and
    // the menu's commands. Hooks it and, when it has one, its top-level window.
    void SetNotificationWnd(HWND window, UINT callbackMessage);
    // Adds the icon, or changes it when one is shown; a null icon removes it. The tip is
    // cut to what the shell takes. Returns the shell's result (true: nothing to do).
    bool SetIcon(HICON icon, const std::wstring& tip);
    // The tip, now and for later adds.
    void SetTip(const std::wstring& tip);
    bool HasIcon() const noexcept { return m_data.hIcon != nullptr; }

private:
    bool OnHookedMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnTrayNotification(WPARAM id, LPARAM mouseMessage);
    void OnTaskbarCreated();
    void CopyTip(const std::wstring& tip) noexcept;
    UINT CommonFlags() const noexcept;

    HMENU m_menu = nullptr;
    ShellCall m_shell;
    NOTIFYICONDATAW m_data{};
    MessageHook m_windowHook;
    MessageHook m_topLevelHook;
};

} // namespace vt
