// Decisions of the player window that need no window: where its edges are grabbed, how
// far it may shrink, which menu items a play state allows, where its parts go.
#pragma once

#include <windows.h>
#include <string>

// Play states as the media control reports them (the others are ignored).
constexpr int kPlayerStopped = 1;
constexpr int kPlayerPaused = 2;
constexpr int kPlayerPlaying = 3;

// Skin margins: left, top (the title band), right, bottom.
constexpr RECT kPlayerMargins{18, 32, 18, 18};
constexpr SIZE kPlayerInitialSize{758, 528};
constexpr SIZE kPlayerMinimumSize{520, 360};

// Hit code of a point relative to the window's top-left corner: the camera window's
// 8-pixel edge bands, and 0 off them.
int PlayerHitTest(SIZE window, POINT pt) noexcept;

// The window rectangle while dragging an edge by (dx, dy) from the start rectangle;
// false when it would be smaller than the minimum size (the window then stays).
bool PlayerDragRect(int hitCode, const RECT& start, int dx, int dy, RECT& result) noexcept;

// Menu items a play state leaves enabled (Open always is).
struct PlayerMenuStates {
    bool play, pause, stop;
};
PlayerMenuStates PlayerMenuStatesFor(int playState) noexcept;

// Places in the client area: the close and minimise buttons (both buttonWidth wide) at
// the top right, the control inside the skin margins of a window of size window.
struct PlayerLayout {
    POINT close, minimise;
    RECT control;
};
PlayerLayout PlayerLayoutFor(SIZE client, SIZE window, int buttonWidth) noexcept;

// The file's name as the title shows it: after the last "\", else after the last "/",
// else the whole path.
std::wstring PlayerFileName(const std::wstring& path);
