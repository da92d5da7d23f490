// First build: the registry check only. With something missing the installation is not
// offered yet, so the answer is Cancel and nothing starts.
#include "app/seams/EncoderInstall.h"

#include "toolkit/Raii.h"

#include <shlwapi.h>
#include <versionhelpers.h>

#include <cwchar>

namespace {

bool Is64BitSystem() {
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

// "9.00.00.2980": present from major version 9 on.
bool EncoderPresent(bool wow64) {
    vt::UniqueRegKey key;
    // Reading needs no more than query rights, which an unelevated run also has.
    const REGSAM access = KEY_QUERY_VALUE | (wow64 ? KEY_WOW64_64KEY : 0);
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows Media\\Encoder\\", 0, access,
                        key.Put()) != ERROR_SUCCESS)
        return false;
    wchar_t version[100] = {};
    DWORD size = sizeof(version);
    if (::RegGetValueW(key.Get(), nullptr, L"Version", RRF_RT_REG_SZ, nullptr, version, &size) != ERROR_SUCCESS)
        return false;
    const wchar_t* dot = std::wcschr(version, L'.');
    if (!dot) return false;
    version[dot - version] = 0;
    return ::StrToIntW(version) >= 9;
}

bool HotfixPresent() {
    vt::UniqueRegKey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KB929182",
                           0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

} // namespace

int DetectEncoder() {
    const bool wide = Is64BitSystem();
    const bool present = EncoderPresent(wide);
    if (wide) return present ? 0 : 2;
    int status = present ? 0 : 1;
    if (::IsWindowsVistaOrGreater() && !HotfixPresent()) status = present ? 3 : 4;
    return status;
}

INT_PTR RunEncoderInstall(HWND) {
    return DetectEncoder() == 0 ? IDOK : IDCANCEL;
}
