#include "devices/EncoderDetect.h"

#include "toolkit/Raii.h"

#include <windows.h>
#include <versionhelpers.h>

namespace {

constexpr wchar_t kEncoderKey[] = L"SOFTWARE\\Microsoft\\Windows Media\\Encoder\\";
constexpr wchar_t kHotfixKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KB929182";

constexpr InstallerItem kEncoder32{L"WMEncoderx86.exe", L"/Q", false};
constexpr InstallerItem kEncoder64{L"WMEncoderx64.exe", L"/Q", false};
constexpr InstallerItem kHotfix{L"windowsmedia9-kb929182-intl.exe", L"/qn", true};

} // namespace

EncoderSystem RealEncoderSystem() {
    EncoderSystem s;
    s.is64Bit = [] {
        SYSTEM_INFO info{};
        ::GetNativeSystemInfo(&info);
        return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
               info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    };
    s.isWindows6OrLater = [] { return ::IsWindowsVistaOrGreater() != FALSE; };
    s.encoderVersion = [](bool is64Bit) -> std::optional<std::wstring> {
        // Reading a value needs no more; asking for all access fails without elevation.
        vt::UniqueRegKey key;
        const REGSAM access = KEY_QUERY_VALUE | (is64Bit ? KEY_WOW64_64KEY : 0);
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEncoderKey, 0, access, key.Put()) != ERROR_SUCCESS)
            return std::nullopt;
        wchar_t value[100] = {};
        DWORD bytes = sizeof(value);
        // RegGetValueW terminates the text; a value of another type counts as missing.
        if (::RegGetValueW(key.Get(), nullptr, L"Version", RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(value);
    };
    s.hotfixKeyExists = [] {
        vt::UniqueRegKey key;
        return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHotfixKey, 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
    };
    return s;
}

bool EncoderVersionPresent(const std::wstring& version) {
    const size_t dot = version.find(L'.');
    if (dot == std::wstring::npos) return false;
    // The whole number before the dot, as StrToIntW reads it, without its overflow.
    size_t i = 0;
    const bool negative = dot > 0 && version[0] == L'-';
    if (negative) ++i;
    long long major = 0;
    for (; i < dot && version[i] >= L'0' && version[i] <= L'9'; ++i) {
        if (major < 1000000) major = major * 10 + (version[i] - L'0');
    }
    return !negative && major >= 9;
}

int DetectEncoder(const EncoderSystem& system) {
    const bool is64Bit = system.is64Bit();
    const std::optional<std::wstring> version = system.encoderVersion(is64Bit);
    const bool present = version && EncoderVersionPresent(*version);
    if (is64Bit) return present ? kEncoderReady : kEncoderMissing64;
    int status = present ? kEncoderReady : kEncoderMissing32;
    if (system.isWindows6OrLater() && !system.hotfixKeyExists())
        status = status == kEncoderMissing32 ? kEncoderAndHotfixMissing : kHotfixMissing;
    return status;
}

int DetectEncoder() { return DetectEncoder(RealEncoderSystem()); }

std::vector<InstallerItem> InstallersFor(int status) {
    switch (status) {
    case kEncoderMissing32: return {kEncoder32};
    case kEncoderMissing64: return {kEncoder64};
    case kHotfixMissing: return {kHotfix};
    case kEncoderAndHotfixMissing: return {kEncoder32, kHotfix};
    default: return {};
    }
}
