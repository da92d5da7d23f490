#include "toolkit/Dialog.h"

#include "toolkit/Raii.h"

namespace vt {

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        if (!self || !self->Attach(hwnd)) return TRUE;
        return self->OnInitDialog();
    }
    // Everything else reached CWnd::WindowProc first; the rest is the dialog manager's.
    return FALSE;
}

HWND CDialog::CreateWindowFromTemplate(HWND parent) {
    if (m_template)
        return ::CreateDialogIndirectParamW(ResourceInstance(), m_template, parent, &CDialog::DialogProc,
                                            reinterpret_cast<LPARAM>(this));
    return ::CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId), parent, &CDialog::DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
    if (m_hWnd) return false;
    m_modal = false;
    HWND h = CreateWindowFromTemplate(parent);
    return h != nullptr && m_hWnd == h;
}

void CDialog::PumpMessage(MSG& msg) { vt::PumpMessage(msg); }

INT_PTR CDialog::DoModal(HWND owner) {
    if (m_hWnd) return -1;
    m_modal = true;
    m_endModal = false;
    m_result = -1;
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner) ::EnableWindow(owner, FALSE);
    // Re-enabled before the dialog goes, so that activation returns to the owner.
    auto reenable = MakeScopeExit([&] {
        if (disableOwner) ::EnableWindow(owner, TRUE);
    });

    HWND h = CreateWindowFromTemplate(owner);
    if (!h || m_hWnd != h) {
        if (h) ::DestroyWindow(h);
        m_modal = false;
        return -1;
    }
    if (!m_endModal) ::ShowWindow(h, SW_SHOW);

    // Ends on EndDialog, and also when the window is destroyed by anything else.
    MSG msg;
    while (!m_endModal && m_hWnd) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Let the outer loop see the quit request too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        vt::PumpMessage(msg);
    }

    const INT_PTR result = m_result;
    HWND window = m_hWnd;
    m_modal = false;
    reenable.Run();
    // Nothing of the object is touched once its window is gone.
    if (window) {
        ::ShowWindow(window, SW_HIDE);
        ::DestroyWindow(window);
    }
    return result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modal) {
        m_endModal = true;
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0); // wake the loop
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        LRESULT r = 0;
        if (ReflectToChild(msg, wParam, lParam, &r)) return r;
        // Subclasses see the command first; OK and Cancel fall back to the defaults.
        if (OnCommand(wParam, lParam)) return 0;
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case IDOK: OnOK(); return 0;
            case IDCANCEL: OnCancel(); return 0;
            default: break;
            }
        }
        return Default();
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

} // namespace vt
