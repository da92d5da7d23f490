#include "config/Settings.h"

#include "config/Language.h"

#include "toolkit/Paths.h"
#include "toolkit/Raii.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <utility>

namespace {

std::wstring g_folderOverride;

// What a text read yields for a key that is absent.
constexpr wchar_t kAbsent[] = L"???";

constexpr int kFallbackRecordWidth = 800;
constexpr int kFallbackRecordHeight = 600;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Copies at most N - 1 characters and always terminates; a surrogate pair that would
// be cut in two is left out whole.
template <size_t N>
void CopyText(wchar_t (&dst)[N], const wchar_t* src) {
    size_t n = 0;
    while (n + 1 < N && src[n] != 0) ++n;
    if (n > 0 && src[n] != 0 && IsHighSurrogate(src[n - 1])) --n;
    std::memcpy(dst, src, n * sizeof(wchar_t));
    dst[n] = 0;
}

bool Present(const wchar_t* text) { return std::wcscmp(text, kAbsent) != 0; }

using TextBuffer = wchar_t[kSettingsTextChars];

// Every read first makes sure the file is still there; a read from a missing file
// yields its fallback without asking the profile functions.
class SettingsReader {
public:
    explicit SettingsReader(std::wstring path) : m_path(std::move(path)) {}

    bool FileExists() const {
        return !m_path.empty() && ::GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    int Int(const wchar_t* section, const wchar_t* key, int fallback) const {
        if (!FileExists()) return fallback;
        return static_cast<int>(::GetPrivateProfileIntW(section, key, fallback, m_path.c_str()));
    }

    // The key's text, or "???" when it is absent.
    void Text(const wchar_t* section, const wchar_t* key, TextBuffer& out) const {
        CopyText(out, kAbsent);
        if (!FileExists()) return;
        const DWORD n = ::GetPrivateProfileStringW(section, key, kAbsent, out, kSettingsTextChars,
                                                   m_path.c_str());
        // The profile function cuts long values without regard to surrogate pairs.
        if (n == kSettingsTextChars - 1 && IsHighSurrogate(out[n - 1]))
            out[n - 1] = 0;
        out[kSettingsTextChars - 1] = 0;
    }

    // Text converted as StrToIntW converts: leading digits, else 0; an absent key gives 0.
    int Number(const wchar_t* section, const wchar_t* key) const {
        TextBuffer text;
        Text(section, key, text);
        return ::StrToIntW(text);
    }

    // Integer read; the field keeps its value when the key is absent or the value lies
    // outside lo..hi.
    void IntInRange(const wchar_t* section, const wchar_t* key, int32_t& field, int lo, int hi) const {
        const int v = Int(section, key, field);
        if (v >= lo && v <= hi) field = v;
    }

    // Text converted to a number; an absent key leaves the field alone.
    void NumberIfPresent(const wchar_t* section, const wchar_t* key, int32_t& field) const {
        TextBuffer text;
        Text(section, key, text);
        if (Present(text)) field = ::StrToIntW(text);
    }

    // Text copied into the field; an absent key leaves the field alone.
    template <size_t N>
    void TextIfPresent(const wchar_t* section, const wchar_t* key, wchar_t (&field)[N]) const {
        TextBuffer text;
        Text(section, key, text);
        if (Present(text)) CopyText(field, text);
    }

    // Text copied into the field; an absent key gives "???".
    template <size_t N>
    void TextAlways(const wchar_t* section, const wchar_t* key, wchar_t (&field)[N]) const {
        TextBuffer text;
        Text(section, key, text);
        CopyText(field, text);
    }

private:
    std::wstring m_path;
};

class SettingsWriter {
public:
    explicit SettingsWriter(std::wstring path) : m_path(std::move(path)) {}

    void Number(const wchar_t* section, const wchar_t* key, int value) const {
        Write(section, key, std::to_wstring(value));
    }

