// The region frame: while a rectangle is set, four red corner marks blink just outside
// it (they are never in the video), and the record control bar is placed beside it. The
// frame's own window is never shown; it owns the marks and their blink timer.
#pragma once

#include "toolkit/Dialog.h"
#include "toolkit/Timer.h"

#include <array>
#include <memory>

class CDisplayRegionDlg;

// One corner mark: a 16 x 16 colour-keyed topmost window whose only visible pixels are
// the red L. It never takes the focus.
class CDlgRegion : public vt::CDialog {
public:
    CDlgRegion(CDisplayRegionDlg* frame, int type, const RECT& rect) noexcept;
    bool Create(HWND frameWindow);
    int Type() const noexcept { return m_type; }
    const RECT& Rect() const noexcept { return m_rect; }

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;

private:
    CDisplayRegionDlg* m_frame;
    int m_type;
    RECT m_rect;
};

class CDisplayRegionDlg : public vt::CDialog {
public:
    static constexpr UINT_PTR kBlinkTimer = 2;
    static constexpr UINT kBlinkPeriod = 500;

    CDisplayRegionDlg() noexcept; // reads the screen's size
    // Top-level and hidden. Enter or Esc on a whole-screen frame posts removeMessage to
    // notify: the owner removes the frame (and the bar) from its message loop.
    bool Create(HWND notify, UINT removeMessage);

    // The whole screen, or the rectangle (an empty one counts as the whole screen) with
    // the window it was picked from. New corner marks replace the old ones and show at
    // once; for a rectangle the control bar is placed beside it.
    void SetRegion(bool fullScreen, const RECT* rect, HWND window);
    // The bar the next SetRegion places (the owner's; null for none).
    void SetControlBar(HWND bar);
    bool BarPlaced() const noexcept { return m_barPlaced; }

    bool IsFullScreen() const noexcept { return m_fullScreen; }
    const RECT& Region() const noexcept { return m_region; }
    HWND Window() const noexcept { return m_window; }
    int BlinkPhase() const noexcept { return m_phase; }
    HWND CornerWindow(int type) const noexcept;

    // Enter or Esc reached the frame or a corner.
    void OnRegionKey();

protected:
    BOOL OnInitDialog() override;
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    bool PreTranslateMessage(MSG* msg) override;
    void OnOK() override { OnRegionKey(); }
    void OnCancel() override { OnRegionKey(); }

private:
    void PlaceBar();
    bool WholeScreen() const noexcept;

    int m_W, m_H;
    HWND m_notify = nullptr;
    UINT m_removeMessage = 0;
    bool m_fullScreen = true;
    HWND m_window = nullptr;
    RECT m_region{};
    int m_phase = 1;
    std::array<std::unique_ptr<CDlgRegion>, 4> m_corners;
    vt::CTimer m_blink;
    HWND m_bar = nullptr;
    bool m_barPlaced = false;
};
