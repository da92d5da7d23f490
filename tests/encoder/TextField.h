// Fills a fixed text field of the exported records, always NUL-terminated.
#pragma once

#include <cstddef>

template <size_t N>
void SetField(wchar_t (&field)[N], const wchar_t* text) {
    size_t i = 0;
    for (; text && text[i] && i + 1 < N; ++i) field[i] = text[i];
    field[i] = L'\0';
}
