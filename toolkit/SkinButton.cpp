#include "toolkit/SkinControls.h"

#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"

#include <commctrl.h>

namespace vt {

UniqueBitmap CopyParentBackground(HWND child, SIZE* size) noexcept {
    HWND parent = ::GetParent(child);
    RECT rc{};
    if (!parent || !::GetWindowRect(child, &rc)) return {};
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    // A parent that has not painted yet (a child drawn at once while the parent waits for
    // its paint) would give stale pixels: let it paint first.
    RECT pending{};
    if (::GetUpdateRect(parent, &pending, FALSE) && ::IntersectRect(&pending, &pending, &rc)) ::UpdateWindow(parent);
    WindowDc dc(parent);
    if (!dc) return {};
    if (size) *size = SIZE{rc.right - rc.left, rc.bottom - rc.top};
    return CopyArea(dc.Get(), rc);
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy) noexcept {
    if (!bitmap || cx <= 0 || cy <= 0) return;
    UniqueMemDc mem(::CreateCompatibleDC(dc));
    if (!mem) return;
    SelectGuard sel(mem.Get(), bitmap);
    ::BitBlt(dc, x, y, cx, cy, mem.Get(), 0, 0, SRCCOPY);
}

} // namespace vt

namespace {

bool IsRelayedMouseMessage(UINT msg) noexcept {
    return msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_MOUSEMOVE || msg == WM_MOUSEHOVER;
}

} // namespace

// ------------------------------------------------------------------ shared part

bool CNSkinButtonBase::Attach(HWND hwnd) {
    if (!CWnd::Attach(hwnd)) return false;
    MakeOwnerDrawn();
    return true;
}

bool CNSkinButtonBase::Create(HWND parent, int id, int x, int y, int cx, int cy, const wchar_t* text) {
    // Hidden until attached: a button shown at creation clears its place with the
    // button face before the background copy could be taken.
    if (!CreateEx({.className = L"BUTTON", .title = text, .style = WS_CHILD | WS_TABSTOP | BS_OWNERDRAW,
                   .rect = vt::RectXYWH(x, y, cx, cy), .parent = parent, .id = static_cast<UINT>(id)}))
        return false;
    MakeOwnerDrawn();
    ::ShowWindow(m_hWnd, SW_SHOWNA);
    return true;
}

void CNSkinButtonBase::MakeOwnerDrawn() {
    if (!m_hWnd) return;
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    Repaint();
}

void CNSkinButtonBase::Repaint() {
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNSkinButtonBase::TakeBackground(HDC) {
    if (!m_background) m_background = vt::CopyParentBackground(m_hWnd, &m_backgroundSize);
}

void CNSkinButtonBase::DrawBackground(HDC dc, const RECT& rc) const {
    if (m_background)
        vt::DrawBitmap(dc, m_background.Get(), rc.left, rc.top, m_backgroundSize.cx, m_backgroundSize.cy);
}

void CNSkinButtonBase::SetText(const std::wstring& text) {
    m_text = text;
    if (m_hWnd) ::SetWindowTextW(m_hWnd, text.c_str());
    Repaint();
}

void CNSkinButtonBase::SetAccessibleName(const std::wstring& name) {
    // A button without a caption is named by its tooltip, for screen readers; the name
    // is not drawn.
    if (!m_hWnd || !m_text.empty() || (!m_namedByTip && !vt::WindowText(m_hWnd).empty())) return;
    m_namedByTip = true;
    m_namingOnly = true;
    ::SetWindowTextW(m_hWnd, name.c_str());
    m_namingOnly = false;
}

void CNSkinButtonBase::SetFontFace(const std::wstring& face) {
    m_fontFace = face;
    m_font.Reset();
    Repaint();
}

void CNSkinButtonBase::SetFont(const std::wstring& face, int height, int weight) {
    m_fontFace = face;
    m_fontHeight = height;
    m_fontWeight = weight;
    m_font.Reset();
    Repaint();
}

void CNSkinButtonBase::SetTextMargins(int left, int right, int top, int bottom) noexcept {
    m_marginLeft = left;
    m_marginRight = right;
    m_marginTop = top;
    m_marginBottom = bottom;
    Repaint();
}

void CNSkinButtonBase::DrawLabel(HDC dc, RECT rc, COLORREF colour) {
    if (m_text.empty()) return;
    if (!m_font) {
        const LOGFONTW lf = vt::SkinLogFont(m_fontFace.c_str(), m_fontHeight, m_fontWeight);
        m_font.Reset(::CreateFontIndirectW(&lf));
    }
    vt::SelectGuard sel(dc, m_font.Get());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, colour);
    ::DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &rc,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

void CNSkinButtonBase::SetToolTipText(bool activate, const std::wstring& text) {
    m_toolTipText = text.empty() ? (m_text.empty() ? vt::WindowText(m_hWnd) : m_text) : text;
    m_toolTipActive = activate;
    SetAccessibleName(m_toolTipText);
    CreateToolTip();
}

void CNSkinButtonBase::CreateToolTip() {
    if (::IsWindow(m_toolTip.Get()))
        m_toolTip.Reset();
    else
        m_toolTip.Release();
    if (!m_hWnd) return;
    m_toolTip.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                      vt::ResourceInstance(), nullptr));
    if (!m_toolTip) return;
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND;
    HWND parent = ::GetParent(m_hWnd);
    ti.hwnd = parent ? parent : m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ti.lpszText = m_toolTipText.data();
    ::SendMessageW(m_toolTip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(m_toolTip.Get(), TTM_ACTIVATE, m_toolTipActive ? TRUE : FALSE, 0);
    ::SendMessageW(m_toolTip.Get(), TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(250, 0));
}

