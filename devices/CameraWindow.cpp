#include "devices/CameraWindow.h"

#include "config/Language.h"
#include "devices/CameraLayout.h"
#include "resources/ids/overlays.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"
#include "toolkit/Trace.h"

#include <algorithm>
#include <cstring>

namespace {

void MakeToolWindow(HWND hwnd) {
    const LONG_PTR ex = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
}

bool IsSwallowedKey(const MSG* msg) {
    return msg->message == WM_KEYDOWN &&
           (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE || msg->wParam == VK_END);
}

} // namespace

// --- Close button -----------------------------------------------------------

CDlgCloseCamera::CDlgCloseCamera(ICameraHost* host) : vt::CDialog(IDD_CLOSE_CAMERA), m_host(host) {}

BOOL CDlgCloseCamera::OnInitDialog() {
    ::ShowWindow(m_hWnd, SW_HIDE);
    MakeToolWindow(m_hWnd);
    vt::LoadImageResource(m_image, nullptr, 189);
    const int w = m_image.IsNull() ? 24 : m_image.GetWidth(), h = m_image.IsNull() ? 24 : m_image.GetHeight();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    vt::UniqueRgn rgn(::CreateRoundRectRgn(0, 0, w + 1, h + 1, 2, 2));
    vt::SetWindowRegion(m_hWnd, rgn, false);
    return FALSE;
}

bool CDlgCloseCamera::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(pdc.Get(), rc);
    ::FillRect(off.Get(), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    if (!m_image.IsNull()) m_image.Draw(off.Get(), rc);
    return true;
}

bool CDlgCloseCamera::OnMouse(UINT msg, POINT, UINT) {
    if (msg != WM_LBUTTONDOWN) return false;
    if (HWND target = m_host ? m_host->NotifyWindow() : nullptr) ::PostMessageW(target, kCameraHideMessage, 0, 0);
    ::ShowWindow(m_hWnd, SW_HIDE);
    return true;
}

bool CDlgCloseCamera::PreTranslateMessage(MSG* msg) { return IsSwallowedKey(msg); }

// --- Picture area -----------------------------------------------------------

void CCameraPicture::ShowFrame(const BYTE* bits, int width, int height, int64_t stride) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    vt::WindowDc screen(m_hWnd);
    if (!m_dc || m_size.cx != rc.right || m_size.cy != rc.bottom) {
        m_select.Reset();
        m_dc.Reset(::CreateCompatibleDC(screen.Get()));
        m_bitmap.Reset(::CreateCompatibleBitmap(screen.Get(), rc.right, rc.bottom));
        if (!m_dc || !m_bitmap) {
            m_dc.Reset();
            m_bitmap.Reset();
            return;
        }
        m_select = vt::SelectGuard(m_dc.Get(), m_bitmap.Get());
        m_size = SIZE{rc.right, rc.bottom};
    }
    // The frame is the library's: its rows are copied, top row first, into a picture of
    // ours, never flipped where they lie.
    const bool bottomUp = height > 0;
    const int h = bottomUp ? height : -height;
    if (!m_frameDc || m_frameSize.cx != width || m_frameSize.cy != h) {
        m_frameSelect.Reset();
        m_frameBits = nullptr;
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = -h;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 24;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        m_frameBitmap.Reset(::CreateDIBSection(screen.Get(), &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0));
        m_frameDc.Reset(::CreateCompatibleDC(screen.Get()));
        if (!m_frameBitmap || !pixels || !m_frameDc) {
            m_frameBitmap.Reset();
            m_frameDc.Reset();
            return;
        }
        m_frameSelect = vt::SelectGuard(m_frameDc.Get(), m_frameBitmap.Get());
        m_frameBits = static_cast<BYTE*>(pixels);
        m_frameSize = SIZE{width, h};
    }
    ::GdiFlush();
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t dstStride = (rowBytes + 3) & ~static_cast<size_t>(3);
    for (int y = 0; y < h; ++y) {
        const int64_t srcRow = bottomUp ? (h - 1 - y) : y;
        std::memcpy(m_frameBits + dstStride * static_cast<size_t>(y), bits + srcRow * stride, rowBytes);
    }
    ::SetStretchBltMode(m_dc.Get(), HALFTONE);
    ::SetBrushOrgEx(m_dc.Get(), 0, 0, nullptr);
    ::StretchBlt(m_dc.Get(), 0, 0, m_size.cx, m_size.cy, m_frameDc.Get(), 0, 0, width, h, SRCCOPY);
    CopyTo(screen.Get());
}

void CCameraPicture::CopyTo(HDC dc) const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (m_dc && m_size.cx == rc.right && m_size.cy == rc.bottom)
        ::BitBlt(dc, 0, 0, m_size.cx, m_size.cy, m_dc.Get(), 0, 0, SRCCOPY);
    else
        ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

