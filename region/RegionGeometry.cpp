#include "region/RegionGeometry.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace region {

RECT Intersect(const RECT& a, const RECT& b) noexcept {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return IsEmpty(r) ? RECT{} : r;
}

RECT Bounds(const RECT& a, const RECT& b) noexcept {
    if (IsEmpty(a)) return b;
    if (IsEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT DefaultRegion(int w, int h, int W, int H) noexcept {
    w = std::min(w, W);
    h = std::min(h, H);
    const int left = (W - w) / 2, top = (H - h) / 2;
    return RECT{left, top, left + w, top + h};
}

int HitTest(const RECT& s, POINT p, bool picking) noexcept {
    if (picking) return kHitNone;
    const int L = s.left, T = s.top, R = s.right, B = s.bottom;
    // First match wins: corners before edges where they overlap.
    const struct {
        RECT box;
        int code;
    } zones[] = {
        {{R - 3, B - 3, R + 2, B + 2}, kHitBottomRight}, {{L + 3, B - 2, R - 3, B + 1}, kHitBottom},
        {{L - 2, B - 3, L + 3, B + 2}, kHitBottomLeft},  {{L - 1, T + 3, L + 2, B - 3}, kHitLeft},
        {{L - 2, T - 2, L + 3, T + 3}, kHitTopLeft},     {{L + 3, T - 1, R - 3, T + 1}, kHitTop},
        {{R - 3, T - 2, R + 2, T + 3}, kHitTopRight},    {{R - 2, T + 3, R + 1, B - 3}, kHitRight},
    };
    for (const auto& z : zones)
        if (Contains(z.box, p)) return z.code;
    return Contains(s, p) ? kHitMove : kHitNone;
}

CursorShape CursorFor(int code) noexcept {
    switch (code) {
    case kHitMove: return CursorShape::Move;
    case kHitLeft:
    case kHitRight: return CursorShape::SizeWE;
    case kHitTop:
    case kHitBottom: return CursorShape::SizeNS;
    case kHitTopLeft:
    case kHitBottomRight: return CursorShape::SizeNWSE;
    case kHitTopRight:
    case kHitBottomLeft: return CursorShape::SizeNESW;
    default: return CursorShape::Arrow;
    }
}

POINT ClampToScreen(POINT p, int W, int H) noexcept {
    return POINT{std::clamp<LONG>(p.x, 0, std::max(W - 1, 0)), std::clamp<LONG>(p.y, 0, std::max(H - 1, 0))};
}

RECT ClampRectToScreen(const RECT& r, int W, int H) noexcept {
    return RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, W),
                std::min<LONG>(r.bottom, H)};
}

DragResult DragStep(int code, const RECT& s0, POINT a, POINT p, int W, int H, bool sizeLocked) noexcept {
    const int dx = p.x - a.x, dy = p.y - a.y;
    RECT s = s0;
    if (code == kHitMove) {
        s = RECT{s0.left + dx, s0.top + dy, s0.right + dx, s0.bottom + dy};
    } else if (!sizeLocked) {
        switch (code) {
        case kHitLeft: s.left += dx; break;
        case kHitRight: s.right += dx; break;
        case kHitTop: s.top += dy; break;
        case kHitTopLeft: s.left += dx; s.top += dy; break;
        case kHitTopRight: s.top += dy; s.right += dx; break;
        case kHitBottom: s.bottom += dy; break;
        case kHitBottomLeft: s.left += dx; s.bottom += dy; break;
        case kHitBottomRight: s.right += dx; s.bottom += dy; break;
        default: break;
        }
    }
    if (s.right < s.left) std::swap(s.left, s.right);
    if (s.bottom < s.top) std::swap(s.top, s.bottom);
    // Shifted back onto the screen together with the press point, so that the rectangle
    // follows the cursor again as soon as it turns back.
    if (s.left < 0) {
        s.right -= s.left;
        a.x += s.left;
        s.left = 0;
    }
    if (s.right > W) {
        s.left -= s.right - W;
        a.x += s.right - W;
        s.right = W;
    }
    if (s.top < 0) {
        s.bottom -= s.top;
        a.y += s.top;
        s.top = 0;
    }
    if (s.bottom > H) {
        s.top -= s.bottom - H;
        a.y += s.bottom - H;
        s.bottom = H;
    }
    return DragResult{s, a};
}

std::optional<POINT> MagnifierPoint(int code, const RECT& s, POINT p) noexcept {
    switch (code) {
    case kHitLeft: return POINT{s.left, p.y};
    case kHitRight: return POINT{s.right - 1, p.y};
    case kHitTop: return POINT{p.x, s.top};
    case kHitTopLeft: return POINT{s.left, s.top};
    case kHitTopRight: return POINT{s.right - 1, s.top};
    case kHitBottom: return POINT{p.x, s.bottom - 1};
    case kHitBottomLeft: return POINT{s.left, s.bottom - 1};
    case kHitBottomRight: return POINT{s.right - 1, s.bottom - 1};
    default: return std::nullopt;
    }
}

RECT MagnifierBox(POINT p, int W, int H) noexcept {
    // 132, not 136: the box may overhang the right edge by 4 pixels before it flips.
    const int left = p.x + 132 > W ? p.x - 128 : p.x + 8;
    const int top = p.y + 152 > H ? p.y - 136 : p.y + 24;
    return RECT{left, top, left + kMagnifierSize, top + kMagnifierSize};
}

ZoomRange ZoomSource(POINT p, int W, int H) noexcept {
    return ZoomRange{std::max<int>(p.x - kZoomHalfCols, 0), std::min<int>(p.x + kZoomHalfCols, W - 1),
                     std::max<int>(p.y - kZoomHalfRows, 0), std::min<int>(p.y + kZoomHalfRows, H - 1)};
}

