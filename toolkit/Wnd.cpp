#include "toolkit/Wnd.h"

#include "toolkit/PostResult.h"

#include <commctrl.h>
#include <windowsx.h>

namespace vt {

namespace {
constexpr UINT_PTR kSubclassId = 0x56544C; // any constant unique to us
constexpr wchar_t kProp[] = L"Vistrel.CWnd";
constexpr wchar_t kOwnClass[] = L"VistrelWnd";

UINT DestroyRequestMessage() noexcept {
    static const UINT msg = ::RegisterWindowMessageW(L"Vistrel.DestroyRequest");
    return msg;
}
} // namespace

// One frame per handler of ours on the stack; the destructor marks them all, so that
// a frame whose object went away while it ran does not touch it again.
struct CWndFrame {
    bool alive = true;
    CWndFrame* outer = nullptr;
};

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
    for (CWndFrame* f = m_frames; f; f = f->outer) f->alive = false;
    m_frames = nullptr;
    m_autoDelete = false; // being deleted already
    if (m_hWnd) {
        // Destroyed while still bound, so that the binding's end frees queued results;
        // handlers now resolve to this base class, the derived parts being gone.
        HWND h = m_hWnd;
        ::DestroyWindow(h);
        if (m_hWnd == h) Detach(); // a window of another thread refuses DestroyWindow
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
        if (auto* self = static_cast<CWnd*>(cs->lpCreateParams); self && self->Attach(hwnd))
            return ::SendMessageW(hwnd, WM_NCCREATE, wParam, lParam); // now through the binding
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RegisterWindowClass(WNDCLASSEXW wc) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &OwnClassProc;
    wc.hInstance = ResourceInstance();
    if (!wc.hCursor) wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    WNDCLASSEXW existing{sizeof(existing)};
    if (::GetClassInfoExW(wc.hInstance, wc.lpszClassName, &existing)) return existing.lpfnWndProc == &OwnClassProc;
    return ::RegisterClassExW(&wc) != 0;
}

bool CWnd::CreateEx(const CreateArgs& a) {
    if (m_hWnd) return false;
    const wchar_t* cls = a.className;
    if (!cls) {
        static const bool registered = [] {
            WNDCLASSEXW wc{sizeof(wc)};
            wc.style = CS_DBLCLKS;
            wc.lpszClassName = kOwnClass;
            return RegisterWindowClass(wc);
        }();
        if (!registered) return false;
        cls = kOwnClass;
    }
    WNDCLASSEXW info{sizeof(info)};
    const bool bindsItself = ::GetClassInfoExW(ResourceInstance(), cls, &info) && info.lpfnWndProc == &OwnClassProc;
    HMENU menu = (a.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(a.id)) : nullptr;
    HWND h = ::CreateWindowExW(a.exStyle, cls, a.title, a.style, a.rect.left, a.rect.top, a.rect.right - a.rect.left,
                               a.rect.bottom - a.rect.top, a.parent, menu, ResourceInstance(),
                               bindsItself ? this : nullptr);
    if (!h) return false;
    if (bindsItself) {
        if (m_hWnd == h) return true;
        ::DestroyWindow(h);
        return false;
    }
    if (!Attach(h)) {
        ::DestroyWindow(h);
        return false;
    }
    return true;
}

bool CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

void CWnd::PostDestroy() const noexcept {
    if (m_hWnd) ::PostMessageW(m_hWnd, DestroyRequestMessage(), 0, 0);
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
bool CWnd::OnTimer(UINT_PTR) { return false; }
bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        if (auto* nm = reinterpret_cast<const NMHDR*>(lParam)) child = nm->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam); dis && dis->CtlType != ODT_MENU)
            child = dis->hwndItem;
        break;
    case WM_MEASUREITEM:
        // Menus are measured by their owner; controls by themselves.
        if (auto* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam); mis && mis->CtlType != ODT_MENU)
            child = ::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID));
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
        if (ReflectToChild(msg, wParam, lParam, &r)) return r;
        if (OnNotify(wParam, lParam, &r)) return r;
        break;
    case WM_TIMER:
        if (OnTimer(wParam)) return 0;
        break;
    case WM_PAINT:
        if (OnPaint()) return 0;
        break;
    case WM_ERASEBKGND:
        if (OnEraseBkgnd(reinterpret_cast<HDC>(wParam))) return 1;
        break;
    case WM_SIZE:
        if (OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam))) return 0;
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
        if (OnMouse(msg, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, static_cast<UINT>(wParam))) return 0;
        break;
    case WM_SETCURSOR:
        if (OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam))) return TRUE;
        break;
    case WM_NCHITTEST:
        if (OnNcHitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &r)) return r;
        break;
    case WM_CLOSE:
        if (OnClose()) return 0;
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
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

void CWnd::EndBinding(HWND hwnd) {
    if (m_hWnd != hwnd) return;
    Detach();
    PostNcDestroy();
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CWnd*>(ref);
    if (msg == DestroyRequestMessage() && msg != 0) {
        // Only from the loop: a request met inside one of our handlers (a nested modal
        // loop) waits until they have all returned.
        if (self->m_depth > 0) {
            self->m_destroyPending = true;
            return 0;
        }
        self->m_destroyPending = false;
        ::DestroyWindow(hwnd); // may delete self
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        // Results still queued for the window would be lost with it: free them.
        DrainPayloads(hwnd);
        LRESULT r = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        self->EndBinding(hwnd);
        if (self->m_autoDelete && self->m_depth == 0) delete self;
        return r;
    }
    CWndFrame frame{true, self->m_frames};
    Msg current{msg, wParam, lParam};
    const Msg* saved = self->m_current;
    self->m_current = &current;
    self->m_frames = &frame;
    ++self->m_depth;
    LRESULT r = self->WindowProc(msg, wParam, lParam);
    if (!frame.alive) return r; // the object was deleted meanwhile
    --self->m_depth;
    self->m_frames = frame.outer;
    self->m_current = saved;
    if (self->m_depth == 0) {
        if (!self->m_hWnd && self->m_autoDelete) {
            delete self; // the window went while a handler of ours ran
        } else if (self->m_destroyPending && self->m_hWnd) {
            self->m_destroyPending = false;
            self->PostDestroy();
        }
    }
    return r;
}

void PumpMessage(MSG& msg) {
    if (CWnd::PreTranslateChain(&msg)) return;
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    wchar_t cls[16] = {};
    if (root && ::GetClassNameW(root, cls, 16) && lstrcmpW(cls, L"#32770") == 0 && ::IsDialogMessageW(root, &msg))
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

int RunMessageLoop() {
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return -1;
        PumpMessage(msg);
    }
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        PumpMessage(msg);
    }
}

} // namespace vt
