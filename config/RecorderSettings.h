// The one settings record of the program, as it lies in memory.
//
// The settings pages receive pointers to the groups below and the title and
// watermark blocks are copied whole, so the order and widths of the fields are
// part of the interface: the static_asserts at the end hold them in place.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// Widths of the text fields, terminating zero included.
constexpr int kSettingsTextChars = 260;
constexpr int kSettingsShortTextChars = 32;  // audio device and line names

// RecordRegion
constexpr int32_t kRecordRegionFullScreen = 0;
constexpr int32_t kRecordRegionUserDefined = 1;

// RecordObject, tested as bits
constexpr int32_t kRecordObjectScreen = 1;
constexpr int32_t kRecordObjectCamera = 2;
constexpr int32_t kRecordObjectScreenWithCamera = 4;

// Hot keys are function keys only: F1 .. F12.
constexpr int32_t kHotkeyFirst = VK_F1;
constexpr int32_t kHotkeyLast = VK_F12;

// Block of the title overlay (Settings.ini section VideoTitle).
struct TitleSettings {
    wchar_t szTitle[kSettingsTextChars];
    int32_t nType;           // 0 plain text, non-zero text with a shadow
    LOGFONTW lfFont;         // only the face name and the height are stored
    COLORREF clrNormal;
    COLORREF clrShadow;
    int32_t nPosX;           // per cent of the recorded width
    int32_t nPosY;           // per cent of the recorded height
};

// Block of the picture watermark (Settings.ini section VideoWatermask).
struct WatermarkSettings {
    wchar_t szPath[kSettingsTextChars];
    int32_t nTransparency;   // per cent: 0 opaque, 100 invisible
    int32_t nZoom;           // per cent of the picture's size
    int32_t nPosX;
    int32_t nPosY;
};

// What the video page edits: record region .. output folder.
struct VideoSettings {
    int32_t nRecordRegion;   // kRecordRegion*
    int32_t nRecordObject;   // kRecordObject* bits
    int32_t nVideoQuality;   // preset index 0 HD .. 4 Lower
    int32_t nVideoFormat;    // index into the format list
    int32_t nCameraIndex;    // -1 none
    wchar_t szCameraName[kSettingsTextChars];
    wchar_t szOutDir[kSettingsTextChars];
};

// What the audio page edits: record system voice .. input line name.
struct AudioSettings {
    int32_t bRecordSystemVoice;
    int32_t nDeviceID;
    int32_t nVolume;         // per cent
    wchar_t szDeviceName[kSettingsShortTextChars];
    wchar_t szLineName[kSettingsShortTextChars];
};

// What the common page edits: use default record size .. default record height.
struct CommonSettings {
    int32_t bUseDefaultRecordSize;
    int32_t bMinWindow;
    int32_t bOpenFileAfterRecord;
    int32_t bShowShadow;
    int32_t bAutoUpdate;
    int32_t bCloseToTray;
    int32_t nDefaultRecordWidth;
    int32_t nDefaultRecordHeight;
};

// What the advanced page edits: start hot key .. the end of the record.
struct AdvancedSettings {
    int32_t nHotkeyStart;    // virtual-key codes
    int32_t nHotkeyPause;
    int32_t nHotkeyStop;
    int32_t bNoteTime;
    int32_t bNoteWatermark;
    TitleSettings title;
    int32_t bNoteTitle;
    WatermarkSettings watermark;
};

struct RecorderSettings {
    int32_t nSelectTab;      // settings page shown first: 0 Video .. 3 Advanced
    int32_t nLanguage;       // language identifier, e.g. 1033
    VideoSettings video;
    AudioSettings audio;
    CommonSettings common;
    AdvancedSettings advanced;
};

// --- Layout -----------------------------------------------------------------
// Offsets are taken in two steps (group, then field) so that only plain
// offsetof is needed.

static_assert(sizeof(wchar_t) == 2 && sizeof(LOGFONTW) == 92 && sizeof(COLORREF) == 4);
static_assert(std::is_standard_layout_v<RecorderSettings> &&
              std::is_trivially_copyable_v<RecorderSettings>);

