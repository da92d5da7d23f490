#include "region/DlgAddScreen.h"

#include "ids/region.h"

#include <algorithm>

namespace {

constexpr UINT_PTR kPresetTimer = 1;
constexpr UINT kPresetDelay = 50;
constexpr DWORD kHideWait = 300;

SIZE ScreenSize() noexcept {
    vt::WindowDc screen(nullptr);
    return SIZE{::GetDeviceCaps(screen.Get(), HORZRES), ::GetDeviceCaps(screen.Get(), VERTRES)};
}

// Lets the windows uncovered by the hidden main window repaint, and the display catch up,
// before the screen is copied: only a message wait brings the display up to date, a
// plain sleep does not. Only paint messages are dispatched meanwhile.
void WaitDispatchingPaint(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_PAINT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) ::DispatchMessageW(&msg);
    }
}

LPCWSTR CursorResource(region::CursorShape c) noexcept {
    switch (c) {
    case region::CursorShape::Move: return IDC_SIZEALL;
    case region::CursorShape::SizeWE: return IDC_SIZEWE;
    case region::CursorShape::SizeNS: return IDC_SIZENS;
    case region::CursorShape::SizeNWSE: return IDC_SIZENWSE;
    case region::CursorShape::SizeNESW: return IDC_SIZENESW;
    default: return IDC_ARROW;
    }
}

} // namespace

CDlgAddScreen::CDlgAddScreen()
    : vt::CDialog(IDD_ADD_SCREEN), m_model(static_cast<int>(ScreenSize().cx), static_cast<int>(ScreenSize().cy)) {}

CDlgAddScreen::~CDlgAddScreen() = default;

INT_PTR CDlgAddScreen::Run(HWND owner) {
    m_runStart = ::GetTickCount();
    m_openedIn = 0;
    return DoModal(owner);
}

BOOL CDlgAddScreen::OnInitDialog() {
    m_stats = CopyStats{};
    m_finished = false;
    m_owner = ::GetWindow(m_hWnd, GW_OWNER);
    ApplyCursor();
    if (m_owner && ::IsWindowVisible(m_owner)) {
        ::ShowWindow(m_owner, SW_HIDE);
        m_ownerHidden = true;
    }
    const int W = m_model.ScreenWidth(), H = m_model.ScreenHeight();
    WaitDispatchingPaint(kHideWait);
    vt::CImage shot = m_source ? m_source(W, H) : region::CaptureScreen(W, H);
    if (shot.GetWidth() != W || shot.GetHeight() != H) shot.Destroy();
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, W, H, SWP_NOACTIVATE);

    m_model.Open();
    if (!m_renderer.Init(std::move(shot), m_model.CurrentScene())) {
        // Without the screen there is nothing to choose on: as cancelled.
        Finish(region::kResultCancel);
        return TRUE;
    }
    if (m_model.Preset()) m_presetTimer.Start(m_hWnd, kPresetTimer, kPresetDelay);

    if (m_helper.Create(m_hWnd, this, W, H)) {
        ::ShowWindow(m_helper.GetSafeHwnd(), SW_SHOWNA);
        PlaceHelper();
    }
    return TRUE;
}

void CDlgAddScreen::Finish(int result) {
    // The first ending counts: an Esc queued behind the Enter that ended it changes nothing.
    if (m_finished) return;
    m_finished = true;
    RestoreOwner();
    EndDialog(result);
}

void CDlgAddScreen::RestoreOwner() {
    if (m_ownerHidden && ::IsWindow(m_owner)) ::ShowWindow(m_owner, SW_SHOW);
    m_ownerHidden = false;
}

void CDlgAddScreen::OnDestroy() {
    m_presetTimer.Stop();
    if (m_captured) {
        m_captured = false;
        ::ReleaseCapture();
    }
    RestoreOwner();
}

bool CDlgAddScreen::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    const RECT r = pdc.Info().rcPaint;
    if (m_renderer.IsReady()) {
        ::BitBlt(pdc.Get(), r.left, r.top, r.right - r.left, r.bottom - r.top, m_renderer.Dc(), r.left, r.top,
                 SRCCOPY);
        Count(r, true);
    }
    if (!m_openedIn) m_openedIn = std::max<DWORD>(::GetTickCount() - m_runStart, 1);
    return true;
}

void CDlgAddScreen::Count(const RECT& r, bool painting) {
    const long long area = region::Area(r);
    m_stats.pixels += static_cast<std::uint64_t>(area);
    ++m_stats.copies;
    if (!painting) m_stats.stepPixels += static_cast<std::uint64_t>(area);
    if (area >= static_cast<long long>(m_model.ScreenWidth()) * m_model.ScreenHeight()) {
        ++m_stats.fullScreenCopies;
        if (!painting) ++m_stats.fullScreenOutsidePaint;
    }
}

bool CDlgAddScreen::OnTimer(UINT_PTR id) {
    if (id != kPresetTimer) return false;
    m_presetTimer.Stop();
    if (m_model.Preset()) {
        m_model.PresetTimer();
        Apply(region::Effects{});
    }
    return true;
}

