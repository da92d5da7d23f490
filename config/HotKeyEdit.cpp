#include "config/HotKeyEdit.h"

#include "config/SettingsLogic.h"

void CHotKeyEdit::SetKey(int vk) {
    m_previous = m_current;
    m_current = vk;
    ShowKey();
}

void CHotKeyEdit::RevertKey() {
    m_current = m_previous;
    ShowKey();
}

void CHotKeyEdit::ShowKey() {
    if (m_hWnd) ::SetWindowTextW(m_hWnd, HotkeyText(m_current).c_str());
}

bool CHotKeyEdit::PreTranslateMessage(MSG* msg) {
    if (msg->hwnd != m_hWnd || msg->message != WM_KEYDOWN) return false;
    const int vk = static_cast<int>(msg->wParam);
    if (IsHotkey(vk)) {
        SetKey(vk);
        if (onKeyTyped) onKeyTyped(*this);
        return true;
    }
    // Tab moves to the next field; every other key becomes no key at all, so that the
    // dialog manager does not act on it either (Enter and Esc included).
    if (vk != VK_TAB) msg->wParam = 0;
    return false;
}

LRESULT CHotKeyEdit::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
    case WM_CONTEXTMENU:
        return 0;
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}
