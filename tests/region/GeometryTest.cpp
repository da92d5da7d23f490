// Choosing the rectangle without a desktop: hit zones, dragging, the magnifier, label and
// helper places, typed sizes, the control bar's place, and the state machine driven by
// events with a stand-in for the window under the cursor.
#include "region/SceneBoxes.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace region;

namespace {

constexpr int W = 1920, H = 1080;

::testing::AssertionResult Is(const RECT& got, RECT want) {
    if (SameRect(got, want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << got.left << "," << got.top << "," << got.right << ","
                                         << got.bottom << ") want (" << want.left << "," << want.top << ","
                                         << want.right << "," << want.bottom << ")";
}

// A desktop of two windows: a picked window's rectangle as the system reports it.
Picker Desktop() {
    return [](POINT p) -> std::optional<PickResult> {
        if (p.x < 600) return PickResult{reinterpret_cast<HWND>(0x10), RECT{-50, -20, 600, 400}};
        return PickResult{reinterpret_cast<HWND>(0x20), RECT{600, 300, 2500, 1200}};
    };
}

} // namespace

TEST(RegionGeometry, HitZonesBandsAndPrecedence) {
    const RECT s{100, 100, 300, 200};
    const struct {
        POINT p;
        int code;
    } cases[] = {
        {{99, 150}, kHitLeft},   {{98, 150}, kHitNone},     {{101, 150}, kHitLeft},  {{102, 150}, kHitMove},
        {{200, 99}, kHitTop},    {{200, 98}, kHitNone},     {{200, 101}, kHitMove},  {{200, 198}, kHitBottom},
        {{200, 200}, kHitBottom}, {{200, 201}, kHitNone},   {{298, 150}, kHitRight}, {{300, 150}, kHitRight},
        {{297, 150}, kHitMove},  {{301, 150}, kHitNone},    {{98, 98}, kHitTopLeft}, {{302, 98}, kHitNone},
        {{301, 98}, kHitTopRight}, {{98, 201}, kHitBottomLeft}, {{301, 201}, kHitBottomRight},
    };
    for (const auto& c : cases) EXPECT_EQ(c.code, HitTest(s, c.p, false)) << c.p.x << "," << c.p.y;
    EXPECT_EQ(kHitNone, HitTest(s, POINT{200, 150}, true)); // picking
    // On a 4 x 4 rectangle the corners win over the edges and the inside.
    EXPECT_EQ(kHitBottomRight, HitTest(RECT{10, 10, 14, 14}, POINT{12, 12}, false));
    EXPECT_EQ(kHitBottomLeft, HitTest(RECT{10, 10, 14, 14}, POINT{10, 12}, false));

    EXPECT_EQ(CursorShape::SizeWE, CursorFor(kHitRight));
    EXPECT_EQ(CursorShape::SizeNS, CursorFor(kHitTop));
    EXPECT_EQ(CursorShape::SizeNWSE, CursorFor(kHitBottomRight));
    EXPECT_EQ(CursorShape::SizeNESW, CursorFor(kHitTopRight));
    EXPECT_EQ(CursorShape::Move, CursorFor(kHitMove));
    EXPECT_EQ(CursorShape::Arrow, CursorFor(kHitNone));
}

TEST(RegionGeometry, DragStepByCodeLockAndEdges) {
    const RECT s0{100, 100, 300, 200};
    const POINT a{150, 150}, p{160, 170};
    const struct {
        int code;
        RECT want;
    } cases[] = {
        {kHitMove, {110, 120, 310, 220}},    {kHitLeft, {110, 100, 300, 200}},   {kHitRight, {100, 100, 310, 200}},
        {kHitTop, {100, 120, 300, 200}},     {kHitTopLeft, {110, 120, 300, 200}}, {kHitTopRight, {100, 120, 310, 200}},
        {kHitBottom, {100, 100, 300, 220}},  {kHitBottomLeft, {110, 100, 300, 220}},
        {kHitBottomRight, {100, 100, 310, 220}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Is(DragStep(c.code, s0, a, p, W, H, false).sel, c.want)) << c.code;
        // Locked: edges and corners keep the rectangle, moving still moves it.
        EXPECT_TRUE(Is(DragStep(c.code, s0, a, p, W, H, true).sel, c.code == kHitMove ? c.want : s0)) << c.code;
    }
    // The left edge dragged across the right one: swapped at once, never negative.
    EXPECT_TRUE(Is(DragStep(kHitLeft, s0, a, POINT{400, 150}, W, H, false).sel, RECT{300, 100, 350, 200}));
    EXPECT_TRUE(Is(DragStep(kHitLeft, s0, a, POINT{350, 150}, W, H, false).sel, RECT{300, 100, 300, 200}));
    // Moved against the left edge: stops at 0 with its width, and the press point shifts
    // so that it follows the cursor as soon as it turns back.
    const DragResult d = DragStep(kHitMove, RECT{10, 10, 110, 60}, POINT{50, 30}, POINT{20, 30}, W, H, false);
    EXPECT_TRUE(Is(d.sel, RECT{0, 10, 100, 60}));
    EXPECT_TRUE(Is(DragStep(kHitMove, RECT{10, 10, 110, 60}, d.anchor, POINT{25, 30}, W, H, false).sel,
                   RECT{5, 10, 105, 60}));
    EXPECT_TRUE(Is(DragStep(kHitMove, s0, a, POINT{W + 500, H + 500}, W, H, false).sel, RECT{W - 200, H - 100, W, H}));
    // A new rectangle: down-right takes both end pixels, up-left stops short of the press point.
    const POINT press{500, 400};
    EXPECT_TRUE(Is(DragStep(kHitBottomRight, NewRectangleStart(press), press, POINT{600, 450}, W, H, false).sel,
                   RECT{500, 400, 601, 451}));
    EXPECT_TRUE(Is(DragStep(kHitBottomRight, NewRectangleStart(press), press, POINT{400, 300}, W, H, false).sel,
                   RECT{401, 301, 500, 400}));
}

TEST(RegionGeometry, MagnifierLabelHelperAndDefaults) {
    // Flip points: 4 pixels of overhang at the right before the box goes left.
    EXPECT_EQ(W - 132 + 8, MagnifierBox(POINT{W - 132, 10}, W, H).left);
    EXPECT_EQ(W - 131 - 128, MagnifierBox(POINT{W - 131, 10}, W, H).left);
    EXPECT_EQ(H - 152 + 24, MagnifierBox(POINT{10, H - 152}, W, H).top);
    EXPECT_EQ(H - 151 - 136, MagnifierBox(POINT{10, H - 151}, W, H).top);
    // At (0, 0) only the lower right of the grid has pixels; the centre cell is (0, 0).
    const ZoomRange z = ZoomSource(POINT{0, 0}, W, H);
    EXPECT_EQ(0, z.c0);
    EXPECT_EQ(14, z.c1);
    EXPECT_EQ(10, z.r1);
    const RECT box = MagnifierBox(POINT{0, 0}, W, H);
    const POINT centre = ZoomCellOrigin(box, POINT{0, 0}, 0, 0);
    EXPECT_EQ(box.left + 3 + 56, centre.x);
    EXPECT_EQ(box.top + 3 + 40, centre.y);
    const ZoomRange corner = ZoomSource(POINT{W - 1, H - 1}, W, H);
    EXPECT_EQ(W - 1, corner.c1);
    EXPECT_EQ(H - 1, corner.r1);

    EXPECT_TRUE(Is(LabelPlacement(RECT{50, 20, 300, 200}).box, RECT{52, 22, 124, 42}));
    EXPECT_TRUE(LabelPlacement(RECT{50, 20, 300, 200}).inside);
    EXPECT_TRUE(Is(LabelPlacement(RECT{50, 21, 300, 200}).box, RECT{50, 0, 122, 20}));

    const SIZE helper{204, 72};
    const POINT parked = HelperPosition(RECT{}, false, helper, W, H);
    EXPECT_EQ(-205, parked.x);
    EXPECT_EQ(1, parked.y);
    EXPECT_EQ(1001, HelperPosition(RECT{100, 100, 500, 1000}, true, helper, W, H).y);
    EXPECT_EQ(1008, HelperPosition(RECT{100, 100, 500, 1007}, true, helper, W, H).y);       // fits exactly
    EXPECT_EQ(1008 - 72 - 1, HelperPosition(RECT{100, 100, 500, 1008}, true, helper, W, H).y); // no 1-px overhang
    EXPECT_EQ(295, HelperPosition(RECT{100, 100, 500, 1000}, true, helper, W, H).x);
    EXPECT_EQ(0, HelperPosition(RECT{0, 100, 50, 200}, true, helper, W, H).x); // fields stay on the screen

    EXPECT_TRUE(Is(DefaultRegion(800, 600, W, H), RECT{560, 240, 1360, 840}));
    EXPECT_TRUE(Is(DefaultRegion(4000, 3000, W, H), RECT{0, 0, W, H}));
}

TEST(RegionGeometry, TypedSizes) {
    TypedSize t = TypeWidth(RECT{1000, 100, 1200, 300}, 1000, W);
    EXPECT_EQ(TypedSize::Changed, t.outcome);
    EXPECT_TRUE(Is(t.sel, RECT{920, 100, 1920, 300}));
    t = TypeHeight(RECT{100, 500, 300, 700}, 700, H);
    EXPECT_TRUE(Is(t.sel, RECT{100, 0, 300, 700})); // the top goes to 0, not just far enough
    EXPECT_EQ(TypedSize::PutBack, TypeWidth(RECT{0, 0, 10, 10}, 1921, W).outcome);
    EXPECT_EQ(TypedSize::PutBack, TypeWidth(RECT{0, 0, 10, 10}, static_cast<unsigned>(-5), W).outcome);
    EXPECT_EQ(TypedSize::Nothing, TypeWidth(RECT{0, 0, 10, 10}, 0, W).outcome);
    EXPECT_EQ(TypedSize::Nothing, TypeHeight(RECT{0, 0, 10, 10}, 10, H).outcome);
}

TEST(RegionGeometry, ControlBarNeverMeetsTheRegion) {
    const SIZE bar{242, 32};
    const SIZE screen{1280, 800};
    auto at = [&](RECT r) { return ControlBarPosition(r, bar, screen); };
    EXPECT_EQ(1108 - 242, at(RECT{100, 100, 1100, 500})->x); // below, right-aligned
    EXPECT_EQ(509, at(RECT{100, 100, 1100, 500})->y);
    EXPECT_EQ(100 - 8 - 32 - 1, at(RECT{100, 100, 1100, 780})->y); // above
    EXPECT_EQ(908 + 1, at(RECT{100, 10, 900, 790})->x);           // beside, on the right
    EXPECT_EQ(300 - 8 - 242 - 1, at(RECT{300, 10, 1200, 790})->x);   // beside, on the left
    EXPECT_FALSE(at(RECT{0, 0, 1280, 800}).has_value()); // nothing fits
    // Over a grid of regions and screens: a placed bar is on the screen and never meets the region.
    for (const SIZE s : {SIZE{1280, 800}, SIZE{1920, 1080}, SIZE{800, 600}})
        for (int l = 0; l < s.cx; l += 97)
            for (int t = 0; t < s.cy; t += 89)
                for (int w : {1, 120, 400, 1000})
                    for (int h : {1, 60, 300, 700}) {
                        const RECT r{l, t, std::min<int>(l + w, s.cx), std::min<int>(t + h, s.cy)};
                        if (const auto p = ControlBarPosition(r, bar, s)) {
                            const RECT b{p->x, p->y, p->x + bar.cx, p->y + bar.cy};
                            ASSERT_FALSE(Meets(b, Grow(r, 8))) << l << "," << t << " " << w << "x" << h;
                            ASSERT_TRUE(b.left >= 0 && b.top >= 0 && b.right <= s.cx + 8 && b.bottom <= s.cy + 8);
                        }
                    }

    const auto corners = CornerRects(RECT{100, 100, 500, 400});
    EXPECT_TRUE(Is(corners[0], RECT{84, 84, 100, 100}));
    EXPECT_TRUE(Is(corners[1], RECT{84, 400, 100, 416}));
    EXPECT_TRUE(Is(corners[2], RECT{500, 84, 516, 100}));
    EXPECT_TRUE(Is(corners[3], RECT{500, 400, 516, 416}));
}

TEST(SelectionModel, PickClickAdjustCancel) {
    SelectionModel m(W, H);
    m.Open();
    EXPECT_TRUE(m.Picking());
    const Picker desk = Desktop();
    m.Move(POINT{100, 100}, desk);
    // Hanging off the screen: clamped; the window is remembered.
    EXPECT_TRUE(Is(m.Selection(), RECT{0, 0, 600, 400}));
    EXPECT_EQ(reinterpret_cast<HWND>(0x10), m.ChosenWindow());
    EXPECT_TRUE(m.CurrentScene().magnifier);
    EXPECT_FALSE(m.CurrentScene().magCoordinates);
    m.Move(POINT{700, 500}, desk);
    EXPECT_TRUE(Is(m.Selection(), RECT{600, 300, W, H}));
    EXPECT_EQ(kResultAccept, m.Enter().end); // accepts the window last picked

    // A click takes the window; the picking band becomes outline, handles and label.
    EXPECT_TRUE(m.LeftDown(POINT{700, 500}).capture);
    const Effects up = m.LeftUp(POINT{700, 500});
    EXPECT_TRUE(up.placeHelper && up.releaseCapture);
    EXPECT_FALSE(m.Picking());
    EXPECT_EQ(FrameStyle::Handles, m.CurrentScene().style);
    EXPECT_FALSE(m.CurrentScene().magnifier);
    EXPECT_EQ(reinterpret_cast<HWND>(0x20), m.ChosenWindow());

    // Right-click inside: nothing; outside: picking again, the window under it is picked.
    EXPECT_FALSE(m.RightUp(POINT{700, 500}, desk).end);
    EXPECT_FALSE(m.Picking());
    EXPECT_FALSE(m.RightUp(POINT{100, 100}, desk).end);
    EXPECT_TRUE(m.Picking());
    EXPECT_EQ(reinterpret_cast<HWND>(0x10), m.ChosenWindow());
    EXPECT_EQ(kResultCancel, m.RightUp(POINT{100, 100}, desk).end);
    EXPECT_EQ(kResultCancel, m.Escape().end);
    EXPECT_EQ(kResultAccept, m.DoubleClick().end);
    EXPECT_EQ(kResultRecordNow, m.RecordNow().end);
}

TEST(SelectionModel, DrawResizeMoveAndTypedSizesClearTheWindow) {
    SelectionModel m(W, H);
    m.Open();
    const Picker desk = Desktop();
    m.Move(POINT{700, 500}, desk);
    m.LeftDown(POINT{700, 500});
    m.Move(POINT{700, 500}, nullptr); // at the press point: still a click
    EXPECT_TRUE(m.Picking());
    // Moving away draws a new rectangle, even with the size locked.
    m.SetSizeLocked(true);
    m.Move(POINT{900, 650}, nullptr);
    EXPECT_FALSE(m.Picking());
    EXPECT_EQ(kHitBottomRight, m.DragCode());
    EXPECT_EQ(nullptr, m.ChosenWindow());
    EXPECT_TRUE(Is(m.Selection(), RECT{700, 500, 901, 651}));
    EXPECT_TRUE(m.CurrentScene().magCoordinates);
    EXPECT_EQ(900, m.CurrentScene().magPoint.x);
    m.LeftUp(POINT{900, 650});
    EXPECT_FALSE(m.CurrentScene().magnifier);

    // Locked: a handle leaves it as it is, the inside moves it.
    m.LeftDown(POINT{900, 650});
    EXPECT_EQ(kHitBottomRight, m.DragCode());
    m.Move(POINT{1000, 700}, nullptr);
    EXPECT_TRUE(Is(m.Selection(), RECT{700, 500, 901, 651}));
    m.LeftUp(POINT{1000, 700});
    m.LeftDown(POINT{800, 600});
    m.Move(POINT{810, 590}, nullptr);
    EXPECT_TRUE(Is(m.Selection(), RECT{710, 490, 911, 641}));
    EXPECT_FALSE(m.CurrentScene().magnifier); // a move shows no magnifier
    // The mouse taken away mid-drag ends the drag where it was.
    EXPECT_TRUE(m.CaptureLost().placeHelper);
    EXPECT_EQ(kHitNone, m.DragCode());

    // Unlocked: resizing to width 0 is possible; points off the screen stay on it.
    m.SetSizeLocked(false);
    m.LeftDown(POINT{710, 550});
    EXPECT_EQ(kHitLeft, m.DragCode());
    m.Move(POINT{911, 550}, nullptr);
    EXPECT_EQ(0, Width(m.Selection()));
    EXPECT_EQ(FrameStyle::None, m.CurrentScene().style);
    m.Move(POINT{50000, -9000}, nullptr);
    const Scene sc = m.CurrentScene();
    EXPECT_TRUE(sc.magPoint.x >= 0 && sc.magPoint.x < W && sc.magPoint.y >= 0 && sc.magPoint.y < H);
    m.LeftUp(POINT{50000, -9000});
    EXPECT_TRUE(Is(m.Selection(), RECT{911, 490, W - 1, 641}));

    // A typed size that changes the rectangle drops the picked window (the file must
    // cover what is shown); one that is refused or the same keeps it.
    m.SetChosenWindow(reinterpret_cast<HWND>(0x30));
    EXPECT_TRUE(m.TypedWidth(-3).putBack);
    EXPECT_TRUE(m.TypedHeight(Height(m.Selection())).end == std::nullopt);
    EXPECT_EQ(reinterpret_cast<HWND>(0x30), m.ChosenWindow());
    m.TypedWidth(300);
    EXPECT_TRUE(Is(m.Selection(), RECT{911, 490, 1211, 641}));
    EXPECT_EQ(nullptr, m.ChosenWindow());

    // Preset: opens with the rectangle, no picking.
    SelectionModel p(W, H);
    p.SetDefaultRegion(4000, 3000);
    p.SetPreset(true);
    p.Open();
    EXPECT_FALSE(p.Picking());
    EXPECT_TRUE(Is(p.Selection(), RECT{0, 0, W, H}));
    EXPECT_EQ(kResultAccept, p.Enter().end);
}

TEST(SceneBoxes, DisjointWithinTheBoundAndSmallForSmallSteps) {
    Scene a;
    a.sel = RECT{100, 100, 1100, 800};
    a.style = FrameStyle::Handles;
    Scene b = a;
    b.sel = RECT{103, 102, 1103, 802}; // a 3-pixel move of a 1000 x 700 rectangle
    std::vector<RECT> boxes = ChangedBoxes(a, b, W, H);
    long long sum = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        sum += Area(boxes[i]);
        for (size_t j = i + 1; j < boxes.size(); ++j) EXPECT_FALSE(Meets(boxes[i], boxes[j]));
    }
    EXPECT_LE(sum, Area(ChangeBound(a, b, W, H)));
    EXPECT_LT(sum, 40000); // bands along the edges and the label, not the whole rectangle

    // A picking move over the same window copies the magnifier's boxes only.
    Scene p;
    p.sel = RECT{0, 0, 600, 400};
    p.style = FrameStyle::Band;
    p.magnifier = true;
    p.magPoint = POINT{100, 100};
    Scene q = p;
    q.magPoint = POINT{104, 101};
    sum = 0;
    for (const RECT& r : ChangedBoxes(p, q, W, H)) sum += Area(r);
    EXPECT_LE(sum, Area(Bounds(SceneMagnifierBox(p, W, H), SceneMagnifierBox(q, W, H))));
    EXPECT_TRUE(ChangedBoxes(q, q, W, H).empty());
}
