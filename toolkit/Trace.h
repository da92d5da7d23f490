// Debug-output trace lines.
#pragma once

#include <cstdarg>
#include <string>

namespace vt {

// printf-style; the format is always one of ours, never outside text.
void Trace(const wchar_t* format, ...);
void TraceV(const wchar_t* format, va_list args);
std::wstring FormatV(const wchar_t* format, va_list args);
std::wstring Format(const wchar_t* format, ...);

} // namespace vt