bool CNSkinButtonBase::PreTranslateMessage(MSG* msg) {
    if (m_toolTipActive && m_toolTip && msg->hwnd == m_hWnd && IsRelayedMouseMessage(msg->message))
        ::SendMessageW(m_toolTip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return false;
}

void CNSkinButtonBase::OnDestroy() {
    // The tooltip is owned by the top-level window, which destroys it first when it goes
    // itself; only a tooltip still alive is ours to destroy.
    if (::IsWindow(m_toolTip.Get()))
        m_toolTip.Reset();
    else
        m_toolTip.Release();
}

bool CNSkinButtonBase::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC) {
        // The button class clears its old text with this brush: let it clear nothing.
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    }
    if (msg != WM_DRAWITEM) return false;
    *result = TRUE;
    // The button class also draws at once on a state change (press, enable), maybe
    // before the parent has painted: without the parent's pixels, wait for the paint.
    if (!m_background) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return true;
    }
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return true;
}

LRESULT CNSkinButtonBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        TakeBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        // Painted here, so that the button draws also under a parent that does not
        // reflect WM_DRAWITEM; the pressed state comes from the button itself.
        vt::PaintDc pdc(m_hWnd);
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(::GetDlgCtrlID(m_hWnd));
        dis.itemAction = ODA_DRAWENTIRE;
        const LRESULT state = ::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0);
        if (state & BST_PUSHED) dis.itemState |= ODS_SELECTED;
        if (!::IsWindowEnabled(m_hWnd)) dis.itemState |= ODS_DISABLED;
        dis.hwndItem = m_hWnd;
        dis.hDC = pdc.Get();
        ::GetClientRect(m_hWnd, &dis.rcItem);
        TakeBackground(dis.hDC);
        DrawItem(dis);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button turns a quick second click into a double-click notice
        // only; take it as a press so that every click counts.
        if (m_toolTipActive) CreateToolTip();
        return ::DefSubclassProc(m_hWnd, WM_LBUTTONDOWN, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (m_toolTipActive) CreateToolTip();
        break;
    case WM_SETTEXT:
        if (!m_namingOnly) {
            m_text = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
            m_namedByTip = false;
        }
        break;
    case WM_SIZE:
    case WM_MOVE:
        // The copy belongs to the old place.
        m_background.Reset();
        break;
    case WM_ENABLE:
        Repaint();
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

// ------------------------------------------------------------------ CNButtonEx

bool CNButtonEx::SetStateImage(const wchar_t* path, UINT pngId, int frameCount) {
    if (frameCount <= 0 || !vt::LoadImageResource(m_states, path, pngId)) {
        m_states.Destroy();
        m_frameCount = m_frameWidth = m_frameHeight = 0;
        return false;
    }
    m_frameCount = frameCount;
    m_frameWidth = m_states.GetWidth() / frameCount;
    m_frameHeight = m_states.GetHeight();
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_frameWidth, m_frameHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
    return true;
}

bool CNButtonEx::SetIconImage(const wchar_t* path, UINT pngId, int index, int frameCount) {
    if (frameCount <= 0 || !vt::LoadImageResource(m_icons, path, pngId)) {
        m_icons.Destroy();
        m_iconWidth = m_iconHeight = 0;
        return false;
    }
    m_iconIndex = index;
    m_iconWidth = m_icons.GetWidth() / frameCount;
    m_iconHeight = m_icons.GetHeight();
    Repaint();
    return true;
}

void CNButtonEx::SetIconIndex(int index) {
    m_iconIndex = index;
    Repaint();
}

void CNButtonEx::SetIconLeft(int left) {
    m_iconLeft = left;
    Repaint();
}

void CNButtonEx::SetTextColor(COLORREF colour) {
    m_textColour = colour;
    Repaint();
}

void CNButtonEx::SetEnabledFlag(bool enabled) {
    m_enabled = enabled;
    Repaint();
}

void CNButtonEx::Enable(bool enabled) {
    m_enabled = enabled;
    if (m_hWnd) ::EnableWindow(m_hWnd, enabled ? TRUE : FALSE);
    Repaint();
}

int CNButtonEx::FrameFor(bool pressed) const noexcept {
    if (!m_enabled) return 3;
    if (pressed) return 2;
    return m_hover ? 1 : 0;
}

void CNButtonEx::DrawItem(const DRAWITEMSTRUCT& dis) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(dis.hDC, rc);
    HDC dc = off.Get();
    DrawBackground(dc, rc);

    if (!m_states.IsNull() && m_frameWidth > 0) {
        int frame = (dis.itemState & ODS_DISABLED) ? 3 : FrameFor((dis.itemState & ODS_SELECTED) != 0);
        // A strip without that frame (three frames, disabled) shows its normal frame
        // rather than nothing.
        if (frame >= m_frameCount) frame = 0;
        m_states.Draw(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, frame * m_frameWidth, 0,
                      m_frameWidth, m_frameHeight);
    }
    RECT textRc = rc;
    if (!m_icons.IsNull() && m_iconWidth > 0) {
        m_iconRect.left = m_iconLeft;
        m_iconRect.top = ((rc.bottom - rc.top) - m_iconHeight) / 2;
        m_iconRect.right = m_iconRect.left + m_iconWidth;
        m_iconRect.bottom = m_iconRect.top + m_iconHeight;
        m_icons.Draw(dc, m_iconRect.left, m_iconRect.top, m_iconWidth, m_iconHeight, m_iconIndex * m_iconWidth, 0,
                     m_iconWidth, m_iconHeight);
        textRc.left = m_iconRect.right;
    } else if (m_marginLeft > 0) {
        textRc.left = m_marginLeft;
    }
    DrawLabel(dc, textRc, m_textColour);
}

