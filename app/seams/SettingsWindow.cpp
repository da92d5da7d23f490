// First build: there is no settings window; the record stays as it is.
#include "app/seams/SettingsWindow.h"

INT_PTR RunSettingsWindow(HWND, RecorderSettings&, ISettingsHost&) {
    return IDCANCEL;
}

bool EndSettingsWindow() {
    return false;
}