    // Reads no further than the field, whether or not it is terminated. A line break
    // would end the value and start a line of its own in the file, so it is written
    // as a space.
    template <size_t N>
    void Text(const wchar_t* section, const wchar_t* key, const wchar_t (&field)[N]) const {
        std::wstring value(field, std::find(field, field + N, L'\0'));
        for (wchar_t& c : value)
            if (c == L'\r' || c == L'\n') c = L' ';
        Write(section, key, value);
    }

    void Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) const {
        ::WritePrivateProfileStringW(section, key, value.c_str(), m_path.c_str());
    }

private:
    std::wstring m_path;
};

// A new or empty file gets the UTF-16LE byte-order mark first: the profile functions
// then write the whole file as UTF-16.
void EnsureUnicodeFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || data.nFileSizeHigh != 0 ||
         data.nFileSizeLow != 0))
        return;
    vt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart != 0) return;
    static const BYTE bom[2] = {0xFF, 0xFE};
    DWORD written = 0;
    ::WriteFile(file.Get(), bom, sizeof(bom), &written, nullptr);
}

LOGFONTW WindowFont(HWND window) {
    LOGFONTW lf{};
    HFONT font = window ? reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)) : nullptr;
    if (!font || ::GetObjectW(font, sizeof(lf), &lf) <= 0) {
        lf = LOGFONTW{};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    }
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return lf;
}

void DefaultOutputFolder(wchar_t (&folder)[kSettingsTextChars]) {
    static_assert(kSettingsTextChars >= MAX_PATH, "SHGetSpecialFolderPathW writes MAX_PATH characters");
    folder[0] = 0;
    if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_MYVIDEO, FALSE)) {
        folder[0] = 0;
        if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_DESKTOP, FALSE)) folder[0] = 0;
    }
    folder[kSettingsTextChars - 1] = 0;
}

// The most negative height has no absolute value in an int: it becomes the largest one.
int AbsoluteHeight(LONG height) {
    if (height == LONG_MIN) return INT_MAX;
    return height < 0 ? -height : height;
}

RECT CenteredOnScreen(int width, int height) {
    vt::WindowDc screen(nullptr);
    const int sw = ::GetDeviceCaps(screen.Get(), HORZRES);
    const int sh = ::GetDeviceCaps(screen.Get(), VERTRES);
    // width and height are at least 1 and the screen size is not negative, so none of
    // these can overflow.
    RECT rc;
    rc.left = (sw - width) / 2;
    rc.top = (sh - height) / 2;
    rc.right = rc.left + width;
    rc.bottom = rc.top + height;
    return rc;
}

} // namespace

std::wstring SettingsFolder() {
    return g_folderOverride.empty() ? vt::ProgramFolder() : g_folderOverride;
}

void SetSettingsFolderOverride(const std::wstring& folder) {
    g_folderOverride = folder;
    if (!g_folderOverride.empty() && g_folderOverride.back() != L'\\') g_folderOverride += L'\\';
}

std::wstring SettingsFilePath() {
    // Without a folder the profile functions would look in the Windows folder instead.
    const std::wstring folder = SettingsFolder();
    return folder.empty() ? std::wstring() : folder + L"Settings.ini";
}

int LanguageInForce(const RecorderSettings& settings) {
    // Until the main window has chosen a language, the stored wish is all there is.
    return IsLanguageSelected() ? CurrentLanguageId() : settings.nLanguage;
}

bool ParseSizeText(const wchar_t* text, int& width, int& height) {
    if (!text || !*text) return false;
    const wchar_t* sep = std::wcschr(text, L'x');
    if (!sep) sep = std::wcschr(text, L'X');
    if (!sep) return false;
    // The conversion stops at the separator, which is not a digit.
    width = ::StrToIntW(text);
    height = ::StrToIntW(sep + 1);
    return true;
}