bool CCameraPicture::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    CopyTo(pdc.Get());
    return true;
}

bool CCameraPicture::OnSize(UINT, int, int) {
    // The old picture no longer fits; black until the next frame.
    m_select.Reset();
    m_bitmap.Reset();
    m_dc.Reset();
    m_size = SIZE{};
    return false;
}

// --- Camera window ----------------------------------------------------------

CDisplayCameraDlg::CDisplayCameraDlg(ICameraHost* host) : vt::CDialog(IDD_DISPLAY_CAMERA), m_host(host) {
    m_cursor = ::LoadCursorW(nullptr, IDC_ARROW);
}

CDisplayCameraDlg::~CDisplayCameraDlg() {
    // The window may still exist here (its owner deletes the object): what OnDestroy
    // would do must happen now, while this class's members are alive.
    CloseCamera();
    m_close.reset();
}

BOOL CDisplayCameraDlg::OnInitDialog() {
    m_dragCode = 0;
    ::ShowWindow(m_hWnd, SW_HIDE);
    MakeToolWindow(m_hWnd);
    if (m_picture.SubclassDlgItem(IDC_CAMERA_PICTURE, m_hWnd)) {
        // No text of its own and no SS_NOTIFY: clicks go through to the window, which
        // moves it.
        HWND p = m_picture.GetSafeHwnd();
        const LONG_PTR style = ::GetWindowLongPtrW(p, GWL_STYLE);
        ::SetWindowLongPtrW(p, GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK | SS_NOTIFY)) | 0x0F);
    }
    const int w = m_display.cx + 2 * kCameraFrame, h = m_display.cy + 2 * kCameraFrame;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ::MoveWindow(m_picture.GetSafeHwnd(), kCameraFrame, kCameraFrame, m_display.cx, m_display.cy, FALSE);
    if (m_showCloseButton) {
        m_close = std::make_unique<CDlgCloseCamera>(m_host);
        if (m_close->Create()) {
            ::SetWindowPos(m_close->GetSafeHwnd(), nullptr, x + w + 1, y, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        } else {
            m_close.reset();
        }
    }
    return FALSE;
}

void CDisplayCameraDlg::CloseCamera() {
    m_frameTimer.Stop();
    if (m_camera) ::CameraClose(m_camera);
    m_camera = nullptr;
}

void CDisplayCameraDlg::OnDestroy() {
    CloseCamera();
    m_close.reset();
}

