#include "config/SettingsLogic.h"

#include "config/Settings.h"
#include "toolkit/WebAddress.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

// Case-insensitive comparison of the first n characters, as the list boxes compare.
bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

} // namespace

SettingsPage PageForSelectTab(int selectTab) noexcept {
    switch (selectTab) {
    case 1: return SettingsPage::Audio;
    case 2: return SettingsPage::Common;
    case 3: return SettingsPage::Advanced;
    default: return SettingsPage::Video;
    }
}

int SelectTabForPage(SettingsPage page) noexcept { return static_cast<int>(page); }

const wchar_t* WebsiteKeyForLanguage(int languageId) noexcept {
    switch (languageId) {
    case 1028: return L"Website_tw";
    case 1041: return L"Website_jp";
    case 2052: return L"Website_cn";
    default: return L"Website_en";
    }
}

std::wstring VendorAddress(std::wstring_view iniValue) {
    if (vt::IsWebAddress(iniValue)) return std::wstring(iniValue);
    return kBuiltInVendorAddress;
}

std::wstring TrimFolderText(std::wstring_view text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::wstring(text.substr(first, last - first));
}

bool FolderTextHasInvalidChars(std::wstring_view text) noexcept {
    return text.find_first_of(L"?*<>\"/|") != std::wstring_view::npos;
}

RecordBoxes BoxesForRecordObject(int32_t recordObject, bool haveCameras) noexcept {
    RecordBoxes boxes;
    // Bit 4 (screen with camera) wins over bit 2 (camera only), which wins over bit 1.
    if (haveCameras && (recordObject & kRecordObjectScreenWithCamera)) {
        boxes.camera = boxes.cameraControls = true;
        boxes.recordObject = recordObject;
    } else if (haveCameras && (recordObject & kRecordObjectCamera)) {
        boxes.screen = false;
        boxes.camera = boxes.cameraControls = true;
        boxes.recordObject = recordObject;
    }
    // Otherwise screen only: asked for, or a camera choice without cameras, or a value
    // that names nothing known.
    return boxes;
}

int32_t RecordObjectFromBoxes(bool screen, bool camera, bool listEmpty) noexcept {
    if (camera && !listEmpty) return screen ? kRecordObjectScreenWithCamera : kRecordObjectCamera;
    return kRecordObjectScreen;
}

bool ScreenBoxAfterClick(bool screenNow, bool cameraTicked) noexcept { return screenNow || !cameraTicked; }

bool CameraBoxAfterClick(bool cameraNow, bool screenTicked) noexcept { return cameraNow || !screenTicked; }

int PickEntry(const std::vector<std::wstring>& names, std::wstring_view stored) {
    if (names.empty()) return -1;
    if (stored.empty()) return 0;
    for (size_t i = 0; i < names.size(); ++i)
        if (EqualNoCase(names[i], stored)) return static_cast<int>(i);
    for (size_t i = 0; i < names.size(); ++i)
        if (StartsWithNoCase(names[i], stored)) return static_cast<int>(i);
    return 0;
}

int QualitySelection(int stored, int count) noexcept { return stored >= 0 && stored < count ? stored : 1; }

int FormatSelection(int stored, int count) noexcept { return stored >= 0 && stored < count ? stored : 0; }

int DeviceSelection(const std::vector<std::wstring>& names, std::wstring_view storedName, int storedIndex) {
    if (names.empty()) return -1;
    if (const int byName = LineByName(names, storedName); byName >= 0) return byName;
    return storedIndex >= 0 && storedIndex < static_cast<int>(names.size()) ? storedIndex : 0;
}

int LineByName(const std::vector<std::wstring>& names, std::wstring_view storedName) {
    if (storedName.empty()) return -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (EqualNoCase(names[i], storedName)) return static_cast<int>(i);
    for (size_t i = 0; i < names.size(); ++i)
        if (StartsWithNoCase(names[i], storedName)) return static_cast<int>(i);
    return -1;
}

int LineToSelect(const std::vector<bool>& selectedFlags) noexcept {
    int line = 0;
    for (size_t i = 0; i < selectedFlags.size(); ++i)
        if (selectedFlags[i]) line = static_cast<int>(i);
    return line;
}