void ResetSettingsToDefaults(RecorderSettings& s, const ISettingsHost* host) {
    s = RecorderSettings{};

    s.nSelectTab = 0;
    s.nLanguage = static_cast<int32_t>(::GetThreadLocale());

    s.video.nRecordRegion = kRecordRegionUserDefined;
    s.video.nRecordObject = kRecordObjectScreen;
    s.video.nVideoQuality = 0;
    s.video.nVideoFormat = 1;
    s.video.nCameraIndex = -1;
    DefaultOutputFolder(s.video.szOutDir);

    s.audio.bRecordSystemVoice = 1;
    s.audio.nDeviceID = 0;
    s.audio.nVolume = 100;

    s.common.bUseDefaultRecordSize = 0;
    s.common.bMinWindow = 1;
    s.common.bOpenFileAfterRecord = 0;
    s.common.bShowShadow = 1;
    s.common.bAutoUpdate = 1;
    s.common.bCloseToTray = 0;
    s.common.nDefaultRecordWidth = kFallbackRecordWidth;
    s.common.nDefaultRecordHeight = kFallbackRecordHeight;

    AdvancedSettings& a = s.advanced;
    a.nHotkeyStart = VK_F1;
    a.nHotkeyPause = VK_F2;
    a.nHotkeyStop = VK_F3;
    a.bNoteTime = 0;
    a.bNoteWatermark = 0;
    CopyText(a.title.szTitle, L"Tarn Video Recorder");
    a.title.nType = 1;
    a.title.lfFont = WindowFont(host ? host->SettingsWindow() : nullptr);
    a.title.clrNormal = RGB(0, 0, 0);
    a.title.clrShadow = RGB(0x60, 0x60, 0x60);
    a.title.nPosX = 50;
    a.title.nPosY = 0;
    a.bNoteTitle = 0;
    a.watermark.nTransparency = 0;
    a.watermark.nZoom = 100;
    a.watermark.nPosX = 100;
    a.watermark.nPosY = 0;
}

