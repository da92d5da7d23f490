// Filling a language text that carries a placeholder.
#pragma once

#include <string>

// Language texts come from files we do not control, so they are never handed to a
// printf-family function as a format. This replaces only the first "%s" (or "%ls")
// with the argument; every other "%" sequence stays as plain text, and a text
// without a placeholder comes back unchanged.
std::wstring FormatLanguageText(const std::wstring& format, const std::wstring& argument);