std::optional<region::PickResult> CDlgAddScreen::PickAt(POINT p) {
    // The top-level window under the point among the visible, enabled ones, the overlay
    // skipped: what ChildWindowFromPointEx on the desktop finds with the overlay
    // disabled, without disabling it (which drops the focus and the mouse capture and
    // costs milliseconds per move under Wine).
    HWND found = nullptr;
    for (HWND h = ::GetWindow(::GetDesktopWindow(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h == m_hWnd) continue;
        const LONG style = ::GetWindowLongW(h, GWL_STYLE);
        RECT rc{};
        if ((style & WS_VISIBLE) && !(style & WS_DISABLED) && ::GetWindowRect(h, &rc) && ::PtInRect(&rc, p)) {
            found = h;
            break;
        }
    }
    if (!found) found = ::GetDesktopWindow();
    // Down to the innermost visible child under the point.
    for (;;) {
        POINT c = p;
        ::ScreenToClient(found, &c);
        HWND child = ::ChildWindowFromPointEx(found, c, CWP_SKIPINVISIBLE);
        if (!child || child == found) break;
        found = child;
    }
    RECT rc{};
    if (!::GetWindowRect(found, &rc)) return std::nullopt;
    return region::PickResult{found, rc};
}

bool CDlgAddScreen::OnMouse(UINT msg, POINT pt, UINT) {
    if (!m_renderer.IsReady() || m_finished) return false;
    // The lock is the helper's; read it as the drag goes.
    m_model.SetSizeLocked(m_helper.IsSizeLocked());
    switch (msg) {
    case WM_MOUSEMOVE: Apply(m_model.Move(pt, m_picker)); return true;
    case WM_LBUTTONDOWN: Apply(m_model.LeftDown(pt)); return true;
    case WM_LBUTTONUP: Apply(m_model.LeftUp(pt)); return true;
    case WM_LBUTTONDBLCLK: Apply(m_model.DoubleClick()); return true;
    case WM_RBUTTONUP: Apply(m_model.RightUp(pt, m_picker)); return true;
    default: return false;
    }
}

bool CDlgAddScreen::OnSetCursor(HWND hwnd, UINT hitTest, UINT) {
    if (hwnd != m_hWnd || hitTest != HTCLIENT) return false;
    ApplyCursor();
    return true;
}

void CDlgAddScreen::ApplyCursor() { ::SetCursor(::LoadCursorW(nullptr, CursorResource(m_model.Cursor()))); }

bool CDlgAddScreen::PreTranslateMessage(MSG* msg) {
    // Enter and Esc end the overlay from anywhere in it, also as system keys: while
    // nothing has the focus they arrive as WM_SYSKEYDOWN, which the dialog manager
    // would not turn into IDOK.
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return false;
    if (m_finished) return msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE;
    if (msg->wParam == VK_RETURN) {
        Apply(m_model.Enter());
        return true;
    }
    if (msg->wParam == VK_ESCAPE) {
        Apply(m_model.Escape());
        return true;
    }
    return false;
}

LRESULT CDlgAddScreen::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CAPTURECHANGED && m_captured && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        // Taken away during a drag: the drag ends as if released.
        m_captured = false;
        Apply(m_model.CaptureLost());
        return 0;
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

void CDlgAddScreen::CopyToWindow(const std::vector<RECT>& boxes) {
    if (boxes.empty()) return;
    vt::WindowDc dc(m_hWnd);
    for (const RECT& r : boxes) {
        ::BitBlt(dc.Get(), r.left, r.top, r.right - r.left, r.bottom - r.top, m_renderer.Dc(), r.left, r.top,
                 SRCCOPY);
        Count(r, false);
    }
}

void CDlgAddScreen::Apply(const region::Effects& e) {
    if (m_renderer.IsReady()) {
        const region::Scene before = m_renderer.Shown();
        const region::Scene after = m_model.CurrentScene();
        m_stats.stepPixels = 0;
        m_stats.stepBound = region::ChangeBound(before, after, m_model.ScreenWidth(), m_model.ScreenHeight());
        CopyToWindow(m_renderer.Show(after));
    }
    if (e.capture && !m_captured) {
        ::SetCapture(m_hWnd);
        m_captured = ::GetCapture() == m_hWnd;
    }
    if (e.releaseCapture && m_captured) {
        m_captured = false;
        ::ReleaseCapture();
    }
    if (e.cursorChanged) ApplyCursor();
    if (e.placeHelper) PlaceHelper();
    if (e.end) Finish(*e.end);
}

void CDlgAddScreen::PlaceHelper() {
    HWND h = m_helper.GetSafeHwnd();
    if (!h) return;
    const RECT& s = m_model.Selection();
    const POINT at = region::HelperPosition(s, m_model.RectangleExists(), m_helper.Size(), m_model.ScreenWidth(),
                                            m_model.ScreenHeight());
    ::SetWindowPos(h, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    m_helper.Refresh(region::Width(s), region::Height(s));
}

void CDlgAddScreen::HelperCancel() { Apply(m_model.Escape()); }
void CDlgAddScreen::HelperRecordNow() { Apply(m_model.RecordNow()); }

void CDlgAddScreen::HelperTypedWidth(int value) {
    const region::Effects e = m_model.TypedWidth(value);
    if (e.putBack) m_helper.PutBackWidth(region::Width(m_model.Selection()));
    Apply(e);
}

void CDlgAddScreen::HelperTypedHeight(int value) {
    const region::Effects e = m_model.TypedHeight(value);
    if (e.putBack) m_helper.PutBackHeight(region::Height(m_model.Selection()));
    Apply(e);
}
