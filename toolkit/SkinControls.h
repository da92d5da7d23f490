// Controls that draw themselves from PNG picture strips (frames side by side, of equal
// width): image button, image check box / radio button, image slider, text label, and a
// label whose text the platform draws over the parent's pixels. They look transparent:
// the first background erase copies the parent's pixels under the control, and every
// paint starts from that copy, off screen, then goes to the screen in one copy.
//
// Attach them to template controls with SubclassDlgItem (a BUTTON for the buttons, a
// STATIC for the labels, any control for the slider) or create them with Create. The
// parent must be a vt::CWnd, which reflects WM_DRAWITEM and WM_CTLCOLOR* to them.
#pragma once

#include "toolkit/Image.h"
#include "toolkit/Raii.h"
#include "toolkit/Wnd.h"

#include <string>

// Sent to the slider's parent when a user action changes its value:
// wParam = new value, lParam = the slider's window.
constexpr UINT WM_SKIN_SLIDER_CHANGED = WM_USER + 103;

// Parts both image buttons share: the background copy, the font and the tooltip.
class CNSkinButtonBase : public vt::CWnd {
public:
    // Empty text means the window's text. Replaces any earlier tooltip.
    void SetToolTipText(bool activate, const std::wstring& text);
    const std::wstring& GetToolTipText() const noexcept { return m_toolTipText; }
    HWND GetToolTipWnd() const noexcept { return m_toolTip.Get(); }
    bool IsToolTipActive() const noexcept { return m_toolTipActive; }

    // The caption drawn, kept as the window's text.
    void SetText(const std::wstring& text);
    const std::wstring& GetText() const noexcept { return m_text; }
    void SetFontFace(const std::wstring& face);
    void SetFont(const std::wstring& face, int height, int weight);
    void SetTextMargins(int left, int right, int top, int bottom) noexcept;

    // Attaching makes the button owner-drawn.
    bool Attach(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(::GetDlgItem(parent, id)); }
    // Creates a BUTTON child and attaches to it.
    bool Create(HWND parent, int id, int x, int y, int cx, int cy, const wchar_t* text = L"");

    bool PreTranslateMessage(MSG* msg) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnDestroy() override;
    virtual void DrawItem(const DRAWITEMSTRUCT& dis) = 0;

    void MakeOwnerDrawn();
    void TakeBackground(HDC target);
    void DrawBackground(HDC dc, const RECT& rc) const;
    void DrawLabel(HDC dc, RECT rc, COLORREF colour);
    void CreateToolTip();
    void Repaint();
    void SetAccessibleName(const std::wstring& name);

    vt::UniqueBitmap m_background;
    SIZE m_backgroundSize{};
    vt::UniqueFont m_font;
    std::wstring m_fontFace = L"MS Sans Serif";
    int m_fontHeight = 8;
    int m_fontWeight = 400;
    std::wstring m_text;
    std::wstring m_toolTipText;
    vt::UniqueHwnd m_toolTip;
    bool m_toolTipActive = false;
    bool m_namingOnly = false;
    bool m_namedByTip = false;
    int m_marginLeft = 0, m_marginRight = 0, m_marginTop = 0, m_marginBottom = 0;
};

// Image button: a strip of 3 or 4 frames (normal, hover, pressed, disabled), an optional
// icon strip drawn left of the text, and centred text.
class CNButtonEx : public CNSkinButtonBase {
public:
    // From the file when path is not empty, else the PNG resource; the button takes the
    // size of one frame. Returns false when the picture cannot be loaded.
    bool SetStateImage(const wchar_t* path, UINT pngId, int frameCount);
    bool SetIconImage(const wchar_t* path, UINT pngId, int index, int frameCount);
    void SetIconIndex(int index);
    void SetIconLeft(int left);
    void SetTextColor(COLORREF colour);

    // The flag the drawing goes by; Enable sets it and the window's enabled state.
    void SetEnabledFlag(bool enabled);
    bool GetEnabledFlag() const noexcept { return m_enabled; }
    void Enable(bool enabled);

    bool IsHover() const noexcept { return m_hover; }
    int GetFrameWidth() const noexcept { return m_frameWidth; }
    int GetFrameHeight() const noexcept { return m_frameHeight; }
    int GetFrameCount() const noexcept { return m_frameCount; }
    const RECT& GetIconRect() const noexcept { return m_iconRect; }
    // The frame that a paint in this state takes (3 disabled, 2 pressed, 1 hover, 0).
    int FrameFor(bool pressed) const noexcept;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(const DRAWITEMSTRUCT& dis) override;

private:
    bool m_hover = false;
    bool m_tracking = false;
    bool m_enabled = true;
    vt::CImage m_states;
    vt::CImage m_icons;
    int m_frameCount = 0, m_frameWidth = 0, m_frameHeight = 0;
    int m_iconIndex = 0, m_iconWidth = 0, m_iconHeight = 0, m_iconLeft = 0;
    RECT m_iconRect{};
    COLORREF m_textColour = 0;
};

