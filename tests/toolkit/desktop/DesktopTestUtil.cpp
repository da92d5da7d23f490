#include "DesktopTestUtil.h"

#include "toolkit/Raii.h"
#include "toolkit/WndShadow.h"

#include <windowsx.h>

#include <atomic>
#include <thread>

namespace desktoptest {

bool PumpUntil(const std::function<bool()>& pred, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > ms) return false;
        vt::PumpPending();
        ::Sleep(5);
    }
    return true;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        vt::PumpPending();
        ::Sleep(5);
    }
}

TestHost::TestHost(RECT rect, COLORREF colour, bool hidden) : m_colour(colour) {
    CreateEx({.style = WS_POPUP | (hidden ? 0u : WS_VISIBLE), .rect = rect});
}

LRESULT TestHost::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        vt::UniqueBrush brush(::CreateSolidBrush(m_colour));
        ::FillRect(reinterpret_cast<HDC>(wParam), &rc, brush.Get());
        return 1;
    }
    case WM_COMMAND:
        commands.push_back(LOWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        mouse.push_back(msg);
        break;
    case WM_NCHITTEST:
        if (dragByClientArea) return HTCAPTION;
        break;
    case WM_MEASUREITEM:
        if (menu && menu->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (menu && menu->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    default:
        if (callbackMessage && msg == callbackMessage) {
            trayMessages.push_back(lParam);
            if (onTray) onTray(lParam);
            return 0;
        }
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

COLORREF ScreenPixel(int x, int y) {
    vt::WindowDc screen(nullptr);
    return ::GetPixel(screen.Get(), x, y);
}

namespace {
void SendMouse(DWORD flags, POINT pt = {}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = (pt.x * 65535 + (w - 1) / 2) / (w - 1);
        in.mi.dy = (pt.y * 65535 + (h - 1) / 2) / (h - 1);
    }
    ::SendInput(1, &in, sizeof(in));
}
} // namespace

void MouseMove(POINT pt) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, pt);
    PumpFor(30);
}

void MouseClick(POINT pt, bool right) {
    MouseMove(pt);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    PumpFor(20);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    PumpFor(20);
}

void MouseDoubleClick(POINT pt) {
    MouseMove(pt);
    for (int i = 0; i < 2; ++i) {
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
    }
    PumpFor(50);
}

void MouseDrag(POINT from, POINT to) {
    MouseMove(from);
    // From another thread: a caption drag runs the system's move loop on this one,
    // which returns only when the button goes up.
    std::atomic<bool> done{false};
    std::thread input([&] {
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(100);
        for (int step = 1; step <= 5; ++step) {
            SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                      POINT{from.x + (to.x - from.x) * step / 5, from.y + (to.y - from.y) * step / 5});
            ::Sleep(50);
        }
        SendMouse(MOUSEEVENTF_LEFTUP);
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 10000);
    input.join();
    PumpFor(50);
}

namespace {
struct WindowSearch {
    const wchar_t* className;
    bool thisProcessOnly;
    HWND found = nullptr;
};
BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (lstrcmpW(cls, s->className) == 0 && (!s->thisProcessOnly || pid == ::GetCurrentProcessId())) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindTopWindow(const wchar_t* className, bool thisProcessOnly) {
    WindowSearch s{className, thisProcessOnly};
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

namespace {
struct MenuWatch {
    const std::function<bool(HWND)>* step;
    bool done = false;
    DWORD deadline = 0;
};
MenuWatch* g_watch = nullptr;

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_watch || g_watch->done) return;
    if (static_cast<LONG>(::GetTickCount() - g_watch->deadline) > 0) {
        ::EndMenu(); // never hang in a menu
        return;
    }
    HWND popup = FindTopWindow(L"#32768", true);
    if (popup && ::IsWindowVisible(popup)) g_watch->done = (*g_watch->step)(popup);
}
} // namespace

bool WithOpenMenu(const std::function<void()>& open, const std::function<bool(HWND)>& step, DWORD ms) {
    MenuWatch watch{&step, false, ::GetTickCount() + ms};
    g_watch = &watch;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &WatchMenu);
    open();
    PumpUntil([&] { return watch.done; }, ms);
    ::KillTimer(nullptr, timer);
    g_watch = nullptr;
    return watch.done;
}

HMENU MenuOf(HWND popup) {
    return reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
}

HWND WineTray() {
    return FindTopWindow(L"__winex11_standalone_tray", false);
}

bool TrayShowing() {
    HWND tray = WineTray();
    return tray && ::IsWindowVisible(tray);
}

POINT FirstTrayIcon() {
    RECT client{};
    ::GetClientRect(WineTray(), &client);
    POINT pt{client.left + 12, client.top + client.bottom / 2};
    ::ClientToScreen(WineTray(), &pt);
    return pt;
}

bool ShadowsReady() {
    static const bool ready = vt::CWndShadow::Initialise(::GetModuleHandleW(nullptr));
    return ready;
}

} // namespace desktoptest
