// Pop-up menus whose items the program draws (a picture from a strip, a tick on the
// checked item, the text), used for the language menu.
#pragma once

#include <windows.h>
#include <memory>
#include <string>

class IPopupMenu {
public:
    virtual ~IPopupMenu() = default;
    virtual void AppendItem(UINT id, const std::wstring& text, int pictureIndex) = 0;
    virtual void AppendSeparator() = 0;
    // Ticks (or clears) the item with this command id, as CheckMenuItem does.
    virtual void CheckItem(UINT id, bool checked) = 0;
    // Items so far, separators included.
    virtual int ItemCount() const = 0;
    // Shows the menu at the screen point (TrackPopupMenu flags); the chosen command is
    // sent to owner as WM_COMMAND (or returned with TPM_RETURNCMD).
    virtual UINT Track(HWND owner, POINT screen, UINT flags) = 0;
    // The owner forwards WM_MEASUREITEM and WM_DRAWITEM with CtlType ODT_MENU while the
    // menu lives; true when the item was one of this menu's.
    virtual bool MeasureItem(MEASUREITEMSTRUCT& mis) = 0;
    virtual bool DrawItem(const DRAWITEMSTRUCT& dis) = 0;
};

// An empty pop-up menu whose item pictures come from the PNG resource pictureStrip
// (27-pixel frames side by side). Null when no menu can be made.
std::unique_ptr<IPopupMenu> CreateOwnerDrawnMenu(UINT pictureStrip);