// Image check box or radio button: frames unchecked, checked (and disabled when the
// strip has three). The owner sets the checked flag, also on clicks.
class CNOptionEx : public CNSkinButtonBase {
public:
    CNOptionEx() noexcept { m_fontHeight = 14; }
    // Frame width = image width / frameCount (2 unless the strip carries a disabled
    // frame); the control takes the size of one frame.
    bool SetStateImage(const wchar_t* path, UINT pngId, int frameCount = 2);
    void SetCheck(bool checked);
    bool GetCheck() const noexcept { return m_checked; }
    void SetEnabledFlag(bool enabled);
    bool GetEnabledFlag() const noexcept { return m_enabled; }
    void Enable(bool enabled);
    void SetTextColors(COLORREF unchecked, COLORREF checked);
    int FrameFor() const noexcept;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(const DRAWITEMSTRUCT& dis) override;

private:
    bool m_checked = false;
    bool m_enabled = true;
    vt::CImage m_states;
    int m_frameCount = 0, m_frameWidth = 0;
    COLORREF m_colourUnchecked = 0;
    COLORREF m_colourChecked = 0xFFFFFF;
};

// Image slider: a thumb frame at the strip's left (thumb width 9) and two one-pixel
// track columns at its right end (width-2: empty part, width-1: filled part).
class CNSliderEx : public vt::CWnd {
public:
    bool Create(HWND parent, int id, int x, int y, int cx, int cy);
    bool SetImage(const wchar_t* path, UINT pngId);
    void SetRange(int minimum, int maximum);
    void SetValue(int value);
    int GetValue() const noexcept { return m_value; }
    int GetMin() const noexcept { return m_min; }
    int GetMax() const noexcept { return m_max; }
    const RECT& GetThumbRect() const noexcept { return m_thumb; }
    float GetPixelsPerUnit() const noexcept { return m_pixelsPerUnit; }
    void SetThumb(int sourceX, int width);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnSize(int cx, int cy);
    void Paint(HDC dc);
    void PlaceThumb(int left);
    int ValueAt(int thumbLeft) const noexcept;
    int ThumbLeftFor(int value) const noexcept;
    void UpdateValueFromThumb();
    int Track() const noexcept { return (m_client.right - m_client.left) - m_thumbWidth; }

    vt::CImage m_strip;
    vt::UniqueBitmap m_background;
    SIZE m_backgroundSize{};
    int m_thumbSourceX = 0, m_thumbWidth = 9;
    int m_value = 0, m_min = 0, m_max = 0;
    RECT m_client{}, m_thumb{};
    float m_pixelsPerUnit = 0.0f;
    bool m_dragging = false, m_tracking = false, m_hover = false;
    int m_dragStartX = 0;
    RECT m_dragStartThumb{};
};

// Text label drawn by the program (owner-drawn static): the text through DrawSkinText.
class CNStaticEx : public vt::CWnd {
public:
    // Attaching makes the static owner-drawn with notifications (style bits 0x10D).
    bool Attach(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent) { return Attach(::GetDlgItem(parent, id)); }
    bool Create(HWND parent, int id, int x, int y, int cx, int cy, const wchar_t* text = L"");
    // Empty: the window's text is drawn.
    void SetText(const std::wstring& text);
    const std::wstring& GetText() const noexcept { return m_text; }
    void SetTextColor(COLORREF colour);
    void SetFont(const std::wstring& face, int height, int weight);
    void SetLineBreak(bool lineBreak);
    void SetFormat(UINT format);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void MakeOwnerDrawn();
    void Draw(HDC dc, const RECT& rc);

    std::wstring m_text;
    COLORREF m_colour = 0;
    std::wstring m_face = L"Ms Sans Serif";
    int m_height = 8, m_weight = 400;
    bool m_lineBreak = false;
    UINT m_format = 0;
    vt::UniqueBitmap m_background;
    SIZE m_backgroundSize{};
};

// Plain static whose text the platform draws, transparently, over the parent's pixels.
class CTransparentStatic : public vt::CWnd {
public:
    bool Create(HWND parent, int id, int x, int y, int cx, int cy, const wchar_t* text = L"",
                DWORD style = SS_LEFT);
    void SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const noexcept { return m_colour; }
    void SetText(const std::wstring& text);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    COLORREF m_colour = 0;
    vt::UniqueBitmap m_background;
    SIZE m_backgroundSize{};
};

namespace vt {
// The parent's pixels under a child window (its rectangle in the parent's client area).
UniqueBitmap CopyParentBackground(HWND child, SIZE* size) noexcept;
// Puts such a copy at (0, 0) of dc.
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy) noexcept;
} // namespace vt
