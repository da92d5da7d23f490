#include "toolkit/Trace.h"

#include <windows.h>
#include <cwchar>
#include <vector>

namespace vt {

std::wstring FormatV(const wchar_t* format, va_list args) {
    std::vector<wchar_t> buf(512);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(buf.data(), buf.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() > (1u << 20)) return std::wstring();
        buf.resize(buf.size() * 4);
    }
}

std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring s = FormatV(format, args);
    va_end(args);
    return s;
}

void TraceV(const wchar_t* format, va_list args) {
    ::OutputDebugStringW(FormatV(format, args).c_str());
}

void Trace(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    TraceV(format, args);
    va_end(args);
}

} // namespace vt