LRESULT CNButtonEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!m_tracking) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 1};
            m_tracking = ::TrackMouseEvent(&tme) != FALSE;
        }
        break;
    case WM_MOUSEHOVER:
        m_hover = true;
        Repaint();
        break;
    case WM_MOUSELEAVE:
        m_hover = false;
        m_tracking = false;
        Repaint();
        break;
    default:
        break;
    }
    return CNSkinButtonBase::WindowProc(msg, wParam, lParam);
}

// ------------------------------------------------------------------ CNOptionEx

bool CNOptionEx::SetStateImage(const wchar_t* path, UINT pngId, int frameCount) {
    if (frameCount <= 0 || !vt::LoadImageResource(m_states, path, pngId)) {
        m_states.Destroy();
        m_frameCount = m_frameWidth = 0;
        return false;
    }
    m_frameCount = frameCount;
    m_frameWidth = m_states.GetWidth() / frameCount;
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_frameWidth, m_states.GetHeight(),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
    return true;
}

void CNOptionEx::SetCheck(bool checked) {
    if (m_checked == checked) return;
    m_checked = checked;
    Repaint();
}

void CNOptionEx::SetEnabledFlag(bool enabled) {
    m_enabled = enabled;
    Repaint();
}

void CNOptionEx::Enable(bool enabled) {
    m_enabled = enabled;
    if (m_hWnd) ::EnableWindow(m_hWnd, enabled ? TRUE : FALSE);
    Repaint();
}

void CNOptionEx::SetTextColors(COLORREF unchecked, COLORREF checked) {
    m_colourUnchecked = unchecked;
    m_colourChecked = checked;
    Repaint();
}

int CNOptionEx::FrameFor() const noexcept {
    if (m_frameCount == 3 && !m_enabled) return 2;
    return m_checked ? 1 : 0;
}

void CNOptionEx::DrawItem(const DRAWITEMSTRUCT& dis) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(dis.hDC, rc);
    HDC dc = off.Get();
    DrawBackground(dc, rc);
    if (!m_states.IsNull() && m_frameWidth > 0) {
        int frame = FrameFor();
        if (frame >= m_frameCount) frame = 0;
        m_states.Draw(dc, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, frame * m_frameWidth, 0,
                      m_frameWidth, m_states.GetHeight());
    }
    RECT textRc = rc;
    if (m_marginLeft > 0) textRc.left = m_marginLeft;
    DrawLabel(dc, textRc, m_checked ? m_colourChecked : m_colourUnchecked);
}

LRESULT CNOptionEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    // The check state is ours; an owner-drawn button keeps none.
    case BM_SETCHECK:
        SetCheck(wParam == BST_CHECKED);
        return 0;
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    default:
        break;
    }
    return CNSkinButtonBase::WindowProc(msg, wParam, lParam);
}
