// Geometry of choosing a rectangle on the screen: hit zones, dragging, the magnifier, the
// size label, the area helper's place, typed sizes and the control bar's place beside a
// region. Pure functions of rectangles and points (right and bottom exclusive); W and H
// are the screen's width and height.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

namespace region {

// Drag and hit codes: the Windows hit-test values for the edges and corners.
enum HitCode : int {
    kHitNone = 0,
    kHitMove = 1,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

enum class CursorShape { Arrow, Move, SizeWE, SizeNS, SizeNWSE, SizeNESW };

inline int Width(const RECT& r) noexcept { return r.right - r.left; }
inline int Height(const RECT& r) noexcept { return r.bottom - r.top; }
// Empty: no width or no height (such a rectangle is never drawn).
inline bool IsEmpty(const RECT& r) noexcept { return r.right <= r.left || r.bottom <= r.top; }
inline bool Contains(const RECT& r, POINT p) noexcept {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
inline bool SameRect(const RECT& a, const RECT& b) noexcept {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline RECT Grow(const RECT& r, int d) noexcept { return RECT{r.left - d, r.top - d, r.right + d, r.bottom + d}; }
// Intersection; empty results come back as (0, 0, 0, 0).
RECT Intersect(const RECT& a, const RECT& b) noexcept;
// Smallest rectangle holding both; an empty one adds nothing.
RECT Bounds(const RECT& a, const RECT& b) noexcept;
inline long long Area(const RECT& r) noexcept {
    return IsEmpty(r) ? 0 : static_cast<long long>(Width(r)) * Height(r);
}
inline bool Meets(const RECT& a, const RECT& b) noexcept { return !IsEmpty(Intersect(a, b)); }

// min(w, W) by min(h, H), centred on the screen.
RECT DefaultRegion(int w, int h, int W, int H) noexcept;

// The zone of the selection under p; always kHitNone while picking.
int HitTest(const RECT& sel, POINT p, bool picking) noexcept;
CursorShape CursorFor(int code) noexcept;

// Input points outside the screen (another monitor, a captured mouse) are taken at the
// nearest screen pixel, so that nothing reads outside the pictures.
POINT ClampToScreen(POINT p, int W, int H) noexcept;
// A window's rectangle as it can be recorded: left and top not below 0, right and
// bottom not beyond the screen.
RECT ClampRectToScreen(const RECT& r, int W, int H) noexcept;

struct DragResult {
    RECT sel;
    POINT anchor; // the press point, shifted with the rectangle when it meets the edge
};
// One step of a drag from the press rectangle s0 and press point by code. With the size
// locked, edges and corners leave s0 as it is; moving still works.
DragResult DragStep(int code, const RECT& s0, POINT anchor, POINT p, int W, int H, bool sizeLocked) noexcept;
// The press rectangle of a new rectangle drawn from the press point.
inline RECT NewRectangleStart(POINT anchor) noexcept { return RECT{anchor.x, anchor.y, anchor.x + 1, anchor.y + 1}; }
// Where the magnifier looks while an edge or corner is dragged; none for a move.
std::optional<POINT> MagnifierPoint(int code, const RECT& sel, POINT p) noexcept;

// Magnifier: a 128 x 128 box beside the point, flipped to the left and above near the
// screen's right and bottom edges; the zoom shows 29 x 21 source pixels at 4 x 4.
constexpr int kMagnifierSize = 128;
constexpr int kZoomCell = 4;
constexpr int kZoomHalfCols = 14, kZoomHalfRows = 10;
RECT MagnifierBox(POINT p, int W, int H) noexcept;
struct ZoomRange {
    int c0, c1, r0, r1; // source columns and rows, inclusive, on the screen
};
ZoomRange ZoomSource(POINT p, int W, int H) noexcept;
// Top-left screen pixel of the cell showing source pixel (c, r).
POINT ZoomCellOrigin(const RECT& box, POINT p, int c, int r) noexcept;
inline POINT MagnifierTextOrigin(const RECT& box, int line) noexcept {
    return POINT{box.left + 3, box.top + (line == 0 ? 92 : 106)};
}

// The size label: 72 x 20, above the selection, or inside it when the top is near the
// screen's top edge.
constexpr int kLabelWidth = 72, kLabelHeight = 20;
struct LabelPlace {
    RECT box;
    bool inside;
};
LabelPlace LabelPlacement(const RECT& sel) noexcept;
// What the frame covers: the selection and 4 pixels around it (its handles and the
// picking band); an empty selection covers nothing.
RECT FrameBox(const RECT& sel) noexcept;
// The eight 5 x 5 handles.
std::array<RECT, 8> Handles(const RECT& sel) noexcept;

// The area helper below the selection, its right edge a pixel left of the selection's.
// While no rectangle exists it waits off the screen to the left; otherwise it stays on
// the screen, above the bottom edge when it does not fit below.
POINT HelperPosition(const RECT& sel, bool rectangleExists, SIZE helper, int W, int H) noexcept;

// A width or height typed into the area helper, read as StrToIntW does and compared
// unsigned (so negative input counts as too large).
struct TypedSize {
    enum Outcome { Nothing, PutBack, Changed } outcome;
    RECT sel;
};
TypedSize TypeWidth(const RECT& sel, unsigned w, int W) noexcept;
TypedSize TypeHeight(const RECT& sel, unsigned h, int H) noexcept;

// Where the record control bar goes beside a region (target = the region, or the
// window given with it), never over it; nothing when it fits nowhere on the screen.
std::optional<POINT> ControlBarPosition(const RECT& target, SIZE bar, SIZE screen) noexcept;

// The four 16 x 16 corner mark windows just outside a region: top-left, bottom-left,
// top-right, bottom-right (the corner types 0 to 3).
constexpr int kCornerSize = 16;
std::array<RECT, 4> CornerRects(const RECT& region) noexcept;
// The two red bars of a corner mark in its client area (they reach past it and are
// clipped there): an L hugging the corner that points away from the region.
std::array<RECT, 2> CornerBars(int type, int w = kCornerSize, int h = kCornerSize) noexcept;

// Texts of the label and the magnifier.
std::wstring SizeText(int w, int h);
std::wstring PointText(int x, int y);
std::wstring ColourText(int r, int g, int b);

} // namespace region
