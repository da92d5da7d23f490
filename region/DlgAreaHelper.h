// The area helper: a small skinned panel under the chosen rectangle that shows and takes
// its width and height, locks its size, closes the selection or records at once.
#pragma once

#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/SkinControls.h"

// What the helper asks of the selection overlay.
class IAreaHelperOwner {
public:
    virtual void HelperCancel() = 0;              // close button
    virtual void HelperRecordNow() = 0;           // record button
    virtual void HelperTypedWidth(int value) = 0; // the field's text as StrToIntW reads it
    virtual void HelperTypedHeight(int value) = 0;

protected:
    ~IAreaHelperOwner() = default;
};

class CDlgAreaHelper : public vt::CDialog {
public:
    CDlgAreaHelper() noexcept;

    // A child of the overlay, hidden until the overlay places it.
    bool Create(HWND overlay, IAreaHelperOwner* owner, int screenWidth, int screenHeight);
    // Shows the selection's size in the fields.
    void Refresh(int width, int height);
    // Puts a refused value's field back to the current size.
    void PutBackWidth(int width);
    void PutBackHeight(int height);
    bool IsSizeLocked() const noexcept { return m_sizeLocked; }
    SIZE Size() const noexcept;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    void OnOK() override {}
    void OnCancel() override {}

private:
    void ToggleLock();
    void SetField(int id, int value);

    IAreaHelperOwner* m_owner = nullptr;
    int m_screenWidth = 0, m_screenHeight = 0;
    bool m_sizeLocked = false;
    bool m_settingField = false;
    vt::CImage m_background, m_link; // 176, 188
    CNButtonEx m_close, m_record;
    CNOptionEx m_lock;
    CTransparentStatic m_widthLabel, m_heightLabel;
};
