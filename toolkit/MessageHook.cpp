#include "toolkit/MessageHook.h"

#include <commctrl.h>

namespace vt {

bool MessageHook::Install(HWND hwnd, Handler handler) {
    Remove();
    if (!::IsWindow(hwnd) || !handler) return false;
    m_handler = std::move(handler);
    // The object's address is the layer's id: unique while it lives.
    if (!::SetWindowSubclass(hwnd, &MessageHook::Proc, reinterpret_cast<UINT_PTR>(this),
                             reinterpret_cast<DWORD_PTR>(this))) {
        m_handler = nullptr;
        return false;
    }
    m_hwnd = hwnd;
    return true;
}

void MessageHook::Remove() noexcept {
    if (m_hwnd) ::RemoveWindowSubclass(m_hwnd, &MessageHook::Proc, reinterpret_cast<UINT_PTR>(this));
    m_hwnd = nullptr;
}

LRESULT CALLBACK MessageHook::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<MessageHook*>(ref);
    if (msg == WM_NCDESTROY) {
        self->Remove(); // the window is gone; nothing left to hook
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    // A copy: the handler may remove or reinstall the hook while it runs.
    Handler handler = self->m_handler;
    if (handler && handler(hwnd, msg, wParam, lParam, &result)) return result;
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace vt
