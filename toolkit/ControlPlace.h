// Controls placed in pixels, for dialogs whose templates only name their controls.
#pragma once

#include <windows.h>

#include <cstddef>

namespace vt {

struct ControlPlace {
    int id;
    int x, y, cx, cy;
};

// Moves each control to its place (client pixels of the dialog), before it is shown.
inline void PlaceControls(HWND dialog, const ControlPlace* places, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ControlPlace& p = places[i];
        if (HWND c = ::GetDlgItem(dialog, p.id)) ::MoveWindow(c, p.x, p.y, p.cx, p.cy, FALSE);
    }
}

template <size_t N>
void PlaceControls(HWND dialog, const ControlPlace (&places)[N]) {
    PlaceControls(dialog, places, N);
}

} // namespace vt
