#include "toolkit/Wnd.h"

#include <commctrl.h>

namespace vt {

namespace {
constexpr UINT_PTR kSubclassId = 0x56544C; // any constant unique to us
constexpr wchar_t kProp[] = L"Vistrel.CWnd";
constexpr wchar_t kOwnClass[] = L"VistrelWnd";
} // namespace

HINSTANCE ResourceInstance() noexcept { return ::GetModuleHandleW(nullptr); }

std::wstring WindowText(HWND hwnd) {
    const int n = ::GetWindowTextLengthW(hwnd);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, s.data(), n + 1);
    s.resize(static_cast<size_t>(got > 0 ? got : 0));
    return s;
}

CWnd::~CWnd() {
    if (m_hWnd) {
        HWND h = m_hWnd;
        Detach();
        ::DestroyWindow(h);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd) noexcept {
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kProp)) : nullptr;
}

bool CWnd::Attach(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandle(hwnd)) return false;
    if (!::SetPropW(hwnd, kProp, this)) return false;
    if (!::SetWindowSubclass(hwnd, &CWnd::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropW(hwnd, kProp);
        return false;
    }
    m_hWnd = hwnd;
    return true;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        ::RemoveWindowSubclass(h, &CWnd::SubclassProc, kSubclassId);
        ::RemovePropW(h, kProp);
        m_hWnd = nullptr;
    }
    return h;
}

bool CWnd::SubclassDlgItem(int id, HWND parent) {
    return Attach(::GetDlgItem(parent, id));
}

LRESULT CALLBACK OwnClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        if (auto* self = static_cast<CWnd*>(cs->lpCreateParams)) self->Attach(hwnd);
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool CWnd::RegisterOwnClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &OwnClassProc;
        wc.hInstance = ResourceInstance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kOwnClass;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                    int x, int y, int cx, int cy, HWND parent, HMENU menuOrId) {
    if (m_hWnd) return false;
    if (!className) {
        if (!RegisterOwnClass()) return false;
        HWND h = ::CreateWindowExW(exStyle, kOwnClass, title, style, x, y, cx, cy, parent, menuOrId,
                                   ResourceInstance(), this);
        if (!h) return false;
        if (m_hWnd != h) { ::DestroyWindow(h); return false; }
        return true;
    }
    HWND h = ::CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent, menuOrId,
                               ResourceInstance(), nullptr);
    if (!h) return false;
    if (!Attach(h)) { ::DestroyWindow(h); return false; }
    return true;
}

bool CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

bool CWnd::PreTranslateMessage(MSG*) { return false; }

bool CWnd::PreTranslateChain(MSG* msg) {
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        if (CWnd* w = FromHandle(h); w && w->PreTranslateMessage(msg)) return true;
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}

LRESULT CWnd::Default() {
    if (!m_current || !m_hWnd) return 0;
    return ::DefSubclassProc(m_hWnd, m_current->msg, m_current->wParam, m_current->lParam);
}

bool CWnd::OnCommand(WPARAM, LPARAM) { return false; }
bool CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return false; }
void CWnd::OnTimer(UINT_PTR) {}
bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam); dis && dis->CtlType != ODT_MENU)
            child = dis->hwndItem;
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        child = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return false;
    }
    CWnd* w = FromHandle(child);
    return w && w != this && w->OnChildNotify(msg, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT r = 0;
    switch (msg) {
    case WM_COMMAND:
        if (ReflectToChild(msg, wParam, lParam, &r)) return r;
        if (OnCommand(wParam, lParam)) return 0;
        break;
    case WM_NOTIFY:
        if (OnNotify(wParam, lParam, &r)) return r;
        break;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (ReflectToChild(msg, wParam, lParam, &r)) return r;
        break;
    default:
        break;
    }
    return Default();
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CWnd*>(ref);
    if (msg == WM_NCDESTROY) {
        // The binding ends with the window.
        LRESULT r = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        if (self->m_hWnd == hwnd) {
            self->Detach();
            self->PostNcDestroy();
        }
        return r;
    }
    Msg current{msg, wParam, lParam};
    const Msg* saved = self->m_current;
    self->m_current = &current;
    LRESULT r = self->WindowProc(msg, wParam, lParam);
    self->m_current = saved;
    return r;
}

} // namespace vt
