#include "config/LanguageFormat.h"

std::wstring FormatLanguageText(const std::wstring& format, const std::wstring& argument) {
    for (size_t at = format.find(L'%'); at != std::wstring::npos; at = format.find(L'%', at + 1)) {
        size_t length = 0;
        if (format.compare(at, 2, L"%s") == 0) length = 2;
        else if (format.compare(at, 3, L"%ls") == 0) length = 3;
        if (length == 0) continue;
        std::wstring text = format;
        text.replace(at, length, argument);
        return text;
    }
    return format;
}
