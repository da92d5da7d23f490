#include "region/SelectionModel.h"

namespace region {

bool operator==(const Scene& a, const Scene& b) noexcept {
    if (!SameRect(a.sel, b.sel) || a.style != b.style || a.magnifier != b.magnifier) return false;
    if (!a.magnifier) return true;
    return a.magPoint.x == b.magPoint.x && a.magPoint.y == b.magPoint.y && a.magCoordinates == b.magCoordinates;
}

void SelectionModel::SetDefaultRegion(int w, int h) noexcept {
    m_drag = kHitNone;
    m_sel = DefaultRegion(w, h, m_W, m_H);
}

void SelectionModel::Open() noexcept {
    m_picking = !m_preset;
    m_drag = kHitNone;
    m_drawingNew = false;
    m_anchor = POINT{-1, -1};
    m_cursor = CursorShape::Arrow;
    m_magnifier = false;
}

Scene SelectionModel::CurrentScene() const noexcept {
    Scene s;
    s.sel = m_sel;
    s.style = IsEmpty(m_sel) ? FrameStyle::None : (m_picking ? FrameStyle::Band : FrameStyle::Handles);
    s.magnifier = m_magnifier;
    s.magPoint = m_magPoint;
    s.magCoordinates = m_magCoordinates;
    return s;
}

void SelectionModel::ShowMagnifier(POINT p, bool coordinates) noexcept {
    if (p.x < 0 || p.y < 0) {
        m_magnifier = false;
        return;
    }
    // A dragged edge at the screen's far side lies one past the last pixel.
    m_magPoint = ClampToScreen(p, m_W, m_H);
    m_magnifier = true;
    m_magCoordinates = coordinates;
}

Effects SelectionModel::LeftDown(POINT p) {
    p = ClampToScreen(p, m_W, m_H);
    m_last = p;
    m_drag = HitTest(m_sel, p, m_picking);
    if (m_picking && !IsEmpty(m_sel)) m_drag = kHitMove;
    m_anchor = p;
    m_pressSel = m_sel;
    m_drawingNew = false;
    return Effects{.capture = m_drag != kHitNone};
}

void SelectionModel::Pick(POINT p, const Picker& pick) {
    if (!pick) return;
    const std::optional<PickResult> found = pick(p);
    if (!found) return;
    const RECT r = ClampRectToScreen(found->rect, m_W, m_H);
    if (!SameRect(r, m_sel)) {
        m_chosen = found->window;
        m_sel = r;
    }
}

void SelectionModel::Drag(POINT p) {
    // A new rectangle may be drawn with the size locked: the lock keeps an existing
    // rectangle's edges, it does not forbid drawing.
    const DragResult d = DragStep(m_drag, m_pressSel, m_anchor, p, m_W, m_H, m_sizeLocked && !m_drawingNew);
    m_sel = d.sel;
    m_anchor = d.anchor;
    m_chosen = nullptr;
    if (const std::optional<POINT> at = MagnifierPoint(m_drag, m_sel, p)) ShowMagnifier(*at, true);
}

Effects SelectionModel::Move(POINT p, const Picker& pick) {
    p = ClampToScreen(p, m_W, m_H);
    m_last = p;
    Effects e;
    if (m_picking) {
        if (m_drag == kHitMove) {
            // Pressed on a picked window: moving away starts a new rectangle. No picking
            // while the button is down (it would drop the mouse capture).
            if (p.x == m_anchor.x && p.y == m_anchor.y) return e;
            m_picking = false;
            m_chosen = nullptr;
            m_drag = kHitBottomRight;
            m_drawingNew = true;
            m_pressSel = NewRectangleStart(m_anchor);
            Drag(p);
            return e;
        }
        if (m_drag != kHitNone) return e;
        Pick(p, pick);
        ShowMagnifier(p, false);
        return e;
    }
    if (m_drag == kHitNone) {
        const CursorShape c = CursorFor(HitTest(m_sel, p, false));
        e.cursorChanged = c != m_cursor;
        m_cursor = c;
        return e;
    }
    Drag(p);
    return e;
}

Effects SelectionModel::LeftUp(POINT p) {
    m_last = ClampToScreen(p, m_W, m_H);
    Effects e;
    e.releaseCapture = true;
    if (m_picking && m_drag == kHitMove) {
        m_picking = false; // a click takes the window's rectangle
        m_magnifier = false;
    } else if (m_drag != kHitNone) {
        m_magnifier = false;
    }
    m_drag = kHitNone;
    m_drawingNew = false;
    e.placeHelper = true;
    return e;
}

Effects SelectionModel::CaptureLost() {
    if (m_drag == kHitNone) return Effects{};
    Effects e = LeftUp(m_last);
    e.releaseCapture = false; // already gone
    return e;
}

Effects SelectionModel::RightUp(POINT p, const Picker& pick) {
    p = ClampToScreen(p, m_W, m_H);
    if (m_picking) return Effects{.end = kResultCancel};
    if (Contains(m_sel, p)) return Effects{};
    Effects e;
    e.cursorChanged = m_cursor != CursorShape::Arrow;
    m_cursor = CursorShape::Arrow;
    m_picking = true;
    m_drag = kHitNone;
    m_drawingNew = false;
    Effects moved = Move(p, pick);
    e.cursorChanged = e.cursorChanged || moved.cursorChanged;
    return e;
}

Effects SelectionModel::TypedWidth(int value) {
    const TypedSize t = TypeWidth(m_sel, static_cast<unsigned>(value), m_W);
    Effects e;
    if (t.outcome == TypedSize::PutBack) e.putBack = true;
    if (t.outcome == TypedSize::Changed) {
        m_sel = t.sel;
        m_chosen = nullptr; // the file must cover the rectangle shown, not the window's
    }
    return e;
}

Effects SelectionModel::TypedHeight(int value) {
    const TypedSize t = TypeHeight(m_sel, static_cast<unsigned>(value), m_H);
    Effects e;
    if (t.outcome == TypedSize::PutBack) e.putBack = true;
    if (t.outcome == TypedSize::Changed) {
        m_sel = t.sel;
        m_chosen = nullptr;
    }
    return e;
}

} // namespace region
