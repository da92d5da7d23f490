#include "toolkit/MemDC.h"

namespace vt {

OffscreenDc::OffscreenDc(HDC target, const RECT& rc) noexcept : m_target(target), m_rc(rc) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    m_mem.Reset(::CreateCompatibleDC(target));
    m_bitmap.Reset(::CreateCompatibleBitmap(target, w, h));
    if (!m_mem || !m_bitmap) {
        m_mem.Reset();
        m_bitmap.Reset();
        return;
    }
    m_select = SelectGuard(m_mem.Get(), m_bitmap.Get());
    ::SetWindowOrgEx(m_mem.Get(), rc.left, rc.top, nullptr);
}

void OffscreenDc::Flush() noexcept {
    if (m_flushed || !m_mem) return;
    m_flushed = true;
    ::SetWindowOrgEx(m_mem.Get(), 0, 0, nullptr);
    ::BitBlt(m_target, m_rc.left, m_rc.top, m_rc.right - m_rc.left, m_rc.bottom - m_rc.top, m_mem.Get(), 0, 0,
             SRCCOPY);
}

OffscreenDc::~OffscreenDc() {
    Flush();
    m_select.Reset();
}

UniqueBitmap CopyArea(HDC source, const RECT& rc) noexcept {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return {};
    UniqueMemDc mem(::CreateCompatibleDC(source));
    UniqueBitmap bmp(::CreateCompatibleBitmap(source, w, h));
    if (!mem || !bmp) return {};
    SelectGuard sel(mem.Get(), bmp.Get());
    ::BitBlt(mem.Get(), 0, 0, w, h, source, rc.left, rc.top, SRCCOPY);
    return bmp;
}

} // namespace vt
