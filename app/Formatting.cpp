#include "app/Formatting.h"

#include "toolkit/Raii.h"
#include "toolkit/Trace.h"

#include <versionhelpers.h>

namespace vt {

std::wstring TimeText(unsigned int s) {
    if (s < 3600) return Format(L"%.2d:%.2d", static_cast<int>((s % 3600) / 60), static_cast<int>(s % 60));
    return Format(L"%.2d:%.2d:%.2d", static_cast<int>(s / 3600), static_cast<int>((s % 3600) / 60),
                  static_cast<int>(s % 60));
}

std::wstring SizeTextForBytes(unsigned long long size) {
    if (size == 0) return L"0KB";
    if (size < 1024) return L"1KB";
    if (size < 1048576) return Format(L"%dKB", static_cast<int>(size / 1024));
    return Format(L"%dMB", static_cast<int>(size / 1048576));
}

std::wstring SizeText(const wchar_t* path) {
    unsigned long long size = 0;
    WIN32_FILE_ATTRIBUTE_DATA fad{};
    const bool haveStatus = path && ::GetFileAttributesExW(path, GetFileExInfoStandard, &fad);
    if (haveStatus && !::IsWindowsVistaOrGreater()) {
        size = (static_cast<unsigned long long>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
    } else if (path) {
        // The directory entry of a file being written lags; the open file's length does not.
        UniqueKernelHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            char discard[1024];
            DWORD read = 0;
            ::ReadFile(file.Get(), discard, sizeof discard, &read, nullptr);
            LARGE_INTEGER len{};
            if (::GetFileSizeEx(file.Get(), &len)) size = static_cast<unsigned long long>(len.QuadPart);
        }
    }
    return SizeTextForBytes(size);
}

std::wstring TimeStampFileName(const SYSTEMTIME& t) {
    return Format(L"%4d-%.2d-%.2d-%.2d-%.2d-%.2d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

std::wstring TimeStampFileName() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return TimeStampFileName(t);
}

std::wstring NamePartOfPath(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    if (pos == std::wstring::npos) pos = path.rfind(L'/');
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

} // namespace vt
