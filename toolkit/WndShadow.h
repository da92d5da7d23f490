// A soft drop shadow for a frameless window: a layered, click-through window owned by
// it, drawn from the window's shape, following it through moves, sizes and shows by
// hooking its messages (one more subclass layer of its own).
#pragma once

#include "toolkit/MessageHook.h"
#include "toolkit/Raii.h"
#include "toolkit/ShadowImage.h"

namespace vt {

class CWndShadow {
public:
    // Once per process, before any shadow: resolves UpdateLayeredWindow, loads dwmapi
    // from the system folder and registers the "DTShadowWnd" class. False when shadows
    // are unavailable, and on every later call.
    static bool Initialise(HINSTANCE instance);

    CWndShadow() noexcept = default;
    ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Creates the shadow window for parent, enabled. False when shadows are unavailable.
    bool Create(HWND parent);
    // An enabled shadow shows whenever its parent shows, neither minimised nor maximised.
    void SetEnabled(bool enabled);
    HWND Window() const noexcept { return m_shadow.Get(); }

private:
    bool OnParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    bool Active() const noexcept { return m_enabled && !m_compositionOff; }
    void ApplyShowRule(bool parentShowing);
    void Hide();
    void Update();
    POINT Origin() const;

    HWND m_parent = nullptr;
    UniqueHwnd m_shadow;
    MessageHook m_hook;
    ShadowParams m_params;
    bool m_enabled = false;
    bool m_visible = false;
    bool m_parentVisible = false;
    bool m_compositionOff = false;
    bool m_updatePending = false;
    LPARAM m_lastSize = 0;
};

} // namespace vt
