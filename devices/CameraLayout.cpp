#include "devices/CameraLayout.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

CaptureSizeChoice ChooseCaptureSize(const CameraAttr* attr, const RECT& workArea) {
    CaptureSizeChoice c;
    c.chosen = kCameraFallbackSize;
    if (attr) {
        for (const CameraSize& s : attr->sizes) {
            if (s.width == 0 || s.height == 0) break;
            // A size that does not fit an int is no size a window can show.
            if (s.width > INT_MAX || s.height > INT_MAX) continue;
            c.listed.push_back(SIZE{static_cast<LONG>(s.width), static_cast<LONG>(s.height)});
        }
        std::vector<SIZE> byArea = c.listed;
        auto area = [](SIZE s) { return static_cast<int64_t>(s.cx) * s.cy; };
        std::stable_sort(byArea.begin(), byArea.end(), [&](SIZE a, SIZE b) { return area(a) < area(b); });
        constexpr int64_t kDisplayArea = static_cast<int64_t>(kCameraDisplayWidth) * kCameraDisplayHeight;
        auto larger = std::find_if(byArea.begin(), byArea.end(), [&](SIZE s) { return area(s) > kDisplayArea; });
        if (larger != byArea.end())
            c.chosen = *larger;
        else if (!byArea.empty())
            c.chosen = byArea.back();
    }
    c.request = c.chosen;
    const LONG ww = workArea.right - workArea.left, wh = workArea.bottom - workArea.top;
    if (c.request.cx > ww || c.request.cy > wh) c.request = SIZE{ww - 20, wh - 20};
    return c;
}

int CameraHitTest(SIZE w, POINT pt) noexcept {
    const LONG r = w.cx, b = w.cy;
    struct Zone {
        RECT rc;
        int code;
    };
    const Zone zones[] = {
        {{r - 8, b - 8, r, b}, kHitBottomRight}, {{8, b - 8, r, b}, kHitBottom},
        {{0, b - 8, 8, b}, kHitBottomLeft},      {{0, 8, 8, b - 8}, kHitLeft},
        {{0, 0, 8, 8}, kHitTopLeft},             {{8, 0, r - 8, 8}, kHitTop},
        {{r - 8, 0, r, 8}, kHitTopRight},        {{r - 8, 8, r, b - 8}, kHitRight},
    };
    for (const Zone& z : zones)
        if (::PtInRect(&z.rc, pt)) return z.code;
    return kHitBody;
}

RECT CameraDragRect(int code, const RECT& start, int dx, int dy) noexcept {
    RECT r = start;
    if (code == kHitBody) {
        ::OffsetRect(&r, dx, dy);
        return r;
    }
    const bool left = code == kHitLeft || code == kHitTopLeft || code == kHitBottomLeft;
    const bool right = code == kHitRight || code == kHitTopRight || code == kHitBottomRight;
    const bool top = code == kHitTop || code == kHitTopLeft || code == kHitTopRight;
    const bool bottom = code == kHitBottom || code == kHitBottomLeft || code == kHitBottomRight;
    const LONG m = kCameraMinimumSize;
    if (left) r.left = std::min(start.left + dx, start.right - m);
    if (right) r.right = std::max(start.right + dx, start.left + m);
    if (top) r.top = std::min(start.top + dy, start.bottom - m);
    if (bottom) r.bottom = std::max(start.bottom + dy, start.top + m);
    return r;
}

LPCWSTR CameraCursorFor(int code) noexcept {
    switch (code) {
    case kHitBody: return IDC_SIZEALL;
    case kHitLeft:
    case kHitRight: return IDC_SIZEWE;
    case kHitTop:
    case kHitBottom: return IDC_SIZENS;
    case kHitTopLeft:
    case kHitBottomRight: return IDC_SIZENWSE;
    case kHitTopRight:
    case kHitBottomLeft: return IDC_SIZENESW;
    default: return IDC_ARROW;
    }
}

POINT CloseButtonPlace(const RECT& window, SIZE button, const RECT& screen) noexcept {
    if (window.right + 1 + button.cx <= screen.right || window.left - 1 - button.cx < screen.left)
        return POINT{window.right + 1, window.top};
    return POINT{window.left - 1 - button.cx, window.top};
}

bool KeepCloseButton(const RECT& window, POINT cursor, bool buttonOnLeft) noexcept {
    const RECT wide{buttonOnLeft ? window.left - 25 : window.left, window.top,
                    buttonOnLeft ? window.right : window.right + 25, window.bottom};
    return ::PtInRect(&wide, cursor) != FALSE;
}

RECT PictureInPictureRect(const RECT& rc) noexcept {
    const LONG w = rc.right - rc.left, h = rc.bottom - rc.top;
    LONG cx = 160, cy = 120;
    if (w < 160 || h < 120) {
        cx = w / 2;
        cy = h / 2;
    }
    const LONG x = rc.right - cx - 1, y = rc.bottom - cy - 1;
    return RECT{x, y, x + cx, y + cy};
}

RECT PictureInPictureScreenRect(int sw, int sh) noexcept {
    return RECT{sw - 160, sh - 120, sw, sh};
}

bool UsableFrame(const BITMAPINFOHEADER& h, int64_t stride) noexcept {
    if (h.biBitCount != 24) return false;
    if (h.biWidth <= 0 || h.biWidth > kMaxFrameSide) return false;
    if (h.biHeight == 0 || h.biHeight < -kMaxFrameSide || h.biHeight > kMaxFrameSide) return false;
    return stride >= 3 * static_cast<int64_t>(h.biWidth) && stride <= INT_MAX / kMaxFrameSide;
}