void LoadSettings(RecorderSettings& s, ISettingsHost* host) {
    ResetSettingsToDefaults(s, host);
    const SettingsReader in(SettingsFilePath());
    if (!in.FileExists()) {
        // The menu follows the record even when there is nothing to read.
        if (host) host->SetRegionTypeChecks(s.video.nRecordRegion == kRecordRegionUserDefined);
        return;
    }
    TextBuffer text;

    // Range-tested integers take both ends of their range; an absent key keeps the
    // default instead of turning into 0.
    in.IntInRange(L"Main", L"SelectTab", s.nSelectTab, 0, 3);
    s.nLanguage = in.Number(L"Main", L"Language");
    if (s.nLanguage == 0) s.nLanguage = static_cast<int32_t>(::GetThreadLocale());

    VideoSettings& v = s.video;
    in.IntInRange(L"Video", L"RecordObject", v.nRecordObject, 1, INT_MAX);
    in.IntInRange(L"Video", L"RecordRegion", v.nRecordRegion, 0, 1);
    bool userDefinedMarked = v.nRecordRegion == kRecordRegionUserDefined;
    if (host) host->SetRegionTypeChecks(userDefinedMarked);
    in.IntInRange(L"Video", L"VideoQuality", v.nVideoQuality, 0, 4);
    in.IntInRange(L"Video", L"VideoFormat", v.nVideoFormat, 0, 3);
    in.NumberIfPresent(L"Video", L"CameraIndex", v.nCameraIndex);
    in.TextIfPresent(L"Video", L"CameraName", v.szCameraName);
    in.TextIfPresent(L"Video", L"OutDir", v.szOutDir);

    AudioSettings& au = s.audio;
    in.NumberIfPresent(L"Audio", L"RecordSystemVoice", au.bRecordSystemVoice);
    in.NumberIfPresent(L"Audio", L"DeviceID", au.nDeviceID);
    in.IntInRange(L"Audio", L"Volume", au.nVolume, 0, 100);
    in.TextIfPresent(L"Audio", L"DeviceName", au.szDeviceName);
    in.TextIfPresent(L"Audio", L"LineName", au.szLineName);

    CommonSettings& c = s.common;
    in.NumberIfPresent(L"Common", L"UseDefaultRecordSize", c.bUseDefaultRecordSize);
    in.Text(L"Common", L"DefaultRecordSize", text);
    if (Present(text) && !ParseSizeText(text, c.nDefaultRecordWidth, c.nDefaultRecordHeight)) {
        c.nDefaultRecordWidth = kFallbackRecordWidth;
        c.nDefaultRecordHeight = kFallbackRecordHeight;
    }
    if (c.nDefaultRecordWidth < 1 || c.nDefaultRecordHeight < 1) {
        c.nDefaultRecordWidth = kFallbackRecordWidth;
        c.nDefaultRecordHeight = kFallbackRecordHeight;
    }
    if (c.bUseDefaultRecordSize != 0) {
        v.nRecordRegion = kRecordRegionUserDefined;
        if (host) {
            host->SetCaptureRect(CenteredOnScreen(c.nDefaultRecordWidth, c.nDefaultRecordHeight));
            // The marks set above may name the full screen; keep the menu with the record.
            if (!userDefinedMarked) host->SetRegionTypeChecks(true);
        }
        userDefinedMarked = true;
    }
    in.NumberIfPresent(L"Common", L"OpenFileAfterRecord", c.bOpenFileAfterRecord);
    in.NumberIfPresent(L"Common", L"MinWindow", c.bMinWindow);
    in.NumberIfPresent(L"Common", L"CloseToTray", c.bCloseToTray);
    in.NumberIfPresent(L"Common", L"ShowShadow", c.bShowShadow);
    in.NumberIfPresent(L"Common", L"AutoUpdate", c.bAutoUpdate);

    AdvancedSettings& a = s.advanced;
    in.IntInRange(L"Advanced", L"Hotkey_Start", a.nHotkeyStart, kHotkeyFirst, kHotkeyLast);
    in.IntInRange(L"Advanced", L"Hotkey_Pause", a.nHotkeyPause, kHotkeyFirst, kHotkeyLast);
    in.IntInRange(L"Advanced", L"Hotkey_Stop", a.nHotkeyStop, kHotkeyFirst, kHotkeyLast);
    a.bNoteTime = in.Int(L"Advanced", L"NoteTime", 0);
    a.bNoteWatermark = in.Int(L"Advanced", L"NoteWatermark", 0);
    a.bNoteTitle = in.Int(L"Advanced", L"NoteTitle", 0);

    // The numbers of both blocks have no absent test: a missing key gives 0.
    WatermarkSettings& w = a.watermark;
    in.TextIfPresent(L"VideoWatermask", L"Path", w.szPath);
    w.nTransparency = in.Number(L"VideoWatermask", L"Transparency");
    w.nPosX = in.Number(L"VideoWatermask", L"PosX");
    w.nPosY = in.Number(L"VideoWatermask", L"PosY");
    w.nZoom = in.Number(L"VideoWatermask", L"Zoom");

    TitleSettings& t = a.title;
    in.TextAlways(L"VideoTitle", L"Title", t.szTitle);
    t.nType = in.Number(L"VideoTitle", L"Type");
    t.clrNormal = static_cast<COLORREF>(in.Number(L"VideoTitle", L"ClrNormal"));
    t.clrShadow = static_cast<COLORREF>(in.Number(L"VideoTitle", L"ClrShadow"));
    t.nPosX = in.Number(L"VideoTitle", L"PosX");
    t.nPosY = in.Number(L"VideoTitle", L"PosY");
    in.TextAlways(L"VideoTitle", L"FontName", t.lfFont.lfFaceName);
    t.lfFont.lfHeight = in.Number(L"VideoTitle", L"FontSize");
}