POINT ZoomCellOrigin(const RECT& box, POINT p, int c, int r) noexcept {
    return POINT{box.left + 3 + kZoomCell * (c - p.x + kZoomHalfCols),
                 box.top + 3 + kZoomCell * (r - p.y + kZoomHalfRows)};
}

LabelPlace LabelPlacement(const RECT& s) noexcept {
    if (s.top < 21) return {RECT{s.left + 2, s.top + 2, s.left + 2 + kLabelWidth, s.top + 2 + kLabelHeight}, true};
    return {RECT{s.left, s.top - 21, s.left + kLabelWidth, s.top - 21 + kLabelHeight}, false};
}

RECT FrameBox(const RECT& s) noexcept { return IsEmpty(s) ? RECT{} : Grow(s, 4); }

std::array<RECT, 8> Handles(const RECT& s) noexcept {
    const int w2 = Width(s) / 2, h2 = Height(s) / 2;
    const POINT at[8] = {{s.left - 2, s.top - 2},       {s.left + w2 - 2, s.top - 2},  {s.right - 3, s.top - 2},
                         {s.left - 2, s.top + h2 - 2},  {s.right - 3, s.top + h2 - 2}, {s.left - 2, s.bottom - 3},
                         {s.left + w2 - 2, s.bottom - 3}, {s.right - 3, s.bottom - 3}};
    std::array<RECT, 8> r{};
    for (int i = 0; i < 8; ++i) r[i] = RECT{at[i].x, at[i].y, at[i].x + 5, at[i].y + 5};
    return r;
}

POINT HelperPosition(const RECT& s, bool rectangleExists, SIZE helper, int W, int H) noexcept {
    const int w = helper.cx, h = helper.cy;
    if (!rectangleExists) return POINT{-w - 1, 1}; // parked off the screen to the left
    int x = s.right - w - 1;
    int y = s.bottom + 1;
    if (s.bottom + 1 + h > H) y = s.bottom - h - 1;
    x = std::clamp(x, 0, std::max(W - w, 0));
    y = std::clamp(y, 0, std::max(H - h, 0));
    return POINT{x, y};
}

TypedSize TypeWidth(const RECT& s, unsigned w, int W) noexcept {
    if (w > static_cast<unsigned>(W)) return {TypedSize::PutBack, s};
    RECT r = s;
    const int iw = static_cast<int>(w);
    if (iw <= 0 || iw == Width(s)) return {TypedSize::Nothing, s};
    if (r.left + iw > W) r.left = W - iw; // ends at the screen's right edge
    r.right = r.left + iw;
    return {TypedSize::Changed, r};
}

TypedSize TypeHeight(const RECT& s, unsigned h, int H) noexcept {
    if (h > static_cast<unsigned>(H)) return {TypedSize::PutBack, s};
    RECT r = s;
    const int ih = static_cast<int>(h);
    if (ih <= 0 || ih == Height(s)) return {TypedSize::Nothing, s};
    if (r.top + ih > H) r.top = 0; // moves to the top of the screen
    r.bottom = r.top + ih;
    return {TypedSize::Changed, r};
}

std::optional<POINT> ControlBarPosition(const RECT& target, SIZE bar, SIZE screen) noexcept {
    const RECT R = Grow(target, 8);
    const int bw = bar.cx, bh = bar.cy, sw = screen.cx, sh = screen.cy;
    int x = std::max<int>(0, R.right - bw);
    int y = R.bottom + 1; // below, right-aligned
    if (y + bh > sh) {
        y = R.top - bh - 1; // above
        if (y < 0) {
            y = R.bottom - bh; // beside the lower edge
            if (bw + 1 < sw - R.right)
                x = R.right + 1;
            else if (bw + 1 < R.left)
                x = R.left - bw - 1;
            else
                return std::nullopt;
        }
    }
    if (x >= 0 && y >= 0 && x + bw <= sw + 8 && y + bh <= sh + 8) return POINT{x, y};
    return std::nullopt;
}

std::array<RECT, 4> CornerRects(const RECT& g) noexcept {
    constexpr int k = kCornerSize;
    return {RECT{g.left - k, g.top - k, g.left, g.top}, RECT{g.left - k, g.bottom, g.left, g.bottom + k},
            RECT{g.right, g.top - k, g.right + k, g.top}, RECT{g.right, g.bottom, g.right + k, g.bottom + k}};
}

std::array<RECT, 2> CornerBars(int type, int w, int h) noexcept {
    switch (type) {
    case 0: return {RECT{0, 0, 20, 4}, RECT{0, 0, 4, 20}};
    case 1: return {RECT{0, h - 4, 20, h}, RECT{0, h - 20, 4, h}};
    case 2: return {RECT{w - 4, 0, w, 20}, RECT{w - 20, 0, w, 4}};
    default: return {RECT{w - 20, h - 4, w, h}, RECT{w - 4, h - 20, w, h}};
    }
}

std::wstring SizeText(int w, int h) {
    wchar_t buf[48];
    std::swprintf(buf, 48, L"%d x %d", w, h);
    return buf;
}

std::wstring PointText(int x, int y) {
    wchar_t buf[48];
    std::swprintf(buf, 48, L"X:%d, Y:%d", x, y);
    return buf;
}

std::wstring ColourText(int r, int g, int b) {
    wchar_t buf[48];
    std::swprintf(buf, 48, L"RGB:(%d,%d,%d)", r, g, b);
    return buf;
}

} // namespace region
