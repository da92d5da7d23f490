#include "toolkit/WndShadow.h"

#include "toolkit/Image.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace vt {

namespace {

constexpr wchar_t kShadowClass[] = L"DTShadowWnd";

struct ShadowSupport {
    bool initialised = false;
    decltype(&::UpdateLayeredWindow) updateLayered = nullptr;
    UniqueModule dwmapi; // kept loaded for the process
    HINSTANCE instance = nullptr;
};

ShadowSupport& Support() {
    static ShadowSupport support;
    return support;
}

// By its full path in the system folder: a program running with administrator rights
// must not pick up a dwmapi.dll planted beside it.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::wstring path(folder, n);
    path += L'\\';
    path += name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

bool CWndShadow::Initialise(HINSTANCE instance) {
    ShadowSupport& s = Support();
    if (s.initialised) return false;
    s.initialised = true;
    HMODULE user32 = ::GetModuleHandleW(L"USER32.DLL");
    if (user32)
        s.updateLayered =
            reinterpret_cast<decltype(&::UpdateLayeredWindow)>(::GetProcAddress(user32, "UpdateLayeredWindow"));
    if (!s.updateLayered) return false;
    s.dwmapi.Reset(LoadSystemLibrary(L"dwmapi.dll"));
    s.instance = instance;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kShadowClass;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        s.updateLayered = nullptr;
        return false;
    }
    return true;
}

CWndShadow::~CWndShadow() {
    m_hook.Remove();
    m_shadow.Reset();
}

bool CWndShadow::Create(HWND parent) {
    const ShadowSupport& s = Support();
    if (!s.updateLayered || !::IsWindow(parent) || m_shadow) return false;
    m_shadow.Reset(::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, nullptr, WS_POPUP,
                                     CW_USEDEFAULT, 0, 0, 0, parent, nullptr, s.instance, nullptr));
    if (!m_shadow) return false;
    m_parent = parent;
    if (!m_hook.Install(parent, [this](HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
            return OnParentMessage(msg, wParam, lParam, result);
        })) {
        m_shadow.Reset();
        m_parent = nullptr;
        return false;
    }
    RECT client{};
    ::GetClientRect(parent, &client);
    m_lastSize = MAKELPARAM(client.right, client.bottom); // a first shrink redraws at once
    m_enabled = true;
    ApplyShowRule(::IsWindowVisible(parent) != FALSE);
    return true;
}

void CWndShadow::SetEnabled(bool enabled) {
    m_enabled = enabled;
    if (m_shadow) ApplyShowRule(::IsWindowVisible(m_parent) != FALSE);
}

// Shown only for a parent that shows and is neither minimised nor maximised; never
// activated, so the parent keeps the focus.
void CWndShadow::ApplyShowRule(bool parentShowing) {
    m_visible = m_parentVisible = false;
    if (Active() && parentShowing) {
        m_parentVisible = true;
        m_visible = !(::GetWindowLongPtrW(m_parent, GWL_STYLE) & (WS_MAXIMIZE | WS_MINIMIZE));
    }
    if (m_visible) {
        Update();
        ::ShowWindow(m_shadow.Get(), SW_SHOWNA);
    } else {
        ::ShowWindow(m_shadow.Get(), SW_HIDE);
    }
}

void CWndShadow::Hide() {
    m_visible = false;
    ::ShowWindow(m_shadow.Get(), SW_HIDE);
}

POINT CWndShadow::Origin() const {
    RECT rc{};
    ::GetWindowRect(m_parent, &rc);
    return POINT{rc.left + m_params.xOffset - m_params.size, rc.top + m_params.yOffset - m_params.size};
}

void CWndShadow::Update() {
    const ShadowSupport& s = Support();
    RECT rc{};
    if (!m_shadow || !s.updateLayered || !::GetWindowRect(m_parent, &rc)) return;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;

    UniqueRgn region(::CreateRectRgn(0, 0, w, h));
    const bool shaped = region && ::GetWindowRgn(m_parent, region.Get()) != ERROR;
    const ShadowPicture pic = MakeShadowPicture(w, h, ShapeOfRegion(shaped ? region.Get() : nullptr, w, h), m_params);
    CImage image;
    if (pic.width <= 0 || !image.Create(pic.width, pic.height, 32)) return;
    for (int y = 0; y < pic.height; ++y)
        std::memcpy(image.GetBits() + static_cast<size_t>(y) * image.GetPitch(),
                    &pic.pixels[static_cast<size_t>(y) * pic.width], static_cast<size_t>(pic.width) * 4);

    WindowDc screen(nullptr);
    UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
    if (!mem) return;
    SelectGuard select(mem.Get(), image.GetBitmap());
    POINT pos = Origin();
    SIZE size{pic.width, pic.height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    s.updateLayered(m_shadow.Get(), screen.Get(), &pos, &size, mem.Get(), &source, 0, &blend, ULW_ALPHA);
}

bool CWndShadow::OnParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_MOVE:
        if (m_visible) {
            const POINT pos = Origin();
            ::SetWindowPos(m_shadow.Get(), nullptr, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
        break;
    case WM_SIZE:
        if (!Active()) break;
        if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
            // Owned windows stay up when their owner is minimised: hide it ourselves.
            Hide();
        } else if (::GetWindowLongPtrW(m_parent, GWL_STYLE) & WS_VISIBLE) {
            m_parentVisible = true;
            if (!m_visible) {
                m_visible = true;
                Update();
                ::ShowWindow(m_shadow.Get(), SW_SHOWNA);
            } else if (LOWORD(lParam) <= LOWORD(m_lastSize) && HIWORD(lParam) <= HIWORD(m_lastSize)) {
                Update();
            } else {
                m_updatePending = true; // the grown window paints first
            }
        }
        m_lastSize = lParam;
        break;
    case WM_PAINT:
        if (m_updatePending) {
            m_updatePending = false;
            Update();
        }
        break;
    case WM_SHOWWINDOW:
        if (!Active()) break;
        *result = ::DefSubclassProc(m_parent, msg, wParam, lParam);
        if (wParam) {
            m_updatePending = true;
            ApplyShowRule(true);
        } else {
            Hide();
            m_parentVisible = false;
        }
        return true;
    case WM_EXITSIZEMOVE:
        if (m_visible) Update();
        break;
    case WM_DWMCOMPOSITIONCHANGED:
        m_compositionOff = false; // no composition query: always drawn by ourselves
        ApplyShowRule(::IsWindowVisible(m_parent) != FALSE);
        break;
    case WM_DESTROY:
        // The system destroys owned windows first; the handle must not outlive it.
        m_shadow.Reset();
        m_visible = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace vt
