// The smallest window framework that carries the program's windows: a C++ object
// bound to an HWND by subclassing, one virtual message handler, reflection of the
// notifications a control draws or colours itself with.
//
// How a message reaches its handler:
//   window procedure of the class (or the dialog manager)
//     -> SubclassProc (installed by Attach)
//       -> CWnd::WindowProc (virtual; derived classes override and call the base)
//         -> handlers such as OnCommand / OnTimer, or Default() = the next procedure.
#pragma once

#include <windows.h>
#include <string>

namespace vt {

class CWnd {
public:
    CWnd() noexcept = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    explicit operator bool() const noexcept { return m_hWnd != nullptr; }

    // Binds this object to an existing window (subclassing it).
    bool Attach(HWND hwnd);
    // Unbinds without destroying the window.
    HWND Detach();
    // Binds to a control created from the parent's dialog template.
    bool SubclassDlgItem(int id, HWND parent);
    static CWnd* FromHandle(HWND hwnd) noexcept;

    // Creates a window of our own class (className null) or of any registered class.
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                  int x, int y, int cx, int cy, HWND parent, HMENU menuOrId = nullptr);
    bool DestroyWindow();

    // Offered every message of a modal loop before dispatch, from the target window up
    // through its parents; returning true swallows the message.
    virtual bool PreTranslateMessage(MSG* msg);

    // Runs the pre-translate chain for one message (used by message loops).
    static bool PreTranslateChain(MSG* msg);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The next procedure in the chain for the message being handled.
    LRESULT Default();

    // Handlers dispatched by the base WindowProc; return true when handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnDestroy() {}
    // A parent's WM_DRAWITEM / WM_MEASUREITEM / WM_CTLCOLOR* reflected to the control.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Offers WM_COMMAND, WM_DRAWITEM and WM_CTLCOLOR* to the control they come from.
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // After the window is gone and unbound.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;

private:
    struct Msg {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static bool RegisterOwnClass();
    const Msg* m_current = nullptr;
    friend LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);
};

// The window's text as a string.
std::wstring WindowText(HWND hwnd);

// Module whose resources the windows and pictures come from (the program).
HINSTANCE ResourceInstance() noexcept;

} // namespace vt
