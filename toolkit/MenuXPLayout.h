// Sizes and places of the parts of an owner-drawn menu item, free of windows.
#pragma once

#include <windows.h>

namespace vt {

// Picture strips have frames this wide, their column this wide.
inline constexpr int kMenuXPFrameWidth = 27;
inline constexpr int kMenuXPColumnWidth = 30;
inline constexpr int kMenuXPTextGap = 5; // between the column and the text

struct MenuXPMeasure {
    bool separator = false;
    SIZE text{};          // the text's extent in the bold menu font
    bool hasText = true;
    bool hasStrip = false; // the menu has a picture strip
    int pictureSize = 16; // nominal picture size
    int cxMenuCheck = 0;  // SM_CXMENUCHECK: the system adds that much less one to the width
};

// The item's size for WM_MEASUREITEM, wide enough for the picture column, the text and
// the margin right of it as LayOutMenuXPItem places them; never negative.
SIZE MeasureMenuXPItem(const MenuXPMeasure& m) noexcept;

struct MenuXPItemLayout {
    RECT column{};   // the picture column at the item's left
    POINT picture{}; // top-left of the strip's frame
    RECT text{};     // the text (before any shift for its look)
    POINT tick{};    // top-left of the 8 x 8 tick
};

// hasStrip: the menu has a picture strip of stripHeight. Without one a checked item's
// tick sits in the picture column; with one it sits in the margin right of the text.
MenuXPItemLayout LayOutMenuXPItem(const RECT& item, bool hasStrip, int stripHeight, int pictureSize) noexcept;

} // namespace vt
