// The main window's soft drop shadow.
#pragma once

#include <windows.h>
#include <memory>

// Once at start-up, before the main window exists; false when shadows are unavailable
// (and on a second call).
bool InitialiseWindowShadow(HINSTANCE instance);

class IWindowShadow {
public:
    virtual ~IWindowShadow() = default;
    // The ShowShadow setting: an enabled shadow shows whenever its parent does.
    virtual void SetEnabled(bool enabled) = 0;
};

// Follows parent (moves, sizes, shows) until it goes. Null when shadows are unavailable.
std::unique_ptr<IWindowShadow> CreateWindowShadow(HWND parent);