// TitleSettings: text .. y, no gaps.
static_assert(offsetof(TitleSettings, szTitle) == 0);
static_assert(offsetof(TitleSettings, nType) == 520);
static_assert(offsetof(TitleSettings, lfFont) == 524);
static_assert(offsetof(TitleSettings, clrNormal) == 616);
static_assert(offsetof(TitleSettings, clrShadow) == 620);
static_assert(offsetof(TitleSettings, nPosX) == 624);
static_assert(offsetof(TitleSettings, nPosY) == 628);
static_assert(sizeof(TitleSettings) == 632);

// WatermarkSettings: path, transparency, zoom, x, y.
static_assert(offsetof(WatermarkSettings, szPath) == 0);
static_assert(offsetof(WatermarkSettings, nTransparency) == 520);
static_assert(offsetof(WatermarkSettings, nZoom) == 524);
static_assert(offsetof(WatermarkSettings, nPosX) == 528);
static_assert(offsetof(WatermarkSettings, nPosY) == 532);
static_assert(sizeof(WatermarkSettings) == 536);

static_assert(offsetof(VideoSettings, nRecordRegion) == 0);
static_assert(offsetof(VideoSettings, nRecordObject) == 4);
static_assert(offsetof(VideoSettings, nVideoQuality) == 8);
static_assert(offsetof(VideoSettings, nVideoFormat) == 12);
static_assert(offsetof(VideoSettings, nCameraIndex) == 16);
static_assert(offsetof(VideoSettings, szCameraName) == 20);
static_assert(offsetof(VideoSettings, szOutDir) == 540);
static_assert(sizeof(VideoSettings) == 1060);

static_assert(offsetof(AudioSettings, bRecordSystemVoice) == 0);
static_assert(offsetof(AudioSettings, nDeviceID) == 4);
static_assert(offsetof(AudioSettings, nVolume) == 8);
static_assert(offsetof(AudioSettings, szDeviceName) == 12);
static_assert(offsetof(AudioSettings, szLineName) == 76);
static_assert(sizeof(AudioSettings) == 140);

static_assert(offsetof(CommonSettings, bUseDefaultRecordSize) == 0);
static_assert(offsetof(CommonSettings, bMinWindow) == 4);
static_assert(offsetof(CommonSettings, bOpenFileAfterRecord) == 8);
static_assert(offsetof(CommonSettings, bShowShadow) == 12);
static_assert(offsetof(CommonSettings, bAutoUpdate) == 16);
static_assert(offsetof(CommonSettings, bCloseToTray) == 20);
static_assert(offsetof(CommonSettings, nDefaultRecordWidth) == 24);
static_assert(offsetof(CommonSettings, nDefaultRecordHeight) == 28);
static_assert(sizeof(CommonSettings) == 32);

static_assert(offsetof(AdvancedSettings, nHotkeyStart) == 0);
static_assert(offsetof(AdvancedSettings, nHotkeyPause) == 4);
static_assert(offsetof(AdvancedSettings, nHotkeyStop) == 8);
static_assert(offsetof(AdvancedSettings, bNoteTime) == 12);
static_assert(offsetof(AdvancedSettings, bNoteWatermark) == 16);
static_assert(offsetof(AdvancedSettings, title) == 20);
static_assert(offsetof(AdvancedSettings, bNoteTitle) == 20 + sizeof(TitleSettings));
static_assert(offsetof(AdvancedSettings, watermark) == 24 + sizeof(TitleSettings));
static_assert(sizeof(AdvancedSettings) == 24 + sizeof(TitleSettings) + sizeof(WatermarkSettings));

// The groups follow one another without gaps; the advanced one runs to the end.
static_assert(offsetof(RecorderSettings, nSelectTab) == 0);
static_assert(offsetof(RecorderSettings, nLanguage) == 4);
static_assert(offsetof(RecorderSettings, video) == 8);
static_assert(offsetof(RecorderSettings, audio) == offsetof(RecorderSettings, video) + sizeof(VideoSettings));
static_assert(offsetof(RecorderSettings, common) == offsetof(RecorderSettings, audio) + sizeof(AudioSettings));
static_assert(offsetof(RecorderSettings, advanced) == offsetof(RecorderSettings, common) + sizeof(CommonSettings));
static_assert(sizeof(RecorderSettings) == offsetof(RecorderSettings, advanced) + sizeof(AdvancedSettings));
static_assert(sizeof(RecorderSettings) == 2432);
