// First build: the title is not offered for change; the stored title stays.
#include "app/seams/TitlePrompt.h"

INT_PTR RunChangeTitle(HWND, std::wstring&) {
    return IDCANCEL;
}
