// Folders of the running program.
#pragma once

#include <string>

namespace vt {

// Folder of the running program file, ending with a backslash.
std::wstring ProgramFolder();

} // namespace vt
