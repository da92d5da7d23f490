#include "toolkit/MenuXPLayout.h"

#include <algorithm>

namespace vt {

SIZE MeasureMenuXPItem(const MenuXPMeasure& m) noexcept {
    if (m.separator) return SIZE{0, 1}; // nothing to take the check's room from
    const int height = std::max<int>(m.text.cy, m.pictureSize + 4) + 10;
    // Room for what the drawing puts there: column, gap, text, right margin.
    const int column = m.hasStrip ? kMenuXPColumnWidth : height;
    const int width = m.hasText ? column + kMenuXPTextGap + m.text.cx + m.pictureSize : height;
    // Signed and clamped: a narrow item must not wrap around to a huge width.
    return SIZE{std::max(width - (m.cxMenuCheck - 1), 0), height};
}

MenuXPItemLayout LayOutMenuXPItem(const RECT& item, bool hasStrip, int stripHeight, int pictureSize) noexcept {
    MenuXPItemLayout l;
    const int height = item.bottom - item.top;
    const int columnWidth = hasStrip ? kMenuXPColumnWidth : height;
    l.column = RECT{item.left, item.top, item.left + columnWidth, item.bottom};
    l.picture = POINT{item.left + 1, item.top + (height - stripHeight) / 2};
    l.text = RECT{l.column.right + kMenuXPTextGap, item.top, item.right - pictureSize, item.bottom};
    const RECT box = hasStrip ? RECT{item.right - pictureSize, item.top, item.right, item.bottom} : l.column;
    l.tick = POINT{(box.left + box.right) / 2 - 4, (box.top + box.bottom) / 2 - 4};
    return l;
}

} // namespace vt
