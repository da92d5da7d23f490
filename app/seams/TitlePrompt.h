// The change-title dialog offered when a recording with the title overlay starts.
#pragma once

#include <windows.h>
#include <string>

// Modal over owner, opened on title. IDOK: title holds the edited text. Anything else:
// title is unchanged (the recording starts all the same).
INT_PTR RunChangeTitle(HWND owner, std::wstring& title);
