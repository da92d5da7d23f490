// Real windows for the tray, shadow and menu tests: a host window that stands in for
// the main window, real mouse input, and pixels read back from the screen.
#pragma once

#include "toolkit/MenuXP.h"
#include "toolkit/Wnd.h"

#include <functional>
#include <vector>

namespace desktoptest {

// Pumps this thread's messages until pred() holds or ms run out.
bool PumpUntil(const std::function<bool()>& pred, DWORD ms = 5000);
void PumpFor(DWORD ms);

// A top-level pop-up painted in one colour that records what reaches it.
class TestHost : public vt::CWnd {
public:
    // Shown at once unless hidden (then show it without activation yourself).
    explicit TestHost(RECT rect, COLORREF colour = RGB(255, 255, 255), bool hidden = false);
    HWND Hwnd() const noexcept { return m_hWnd; }

    std::vector<UINT> commands;          // WM_COMMAND ids
    std::vector<UINT> mouse;             // WM_*BUTTON* seen by the client area
    std::vector<LPARAM> trayMessages;    // lParam of the callback message
    UINT callbackMessage = 0;
    vt::CMenuXP* menu = nullptr;         // gets the owner-drawn messages when set
    std::function<void(LPARAM)> onTray;  // runs on the callback message
    bool dragByClientArea = false;       // the client area acts as a caption

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    COLORREF m_colour;
};

// The screen's pixel as RGB.
COLORREF ScreenPixel(int x, int y);
// Real mouse input at screen points (absolute moves, then buttons).
void MouseMove(POINT pt);
void MouseClick(POINT pt, bool right = false);
void MouseDoubleClick(POINT pt);
void MouseDrag(POINT from, POINT to);
// A top-level window of the class (of this process only, when asked), or null.
HWND FindTopWindow(const wchar_t* className, bool thisProcessOnly);
// Opens a menu with open() (which may run the menu's own loop) and calls step on a timer
// while one of this process's menus shows, until step returns true. A menu still open
// after ms is ended. True when step finished.
bool WithOpenMenu(const std::function<void()>& open, const std::function<bool(HWND popup)>& step,
                  DWORD ms = 5000);
// The menu a pop-up menu window shows.
HMENU MenuOf(HWND popup);

// Wine's own notification area (a window of its explorer.exe), shown while it holds an
// icon; where its first icon sits.
HWND WineTray();
bool TrayShowing();
POINT FirstTrayIcon();
// Starts the shadows once for the test program; the first call's result.
bool ShadowsReady();

} // namespace desktoptest