bool CDisplayCameraDlg::SelectCamera(int index) {
    // Only a camera that is open now is kept; one that failed before is tried again.
    if (index == m_cameraIndex && m_camera) return true;
    CloseCamera();
    m_cameraIndex = index;
    if (!Open(index)) {
        ::MessageBoxW(m_hWnd, LoadLanguageText(L"IDS_INIT_CAMERA_FAILED").c_str(),
                      LoadLanguageText(L"ID_APP_NAME").c_str(), MB_ICONEXCLAMATION);
        return false;
    }
    m_display = SIZE{kCameraDisplayWidth, kCameraDisplayHeight};
    m_frameTimer.Start(m_hWnd, kFrameTimer, kFramePeriodMs);
    const int w = m_display.cx + 2 * kCameraFrame, h = m_display.cy + 2 * kCameraFrame;
    ::SetWindowPos(m_hWnd, nullptr, ::GetSystemMetrics(SM_CXSCREEN) - w, ::GetSystemMetrics(SM_CYSCREEN) - h, w, h,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::MoveWindow(m_picture.GetSafeHwnd(), kCameraFrame, kCameraFrame, m_display.cx, m_display.cy, TRUE);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

bool CDisplayCameraDlg::Open(int index) {
    if (index < 0) return false;
    CameraAttr attr{};
    const bool readable = ::apiCameraGetAttr(index, &attr) != 0;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const CaptureSizeChoice choice = ChooseCaptureSize(readable ? &attr : nullptr, work);
    for (const SIZE& s : choice.listed) vt::Trace(L"Camera read size  %d:%d ", s.cx, s.cy);
    if (readable) vt::Trace(L"Camera set size  %d:%d ", choice.chosen.cx, choice.chosen.cy);
    m_display = choice.request;
    m_camera = ::CameraOpen(index, choice.request.cx, choice.request.cy, 24);
    return m_camera != nullptr;
}

RECT CDisplayCameraDlg::PictureScreenRect() const noexcept {
    RECT r{};
    if (HWND p = m_picture.GetSafeHwnd()) ::GetWindowRect(p, &r);
    return r;
}

bool CDisplayCameraDlg::OnTimer(UINT_PTR id) {
    if (id != kFrameTimer) return false;
    if (m_close && ::IsWindowVisible(m_close->GetSafeHwnd())) {
        POINT cursor{};
        RECT window{};
        ::GetCursorPos(&cursor);
        ::GetWindowRect(m_hWnd, &window);
        RECT button{};
        ::GetWindowRect(m_close->GetSafeHwnd(), &button);
        if (!KeepCloseButton(window, cursor, button.right <= window.left))
            ::ShowWindow(m_close->GetSafeHwnd(), SW_HIDE);
    }
    DrawFrame();
    return true;
}

void CDisplayCameraDlg::DrawFrame() {
    if (!m_camera) return;
    int64_t strideSlot = 0, frameNumber = 0;
    const BYTE* bits = ::CameraGetFrame(m_camera, &strideSlot, &frameNumber);
    if (!bits) return; // the old picture stays
    // Only the slot's low 32 bits carry the stride.
    const int64_t stride = static_cast<int32_t>(static_cast<uint32_t>(strideSlot & 0xFFFFFFFF));
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    if (!::CammeraGetBmpInfo(m_camera, &header) || !UsableFrame(header, stride)) return;
    m_picture.ShowFrame(bits, header.biWidth, header.biHeight, stride);
}

void CDisplayCameraDlg::PaintFrame(HDC dc) const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(dc, rc);
    vt::UniqueBrush blue(::CreateSolidBrush(kFrameColour));
    ::FillRect(off.Get(), &rc, blue.Get());
    RECT inner = rc;
    ::InflateRect(&inner, -kCameraFrame, -kCameraFrame);
    ::FillRect(off.Get(), &inner, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

bool CDisplayCameraDlg::OnEraseBkgnd(HDC dc) {
    PaintFrame(dc);
    return true;
}

bool CDisplayCameraDlg::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    PaintFrame(pdc.Get());
    return true;
}

bool CDisplayCameraDlg::OnSize(UINT, int cx, int cy) {
    if (HWND p = m_picture.GetSafeHwnd())
        ::MoveWindow(p, kCameraFrame, kCameraFrame, std::max(0, cx - 2 * kCameraFrame), std::max(0, cy - 2 * kCameraFrame),
                     TRUE);
    return false;
}

void CDisplayCameraDlg::ShowCloseButtonAt(const RECT& window) {
    if (!m_close) return;
    RECT button{};
    ::GetWindowRect(m_close->GetSafeHwnd(), &button);
    const RECT screen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const POINT at = CloseButtonPlace(window, SIZE{button.right - button.left, button.bottom - button.top}, screen);
    ::SetWindowPos(m_close->GetSafeHwnd(), HWND_TOPMOST, at.x, at.y, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CDisplayCameraDlg::EndDrag() {
    m_dragCode = 0;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}

bool CDisplayCameraDlg::OnMouse(UINT msg, POINT pt, UINT flags) {
    POINT screen = pt;
    ::ClientToScreen(m_hWnd, &screen);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    const POINT inWindow{screen.x - window.left, screen.y - window.top};
    switch (msg) {
    case WM_LBUTTONDOWN:
        Default();
        vt::Trace(L"OnLButtonDown");
        m_dragCode = CameraHitTest(size, inWindow);
        m_dragStart = screen;
        m_dragRect = window;
        // Held until the button goes up, so that a quick flick cannot lose the release.
        ::SetCapture(m_hWnd);
        ShowCloseButtonAt(window);
        return true;
    case WM_MOUSEMOVE:
        if (m_dragCode != 0) {
            if (!(flags & MK_LBUTTON)) {
                EndDrag(); // the release went elsewhere
                return true;
            }
            if (m_host && m_host->IsCameraOnlyRecording()) return true;
            const RECT r = CameraDragRect(m_dragCode, m_dragRect, screen.x - m_dragStart.x, screen.y - m_dragStart.y);
            ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
            ShowCloseButtonAt(r);
            return true;
        }
        m_cursor = ::LoadCursorW(nullptr, CameraCursorFor(CameraHitTest(size, inWindow)));
        ::SetCursor(m_cursor);
        if (m_close && !::IsWindowVisible(m_close->GetSafeHwnd())) ShowCloseButtonAt(window);
        return true;
    case WM_LBUTTONUP:
        vt::Trace(L"OnLButtonUp");
        EndDrag();
        return true;
    default:
        return false;
    }
}

bool CDisplayCameraDlg::OnSetCursor(HWND, UINT, UINT) {
    ::SetCursor(m_cursor);
    return true;
}

bool CDisplayCameraDlg::PreTranslateMessage(MSG* msg) { return IsSwallowedKey(msg); }

LRESULT CDisplayCameraDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CAPTURECHANGED:
        m_dragCode = 0;
        break;
    case WM_HELP:
        return TRUE;
    default:
        break;
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}
