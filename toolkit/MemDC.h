// Off-screen painting: draw into a memory bitmap, copy to the target in one BitBlt.
#pragma once

#include "toolkit/Raii.h"

namespace vt {

class OffscreenDc {
public:
    // The caller draws in the target's coordinates; rc is the area to cover.
    OffscreenDc(HDC target, const RECT& rc) noexcept;
    ~OffscreenDc();
    OffscreenDc(const OffscreenDc&) = delete;
    OffscreenDc& operator=(const OffscreenDc&) = delete;

    HDC Get() const noexcept { return m_mem.Get() ? m_mem.Get() : m_target; }
    bool IsOffscreen() const noexcept { return static_cast<bool>(m_mem); }
    // Copies to the target now (otherwise done by the destructor).
    void Flush() noexcept;
    // Drops the drawing without copying it.
    void Discard() noexcept { m_flushed = true; }

private:
    HDC m_target;
    RECT m_rc;
    UniqueMemDc m_mem;
    UniqueBitmap m_bitmap;
    SelectGuard m_select;
    bool m_flushed = false;
};

// Copies the target area's current pixels into a new bitmap (for transparent controls).
UniqueBitmap CopyArea(HDC source, const RECT& rc) noexcept;

} // namespace vt
