// Copying names into the fixed fields of the records.
#pragma once

#include <cstddef>
#include <cwchar>
#include <string_view>

namespace devicelib {

// Copies at most dstChars - 1 characters and always terminates.
inline void CopyTruncated(wchar_t* dst, size_t dstChars, std::wstring_view src) {
    if (!dst || dstChars == 0) return;
    size_t n = src.size() < dstChars - 1 ? src.size() : dstChars - 1;
    if (n) std::wmemcpy(dst, src.data(), n);
    dst[n] = 0;
}

// A field that may lack its NUL, read up to its size.
inline std::wstring_view FieldText(const wchar_t* field, size_t chars) {
    size_t n = 0;
    while (n < chars && field[n]) ++n;
    return std::wstring_view(field, n);
}

} // namespace devicelib
