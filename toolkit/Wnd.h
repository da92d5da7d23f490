// The smallest window framework that carries the program's windows: a C++ object
// bound to an HWND by subclassing, typed handlers that fall through to default
// processing, and reflection of the notifications a control handles itself.
//
// How a message reaches its handler:
//   window procedure of the class (or the dialog manager)
//     -> SubclassProc (installed by Attach, or at WM_NCCREATE for our own classes)
//       -> CWnd::WindowProc (virtual; derived classes override and call the base)
//         -> typed handlers (OnPaint, OnTimer, ...): true = handled,
//            false = Default(), the next procedure.
//
// Lifetime: the binding ends at WM_NCDESTROY, after which PostNcDestroy runs (and the
// object deletes itself when SetAutoDelete was called). A window asks to be destroyed
// with PostDestroy; the request waits until none of its handlers is running.
#pragma once

#include <windows.h>
#include <string>

namespace vt {

struct CWndFrame;

// A rectangle from its position and size.
constexpr RECT RectXYWH(int x, int y, int cx, int cy) noexcept { return RECT{x, y, x + cx, y + cy}; }

// Everything CreateWindowEx takes, by name.
struct CreateArgs {
    const wchar_t* className = nullptr; // null: the framework's own class
    const wchar_t* title = L"";
    DWORD style = WS_POPUP;
    DWORD exStyle = 0;
    RECT rect{};                        // position and size (right, bottom exclusive)
    HWND parent = nullptr;              // parent of a child, owner of a pop-up
    UINT id = 0;                        // control id of a child
};

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

    // Creates a window of our own class (or of any class: classes registered with
    // RegisterWindowClass bind at WM_NCCREATE, others right after creation).
    bool CreateEx(const CreateArgs& args);
    bool DestroyWindow();
    // Asks for the window's destruction from the message loop, never from inside one
    // of its own handlers.
    void PostDestroy() const noexcept;
    // The object deletes itself after WM_NCDESTROY (for windows nobody holds).
    void SetAutoDelete() noexcept { m_autoDelete = true; }

    // Offered every message of the message loop before dispatch, from the target window
    // up through its parents; returning true swallows the message.
    virtual bool PreTranslateMessage(MSG* msg);

    // Runs the pre-translate chain for one message (used by the message loop).
    static bool PreTranslateChain(MSG* msg);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The next procedure in the chain for the message being handled.
    LRESULT Default();

    // Typed handlers; return true when handled, false for default processing.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual bool OnTimer(UINT_PTR id);
    virtual bool OnPaint() { return false; }
    virtual bool OnEraseBkgnd(HDC) { return false; }
    virtual bool OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) { return false; }
    // WM_MOUSEMOVE, WM_[LR]BUTTON(DOWN|UP|DBLCLK): the message, client point, key flags.
    virtual bool OnMouse(UINT /*msg*/, POINT /*pt*/, UINT /*flags*/) { return false; }
    virtual bool OnSetCursor(HWND /*hwnd*/, UINT /*hitTest*/, UINT /*mouseMsg*/) { return false; }
    virtual bool OnNcHitTest(POINT /*screen*/, LRESULT* /*result*/) { return false; }
    virtual bool OnClose() { return false; }
    virtual void OnDestroy() {}
    // A parent's WM_COMMAND, WM_NOTIFY, WM_HSCROLL/WM_VSCROLL, WM_DRAWITEM,
    // WM_MEASUREITEM and WM_CTLCOLOR* reflected to the control they concern.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
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
    void EndBinding(HWND hwnd);
    const Msg* m_current = nullptr;
    int m_depth = 0;              // handlers of ours on the stack
    CWndFrame* m_frames = nullptr; // handlers running, innermost first
    bool m_destroyPending = false;
    bool m_autoDelete = false;
    friend LRESULT CALLBACK OwnClassProc(HWND, UINT, WPARAM, LPARAM);
};

// Registers a window class whose windows bind to the CWnd passed as creation
// parameter at WM_NCCREATE (lpfnWndProc and hInstance are filled in). True when the
// class exists afterwards.
bool RegisterWindowClass(WNDCLASSEXW wc);

// The window's text as a string.
std::wstring WindowText(HWND hwnd);

// Module whose resources the windows and pictures come from (the program).
HINSTANCE ResourceInstance() noexcept;

// Runs the thread's message loop (pre-translate chain, dialog manager, dispatch) until
// WM_QUIT; returns its exit code.
int RunMessageLoop();
// Runs one message through the pre-translate chain, the dialog manager and dispatch.
void PumpMessage(MSG& msg);
// Dispatches whatever is queued, without waiting.
void PumpPending();

} // namespace vt
