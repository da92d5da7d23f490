// The soft drop shadow of a window as a picture: computed from the window's shape
// (one span of columns per row), free of windows so that it can be checked pixel by pixel.
#pragma once

#include <windows.h>
#include <cstdint>
#include <vector>

namespace vt {

// Columns [start, end) of one row inside the shape; empty when start >= end.
struct ShadowSpan {
    int start = 0;
    int end = 0;
    bool Empty() const noexcept { return start >= end; }
};

struct ShadowParams {
    int darkness = 75;  // alpha of the darkest part, 0..255
    int sharpness = 7;  // width of the soft edge in pixels, >= 0
    int size = 5;       // how far the shadow reaches beyond the window on every side
    int xOffset = 0;    // shift of the shadow against the window
    int yOffset = 0;
    COLORREF colour = RGB(0, 0, 0);
};

struct ShadowPicture {
    int width = 0;
    int height = 0;
    // Top row first; 0xAARRGGBB with the colour premultiplied by the alpha (the layout
    // of a 32-bit DIB's pixels).
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const noexcept {
        return (x < 0 || y < 0 || x >= width || y >= height) ? 0 : pixels[static_cast<size_t>(y) * width + x];
    }
    int Alpha(int x, int y) const noexcept { return static_cast<int>(At(x, y) >> 24); }
};

// The shadow of a window of the given size whose shape has one span per window row
// (fewer spans: the missing rows are empty). The picture is (width + 2 size) x
// (height + 2 size) and belongs at the window's top-left corner moved by
// (xOffset - size, yOffset - size). Where the window itself lies, alpha is 0.
// A negative size counts as 0.
ShadowPicture MakeShadowPicture(int windowWidth, int windowHeight, const std::vector<ShadowSpan>& shape,
                                const ShadowParams& params);

// The spans of a window region (window coordinates); null: the whole rectangle.
std::vector<ShadowSpan> ShapeOfRegion(HRGN region, int width, int height);

} // namespace vt
