// Sizes, places and colours of the recording overlays (title, watermark, date and
// time) and of the two settings previews: arithmetic only, no windows.
#pragma once

#include "config/RecorderSettings.h"

#include <windows.h>
#include <cstdint>
#include <optional>
#include <string>

enum OverlayKind : int32_t {
    kOverlayNone = 0,
    kOverlayTitle = 1,
    kOverlayWatermark = 2,
    kOverlayTime = 3,
};

struct OverlaySize {
    int cx = 0;
    int cy = 0;
    bool operator==(const OverlaySize&) const = default;
};

// An overlay without content.
constexpr OverlaySize kEmptyOverlaySize{150, 50};

// Title font height used when the stored height is 0 (the page's default).
constexpr int kDefaultTitlePixels = 25;
// Larger titles cannot fit any screen; they are left out without measuring.
constexpr int64_t kMaxTitlePixels = 4096;

// The title's em size in pixels: |height|, or the default for 0. Computed in 64 bits,
// so that INT_MIN is no overflow.
int64_t TitleFontPixels(LONG height) noexcept;

// The title window for outline bounds W x H at em size fs: the left padding is a third
// of the em, the top padding five eighths; values too large for an int saturate.
OverlaySize TitleOverlaySize(int64_t fs, float w, float h) noexcept;

// The watermark window: zoom per cent of the picture's size; zoom <= 0 gives 0 x 0.
OverlaySize WatermarkOverlaySize(int zoom, int64_t width, int64_t height) noexcept;

// Where an overlay of this size goes inside the recorded rectangle, or nothing when it
// does not fit (as large as the rectangle in either direction) or is empty. The time
// sits at the bottom-right corner; title and watermark centre on x, y per cent
// (clamped to 0..100), kept inside the rectangle.
std::optional<POINT> PlaceOverlay(OverlayKind kind, OverlaySize size, const RECT& rc, int x, int y) noexcept;

// Alpha factor of the watermark: transparency 0 opaque, 100 invisible; clamped.
float WatermarkAlpha(int transparency) noexcept;

// "2014-12-05 09:07:03"; empty for a time that is no date.
std::wstring TimeText(const SYSTEMTIME& t);
std::wstring CurrentTimeText();

// The title preview: text of w x h in a client of cw x ch (3-pixel inner margin).
POINT TitlePreviewPosition(SIZE client, SIZE text, int x, int y) noexcept;
// The watermark preview: a picture of w x h drawn at its own size, kept inside.
POINT WatermarkPreviewPosition(SIZE client, OverlaySize picture, int x, int y) noexcept;

// Height of the preview's measuring font: the stored height read as points, sign kept.
int PreviewFontHeight(LONG storedHeight, int dpi) noexcept;

// The position grid of both settings dialogs.
struct GridCell {
    int id;
    int x;
    int y;
    bool xSliderEnabled;
    bool ySliderEnabled;
};
inline constexpr GridCell kPositionGrid[9] = {
    {1091, 0, 0, false, true},   {1093, 50, 0, false, true},   {1094, 100, 0, false, true},
    {1095, 0, 50, true, false},  {1096, 50, 50, false, false}, {1097, 100, 50, true, false},
    {1098, 0, 100, false, true}, {1099, 50, 100, false, true}, {1100, 100, 100, false, true},
};
const GridCell* FindGridCell(int id) noexcept;

// What the dialogs start from when no working copy exists yet.
TitleSettings DefaultTitleSettings(const LOGFONTW& font) noexcept;
WatermarkSettings DefaultWatermarkSettings() noexcept;
