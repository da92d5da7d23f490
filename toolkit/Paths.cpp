#include "toolkit/Paths.h"

#include <windows.h>

namespace vt {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n < MAX_PATH ? n : 0);
    const size_t slash = s.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : s.substr(0, slash + 1);
}

} // namespace vt
