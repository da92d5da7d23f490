// A pop-up menu whose items the program draws: a picture from a strip, a tick for the
// checked item, the text (bold for the default item, a right-aligned part after a tab),
// etched separators. The owner window forwards WM_MEASUREITEM and WM_DRAWITEM while
// the menu shows. The menu owns its item records and frees each once.
#pragma once

#include "toolkit/Image.h"
#include "toolkit/Raii.h"

#include <memory>
#include <string>
#include <vector>

namespace vt {

class CMenuXPItem {
public:
    static constexpr DWORD kMarker = 0x0505A0A0;

    CMenuXPItem() = default;
    CMenuXPItem(UINT commandId, std::wstring itemText, int picture)
        : id(commandId), text(std::move(itemText)), pictureIndex(picture) {}
    virtual ~CMenuXPItem() = default;
    CMenuXPItem(const CMenuXPItem&) = delete;
    CMenuXPItem& operator=(const CMenuXPItem&) = delete;

    DWORD marker = kMarker;
    UINT id = 0;
    bool separator = false;
    std::wstring text;
    int pictureSize = 16;
    int pictureIndex = 0; // frame in the menu's picture strip
};

class CMenuXPSeparator : public CMenuXPItem {
public:
    CMenuXPSeparator() { separator = true; }
};

class CMenuXP {
public:
    CMenuXP();
    ~CMenuXP();
    CMenuXP(const CMenuXP&) = delete;
    CMenuXP& operator=(const CMenuXP&) = delete;

    HMENU GetSafeHmenu() const noexcept { return m_menu.Get(); }
    // Frames kMenuXPFrameWidth pixels wide side by side, from the program's PNG resource.
    bool LoadPictureStrip(UINT pngId);
    // Appends the record as an owner-drawn item (a separator when it is one); flags may
    // add MF_CHECKED, MF_GRAYED. The menu keeps the record until it goes.
    bool Append(std::unique_ptr<CMenuXPItem> item, UINT flags = 0);
    int ItemCount() const noexcept;
    // TrackPopupMenu on this menu.
    UINT Track(HWND owner, POINT screen, UINT flags);

    // True when the item is one of this menu's (and has been measured or drawn).
    bool MeasureItem(MEASUREITEMSTRUCT& mis);
    bool DrawItem(const DRAWITEMSTRUCT& dis);

private:
    const CMenuXPItem* Owned(ULONG_PTR data) const noexcept;
    void DrawTick(HDC dc, POINT at) const;

    UniqueMenu m_menu;
    UniqueFont m_font;
    UniqueFont m_boldFont;
    CImage m_strip;
    std::vector<std::unique_ptr<CMenuXPItem>> m_items;
    COLORREF m_grayText = 0;
    COLORREF m_highlightText = 0;
};

} // namespace vt
