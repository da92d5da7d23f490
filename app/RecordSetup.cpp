#include "app/RecordSetup.h"

#include "config/QualityPresets.h"
#include "toolkit/Raii.h"
#include "toolkit/Trace.h"

#include <algorithm>
#include <cwchar>

namespace {

template <size_t N>
void CopyField(wchar_t (&dst)[N], const wchar_t* src) {
    size_t n = 0;
    while (n + 1 < N && src[n] != 0) ++n;
    std::wmemcpy(dst, src, n);
    dst[n] = 0;
}

RECT ClipToScreen(const RECT& rc, SIZE screen) {
    RECT out{};
    const RECT screenRect{0, 0, screen.cx, screen.cy};
    if (!::IntersectRect(&out, &rc, &screenRect)) out = RECT{};
    return out;
}

} // namespace

RecordRecords FillRecords(const RecorderSettings& settings, const RECT& captureRect, const RECT* windowRect,
                          SIZE screen) {
    RecordRecords r;
    SEncoderSource& src = r.source;
    const int o = settings.video.nRecordObject;
    int w = 0, h = 0;
    if ((o & kRecordObjectScreen) && (o & kRecordObjectCamera)) {
        src.nSourceType = 4;  // rejected by the library: the start fails with 1
        return r;
    }
    if (!(o & kRecordObjectScreen) && !(o & kRecordObjectScreenWithCamera)) {
        if (!(o & kRecordObjectCamera) || !windowRect) return r;
        src.nSourceType = SENCODER_SOURCE_RECT;
        src.rcCapture = ClipToScreen(*windowRect, screen);
    } else if (settings.video.nRecordRegion == kRecordRegionFullScreen) {
        src.nSourceType = SENCODER_SOURCE_SCREEN;
        w = screen.cx;
        h = screen.cy;
    } else if (settings.video.nRecordRegion == kRecordRegionUserDefined) {
        src.nSourceType = SENCODER_SOURCE_RECT;
        src.rcCapture = ClipToScreen(windowRect ? *windowRect : captureRect, screen);
    } else {
        return r;
    }
    if (src.nSourceType == SENCODER_SOURCE_RECT) {
        w = src.rcCapture.right - src.rcCapture.left;
        h = src.rcCapture.bottom - src.rcCapture.top;
    }
    if (w < 1 || h < 1) return r;

    if (settings.audio.bRecordSystemVoice != 0) {
        src.bAudioOn = 1;
        src.nAudioDeviceId = settings.audio.nDeviceID;
        CopyField(src.szAudioDevice, settings.audio.szDeviceName);
    }
    r.param.nVideoWidth = w;
    r.param.nVideoHeight = h;
    GetQualityPreset(settings.video.nVideoQuality, r.param);
    r.sized = true;
    return r;
}

RECT FixRecordRect(const RECT& rect, int recordRegion, int recordObject, const RECT* cameraRect, SIZE screen) {
    if (rect.right == 0 || rect.bottom == 0 || recordRegion == kRecordRegionFullScreen)
        return RECT{0, 0, screen.cx, screen.cy};
    if ((recordObject & kRecordObjectCamera) && cameraRect)
        return RECT{cameraRect->left + 4, cameraRect->top + 4, cameraRect->right - 4, cameraRect->bottom};
    return rect;
}

RECT CameraRectInRegion(const RECT& region) {
    const int w = region.right - region.left;
    const int h = region.bottom - region.top;
    int cw = 160, ch = 120;
    if (w < 160 || h < 120) {
        cw = w / 2;
        ch = h / 2;
    }
    const int x = region.right - cw - 1;
    const int y = region.bottom - ch - 1;
    return RECT{x, y, x + cw, y + ch};
}

RECT CentredRect(SIZE screen, int width, int height) {
    const int w = std::min<int>(screen.cx, width);
    const int h = std::min<int>(screen.cy, height);
    const int left = (screen.cx - w) / 2;
    const int top = (screen.cy - h) / 2;
    return RECT{left, top, left + w, top + h};
}

POINT MainWindowPosition(const RECT& work, SIZE window) {
    return POINT{work.right - window.cx - work.left - 5, work.bottom - window.cy - work.top - 5};
}

std::wstring WithTrailingBackslash(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\') return folder;
    return folder + L'\\';
}

bool EnsureFolder(const std::wstring& folder) {
    if (folder.empty()) return false;
    for (size_t at = folder.find_first_of(L"\\/"); at != std::wstring::npos; at = folder.find_first_of(L"\\/", at + 1))
        if (at > 0) ::CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ReserveOutputFile(const std::wstring& folder, const std::wstring& stamp, bool* reserved) {
    const std::wstring base = WithTrailingBackslash(folder) + stamp;
    if (reserved) *reserved = false;
    constexpr int kTries = 1000;
    for (int i = 0; i < kTries; ++i) {
        const std::wstring path = base + (i == 0 ? std::wstring() : L"-" + std::to_wstring(i)) + L".wmv";
        vt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            if (reserved) *reserved = true;
            return path;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return base + L".wmv";
}

std::wstring FailureMessageKey(int code) {
    return vt::Format(L"%.4x", static_cast<unsigned>(code) & 0xFFFFu);
}

std::vector<wchar_t> FileDialogFilter(const std::wstring& text) {
    if (text.empty()) return {};
    std::vector<wchar_t> filter(text.begin(), text.end());
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    // Whatever the text ends with, the list ends with an empty entry.
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

int PlayerSliderPercent(double position, double duration) {
    if (!(duration > 0)) return 0;
    return static_cast<int>(position * 100 / duration);
}
