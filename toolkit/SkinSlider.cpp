#include "toolkit/SkinControls.h"

#include "toolkit/MemDC.h"

#include <algorithm>
#include <windowsx.h>

bool CNSliderEx::Create(HWND parent, int id, int x, int y, int cx, int cy) {
    return CreateEx({.style = WS_CHILD | WS_VISIBLE, .rect = vt::RectXYWH(x, y, cx, cy), .parent = parent,
                     .id = static_cast<UINT>(id)});
}

bool CNSliderEx::SetImage(const wchar_t* path, UINT pngId) {
    const bool ok = vt::LoadImageResource(m_strip, path, pngId) != 0;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
    return ok;
}

void CNSliderEx::SetThumb(int sourceX, int width) {
    m_thumbSourceX = sourceX;
    m_thumbWidth = width > 0 ? width : 1;
    OnSize(m_client.right, m_client.bottom);
}

void CNSliderEx::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum;
    if (m_max > m_min) m_value = std::clamp(m_value, m_min, m_max);
    OnSize(m_client.right, m_client.bottom);
}

int CNSliderEx::ValueAt(int thumbLeft) const noexcept {
    const int track = Track();
    const long long range = static_cast<long long>(m_max) - m_min;
    if (range <= 0 || track <= 0) return m_min;
    // Exact integer division: a float pixels-per-unit (2.2 on a 229-pixel slider) would
    // put the right end at 99.
    return static_cast<int>(m_min + static_cast<long long>(thumbLeft) * range / track);
}

int CNSliderEx::ThumbLeftFor(int value) const noexcept {
    const int track = Track();
    const long long range = static_cast<long long>(m_max) - m_min;
    if (range <= 0 || track <= 0) return 0;
    const long long v = std::clamp<long long>(value, m_min, m_max) - m_min;
    return static_cast<int>(v * track / range);
}

void CNSliderEx::OnSize(int cx, int cy) {
    m_client = RECT{0, 0, cx, cy};
    const long long range = static_cast<long long>(m_max) - m_min;
    m_pixelsPerUnit = range > 0 ? static_cast<float>(cx - m_thumbWidth) / static_cast<float>(range) : 0.0f;
    // The thumb stays where the value puts it.
    const int left = ThumbLeftFor(m_value);
    m_thumb = RECT{left, 0, left + m_thumbWidth, cy};
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNSliderEx::SetValue(int value) {
    if (m_max > m_min) value = std::clamp(value, m_min, m_max);
    if (value == m_value) return;
    m_value = value;
    PlaceThumb(ThumbLeftFor(value));
}

void CNSliderEx::PlaceThumb(int left) {
    // Without a range there is nowhere to go.
    const int maxLeft = m_max > m_min ? std::max(0, Track()) : 0;
    left = std::clamp(left, 0, maxLeft);
    m_thumb.left = left;
    m_thumb.right = left + m_thumbWidth;
    m_thumb.top = 0;
    m_thumb.bottom = m_client.bottom;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNSliderEx::UpdateValueFromThumb() {
    const int value = ValueAt(m_thumb.left);
    if (value == m_value) return;
    m_value = value;
    if (HWND parent = ::GetParent(m_hWnd))
        ::SendMessageW(parent, WM_SKIN_SLIDER_CHANGED, static_cast<WPARAM>(value), reinterpret_cast<LPARAM>(m_hWnd));
}

void CNSliderEx::Paint(HDC target) {
    const RECT rc = m_client;
    if (rc.right <= 0 || rc.bottom <= 0) return;
    vt::OffscreenDc off(target, rc);
    HDC dc = off.Get();
    if (m_background) vt::DrawBitmap(dc, m_background.Get(), 0, 0, m_backgroundSize.cx, m_backgroundSize.cy);
    if (m_strip.IsNull() || m_strip.GetWidth() < 2) return;
    const int sw = m_strip.GetWidth(), sh = m_strip.GetHeight();
    const int split = std::clamp(static_cast<int>(m_thumb.left + m_thumbWidth / 2), 0, static_cast<int>(rc.right));
    m_strip.Draw(dc, 0, 0, split, rc.bottom, sw - 1, 0, 1, sh);
    m_strip.Draw(dc, split, 0, rc.right - split, rc.bottom, sw - 2, 0, 1, sh);
    m_strip.Draw(dc, m_thumb.left, m_thumb.top, m_thumbWidth, m_thumb.bottom - m_thumb.top, m_thumbSourceX, 0,
                 m_thumbWidth, sh);
}

LRESULT CNSliderEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        // A static underneath would let the mouse through to the parent.
        return HTCLIENT;
    case WM_SIZE:
        m_background.Reset();
        OnSize(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOVE:
        m_background.Reset();
        break;
    case WM_ERASEBKGND:
        if (!m_background) m_background = vt::CopyParentBackground(m_hWnd, &m_backgroundSize);
        return 1;
    case WM_PAINT: {
        if (!m_background) m_background = vt::CopyParentBackground(m_hWnd, &m_backgroundSize);
        vt::PaintDc pdc(m_hWnd);
        Paint(pdc.Get());
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (::PtInRect(&m_thumb, pt)) {
            m_dragging = true;
            m_dragStartX = pt.x;
            m_dragStartThumb = m_thumb;
            ::SetCapture(m_hWnd);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        if (!m_tracking) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 1};
            m_tracking = ::TrackMouseEvent(&tme) != FALSE;
        }
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (m_dragging && ::PtInRect(&m_client, pt)) {
            PlaceThumb(m_dragStartThumb.left + (pt.x - m_dragStartX));
            UpdateValueFromThumb();
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (::PtInRect(&m_client, pt)) {
            PlaceThumb(pt.x - m_thumbWidth / 2);
            UpdateValueFromThumb();
        }
        m_dragging = false;
        if (::GetCapture() == m_hWnd) ::ReleaseCapture();
        return 0;
    }
    case WM_CAPTURECHANGED:
        m_dragging = false;
        break;
    case WM_MOUSEHOVER:
        m_hover = true;
        return 0;
    case WM_MOUSELEAVE:
        m_hover = false;
        m_tracking = false;
        return 0;
    case WM_ENABLE:
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
