// The overlay's drawing on a screenshot whose every pixel tells where it is: dimmed
// outside, true inside, frame, label and magnifier in place, and after any sequence of
// steps exactly what a fresh drawing of the last scene gives (no trails).
#include "region/OverlayRenderer.h"
#include "RegionTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>

using namespace region;

namespace {

constexpr int W = 640, H = 480;

DWORD Dimmed(DWORD c) {
    return (DWORD(DimChannel((c >> 16) & 255)) << 16) | (DWORD(DimChannel((c >> 8) & 255)) << 8) |
           DimChannel(c & 255);
}

bool Near(DWORD a, DWORD b) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 1) return false;
    return true;
}

Scene WithHandles(RECT s) {
    Scene sc;
    sc.sel = s;
    sc.style = FrameStyle::Handles;
    return sc;
}

bool AnyWhite(const OverlayRenderer& r, const RECT& box) {
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            if ((r.PixelAt(x, y) & 0xF0F0F0) == 0xF0F0F0) return true;
    return false;
}

} // namespace

TEST(OverlayRenderer, DimOutsideTruePixelsInsideFrameAndLabel) {
    OverlayRenderer r;
    ASSERT_TRUE(r.Init(rt::CodedScreenshot(W, H), Scene{}));
    // Nothing chosen: everything dimmed, as GDI+ blends black at alpha 128 (within 1).
    for (int y = 0; y < H; y += 37)
        for (int x = 0; x < W; x += 41) ASSERT_TRUE(Near(Dimmed(rt::CodedPixel(x, y)), r.PixelAt(x, y))) << x << "," << y;

    const RECT s{100, 100, 300, 200};
    r.Show(WithHandles(s));
    EXPECT_EQ(rt::CodedPixel(200, 150), r.PixelAt(200, 150));
    EXPECT_EQ(rt::CodedPixel(103, 103), r.PixelAt(103, 103)); // just inside the handle
    const DWORD frame = kFrameColour & 0xFFFFFF;
    EXPECT_EQ(frame, r.PixelAt(100, 150));                                   // outline, left column
    EXPECT_EQ(frame, r.PixelAt(299, 150));                                   // outline, right column
    EXPECT_EQ(frame, r.PixelAt(150, 199));                                   // outline, bottom row
    EXPECT_EQ(frame, r.PixelAt(98, 98));                                     // top-left handle
    EXPECT_EQ(frame, r.PixelAt(200 - 2, 200 + 1));                           // bottom-middle handle
    EXPECT_EQ(frame, r.PixelAt(300 + 1, 150 + 2));                           // right-middle handle
    EXPECT_TRUE(Near(Dimmed(rt::CodedPixel(97, 150)), r.PixelAt(97, 150))); // outside, dimmed
    if (r.HasFont()) {
        EXPECT_TRUE(AnyWhite(r, RECT{100, 79, 172, 99})); // "200 x 100" above
    }

    // Picking: a 4-pixel band just outside, nothing inside but the true pixels.
    Scene band = WithHandles(s);
    band.style = FrameStyle::Band;
    r.Show(band);
    for (int x = 96; x < 100; ++x) EXPECT_EQ(frame, r.PixelAt(x, 150)) << x;
    EXPECT_TRUE(Near(Dimmed(rt::CodedPixel(95, 150)), r.PixelAt(95, 150)));
    EXPECT_EQ(rt::CodedPixel(100, 150), r.PixelAt(100, 150));
    EXPECT_TRUE(Near(Dimmed(rt::CodedPixel(120, 90)), r.PixelAt(120, 90))) << "no label while picking";
}

TEST(OverlayRenderer, MagnifierZoomsFourTimesAndFlips) {
    OverlayRenderer r;
    ASSERT_TRUE(r.Init(rt::CodedScreenshot(W, H), Scene{}));
    Scene m;
    m.magnifier = true;
    m.magPoint = POINT{320, 240};
    r.Show(m);
    const RECT box = MagnifierBox(m.magPoint, W, H);
    // Cells sampled away from the frame's accent ring round the centre cell.
    EXPECT_EQ(rt::CodedPixel(320, 240), r.PixelAt(box.left + 60, box.top + 44));
    EXPECT_EQ(rt::CodedPixel(320, 240), r.PixelAt(box.left + 61, box.top + 45));
    EXPECT_EQ(rt::CodedPixel(322, 239), r.PixelAt(box.left + 3 + 4 * 16 + 1, box.top + 3 + 4 * 9 + 2));
    EXPECT_EQ(rt::CodedPixel(306, 230), r.PixelAt(box.left + 4, box.top + 4)); // first cell
    if (r.HasFont()) {
        EXPECT_TRUE(AnyWhite(r, RECT{box.left + 3, box.top + 92, box.right - 3, box.bottom - 3}));
    }

    // Bottom right: the box flips to the left and above; the centre is still the pixel.
    m.magPoint = POINT{W - 1, H - 1};
    r.Show(m);
    const RECT flipped = MagnifierBox(m.magPoint, W, H);
    EXPECT_EQ(W - 1 - 128, flipped.left);
    EXPECT_EQ(rt::CodedPixel(W - 1, H - 1), r.PixelAt(flipped.left + 60, flipped.top + 44));
    // At (0, 0) the cells off the screen stay unpainted: the dimmed screen shows there.
    m.magPoint = POINT{0, 0};
    r.Show(m);
    EXPECT_EQ(rt::CodedPixel(0, 0), r.PixelAt(8 + 60, 24 + 44));
    EXPECT_TRUE(Near(Dimmed(rt::CodedPixel(8 + 4, 24 + 4)), r.PixelAt(8 + 4, 24 + 4)));
}

TEST(OverlayRenderer, StepsLeaveNoTrails) {
    // Any sequence of scenes, drawn step by step, ends exactly as the last scene drawn
    // afresh: old frames, labels (also of a rectangle resized to nothing) and
    // magnifiers are all gone.
    OverlayRenderer stepped;
    ASSERT_TRUE(stepped.Init(rt::CodedScreenshot(W, H), Scene{}));
    std::srand(7);
    Scene last;
    for (int i = 0; i < 60; ++i) {
        Scene s;
        const int l = std::rand() % W, t = std::rand() % H;
        s.sel = RECT{l, t, std::min(W, l + std::rand() % 300), std::min(H, t + std::rand() % 200)};
        if (i % 7 == 3) s.sel.right = s.sel.left; // width 0
        s.style = IsEmpty(s.sel) ? FrameStyle::None : (i % 3 ? FrameStyle::Handles : FrameStyle::Band);
        s.magnifier = i % 2 == 0;
        s.magPoint = POINT{std::rand() % W, std::rand() % H};
        s.magCoordinates = i % 4 == 0;
        const std::vector<RECT> boxes = stepped.Show(s);
        long long sum = 0;
        for (const RECT& b : boxes) sum += Area(b);
        ASSERT_LE(sum, Area(ChangeBound(last, s, W, H))) << i;
        last = s;
    }
    OverlayRenderer fresh;
    ASSERT_TRUE(fresh.Init(rt::CodedScreenshot(W, H), last));
    int differing = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) differing += stepped.PixelAt(x, y) != fresh.PixelAt(x, y);
    EXPECT_EQ(0, differing);
}
