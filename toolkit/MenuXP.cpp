#include "toolkit/MenuXP.h"

#include "toolkit/MenuXPLayout.h"

#include <algorithm>
#include <cstddef>

namespace vt {

namespace {

constexpr COLORREF kSelected = RGB(231, 250, 220);
constexpr COLORREF kBackground = RGB(255, 255, 255);

LOGFONTW MenuFont() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) {
        // Systems before Vista know the record without its last field.
        ncm.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0);
    }
    return ncm.lfMenuFont;
}

void DrawTextPart(HDC dc, const std::wstring& text, RECT rc, UINT align) {
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, align | DT_VCENTER | DT_SINGLELINE);
}

} // namespace

CMenuXP::CMenuXP() : m_menu(::CreatePopupMenu()) {
    LOGFONTW lf = MenuFont();
    m_font.Reset(::CreateFontIndirectW(&lf));
    lf.lfWeight = FW_BOLD;
    m_boldFont.Reset(::CreateFontIndirectW(&lf));
    m_grayText = ::GetSysColor(COLOR_GRAYTEXT);
    m_highlightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
}

CMenuXP::~CMenuXP() {
    // The menu goes before its records, so that nothing can reach a freed one.
    m_menu.Reset();
    m_items.clear();
}

bool CMenuXP::LoadPictureStrip(UINT pngId) {
    return LoadImageResource(m_strip, nullptr, pngId) != 0;
}

bool CMenuXP::Append(std::unique_ptr<CMenuXPItem> item, UINT flags) {
    if (!m_menu || !item) return false;
    const UINT type = MF_OWNERDRAW | (item->separator ? MF_SEPARATOR : 0);
    const UINT_PTR id = item->separator ? 0 : item->id;
    if (!::AppendMenuW(m_menu.Get(), type | flags, id, reinterpret_cast<LPCWSTR>(item.get()))) return false;
    m_items.push_back(std::move(item));
    return true;
}

int CMenuXP::ItemCount() const noexcept {
    return m_menu ? ::GetMenuItemCount(m_menu.Get()) : 0;
}

UINT CMenuXP::Track(HWND owner, POINT screen, UINT flags) {
    if (!m_menu) return 0;
    return static_cast<UINT>(::TrackPopupMenu(m_menu.Get(), flags, screen.x, screen.y, 0, owner, nullptr));
}

// Item data that is not one of our records is never read, whatever it holds.
const CMenuXPItem* CMenuXP::Owned(ULONG_PTR data) const noexcept {
    const auto it = std::find_if(m_items.begin(), m_items.end(), [data](const std::unique_ptr<CMenuXPItem>& item) {
        return reinterpret_cast<ULONG_PTR>(item.get()) == data;
    });
    return it == m_items.end() ? nullptr : it->get();
}

bool CMenuXP::MeasureItem(MEASUREITEMSTRUCT& mis) {
    if (mis.CtlType != ODT_MENU) return false;
    const CMenuXPItem* item = Owned(mis.itemData);
    if (!item) return false;
    MenuXPMeasure m;
    m.separator = item->separator;
    m.hasText = !item->text.empty();
    m.hasStrip = !m_strip.IsNull();
    m.pictureSize = item->pictureSize;
    m.cxMenuCheck = ::GetSystemMetrics(SM_CXMENUCHECK);
    if (!m.separator && m.hasText) {
        WindowDc screen(nullptr);
        SelectGuard font(screen.Get(), m_boldFont.Get());
        RECT rc{};
        ::DrawTextW(screen.Get(), item->text.c_str(), static_cast<int>(item->text.size()), &rc,
                    DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
        m.text = SIZE{rc.right - rc.left, rc.bottom - rc.top};
    }
    const SIZE size = MeasureMenuXPItem(m);
    mis.itemWidth = static_cast<UINT>(size.cx);
    mis.itemHeight = static_cast<UINT>(size.cy);
    return true;
}

bool CMenuXP::DrawItem(const DRAWITEMSTRUCT& dis) {
    if (dis.CtlType != ODT_MENU) return false;
    const CMenuXPItem* item = Owned(dis.itemData);
    if (!item) return false;
    HDC dc = dis.hDC;
    DcState state(dc);
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    {
        UniqueBrush brush(::CreateSolidBrush(selected ? kSelected : kBackground));
        ::FillRect(dc, &dis.rcItem, brush.Get());
    }
    if (item->separator) {
        RECT line = dis.rcItem;
        line.top = (line.top + line.bottom) / 2;
        ::DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return true;
    }

    const bool hasStrip = !m_strip.IsNull();
    const MenuXPItemLayout l = LayOutMenuXPItem(dis.rcItem, hasStrip, hasStrip ? m_strip.GetHeight() : 0,
                                                item->pictureSize);
    const int frameX = item->pictureIndex * kMenuXPFrameWidth;
    if (hasStrip && item->pictureIndex >= 0 && frameX + kMenuXPFrameWidth <= m_strip.GetWidth())
        m_strip.Draw(dc, l.picture.x, l.picture.y, kMenuXPFrameWidth, m_strip.GetHeight(), frameX, 0,
                     kMenuXPFrameWidth, m_strip.GetHeight());
    if (dis.itemState & ODS_CHECKED) DrawTick(dc, l.tick);

    SelectGuard font(dc, (dis.itemState & ODS_DEFAULT) ? m_boldFont.Get() : m_font.Get());
    ::SetBkMode(dc, TRANSPARENT);
    const size_t tab = item->text.find(L'\t');
    const std::wstring left = item->text.substr(0, tab);
    const std::wstring right = tab == std::wstring::npos ? std::wstring() : item->text.substr(tab + 1);
    const auto drawText = [&](RECT rc, COLORREF colour) {
        ::SetTextColor(dc, colour);
        DrawTextPart(dc, left, rc, DT_LEFT);
        if (!right.empty()) DrawTextPart(dc, right, rc, DT_RIGHT);
    };
    RECT shifted = l.text;
    ::OffsetRect(&shifted, 1, 1);
    if (dis.itemState & ODS_GRAYED) {
        if (!selected) drawText(shifted, m_highlightText);
        drawText(l.text, m_grayText);
    } else {
        drawText(shifted, RGB(0, 0, 0));
    }
    return true;
}

void CMenuXP::DrawTick(HDC dc, POINT at) const {
    UniquePen pen(::CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    SelectGuard select(dc, pen.Get());
    for (int down = 0; down < 3; ++down) {
        const POINT tick[] = {{at.x, at.y + 3 + down}, {at.x + 2, at.y + 5 + down}, {at.x + 7, at.y + down}};
        ::Polyline(dc, tick, 3);
    }
}

} // namespace vt
