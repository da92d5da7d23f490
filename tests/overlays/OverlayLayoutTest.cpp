// Sizes, places, colours and texts of the overlays and previews, and the camera
// window's decisions: tables of cases, the examples given for them among them.
#include "devices/CameraLayout.h"
#include "region/OverlayLayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

TEST(OverlaySize, TitleFromOutlineBoundsAndFontHeight) {
    EXPECT_EQ((OverlaySize{212, 49}), TitleOverlaySize(24, 200.5f, 30.2f));
    EXPECT_EQ((OverlaySize{4 + 2 + 10 + 2, 7 + 2 + 10 + 2}), TitleOverlaySize(12, 10.0f, 10.0f));
    // Nothing wraps: a giant outline cannot fit any rectangle, a broken one is empty.
    EXPECT_EQ(INT_MAX, TitleOverlaySize(24, 1e12f, 10.0f).cx);
    EXPECT_EQ(0, TitleOverlaySize(24, std::nanf(""), 10.0f).cx);

    EXPECT_EQ(24, TitleFontPixels(-24));
    EXPECT_EQ(24, TitleFontPixels(24));
    EXPECT_EQ(kDefaultTitlePixels, TitleFontPixels(0));
    EXPECT_EQ(2147483648LL, TitleFontPixels(INT_MIN));
}

TEST(OverlaySize, WatermarkScalesWithZoomWithoutOverflow) {
    EXPECT_EQ((OverlaySize{150, 50}), WatermarkOverlaySize(50, 301, 101));
    EXPECT_EQ((OverlaySize{64, 48}), WatermarkOverlaySize(100, 64, 48));
    EXPECT_EQ((OverlaySize{0, 0}), WatermarkOverlaySize(0, 64, 48));
    EXPECT_EQ((OverlaySize{0, 0}), WatermarkOverlaySize(-50, 64, 48));
    EXPECT_EQ((OverlaySize{0, 0}), WatermarkOverlaySize(100, 0, 48));
    EXPECT_EQ((OverlaySize{INT_MAX, INT_MAX}), WatermarkOverlaySize(INT_MAX, 100000, 100000));
}

TEST(OverlayPlace, RulesOfTheRecordedRectangle) {
    const RECT r{100, 50, 740, 530};  // 640 x 480
    struct Case {
        OverlayKind kind;
        OverlaySize size;
        int x, y;
        bool shown;
        POINT at;
    } cases[] = {
        {kOverlayTitle, {200, 40}, 50, 0, true, {100 + 220, 50}},        // centred at the top edge
        {kOverlayWatermark, {64, 48}, 100, 0, true, {740 - 64, 50}},     // top-right corner
        {kOverlayWatermark, {64, 48}, 0, 100, true, {100, 530 - 48}},    // bottom-left corner
        {kOverlayWatermark, {64, 48}, 50, 50, true, {100 + 288, 50 + 216}},
        {kOverlayWatermark, {64, 48}, 250, -40, true, {740 - 64, 50}},   // percentages clamped
        {kOverlayTime, {167, 20}, 0, 0, true, {740 - 167, 530 - 20}},    // bottom-right, inside
        {kOverlayTime, {640, 20}, 0, 0, false, {}},                      // as wide as the rectangle
        {kOverlayTime, {639, 20}, 0, 0, true, {101, 510}},
        {kOverlayTitle, {100, 480}, 50, 50, false, {}},
        {kOverlayWatermark, {0, 0}, 50, 50, false, {}},                  // nothing to show
        {kOverlayTitle, {INT_MAX, INT_MAX}, 50, 50, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.size.cx << "x" << c.size.cy << " at " << c.x << "," << c.y);
        const auto at = PlaceOverlay(c.kind, c.size, r, c.x, c.y);
        ASSERT_EQ(c.shown, at.has_value());
        if (at) {
            EXPECT_EQ(c.at.x, at->x);
            EXPECT_EQ(c.at.y, at->y);
        }
    }
}

TEST(OverlayPaint, AlphaTimeTextAndPreviewFont) {
    EXPECT_FLOAT_EQ(1.0f, WatermarkAlpha(0));
    EXPECT_FLOAT_EQ(0.99f, WatermarkAlpha(1));  // every step shows, not only 0 and 100
    EXPECT_FLOAT_EQ(0.5f, WatermarkAlpha(50));
    EXPECT_FLOAT_EQ(0.0f, WatermarkAlpha(100));
    EXPECT_FLOAT_EQ(0.0f, WatermarkAlpha(250));
    EXPECT_FLOAT_EQ(1.0f, WatermarkAlpha(-3));

    SYSTEMTIME t{2014, 12, 5, 5, 9, 7, 3, 0};
    EXPECT_EQ(L"2014-12-05 09:07:03", TimeText(t));
    t.wMonth = 13;
    EXPECT_EQ(L"", TimeText(t));
    EXPECT_EQ(19u, CurrentTimeText().size());

    // Points to pixels, the sign kept: a stored -11 is a 15-pixel cell height.
    EXPECT_EQ(15, PreviewFontHeight(-11, 96));
    EXPECT_EQ(-16, PreviewFontHeight(12, 96));
}

