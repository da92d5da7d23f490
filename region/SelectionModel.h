// The selection overlay's state machine, free of windows: mouse, keys, typed sizes and
// the preset timer go in; the selection, the picked window, the cursor, what to draw and
// what the window should do come out. The window under the cursor is asked through a
// picker, so that tests can stand in for the desktop.
#pragma once

#include "region/RegionGeometry.h"

#include <functional>
#include <optional>

namespace region {

struct PickResult {
    HWND window = nullptr;
    RECT rect{}; // the window's screen rectangle, as reported (not clamped)
};
// The window under a screen point, or nothing.
using Picker = std::function<std::optional<PickResult>(POINT)>;

enum class FrameStyle {
    None,    // nothing chosen, or an empty rectangle
    Band,    // picking: a 4-pixel band just outside the window under the cursor
    Handles, // a chosen rectangle: outline, eight handles and the size label
};

// Everything the overlay shows over the dimmed screen.
struct Scene {
    RECT sel{};
    FrameStyle style = FrameStyle::None;
    bool magnifier = false;
    POINT magPoint{};
    bool magCoordinates = false; // first line "X:, Y:" instead of the size
};
bool operator==(const Scene& a, const Scene& b) noexcept;

// Results of the overlay's modal run.
constexpr int kResultAccept = 1;
constexpr int kResultCancel = 2;
constexpr int kResultRecordNow = 1101;

// What the window has to do after an event.
struct Effects {
    std::optional<int> end;     // end the modal run with this result
    bool placeHelper = false;   // move the area helper and refresh its fields
    bool putBack = false;       // put the current size back into the typed field
    bool capture = false;       // take the mouse (a drag starts)
    bool releaseCapture = false;
    bool cursorChanged = false;
};

class SelectionModel {
public:
    SelectionModel(int W, int H) noexcept : m_W(W), m_H(H) {}

    int ScreenWidth() const noexcept { return m_W; }
    int ScreenHeight() const noexcept { return m_H; }

    // Before opening: the caller's preset rectangle, flag and window.
    void SetDefaultRegion(int w, int h) noexcept;
    void SetPreset(bool preset) noexcept { m_preset = preset; }
    void SetChosenWindow(HWND window) noexcept { m_chosen = window; }
    void SetSizeLocked(bool locked) noexcept { m_sizeLocked = locked; }

    // The window opens: picking unless a preset rectangle is shown.
    void Open() noexcept;

    Effects LeftDown(POINT p);
    Effects Move(POINT p, const Picker& pick);
    Effects LeftUp(POINT p);
    Effects RightUp(POINT p, const Picker& pick);
    // The mouse was taken away during a drag: as a release where it last was.
    Effects CaptureLost();
    Effects DoubleClick() { return Effects{.end = kResultAccept}; }
    Effects Enter() { return Effects{.end = kResultAccept}; }
    Effects Escape() { return Effects{.end = kResultCancel}; }
    Effects RecordNow() { return Effects{.end = kResultRecordNow}; }
    // Text of the helper's width or height field (StrToIntW's reading).
    Effects TypedWidth(int value);
    Effects TypedHeight(int value);
    // Timer 1: the preset rectangle is drawn once.
    void PresetTimer() noexcept { m_preset = false; }

    const RECT& Selection() const noexcept { return m_sel; }
    HWND ChosenWindow() const noexcept { return m_chosen; }
    bool Picking() const noexcept { return m_picking; }
    bool Preset() const noexcept { return m_preset; }
    int DragCode() const noexcept { return m_drag; }
    bool SizeLocked() const noexcept { return m_sizeLocked; }
    CursorShape Cursor() const noexcept { return m_cursor; }
    // A rectangle exists (not picking): the helper is placed beside it.
    bool RectangleExists() const noexcept { return !m_picking; }
    Scene CurrentScene() const noexcept;

private:
    void Pick(POINT p, const Picker& pick);
    void Drag(POINT p);
    void ShowMagnifier(POINT p, bool coordinates) noexcept;

    int m_W, m_H;
    RECT m_sel{};
    bool m_picking = true;
    bool m_preset = false;
    bool m_sizeLocked = false;
    bool m_drawingNew = false; // the drag draws a new rectangle: the lock does not apply
    POINT m_anchor{-1, -1};
    RECT m_pressSel{};
    int m_drag = kHitNone;
    POINT m_last{};
    CursorShape m_cursor = CursorShape::Arrow;
    HWND m_chosen = nullptr;
    bool m_magnifier = false;
    POINT m_magPoint{};
    bool m_magCoordinates = false;
};

} // namespace region
