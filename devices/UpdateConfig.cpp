#include "devices/UpdateConfig.h"

#include "config/SettingsLogic.h"

#include <windows.h>

#include <vector>

std::wstring UpdateConfigUrl(int languageId) {
    return std::wstring(L"http://") + (languageId == 2052 ? kRegionalUpdateServer : kGeneralUpdateServer) +
           kUpdateConfigPath;
}

// The settings window's vendor link reads the same key.
const wchar_t* WebsiteKey(int languageId) { return WebsiteKeyForLanguage(languageId); }

const wchar_t* EncoderKey(int languageId) { return languageId == 2052 ? L"Encoder_cn" : L"Encoder_en"; }

namespace {

// The parts of a version, leading zeros removed; nothing when malformed.
std::optional<std::vector<std::wstring>> SplitVersion(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == L'.') {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && text[i] != L'.') {
            if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
            ++i;
        }
        std::wstring part = text.substr(start, i - start);
        const size_t first = part.find_first_not_of(L'0');
        parts.push_back(first == std::wstring::npos ? std::wstring() : part.substr(first));
        if (parts.size() > 4) return std::nullopt;
    }
    if (parts.empty()) return std::nullopt;
    parts.resize(4); // missing parts are 0, which is the empty digit string
    return parts;
}

} // namespace

std::optional<int> CompareVersions(const std::wstring& a, const std::wstring& b) {
    const auto pa = SplitVersion(a);
    const auto pb = SplitVersion(b);
    if (!pa || !pb) return std::nullopt;
    for (size_t i = 0; i < 4; ++i) {
        const std::wstring& x = (*pa)[i];
        const std::wstring& y = (*pb)[i];
        // Without leading zeros a longer digit string is the larger number.
        if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
        if (const int c = x.compare(y); c != 0) return c < 0 ? -1 : 1;
    }
    return 0;
}

std::wstring FormatFileVersion(unsigned long high, unsigned long low) {
    auto word = [](unsigned long v, int shift) { return std::to_wstring((v >> shift) & 0xFFFF); };
    if (low != 0) return word(high, 16) + L"." + word(high, 0) + L"." + word(low, 16) + L"." + word(low, 0);
    if (high != 0) return word(high, 16) + L"." + word(high, 0);
    return L"1.0.0.0";
}

std::wstring ProgramFileVersion() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FormatFileVersion(0, 0);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return FormatFileVersion(0, 0);
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoW(path, 0, size, data.data())) return FormatFileVersion(0, 0);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return FormatFileVersion(0, 0);
    return FormatFileVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

std::wstring ReadUpdateValue(const std::wstring& iniPath, const std::wstring& key) {
    if (::GetFileAttributesW(iniPath.c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring();
    wchar_t value[1024] = {};
    ::GetPrivateProfileStringW(kUpdateIniSection, key.c_str(), L"", value, 1024, iniPath.c_str());
    return value;
}