TEST(OverlayPreview, TitleAndWatermarkPositions) {
    const SIZE client{183, 133};
    struct T {
        SIZE text;
        int x, y;
        POINT at;
    } titles[] = {
        {{40, 20}, 0, 0, {0, 0}},
        {{40, 20}, 50, 0, {88 - 20, 0}},
        {{40, 20}, 100, 100, {177 - 40, 110}},  // y past the lower threshold sits at ch - 3 - h
        {{40, 20}, 50, 50, {68, 63 - 10}},
        {{400, 20}, 50, 0, {177 - 400, 0}},     // wider than the preview: starts left of it
    };
    for (const T& t : titles) {
        const POINT p = TitlePreviewPosition(client, t.text, t.x, t.y);
        EXPECT_EQ(t.at.x, p.x) << t.x << "," << t.y;
        EXPECT_EQ(t.at.y, p.y) << t.x << "," << t.y;
    }
    struct W {
        OverlaySize pic;
        int x, y;
        POINT at;
    } marks[] = {
        {{64, 48}, 100, 0, {180 - 64, 0}},
        {{64, 48}, 50, 50, {90 - 32, 65 - 24}},
        {{64, 48}, 0, 100, {0, 130 - 48}},
        {{4000, 3000}, 0, 0, {180 - 4000, 130 - 3000}},  // the upper limit wins
    };
    for (const W& w : marks) {
        const POINT p = WatermarkPreviewPosition(client, w.pic, w.x, w.y);
        EXPECT_EQ(w.at.x, p.x) << w.pic.cx << " " << w.x << "," << w.y;
        EXPECT_EQ(w.at.y, p.y) << w.pic.cx << " " << w.x << "," << w.y;
    }
}

TEST(OverlayPreview, PositionGrid) {
    EXPECT_EQ(nullptr, FindGridCell(1092));  // a label between the buttons
    ASSERT_NE(nullptr, FindGridCell(1096));
    EXPECT_EQ(50, FindGridCell(1096)->x);
    EXPECT_FALSE(FindGridCell(1096)->xSliderEnabled || FindGridCell(1096)->ySliderEnabled);
    // The slider of a fixed coordinate is disabled: x only in the middle row's ends.
    for (const GridCell& c : kPositionGrid) {
        EXPECT_EQ(c.y == 50 && c.x != 50, c.xSliderEnabled) << c.id;
        EXPECT_EQ(c.y != 50, c.ySliderEnabled) << c.id;
    }
}

// --- Camera window ----------------------------------------------------------

CameraAttr Sizes(std::initializer_list<CameraSize> sizes) {
    CameraAttr a{};
    int i = 0;
    for (const CameraSize& s : sizes) a.sizes[i++] = s;
    return a;
}

TEST(CameraCaptureSize, SmallestAboveThePictureAreaElseTheLargest) {
    const RECT work{0, 0, 1280, 770};
    struct Case {
        CameraAttr attr;
        bool readable;
        SIZE chosen, request;
        size_t listed;
    } cases[] = {
        {Sizes({{320, 240}, {640, 480}, {1280, 720}}), true, {640, 480}, {640, 480}, 3},
        {Sizes({{320, 240}, {352, 288}}), true, {352, 288}, {352, 288}, 2},
        {Sizes({{1300, 700}, {1260, 780}}), true, {1300, 700}, {1260, 750}, 2},  // larger than the work area
        {Sizes({{800, 600}, {600, 800}}), true, {800, 600}, {800, 600}, 2},     // equal areas keep their order
        {Sizes({{640, 480}, {0, 0}, {1280, 720}}), true, {640, 480}, {640, 480}, 1},
        {Sizes({{0x80000000u, 480}, {352, 288}}), true, {352, 288}, {352, 288}, 1},  // not an int: skipped
        {Sizes({{70000, 70000}, {640, 480}}), true, {640, 480}, {640, 480}, 2},      // area beyond 32 bits
        {Sizes({}), true, {320, 240}, {320, 240}, 0},
        {Sizes({{640, 480}}), false, {320, 240}, {320, 240}, 0},
    };
    for (const Case& c : cases) {
        const CaptureSizeChoice got = ChooseCaptureSize(c.readable ? &c.attr : nullptr, work);
        EXPECT_EQ(c.listed, got.listed.size());
        EXPECT_EQ(c.chosen.cx, got.chosen.cx);
        EXPECT_EQ(c.chosen.cy, got.chosen.cy);
        EXPECT_EQ(c.request.cx, got.request.cx);
        EXPECT_EQ(c.request.cy, got.request.cy);
    }
}

