#include "toolkit/WebAddress.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>

namespace vt {

namespace {

constexpr size_t kMaxAddress = 2048;

bool StartsWithNoCase(std::wstring_view text, const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i] != 0; ++i) {
        if (i >= text.size() || std::towlower(text[i]) != prefix[i]) return false;
    }
    return true;
}

} // namespace

bool IsWebAddress(std::wstring_view address) noexcept {
    if (address.size() > kMaxAddress) return false;
    size_t rest = 0;
    if (StartsWithNoCase(address, L"http://")) rest = 7;
    else if (StartsWithNoCase(address, L"https://")) rest = 8;
    else return false;
    // A host must follow; "http:///x" or "http://\x" names none.
    if (rest >= address.size() || address[rest] == L'/' || address[rest] == L'\\') return false;
    return std::none_of(address.begin(), address.end(),
                        [](wchar_t c) { return c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F); });
}

bool OpenWebAddress(const std::wstring& address) {
    if (!IsWebAddress(address)) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

} // namespace vt
