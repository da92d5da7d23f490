#include "toolkit/SkinControls.h"

#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"

// ------------------------------------------------------------------ CNStaticEx

bool CNStaticEx::Attach(HWND hwnd) {
    if (!CWnd::Attach(hwnd)) return false;
    MakeOwnerDrawn();
    return true;
}

bool CNStaticEx::Create(HWND parent, int id, int x, int y, int cx, int cy, const wchar_t* text) {
    // Shown once attached, so that the first erase takes the parent's pixels.
    if (!CreateEx({.className = L"STATIC", .title = text, .style = WS_CHILD | SS_OWNERDRAW | SS_NOTIFY,
                   .rect = vt::RectXYWH(x, y, cx, cy), .parent = parent, .id = static_cast<UINT>(id)}))
        return false;
    MakeOwnerDrawn();
    ::ShowWindow(m_hWnd, SW_SHOWNA);
    return true;
}

void CNStaticEx::MakeOwnerDrawn() {
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_OWNERDRAW | SS_NOTIFY);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNStaticEx::SetText(const std::wstring& text) {
    m_text = text;
    // Kept as the window's text too, for screen readers and automation tools.
    if (m_hWnd) ::SetWindowTextW(m_hWnd, text.c_str());
}

void CNStaticEx::SetTextColor(COLORREF colour) {
    m_colour = colour;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNStaticEx::SetFont(const std::wstring& face, int height, int weight) {
    m_face = face;
    m_height = height;
    m_weight = weight;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNStaticEx::SetLineBreak(bool lineBreak) {
    m_lineBreak = lineBreak;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNStaticEx::SetFormat(UINT format) {
    m_format = format;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CNStaticEx::Draw(HDC target, const RECT& rc) {
    if (!m_background) m_background = vt::CopyParentBackground(m_hWnd, &m_backgroundSize);
    vt::OffscreenDc off(target, rc);
    HDC dc = off.Get();
    if (m_background) vt::DrawBitmap(dc, m_background.Get(), 0, 0, m_backgroundSize.cx, m_backgroundSize.cy);
    const std::wstring text = m_text.empty() ? vt::WindowText(m_hWnd) : m_text;
    vt::DrawSkinText(dc, rc, text, m_colour, m_face.c_str(), m_height, m_weight, m_format, m_lineBreak);
}

bool CNStaticEx::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_DRAWITEM) return false;
    *result = TRUE;
    if (!m_background) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE); // paint once the parent's pixels are there
        return true;
    }
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    Draw(dis->hDC, rc);
    return true;
}

LRESULT CNStaticEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        if (!m_background) m_background = vt::CopyParentBackground(m_hWnd, &m_backgroundSize);
        return 1;
    case WM_PAINT: {
        // Drawn here rather than through the parent, so any parent will do.
        vt::PaintDc pdc(m_hWnd);
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        Draw(pdc.Get(), rc);
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT r = CWnd::WindowProc(msg, wParam, lParam);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return r;
    }
    case WM_SIZE:
    case WM_MOVE:
        m_background.Reset();
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

// ------------------------------------------------------------------ CTransparentStatic

bool CTransparentStatic::Create(HWND parent, int id, int x, int y, int cx, int cy, const wchar_t* text, DWORD style) {
    if (!CreateEx({.className = L"STATIC", .title = text, .style = WS_CHILD | (style & ~WS_VISIBLE),
                   .rect = vt::RectXYWH(x, y, cx, cy), .parent = parent, .id = static_cast<UINT>(id)}))
        return false;
    if (HWND p = ::GetParent(m_hWnd))
        ::SendMessageW(m_hWnd, WM_SETFONT, ::SendMessageW(p, WM_GETFONT, 0, 0), FALSE);
    ::ShowWindow(m_hWnd, SW_SHOWNA);
    return true;
}

void CTransparentStatic::SetTextColor(COLORREF colour) {
    m_colour = colour;
    if (m_hWnd) ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void CTransparentStatic::SetText(const std::wstring& text) {
    if (m_hWnd) ::SetWindowTextW(m_hWnd, text.c_str());
}

bool CTransparentStatic::OnChildNotify(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    if (msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN) return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_colour);
    *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    return true;
}

LRESULT CTransparentStatic::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        if (!m_background) m_background = vt::CopyParentBackground(m_hWnd, &m_backgroundSize);
        vt::DrawBitmap(reinterpret_cast<HDC>(wParam), m_background.Get(), 0, 0, m_backgroundSize.cx,
                       m_backgroundSize.cy);
        return 1;
    }
    case WM_SETTEXT:
    case WM_ENABLE: {
        // The static draws a new text straight over the old one; with no background of
        // its own that would smear, so repaint over the copy.
        const LRESULT r = CWnd::WindowProc(msg, wParam, lParam);
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return r;
    }
    case WM_SIZE:
    case WM_MOVE:
        m_background.Reset();
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
