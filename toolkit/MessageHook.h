// Sees another window's messages before it does, as one more subclass layer with an id
// of its own: hooks on the same window (the framework's binding, the tray icon, the
// shadow) are added and removed in any order. Used on the window's own thread.
#pragma once

#include <windows.h>
#include <functional>

namespace vt {

class MessageHook {
public:
    // Returns true when it handled the message (its result in *result); false passes
    // the message on to the window.
    using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;

    MessageHook() noexcept = default;
    ~MessageHook() { Remove(); }
    MessageHook(const MessageHook&) = delete;
    MessageHook& operator=(const MessageHook&) = delete;

    bool Install(HWND hwnd, Handler handler);
    void Remove() noexcept;
    HWND Window() const noexcept { return m_hwnd; }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND m_hwnd = nullptr;
    Handler m_handler;
};

} // namespace vt