TEST(CameraMouse, HitZonesDragRectanglesAndCursors) {
    const SIZE w{558, 458};
    struct Hit {
        POINT pt;
        int code;
    } hits[] = {
        {{0, 0}, kHitTopLeft},        {{7, 7}, kHitTopLeft},          {{8, 0}, kHitTop},
        {{549, 7}, kHitTop},          {{550, 0}, kHitTopRight},       {{557, 8}, kHitRight},
        {{557, 449}, kHitRight},      {{557, 450}, kHitBottomRight},  {{549, 457}, kHitBottom},
        {{8, 450}, kHitBottom},       {{7, 450}, kHitBottomLeft},     {{0, 8}, kHitLeft},
        {{8, 8}, kHitBody},           {{549, 449}, kHitBody},         {{279, 229}, kHitBody},
    };
    for (const Hit& h : hits) EXPECT_EQ(h.code, CameraHitTest(w, h.pt)) << h.pt.x << "," << h.pt.y;

    const RECT start{100, 100, 300, 250};
    auto same = [](RECT a, RECT b) { return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom; };
    EXPECT_TRUE(same(RECT{130, 80, 330, 230}, CameraDragRect(kHitBody, start, 30, -20)));
    EXPECT_TRUE(same(RECT{100, 100, 330, 230}, CameraDragRect(kHitBottomRight, start, 30, -20)));
    EXPECT_TRUE(same(RECT{130, 100, 300, 250}, CameraDragRect(kHitLeft, start, 30, -20)));
    EXPECT_TRUE(same(RECT{100, 80, 330, 250}, CameraDragRect(kHitTopRight, start, 30, -20)));
    // Crossed edges stop at the smallest size.
    EXPECT_TRUE(same(RECT{300 - 32, 100, 300, 250}, CameraDragRect(kHitLeft, start, 500, 0)));
    EXPECT_TRUE(same(RECT{100, 100, 132, 132}, CameraDragRect(kHitBottomRight, start, -500, -500)));

    EXPECT_EQ(IDC_SIZEALL, CameraCursorFor(kHitBody));
    EXPECT_EQ(IDC_SIZEWE, CameraCursorFor(kHitRight));
    EXPECT_EQ(IDC_SIZENS, CameraCursorFor(kHitBottom));
    EXPECT_EQ(IDC_SIZENWSE, CameraCursorFor(kHitBottomRight));
    EXPECT_EQ(IDC_SIZENESW, CameraCursorFor(kHitBottomLeft));

    EXPECT_TRUE(KeepCloseButton(start, POINT{320, 120}));
    EXPECT_FALSE(KeepCloseButton(start, POINT{325, 120}));
    EXPECT_FALSE(KeepCloseButton(start, POINT{330, 120}));
    EXPECT_FALSE(KeepCloseButton(start, POINT{80, 120}));
    EXPECT_TRUE(KeepCloseButton(start, POINT{80, 120}, true));

    // The button goes left of a window at the screen's right edge, never off the screen.
    const RECT screen{0, 0, 1280, 800};
    const POINT right = CloseButtonPlace(start, SIZE{20, 20}, screen);
    EXPECT_EQ(301, right.x);
    EXPECT_EQ(start.top, right.y);
    EXPECT_EQ(1119 - 21, CloseButtonPlace(RECT{1119, 679, 1279, 799}, SIZE{20, 20}, screen).x);
    EXPECT_EQ(1259, CloseButtonPlace(RECT{0, 0, 1258, 100}, SIZE{20, 20}, screen).x);
}

TEST(CameraPlace, PictureInPictureAndUsableFrames) {
    const RECT pip = PictureInPictureRect(RECT{96, 96, 736, 576});
    EXPECT_EQ(736 - 161, pip.left);
    EXPECT_EQ(576 - 121, pip.top);
    EXPECT_EQ(160, pip.right - pip.left);
    const RECT narrow = PictureInPictureRect(RECT{0, 0, 150, 300});
    EXPECT_EQ(75, narrow.right - narrow.left);
    EXPECT_EQ(150, narrow.bottom - narrow.top);
    EXPECT_EQ(149, narrow.right);
    const RECT screen = PictureInPictureScreenRect(1280, 800);
    EXPECT_EQ(1120, screen.left);
    EXPECT_EQ(680, screen.top);

    BITMAPINFOHEADER h{sizeof(h), 640, 480, 1, 24};
    EXPECT_TRUE(UsableFrame(h, 1920));
    EXPECT_FALSE(UsableFrame(h, 1919));
    h.biHeight = -480;
    EXPECT_TRUE(UsableFrame(h, 1920));
    h.biBitCount = 32;
    EXPECT_FALSE(UsableFrame(h, 2560));
    h.biBitCount = 24;
    h.biWidth = 0;
    EXPECT_FALSE(UsableFrame(h, 1920));
    h.biWidth = 100000;
    EXPECT_FALSE(UsableFrame(h, 300000));
}

} // namespace
