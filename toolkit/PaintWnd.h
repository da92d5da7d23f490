// A window that paints its whole client area through an off-screen bitmap.
#pragma once

#include "toolkit/MemDC.h"
#include "toolkit/Wnd.h"

namespace vt {

class CPaintWnd : public CWnd {
protected:
    // Draws everything into dc (client coordinates); copied to the screen in one step.
    virtual void Paint(HDC dc, const RECT& client) = 0;

    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnPaint() override {
        PaintDc pdc(m_hWnd);
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        OffscreenDc off(pdc.Get(), rc);
        Paint(off.Get(), rc);
        return true;
    }
};

} // namespace vt
