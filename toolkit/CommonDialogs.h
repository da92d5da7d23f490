// The platform's font, colour and open-file dialogs, reached through one table that
// tests replace to see what goes in and to answer in place of the user.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

namespace vt {

struct CommonDialogFunctions {
    BOOL(WINAPI* chooseFont)(LPCHOOSEFONTW) = ::ChooseFontW;
    BOOL(WINAPI* chooseColor)(LPCHOOSECOLORW) = ::ChooseColorW;
    BOOL(WINAPI* getOpenFileName)(LPOPENFILENAMEW) = ::GetOpenFileNameW;
};

// The table in force (the real dialogs unless a test put others in).
CommonDialogFunctions& CommonDialogs() noexcept;

// A file-dialog filter from its text form, "Description|pattern|...||": every '|'
// becomes a NUL, and the result always ends with two NULs.
std::wstring FileDialogFilter(const std::wstring& text);

} // namespace vt
