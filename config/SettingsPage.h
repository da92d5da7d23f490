// What the four settings pages share: a child dialog that paints the part of the
// settings window's picture under it, lets plain check boxes and radio buttons show
// through, lays its controls out in pixels and labels them from the language file.
#pragma once

#include "toolkit/ControlPlace.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"

#include <string>
#include <vector>

using vt::ControlPlace;

// A text of the language file and the control that shows it.
struct ControlCaption {
    int id;
    const wchar_t* key;
};

class CSettingsPage : public vt::CDialog {
public:
    explicit CSettingsPage(UINT templateId) noexcept : vt::CDialog(templateId) {}

    // The settings window's picture and where this page lies on it; set before creation.
    void SetBackground(const vt::CImage* picture, POINT offset) noexcept {
        m_picture = picture;
        m_offset = offset;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBkgnd(HDC dc) override;
    // Enter and Esc belong to the settings window.
    void OnOK() override {}
    void OnCancel() override {}

    HWND Item(int id) const noexcept { return ::GetDlgItem(m_hWnd, id); }
    // The settings window: owner of every message box of the pages.
    HWND Root() const noexcept { return ::GetAncestor(m_hWnd, GA_ROOT); }
    void Place(const ControlPlace* places, size_t count) const;
    void SetCaptions(const ControlCaption* captions, size_t count) const;
    bool IsChecked(int id) const noexcept { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    void Check(int id, bool checked) const noexcept {
        ::CheckDlgButton(m_hWnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    void Enable(int id, bool enabled) const noexcept { ::EnableWindow(Item(id), enabled ? TRUE : FALSE); }
    // A message box over the settings window with the program's name as its caption.
    int Message(const std::wstring& text, UINT flags) const;

private:
    const vt::CImage* m_picture = nullptr;
    POINT m_offset{};
    vt::UniqueBrush m_brush;
};

// Combo-box helpers shared by the pages.
namespace combo {
void Fill(HWND box, const std::vector<std::wstring>& texts);
std::vector<std::wstring> Texts(HWND box);
std::wstring Text(HWND box, int index);
int Count(HWND box) noexcept;
int Selection(HWND box) noexcept;
void Select(HWND box, int index) noexcept;
} // namespace combo

// The program's name, caption of every message box.
std::wstring AppName();
