#include "region/OverlayLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwchar>

namespace {

int Saturate(int64_t v) noexcept {
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

int SaturateDouble(double v) noexcept {
    if (!(v > 0.0)) return 0; // NaN and negatives
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(v); // truncation
}

} // namespace

int64_t TitleFontPixels(LONG height) noexcept {
    const int64_t fs = height < 0 ? -static_cast<int64_t>(height) : static_cast<int64_t>(height);
    return fs == 0 ? kDefaultTitlePixels : fs;
}

OverlaySize TitleOverlaySize(int64_t fs, float w, float h) noexcept {
    // The padding goes through float before the bounds are added, as the window was
    // always sized; the last 2.0 is double.
    const double cx = static_cast<double>(static_cast<float>((4 * fs) / 12 + 2) + w) + 2.0;
    const double cy = static_cast<double>(static_cast<float>((10 * fs) / 16 + 2) + h) + 2.0;
    return {SaturateDouble(cx), SaturateDouble(cy)};
}

OverlaySize WatermarkOverlaySize(int zoom, int64_t width, int64_t height) noexcept {
    if (zoom <= 0 || width <= 0 || height <= 0) return {0, 0};
    // zoom < 2^31 and the sides are picture sizes: the products stay far below 2^63.
    const int64_t w = std::min<int64_t>(width, INT_MAX), hh = std::min<int64_t>(height, INT_MAX);
    return {Saturate(zoom * w / 100), Saturate(zoom * hh / 100)};
}

std::optional<POINT> PlaceOverlay(OverlayKind kind, OverlaySize size, const RECT& rc, int x, int y) noexcept {
    const int64_t rw = static_cast<int64_t>(rc.right) - rc.left;
    const int64_t rh = static_cast<int64_t>(rc.bottom) - rc.top;
    if (size.cx <= 0 || size.cy <= 0) return std::nullopt;
    if (!(size.cx < rw && size.cy < rh)) return std::nullopt;
    if (kind == kOverlayTime) return POINT{rc.right - size.cx, rc.bottom - size.cy};
    auto along = [](int64_t extent, int64_t size, int percent) {
        int64_t p = extent * std::clamp(percent, 0, 100) / 100 - size / 2;
        if (p < 0) p = 0;
        if (p > extent - size) p = extent - size;
        return p;
    };
    return POINT{Saturate(rc.left + along(rw, size.cx, x)), Saturate(rc.top + along(rh, size.cy, y))};
}

float WatermarkAlpha(int transparency) noexcept {
    return static_cast<float>(100 - std::clamp(transparency, 0, 100)) / 100.0f;
}

std::wstring TimeText(const SYSTEMTIME& t) {
    if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31 || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 60)
        return {};
    wchar_t text[40];
    const int n = std::swprintf(text, 40, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                                t.wMinute, t.wSecond);
    return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

std::wstring CurrentTimeText() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return TimeText(now);
}

POINT TitlePreviewPosition(SIZE client, SIZE text, int x, int y) noexcept {
    const int64_t wi = client.cx - 6, hi = client.cy - 6;
    const int64_t w = text.cx, h = text.cy;
    int64_t px = wi * std::clamp(x, 0, 100) / 100;
    if (px > w / 2) px -= w / 2;
    if (px > wi - w) px = wi - w;
    int64_t py = hi * std::clamp(y, 0, 100) / 100;
    if (py > h / 2) py -= h / 2;
    if (py > client.cy - 3 - h - 3) py = client.cy - 3 - h;
    return POINT{Saturate(px), Saturate(py)};
}

POINT WatermarkPreviewPosition(SIZE client, OverlaySize picture, int x, int y) noexcept {
    auto along = [](int64_t inner, int64_t size, int percent) {
        int64_t p = inner * std::clamp(percent, 0, 100) / 100 - size / 2;
        if (p < 0) p = 0;
        if (p > inner - size) p = inner - size;
        return p;
    };
    return POINT{Saturate(along(client.cx - 3, picture.cx, x)), Saturate(along(client.cy - 3, picture.cy, y))};
}

int PreviewFontHeight(LONG storedHeight, int dpi) noexcept {
    const int h = ::MulDiv(storedHeight, dpi, 72);
    return h == INT_MIN ? INT_MAX : -h;
}

const GridCell* FindGridCell(int id) noexcept {
    for (const GridCell& c : kPositionGrid)
        if (c.id == id) return &c;
    return nullptr;
}

TitleSettings DefaultTitleSettings(const LOGFONTW& font) noexcept {
    TitleSettings s{};
    s.nType = 1;
    s.lfFont = font;
    s.clrNormal = 0;
    s.clrShadow = 0x606060;
    s.nPosX = 50;
    s.nPosY = 0;
    return s;
}

WatermarkSettings DefaultWatermarkSettings() noexcept {
    WatermarkSettings s{};
    s.nTransparency = 0;
    s.nZoom = 100;
    s.nPosX = 100;
    s.nPosY = 0;
    return s;
}
