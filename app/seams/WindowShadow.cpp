// First build: no shadow.
#include "app/seams/WindowShadow.h"

bool InitialiseWindowShadow(HINSTANCE) {
    return false;
}

std::unique_ptr<IWindowShadow> CreateWindowShadow(HWND) {
    return nullptr;
}
