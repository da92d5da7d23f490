// First build: no update worker; nothing is shown.
#include "app/seams/UpdateCheck.h"

std::unique_ptr<IUpdateCheck> StartUpdateCheck() {
    return nullptr;
}

void HandleUpdateResult(int, HWND, bool) {}
