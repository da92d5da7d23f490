#include "devicelib/VirtualDevices.h"

#include <windows.h>
#include <cwctype>

namespace devicelib {
namespace {

constexpr const wchar_t* kVariable = L"VISTREL_VIRTUAL_DEVICES";
constexpr uint32_t kMaxSide = 8192;

std::wstring_view Trim(std::wstring_view s) {
    while (!s.empty() && std::iswspace(s.front())) s.remove_prefix(1);
    while (!s.empty() && std::iswspace(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::towlower(s[i]) != std::towlower(prefix[i])) return false;
    return true;
}

std::vector<std::wstring_view> Split(std::wstring_view s, wchar_t sep) {
    std::vector<std::wstring_view> parts;
    for (;;) {
        size_t at = s.find(sep);
        parts.push_back(s.substr(0, at));
        if (at == std::wstring_view::npos) break;
        s.remove_prefix(at + 1);
    }
    return parts;
}

bool ParseNumber(std::wstring_view s, uint32_t* out) {
    s = Trim(s);
    if (s.empty() || s.size() > 5) return false;
    uint32_t v = 0;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + static_cast<uint32_t>(c - L'0');
    }
    *out = v;
    return true;
}

bool ParseSize(std::wstring_view s, CameraSize* out) {
    size_t x = s.find_first_of(L"xX");
    if (x == std::wstring_view::npos) return false;
    uint32_t w, h;
    if (!ParseNumber(s.substr(0, x), &w) || !ParseNumber(s.substr(x + 1), &h)) return false;
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return false;
    *out = {w, h};
    return true;
}

std::wstring Cut(std::wstring_view s, size_t chars) {
    return std::wstring(s.substr(0, chars));
}

} // namespace

VirtualDevices ParseVirtualDevices(std::wstring_view text) {
    VirtualDevices result;
    for (std::wstring_view entry : Split(text, L';')) {
        entry = Trim(entry);
        if (StartsWithNoCase(entry, L"camera:")) {
            entry.remove_prefix(7);
            VirtualCamera cam;
            size_t at = entry.find(L'@');
            cam.name = Cut(Trim(entry.substr(0, at)), CAMERA_NAME_CHARS - 1);
            if (cam.name.empty()) continue;
            if (at != std::wstring_view::npos) {
                for (std::wstring_view part : Split(entry.substr(at + 1), L',')) {
                    CameraSize size;
                    if (cam.sizes.size() < CAMERA_MAX_SIZES && ParseSize(part, &size)) cam.sizes.push_back(size);
                }
            }
            if (cam.sizes.empty()) cam.sizes = {{640, 480}, {320, 240}};
            result.cameras.push_back(std::move(cam));
        } else if (StartsWithNoCase(entry, L"audio:")) {
            entry.remove_prefix(6);
            VirtualAudioDevice dev;
            size_t open = entry.find(L'[');
            dev.name = Cut(Trim(entry.substr(0, open)), AUDIO_NAME_CHARS - 1);
            if (dev.name.empty()) continue;
            if (open != std::wstring_view::npos) {
                std::wstring_view list = entry.substr(open + 1);
                size_t close = list.find(L']');
                if (close != std::wstring_view::npos) list = list.substr(0, close);
                for (std::wstring_view part : Split(list, L',')) {
                    std::wstring line = Cut(Trim(part), AUDIO_NAME_CHARS - 1);
                    if (!line.empty() && dev.lines.size() < AUDIO_MAX_LINES) dev.lines.push_back(std::move(line));
                }
            }
            result.audio.push_back(std::move(dev));
        }
    }
    return result;
}

std::wstring VirtualDevicesVariable() {
    DWORD n = ::GetEnvironmentVariableW(kVariable, nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring value(n, L'\0');
    DWORD got = ::GetEnvironmentVariableW(kVariable, value.data(), n);
    if (got == 0 || got >= n) return std::wstring();
    value.resize(got);
    return value;
}

CameraSize NearestSize(const std::vector<CameraSize>& sizes, int width, int height) {
    if (sizes.empty()) return {0, 0};
    const long long wanted = static_cast<long long>(width < 0 ? 0 : width) * (height < 0 ? 0 : height);
    size_t best = 0;
    long long bestDiff = -1;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (static_cast<long long>(sizes[i].width) == width && static_cast<long long>(sizes[i].height) == height)
            return sizes[i];
        long long area = static_cast<long long>(sizes[i].width) * sizes[i].height;
        long long diff = area > wanted ? area - wanted : wanted - area;
        if (bestDiff < 0 || diff < bestDiff) {
            bestDiff = diff;
            best = i;
        }
    }
    return sizes[best];
}

} // namespace devicelib
