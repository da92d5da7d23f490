// Dialogs from templates: modeless (child or top-level) and modal with our own loop.
#pragma once

#include "toolkit/Wnd.h"

namespace vt {

class CDialog : public CWnd {
public:
    // A template from the program's resources.
    explicit CDialog(UINT templateId) noexcept : m_templateId(templateId) {}
    // A template built in memory (must outlive Create / DoModal).
    explicit CDialog(const DLGTEMPLATE* templ) noexcept : m_template(templ) {}

    // Modeless. A null parent makes a top-level window owned by the desktop; a
    // template with WS_CHILD becomes a child of the parent.
    bool Create(HWND parent);
    // Modal: the owner is disabled meanwhile; returns the code given to EndDialog,
    // or -1 when the dialog could not be created.
    INT_PTR DoModal(HWND owner = nullptr);
    void EndDialog(INT_PTR result);
    bool IsModal() const noexcept { return m_modal; }

    // Runs one message through the pre-translate chain, the dialog manager and dispatch.
    static void PumpMessage(MSG& msg);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    HWND CreateWindowFromTemplate(HWND parent);

    UINT m_templateId = 0;
    const DLGTEMPLATE* m_template = nullptr;
    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_result = -1;
};

} // namespace vt
