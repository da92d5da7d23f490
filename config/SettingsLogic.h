// The rules of the settings window and its pages, kept free of windows so that they can
// be tested as tables.
#pragma once

#include "config/RecorderSettings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// --- Settings window --------------------------------------------------------------

enum class SettingsPage { Video = 0, Audio = 1, Common = 2, Advanced = 3 };

// The page a stored SelectTab names: 1 Audio, 2 Common, 3 Advanced, anything else Video.
SettingsPage PageForSelectTab(int selectTab) noexcept;
int SelectTabForPage(SettingsPage page) noexcept;

// The vendor's home page when update.ini names none (or none we may open).
inline constexpr wchar_t kBuiltInVendorAddress[] = L"https://www.tarnvideo.com/";
inline constexpr wchar_t kVendorLinkText[] = L"www.tarnvideo.com";

// Key of update.ini's [Program] section that holds the vendor page of a language.
const wchar_t* WebsiteKeyForLanguage(int languageId) noexcept;

// The value from update.ini when it is a web address (vt::IsWebAddress: update.ini comes
// over plain HTTP and the program runs elevated), else the built-in page.
std::wstring VendorAddress(std::wstring_view iniValue);

// --- Video page -------------------------------------------------------------------

// Blanks (space, tab, line breaks) stripped at both ends.
std::wstring TrimFolderText(std::wstring_view text);
// ? * < > " / | are refused; a colon is allowed, so drive letters pass.
bool FolderTextHasInvalidChars(std::wstring_view text) noexcept;

// How the record-object boxes start once the cameras are known.
struct RecordBoxes {
    bool screen = true;
    bool camera = false;
    // The camera list and the preview button are offered.
    bool cameraControls = false;
    // The record's value as it now stands (an impossible one becomes screen only).
    int32_t recordObject = kRecordObjectScreen;
};
RecordBoxes BoxesForRecordObject(int32_t recordObject, bool haveCameras) noexcept;
// What the boxes store: 1 screen, 4 both, 2 camera; without cameras (or with neither
// box ticked) screen only.
int32_t RecordObjectFromBoxes(bool screen, bool camera, bool listEmpty) noexcept;
// A box the user just clicked: the state it keeps (at least one box stays ticked).
bool ScreenBoxAfterClick(bool screenNow, bool cameraTicked) noexcept;
bool CameraBoxAfterClick(bool cameraNow, bool screenTicked) noexcept;

// Entry of a list for a stored name: the first equal one (ignoring case), else the
// first that begins with it (names may have been cut short when stored), else 0; -1
// for an empty list.
int PickEntry(const std::vector<std::wstring>& names, std::wstring_view stored);

// Quality index shown for a stored one: itself when it is an entry, else 1 (High).
int QualitySelection(int stored, int count) noexcept;
// Format index shown: itself when it is an entry, else 0.
int FormatSelection(int stored, int count) noexcept;

// --- Audio page -------------------------------------------------------------------

// The device for a stored name and index: the name matched exactly, then by prefix;
// no match keeps the stored index when it is an entry, else the first; -1 when empty.
int DeviceSelection(const std::vector<std::wstring>& names, std::wstring_view storedName, int storedIndex);
// The line for a stored name: exact, then prefix; -1 when the name matches none.
int LineByName(const std::vector<std::wstring>& names, std::wstring_view storedName);
// The line a device uses: the last one flagged as selected, else the first.
int LineToSelect(const std::vector<bool>& selectedFlags) noexcept;
// A volume bounded to 0..100.
int ClampVolume(int volume) noexcept;
// A name cut to at most maxChars characters without splitting a surrogate pair.
std::wstring CutName(std::wstring_view name, size_t maxChars);

// --- Common page ------------------------------------------------------------------

// The shadow box is offered on 32-bit systems only (the shadow is not drawn on 64-bit).
bool ShadowBoxAvailable(unsigned nativeArchitecture) noexcept;

// The size-list entry for a stored size: the first beginning with "WxH", else the last
// entry when the size is the screen's, else -1 (unmatched).
int SizeSelection(const std::vector<std::wstring>& entries, int width, int height, int screenWidth,
                  int screenHeight);
// The size an entry stands for: the screen for the last entry, else the entry's
// "WxH"; anything unreadable or without area is 800 by 600, as an empty list is.
SIZE SizeFromSelection(std::wstring_view text, bool isLast, bool listEmpty, SIZE screen);

// --- Advanced page ----------------------------------------------------------------

constexpr int kHotkeyDefaults[3] = {VK_F1, VK_F2, VK_F3};

bool IsHotkey(int vk) noexcept;
// "F1" .. "F12"; empty for anything else.
std::wstring HotkeyText(int vk);
// Start, pause and stop as stored keys may hold them: a key outside F1..F12 takes its
// default; a key equal to an earlier one takes its default when that is free, else the
// lowest free function key. True when anything changed.
bool NormaliseHotkeys(int32_t& start, int32_t& pause, int32_t& stop) noexcept;

// The title part of the advanced page's commit: with the title box ticked the pending
// copy (or, without one, the fixed title style) becomes the record's title block; the
// edit's text is the title text either way.
void CommitTitle(AdvancedSettings& advanced, bool titleTicked, const TitleSettings* pending,
                 std::wstring_view editText);
