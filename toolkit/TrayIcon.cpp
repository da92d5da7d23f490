#include "toolkit/TrayIcon.h"

#include <algorithm>

namespace vt {

// The whole record as the shell on 64-bit Windows Vista and later knows it.
static_assert(sizeof(void*) != 8 || sizeof(NOTIFYICONDATAW) == 976, "NOTIFYICONDATAW must be the full record");

UINT TaskbarCreatedMessage() noexcept {
    static const UINT msg = ::RegisterWindowMessageW(L"TaskbarCreated");
    return msg;
}

CTrayIcon::CTrayIcon(HMENU menu, ShellCall shell) : m_menu(menu), m_shell(std::move(shell)) {
    if (!m_shell) m_shell = [](DWORD command, NOTIFYICONDATAW* data) { return ::Shell_NotifyIconW(command, data); };
    m_data.cbSize = sizeof(m_data);
    m_data.uID = 0;
    TaskbarCreatedMessage();
}

CTrayIcon::~CTrayIcon() {
    if (m_data.hIcon) {
        NOTIFYICONDATAW data = m_data;
        data.uFlags = 0;
        m_shell(NIM_DELETE, &data);
        m_data.hIcon = nullptr;
    }
    m_topLevelHook.Remove();
    m_windowHook.Remove();
}

void CTrayIcon::SetNotificationWnd(HWND window, UINT callbackMessage) {
    m_topLevelHook.Remove();
    m_windowHook.Remove();
    m_data.hWnd = window;
    m_data.uCallbackMessage = callbackMessage;
    if (!::IsWindow(window)) return;
    const auto hook = [this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT*) {
        return OnHookedMessage(hwnd, msg, wParam, lParam);
    };
    m_windowHook.Install(window, hook);
    HWND top = ::GetAncestor(window, GA_ROOT);
    if (top && top != window) m_topLevelHook.Install(top, hook);
    // A program with administrator rights hears the shell's broadcast only when it
    // lets it through.
    ::ChangeWindowMessageFilterEx(top ? top : window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
}

void CTrayIcon::CopyTip(const std::wstring& tip) noexcept {
    constexpr size_t kMax = sizeof(m_data.szTip) / sizeof(m_data.szTip[0]) - 1;
    size_t n = std::min(tip.size(), kMax);
    // Never half of a surrogate pair at the end.
    if (n == kMax && n < tip.size() && IS_HIGH_SURROGATE(tip[n - 1])) --n;
    std::copy_n(tip.data(), n, m_data.szTip);
    m_data.szTip[n] = L'\0';
}

UINT CTrayIcon::CommonFlags() const noexcept {
    UINT flags = 0;
    if (m_data.szTip[0]) flags |= NIF_TIP;
    if (m_data.uCallbackMessage && m_data.hWnd) flags |= NIF_MESSAGE;
    return flags;
}

bool CTrayIcon::SetIcon(HICON icon, const std::wstring& tip) {
    DWORD command = NIM_ADD;
    UINT flags = 0;
    if (icon) {
        flags = NIF_ICON;
        command = m_data.hIcon ? NIM_MODIFY : NIM_ADD;
        m_data.hIcon = icon;
    } else {
        if (!m_data.hIcon) return true;
        command = NIM_DELETE;
    }
    CopyTip(tip);
    m_data.uFlags = flags | CommonFlags();
    const bool ok = m_shell(command, &m_data) != FALSE;
    if (command == NIM_DELETE || !ok) m_data.hIcon = nullptr;
    return ok;
}

void CTrayIcon::SetTip(const std::wstring& tip) {
    CopyTip(tip);
    if (!m_data.hIcon || !m_data.szTip[0]) return;
    m_data.uFlags = NIF_TIP;
    m_shell(NIM_MODIFY, &m_data);
}

bool CTrayIcon::OnHookedMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == m_data.hWnd && msg == m_data.uCallbackMessage && msg != 0)
        OnTrayNotification(wParam, lParam);
    else if (msg == TaskbarCreatedMessage() && msg != 0)
        OnTaskbarCreated();
    return false; // the window handles both as well
}

void CTrayIcon::OnTrayNotification(WPARAM id, LPARAM mouseMessage) {
    if (id != m_data.uID || !m_menu) return;
    HWND window = m_data.hWnd;
    HMENU menu = m_menu;
    if (mouseMessage == WM_LBUTTONDBLCLK) {
        ::SendMessageW(window, WM_COMMAND, ::GetMenuItemID(menu, 0), 0);
    } else if (mouseMessage == WM_RBUTTONUP) {
        ::SetMenuDefaultItem(menu, 0, TRUE);
        POINT pt{};
        ::GetCursorPos(&pt);
        ::SetForegroundWindow(window);
        HWND owner = ::GetAncestor(window, GA_ROOT);
        // The menu's loop may outlive this object: only locals from here on.
        ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, pt.x, pt.y, 0, owner ? owner : window, nullptr);
        // Lets the menu close when the user clicks elsewhere.
        ::PostMessageW(window, WM_NULL, 0, 0);
    }
}

void CTrayIcon::OnTaskbarCreated() {
    if (!m_data.hIcon) return;
    m_data.uFlags = NIF_ICON | CommonFlags();
    if (!m_shell(NIM_ADD, &m_data)) m_data.hIcon = nullptr;
}

} // namespace vt
