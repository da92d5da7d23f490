#include "region/RegionFrame.h"

#include "ids/region.h"
#include "region/RegionGeometry.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"

namespace {

constexpr COLORREF kKey = RGB(0, 0, 0);
constexpr COLORREF kMark = RGB(255, 0, 0);

bool IsEnterOrEsc(const MSG* msg) noexcept {
    return (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) &&
           (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}

} // namespace

// ------------------------------------------------------------------ corner mark

CDlgRegion::CDlgRegion(CDisplayRegionDlg* frame, int type, const RECT& rect) noexcept
    : vt::CDialog(IDD_REGION_CORNER), m_frame(frame), m_type(type), m_rect(rect) {}

bool CDlgRegion::Create(HWND frameWindow) { return vt::CDialog::Create(frameWindow); }

BOOL CDlgRegion::OnInitDialog() {
    vt::SetColorKey(m_hWnd, kKey);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, m_rect.left, m_rect.top, region::Width(m_rect), region::Height(m_rect),
                   SWP_NOACTIVATE | SWP_HIDEWINDOW);
    return FALSE;
}

bool CDlgRegion::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(pdc.Get(), rc);
    vt::UniqueBrush key(::CreateSolidBrush(kKey)), mark(::CreateSolidBrush(kMark));
    ::FillRect(off.Get(), &rc, key.Get());
    // The bars reach past the square; the bitmap clips them to it.
    for (RECT bar : region::CornerBars(m_type, rc.right, rc.bottom)) {
        const RECT clipped = region::Intersect(bar, rc);
        if (!region::IsEmpty(clipped)) ::FillRect(off.Get(), &clipped, mark.Get());
    }
    return true;
}

bool CDlgRegion::PreTranslateMessage(MSG* msg) {
    if (!IsEnterOrEsc(msg)) return false;
    if (m_frame) m_frame->OnRegionKey();
    return true;
}

void CDlgRegion::OnOK() {
    if (m_frame) m_frame->OnRegionKey();
}

void CDlgRegion::OnCancel() {
    if (m_frame) m_frame->OnRegionKey();
}

LRESULT CDlgRegion::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // A click on a mark must not take the focus from the window the user works in.
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

// ------------------------------------------------------------------ frame

CDisplayRegionDlg::CDisplayRegionDlg() noexcept
    : vt::CDialog(IDD_DISPLAY_REGION), m_W(::GetSystemMetrics(SM_CXSCREEN)), m_H(::GetSystemMetrics(SM_CYSCREEN)) {
    m_region = RECT{0, 0, m_W, m_H};
}

bool CDisplayRegionDlg::Create(HWND notify, UINT removeMessage) {
    m_notify = notify;
    m_removeMessage = removeMessage;
    return vt::CDialog::Create(nullptr);
}

BOOL CDisplayRegionDlg::OnInitDialog() {
    ::ShowWindow(m_hWnd, SW_HIDE);
    const LONG_PTR ex = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    m_phase = 1;
    m_blink.Start(m_hWnd, kBlinkTimer, kBlinkPeriod);
    vt::SetColorKey(m_hWnd, kKey);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, m_W, m_H, SWP_NOACTIVATE | SWP_HIDEWINDOW);
    return FALSE;
}

HWND CDisplayRegionDlg::CornerWindow(int type) const noexcept {
    return type >= 0 && type < 4 && m_corners[type] ? m_corners[type]->GetSafeHwnd() : nullptr;
}

bool CDisplayRegionDlg::WholeScreen() const noexcept {
    return m_fullScreen || region::SameRect(m_region, RECT{0, 0, m_W, m_H});
}

void CDisplayRegionDlg::SetRegion(bool fullScreen, const RECT* rect, HWND window) {
    m_fullScreen = fullScreen;
    m_window = window;
    // An empty rectangle is recorded as the whole screen: mark it as such, so that no
    // mark or bar stands inside the picture.
    m_region = (!fullScreen && rect && !region::IsEmpty(*rect)) ? *rect : RECT{0, 0, m_W, m_H};
    for (auto& c : m_corners) c.reset();
    const std::array<RECT, 4> places = region::CornerRects(m_region);
    for (int i = 0; i < 4; ++i) {
        auto corner = std::make_unique<CDlgRegion>(this, i, places[i]);
        if (!m_hWnd || !corner->Create(m_hWnd)) continue;
        // Shown without activation: a blinking mark must never take the keyboard.
        ::ShowWindow(corner->GetSafeHwnd(), SW_SHOWNA);
        m_corners[i] = std::move(corner);
    }
    PlaceBar();
}

void CDisplayRegionDlg::SetControlBar(HWND bar) {
    m_bar = bar;
    m_barPlaced = false;
}

void CDisplayRegionDlg::PlaceBar() {
    m_barPlaced = false;
    if (!m_bar || !::IsWindow(m_bar)) return;
    if (WholeScreen()) {
        // Over the whole screen the bar would be in the video.
        ::ShowWindow(m_bar, SW_HIDE);
        return;
    }
    RECT target = m_region;
    RECT wr{};
    if (m_window && ::IsWindow(m_window) && ::GetWindowRect(m_window, &wr)) target = wr;
    RECT br{};
    ::GetWindowRect(m_bar, &br);
    const std::optional<POINT> at = region::ControlBarPosition(target, SIZE{region::Width(br), region::Height(br)},
                                                               SIZE{m_W, m_H});
    if (!at) {
        // Left where it was, it could stand over the new region and be recorded.
        ::ShowWindow(m_bar, SW_HIDE);
        return;
    }
    ::SetWindowPos(m_bar, HWND_TOPMOST, at->x, at->y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // Painted at once: a skinned button the owner shows next copies the bar's pixels
    // under it, which are black until the bar has painted.
    ::UpdateWindow(m_bar);
    m_barPlaced = true;
}

bool CDisplayRegionDlg::OnTimer(UINT_PTR id) {
    if (id != kBlinkTimer) return false;
    m_phase = m_phase ? 0 : 1;
    for (auto& c : m_corners)
        if (c && *c) ::ShowWindow(c->GetSafeHwnd(), m_phase ? SW_SHOWNA : SW_HIDE);
    return true;
}

void CDisplayRegionDlg::OnDestroy() {
    m_blink.Stop();
    for (auto& c : m_corners) c.reset();
}

bool CDisplayRegionDlg::PreTranslateMessage(MSG* msg) {
    if (!IsEnterOrEsc(msg)) return false;
    OnRegionKey();
    return true;
}

void CDisplayRegionDlg::OnRegionKey() {
    // Swallowed; for the whole screen the owner removes the frame, from its own loop:
    // the frame must not go while one of its handlers runs.
    if (m_fullScreen && m_notify) ::PostMessageW(m_notify, m_removeMessage, 0, 0);
}
