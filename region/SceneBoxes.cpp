#include "region/SceneBoxes.h"

namespace region {

namespace {

// r minus cut, as up to four boxes.
int Subtract(const RECT& r, const RECT& cut, RECT out[4]) noexcept {
    const RECT k = Intersect(r, cut);
    if (IsEmpty(k)) {
        out[0] = r;
        return 1;
    }
    int n = 0;
    const RECT parts[4] = {{r.left, r.top, r.right, k.top},
                           {r.left, k.bottom, r.right, r.bottom},
                           {r.left, k.top, k.left, k.bottom},
                           {k.right, k.top, r.right, k.bottom}};
    for (const RECT& p : parts)
        if (!IsEmpty(p)) out[n++] = p;
    return n;
}

} // namespace

RECT SceneFrameBox(const Scene& s) noexcept { return s.style == FrameStyle::None ? RECT{} : FrameBox(s.sel); }

RECT SceneLabelBox(const Scene& s) noexcept {
    return s.style == FrameStyle::Handles ? LabelPlacement(s.sel).box : RECT{};
}

RECT SceneMagnifierBox(const Scene& s, int W, int H) noexcept {
    return s.magnifier ? MagnifierBox(s.magPoint, W, H) : RECT{};
}

std::wstring MagnifierFirstLine(const Scene& s) {
    return s.magCoordinates ? PointText(s.magPoint.x, s.magPoint.y) : SizeText(Width(s.sel), Height(s.sel));
}

void AddDisjoint(std::vector<RECT>& boxes, const RECT& r) {
    if (IsEmpty(r)) return;
    std::vector<RECT> pieces{r};
    for (const RECT& have : boxes) {
        std::vector<RECT> left;
        for (const RECT& p : pieces) {
            RECT out[4];
            const int n = Subtract(p, have, out);
            left.insert(left.end(), out, out + n);
        }
        pieces.swap(left);
        if (pieces.empty()) return;
    }
    for (const RECT& p : pieces) {
        // Join a piece to a box it continues exactly (same span, touching), so that a
        // growing edge stays one box.
        bool joined = false;
        for (RECT& b : boxes) {
            if (b.left == p.left && b.right == p.right && (b.bottom == p.top || p.bottom == b.top)) {
                b = Bounds(b, p);
                joined = true;
            } else if (b.top == p.top && b.bottom == p.bottom && (b.right == p.left || p.right == b.left)) {
                b = Bounds(b, p);
                joined = true;
            }
            if (joined) break;
        }
        if (!joined) boxes.push_back(p);
    }
}

std::vector<RECT> ChangedBoxes(const Scene& a, const Scene& b, int W, int H) {
    std::vector<RECT> boxes;
    const RECT screen{0, 0, W, H};
    auto add = [&](const RECT& r) { AddDisjoint(boxes, Intersect(r, screen)); };

    if (!SameRect(a.sel, b.sel) || a.style != b.style) {
        const RECT fa = SceneFrameBox(a), fb = SceneFrameBox(b);
        if (Meets(fa, fb)) {
            const RECT all = Bounds(fa, fb);
            // Inside both selections, away from outlines and handles, the true pixels
            // stay as they are.
            const RECT keep = Grow(Intersect(a.sel, b.sel), -3);
            RECT out[4];
            const int n = IsEmpty(keep) ? (out[0] = all, 1) : Subtract(all, keep, out);
            for (int i = 0; i < n; ++i) add(out[i]);
        } else {
            add(fa);
            add(fb);
        }
    }
    const RECT la = SceneLabelBox(a), lb = SceneLabelBox(b);
    if (!SameRect(la, lb) || Width(a.sel) != Width(b.sel) || Height(a.sel) != Height(b.sel) || a.style != b.style) {
        add(la);
        add(lb);
    }
    const RECT ma = SceneMagnifierBox(a, W, H), mb = SceneMagnifierBox(b, W, H);
    const bool magChanged = a.magnifier != b.magnifier ||
                            (a.magnifier && (a.magPoint.x != b.magPoint.x || a.magPoint.y != b.magPoint.y ||
                                             MagnifierFirstLine(a) != MagnifierFirstLine(b)));
    if (magChanged) {
        add(ma);
        add(mb);
    }
    return boxes;
}

RECT ChangeBound(const Scene& a, const Scene& b, int W, int H) noexcept {
    RECT r = Bounds(SceneFrameBox(a), SceneFrameBox(b));
    r = Bounds(r, Bounds(SceneLabelBox(a), SceneLabelBox(b)));
    r = Bounds(r, Bounds(SceneMagnifierBox(a, W, H), SceneMagnifierBox(b, W, H)));
    return Intersect(r, RECT{0, 0, W, H});
}

} // namespace region
