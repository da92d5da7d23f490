#include "toolkit/ShadowImage.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

constexpr int kFar = 1 << 24; // an empty span: any start is left of it, any end right of it
constexpr ShadowSpan kEmpty{kFar, -kFar};

std::uint32_t Premultiplied(COLORREF colour, int alpha) noexcept {
    const auto channel = [alpha](int c) { return static_cast<std::uint32_t>(c * alpha / 255); };
    return static_cast<std::uint32_t>(alpha) << 24 | channel(GetRValue(colour)) << 16 |
           channel(GetGValue(colour)) << 8 | channel(GetBValue(colour));
}

} // namespace

ShadowPicture MakeShadowPicture(int windowWidth, int windowHeight, const std::vector<ShadowSpan>& shape,
                                const ShadowParams& params) {
    ShadowPicture pic;
    const int size = std::max(params.size, 0);
    const int sharpness = std::max(params.sharpness, 0);
    const int darkness = std::clamp(params.darkness, 0, 255);
    if (windowWidth <= 0 || windowHeight <= 0) return pic;
    const int W = windowWidth + 2 * size, H = windowHeight + 2 * size;
    pic.width = W;
    pic.height = H;
    pic.pixels.assign(static_cast<size_t>(W) * H, 0);

    // The window's own spans, empty ones normalised.
    std::vector<ShadowSpan> window(static_cast<size_t>(windowHeight), kEmpty);
    for (int y = 0; y < windowHeight && y < static_cast<int>(shape.size()); ++y) {
        ShadowSpan s = shape[y];
        s.start = std::max(s.start, 0);
        s.end = std::min(s.end, windowWidth);
        if (!s.Empty()) window[y] = s;
    }

    // Anchors in shadow coordinates, one guard row above and below: anchor[r + 1] is
    // shadow row r. The window sits size rows and columns in.
    std::vector<ShadowSpan> anchor(static_cast<size_t>(H) + 2, kEmpty);
    for (int y = 0; y < windowHeight; ++y)
        if (!window[y].Empty()) anchor[y + size + 1] = ShadowSpan{window[y].start + size, window[y].end + size};

    // Erosion: the shape shrinks by one pixel a round, so that the soft edge ends up
    // sharpness pixels wide around it.
    std::vector<ShadowSpan> eroded(anchor.size(), kEmpty);
    for (int round = 0; round < sharpness - size; ++round) {
        for (size_t r = 1; r + 1 < anchor.size(); ++r) {
            eroded[r].start = std::max({anchor[r - 1].start, anchor[r].start, anchor[r + 1].start}) + 1;
            eroded[r].end = std::min({anchor[r - 1].end, anchor[r].end, anchor[r + 1].end}) - 1;
            if (eroded[r].Empty()) eroded[r] = kEmpty;
        }
        anchor.swap(eroded);
    }
    const auto A = [&anchor](int r) -> const ShadowSpan& { return anchor[static_cast<size_t>(r) + 1]; };

    // Kernel: a disc fading from darkness to nothing over sharpness + 1 pixels.
    const int k = std::max(size, sharpness);
    const int centre = size > sharpness ? size - sharpness : 0;
    const int side = 2 * k + 1;
    std::vector<std::uint32_t> kernel(static_cast<size_t>(side) * side, 0);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const double d = std::sqrt(double((i - k) * (i - k) + (j - k) * (j - k)));
            int alpha = 0;
            if (d < centre)
                alpha = darkness;
            else if (d <= k)
                alpha = static_cast<int>((1.0 - (d - centre) / (sharpness + 1)) * darkness);
            kernel[static_cast<size_t>(i) * side + j] = alpha > 0 ? Premultiplied(params.colour, alpha) : 0;
        }
    }
    const auto stamp = [&](int cx, int cy) {
        for (int i = 0; i < side; ++i) {
            const int y = cy - k + i;
            if (y < 0 || y >= H) continue;
            std::uint32_t* line = &pic.pixels[static_cast<size_t>(y) * W];
            const std::uint32_t* kline = &kernel[static_cast<size_t>(i) * side];
            for (int j = 0; j < side; ++j) {
                const int x = cx - k + j;
                if (x >= 0 && x < W) line[x] = std::max(line[x], kline[j]);
            }
        }
    };

    // Soft edge: the kernel stamped along both ends of every span, as far in as the
    // neighbouring rows reach out.
    for (int r = k; r < H - k; ++r) {
        const ShadowSpan& s = A(r);
        if (s.Empty()) continue;
        int j = s.start;
        for (; j < std::min(std::max(A(r - 1).start, A(r + 1).start) + 1, s.end); ++j) stamp(j, r);
        for (j = std::max(j, std::min(A(r - 1).end, A(r + 1).end) - 1); j < s.end; ++j) stamp(j, r);
    }

    // Solid core, and nothing where the window itself lies.
    const std::uint32_t core = Premultiplied(params.colour, darkness);
    const auto fill = [&](std::uint32_t* line, int from, int to, std::uint32_t value) {
        for (int x = std::max(from, 0); x < std::min(to, W); ++x) line[x] = value;
    };
    const int firstRow = std::max(std::min(k, std::max(size - params.yOffset, 0)), 0);
    const int endRow = std::min(std::max(H - k, std::min(windowHeight + size - params.yOffset, windowHeight + 2 * size)), H);
    for (int r = firstRow; r < endRow; ++r) {
        std::uint32_t* line = &pic.pixels[static_cast<size_t>(r) * W];
        const ShadowSpan& s = A(r);
        const int y = r - size + params.yOffset;
        const bool meetsWindow = y >= 0 && y < windowHeight && !window[y].Empty();
        if (!meetsWindow) {
            if (!s.Empty()) fill(line, s.start, s.end, core);
            continue;
        }
        const int left = window[y].start + size - params.xOffset;
        const int right = window[y].end + size - params.xOffset;
        if (!s.Empty()) fill(line, s.start, std::min(left, s.end), core);
        fill(line, left, right, 0);
        if (!s.Empty()) fill(line, std::max(right, s.start), s.end, core);
    }
    return pic;
}

std::vector<ShadowSpan> ShapeOfRegion(HRGN region, int width, int height) {
    std::vector<ShadowSpan> rows(static_cast<size_t>(std::max(height, 0)), ShadowSpan{});
    for (int y = 0; y < height; ++y) {
        if (!region) {
            rows[y] = ShadowSpan{0, width};
            continue;
        }
        int x = 0;
        while (x < width && !::PtInRegion(region, x, y)) ++x;
        if (x == width) continue;
        int last = width - 1;
        while (last > x && !::PtInRegion(region, last, y)) --last;
        rows[y] = ShadowSpan{x, last + 1};
    }
    return rows;
}

} // namespace vt