int ClampVolume(int volume) noexcept { return std::clamp(volume, 0, 100); }

std::wstring CutName(std::wstring_view name, size_t maxChars) {
    if (name.size() <= maxChars) return std::wstring(name);
    size_t n = maxChars;
    if (n > 0 && IsHighSurrogate(name[n - 1])) --n;
    return std::wstring(name.substr(0, n));
}

bool ShadowBoxAvailable(unsigned nativeArchitecture) noexcept {
    return nativeArchitecture != PROCESSOR_ARCHITECTURE_AMD64 && nativeArchitecture != PROCESSOR_ARCHITECTURE_IA64 &&
           nativeArchitecture != PROCESSOR_ARCHITECTURE_ARM64;
}

int SizeSelection(const std::vector<std::wstring>& entries, int width, int height, int screenWidth,
                  int screenHeight) {
    if (entries.empty()) return -1;
    const std::wstring text = std::to_wstring(width) + L"x" + std::to_wstring(height);
    for (size_t i = 0; i < entries.size(); ++i)
        if (StartsWithNoCase(entries[i], text)) return static_cast<int>(i);
    if (width == screenWidth && height == screenHeight) return static_cast<int>(entries.size()) - 1;
    return -1;
}

SIZE SizeFromSelection(std::wstring_view text, bool isLast, bool listEmpty, SIZE screen) {
    constexpr SIZE fallback{800, 600};
    if (listEmpty) return fallback;
    if (isLast) return screen.cx >= 1 && screen.cy >= 1 ? screen : fallback;
    const std::wstring copy(text);
    int width = 0, height = 0;
    if (!ParseSizeText(copy.c_str(), width, height) || width < 1 || height < 1) return fallback;
    return SIZE{width, height};
}

bool IsHotkey(int vk) noexcept { return vk >= kHotkeyFirst && vk <= kHotkeyLast; }

std::wstring HotkeyText(int vk) {
    if (!IsHotkey(vk)) return {};
    return L"F" + std::to_wstring(vk - (kHotkeyFirst - 1));
}

bool NormaliseHotkeys(int32_t& start, int32_t& pause, int32_t& stop) noexcept {
    int32_t* keys[3] = {&start, &pause, &stop};
    bool changed = false;
    for (int i = 0; i < 3; ++i) {
        if (!IsHotkey(*keys[i])) {
            *keys[i] = kHotkeyDefaults[i];
            changed = true;
        }
    }
    auto usedBefore = [&](int upTo, int32_t key) {
        for (int j = 0; j < upTo; ++j)
            if (*keys[j] == key) return true;
        return false;
    };
    auto usedElsewhere = [&](int self, int32_t key) {
        for (int j = 0; j < 3; ++j)
            if (j != self && *keys[j] == key) return true;
        return false;
    };
    for (int i = 1; i < 3; ++i) {
        if (!usedBefore(i, *keys[i])) continue;
        int32_t key = kHotkeyDefaults[i];
        if (usedElsewhere(i, key)) {
            for (key = kHotkeyFirst; key <= kHotkeyLast && usedElsewhere(i, key); ++key) {
            }
        }
        *keys[i] = key;
        changed = true;
    }
    return changed;
}

void CommitTitle(AdvancedSettings& advanced, bool titleTicked, const TitleSettings* pending,
                 std::wstring_view editText) {
    if (titleTicked) {
        advanced.bNoteTitle = 1;
        if (pending) {
            advanced.title = *pending;
        } else {
            TitleSettings& t = advanced.title;
            t.lfFont = LOGFONTW{};
            constexpr wchar_t face[] = L"Times New Roman";
            std::memcpy(t.lfFont.lfFaceName, face, sizeof(face));
            t.lfFont.lfHeight = 25;
            t.nType = 1;
            t.nPosX = 50;
            t.nPosY = 0;
            t.clrNormal = 0;
            t.clrShadow = 0x606060;
        }
    } else {
        advanced.bNoteTitle = 0;
    }
    const std::wstring text = CutName(editText, kSettingsTextChars - 1);
    std::memset(advanced.title.szTitle, 0, sizeof(advanced.title.szTitle));
    std::memcpy(advanced.title.szTitle, text.data(), text.size() * sizeof(wchar_t));
}