void SaveSettings(const RecorderSettings& s) {
    const std::wstring path = SettingsFilePath();
    if (path.empty()) return;
    // Windows refuses to write a read-only file whoever asks; say so here as well, so that
    // the file stays as it is under every account.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return;
    EnsureUnicodeFile(path);
    const SettingsWriter out(path);

    out.Number(L"Main", L"SelectTab", s.nSelectTab);
    out.Number(L"Main", L"Language", LanguageInForce(s));

    const VideoSettings& v = s.video;
    out.Number(L"Video", L"RecordObject", v.nRecordObject);
    out.Number(L"Video", L"RecordRegion", v.nRecordRegion);
    out.Number(L"Video", L"VideoQuality", v.nVideoQuality);
    out.Number(L"Video", L"VideoFormat", v.nVideoFormat);
    out.Number(L"Video", L"CameraIndex", v.nCameraIndex);
    out.Text(L"Video", L"CameraName", v.szCameraName);
    out.Text(L"Video", L"OutDir", v.szOutDir);

    const AudioSettings& au = s.audio;
    out.Number(L"Audio", L"RecordSystemVoice", au.bRecordSystemVoice);
    out.Number(L"Audio", L"DeviceID", au.nDeviceID);
    out.Number(L"Audio", L"Volume", au.nVolume);
    out.Text(L"Audio", L"DeviceName", au.szDeviceName);
    out.Text(L"Audio", L"LineName", au.szLineName);

    const CommonSettings& c = s.common;
    out.Number(L"Common", L"UseDefaultRecordSize", c.bUseDefaultRecordSize);
    out.Write(L"Common", L"DefaultRecordSize",
              std::to_wstring(c.nDefaultRecordWidth) + L"x" + std::to_wstring(c.nDefaultRecordHeight));
    out.Number(L"Common", L"MinWindow", c.bMinWindow);
    out.Number(L"Common", L"OpenFileAfterRecord", c.bOpenFileAfterRecord);
    out.Number(L"Common", L"CloseToTray", c.bCloseToTray);
    out.Number(L"Common", L"ShowShadow", c.bShowShadow);
    out.Number(L"Common", L"AutoUpdate", c.bAutoUpdate);

    const AdvancedSettings& a = s.advanced;
    out.Number(L"Advanced", L"Hotkey_Start", a.nHotkeyStart);
    out.Number(L"Advanced", L"Hotkey_Pause", a.nHotkeyPause);
    out.Number(L"Advanced", L"Hotkey_Stop", a.nHotkeyStop);
    out.Number(L"Advanced", L"NoteTime", a.bNoteTime);
    out.Number(L"Advanced", L"NoteWatermark", a.bNoteWatermark);

    const WatermarkSettings& w = a.watermark;
    out.Text(L"VideoWatermask", L"Path", w.szPath);
    out.Number(L"VideoWatermask", L"Transparency", w.nTransparency);
    out.Number(L"VideoWatermask", L"PosX", w.nPosX);
    out.Number(L"VideoWatermask", L"PosY", w.nPosY);
    out.Number(L"VideoWatermask", L"Zoom", w.nZoom);

    out.Number(L"Advanced", L"NoteTitle", a.bNoteTitle);

    const TitleSettings& t = a.title;
    out.Text(L"VideoTitle", L"Title", t.szTitle);
    out.Number(L"VideoTitle", L"Type", t.nType);
    out.Number(L"VideoTitle", L"ClrNormal", static_cast<int>(t.clrNormal));
    out.Number(L"VideoTitle", L"ClrShadow", static_cast<int>(t.clrShadow));
    out.Number(L"VideoTitle", L"PosX", t.nPosX);
    out.Number(L"VideoTitle", L"PosY", t.nPosY);
    out.Text(L"VideoTitle", L"FontName", t.lfFont.lfFaceName);
    out.Number(L"VideoTitle", L"FontSize", AbsoluteHeight(t.lfFont.lfHeight));
}
