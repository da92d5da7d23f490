#include "toolkit/CommonDialogs.h"

#include <algorithm>

namespace vt {

CommonDialogFunctions& CommonDialogs() noexcept {
    static CommonDialogFunctions table;
    return table;
}

std::wstring FileDialogFilter(const std::wstring& text) {
    std::wstring f = text;
    std::replace(f.begin(), f.end(), L'|', L'\0');
    // A text without the closing "||" still ends the list.
    while (f.size() < 2 || f[f.size() - 1] != L'\0' || f[f.size() - 2] != L'\0') f.push_back(L'\0');
    return f;
}

} // namespace vt
