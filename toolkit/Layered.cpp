#include "toolkit/Layered.h"

namespace vt {

namespace {
void MakeLayered(HWND hwnd) noexcept {
    const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
}
} // namespace

bool SetColorKey(HWND hwnd, COLORREF key) noexcept {
    if (!::IsWindow(hwnd)) return false;
    MakeLayered(hwnd);
    return ::SetLayeredWindowAttributes(hwnd, key, 255, LWA_COLORKEY) != FALSE;
}

bool UpdateLayered(HWND hwnd, const CImage& image, POINT pos, BYTE alpha) noexcept {
    if (!::IsWindow(hwnd) || image.IsNull() || image.GetBPP() != 32) return false;
    MakeLayered(hwnd);
    WindowDc screen(nullptr);
    UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
    if (!mem) return false;
    SelectGuard sel(mem.Get(), image.GetBitmap());
    SIZE size{image.GetWidth(), image.GetHeight()};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    return ::UpdateLayeredWindow(hwnd, screen.Get(), &pos, &size, mem.Get(), &origin, 0, &blend, ULW_ALPHA) != FALSE;
}

bool SetWindowRegion(HWND hwnd, UniqueRgn& region, bool redraw) noexcept {
    if (!::IsWindow(hwnd) || !region) return false;
    if (!::SetWindowRgn(hwnd, region.Get(), redraw ? TRUE : FALSE)) return false;
    region.Release(); // the system's now
    return true;
}

bool ClearWindowRegion(HWND hwnd, bool redraw) noexcept {
    return ::IsWindow(hwnd) && ::SetWindowRgn(hwnd, nullptr, redraw ? TRUE : FALSE) != FALSE;
}

} // namespace vt
