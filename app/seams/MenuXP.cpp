#include "app/seams/MenuXP.h"

#include "toolkit/MenuXP.h"

namespace {

class CMenuXPAdapter final : public IPopupMenu {
public:
    bool Ready(UINT pictureStrip) {
        // A missing strip leaves the items without pictures, not the menu unusable.
        if (pictureStrip) m_menu.LoadPictureStrip(pictureStrip);
        return m_menu.GetSafeHmenu() != nullptr;
    }
    void AppendItem(UINT id, const std::wstring& text, int pictureIndex) override {
        m_menu.Append(std::make_unique<vt::CMenuXPItem>(id, text, pictureIndex));
    }
    void AppendSeparator() override { m_menu.Append(std::make_unique<vt::CMenuXPSeparator>()); }
    void CheckItem(UINT id, bool checked) override {
        ::CheckMenuItem(m_menu.GetSafeHmenu(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
    int ItemCount() const override { return m_menu.ItemCount(); }
    UINT Track(HWND owner, POINT pt, UINT flags) override { return m_menu.Track(owner, pt, flags); }
    bool MeasureItem(MEASUREITEMSTRUCT& mis) override { return m_menu.MeasureItem(mis); }
    bool DrawItem(const DRAWITEMSTRUCT& dis) override { return m_menu.DrawItem(dis); }

private:
    vt::CMenuXP m_menu;
};

} // namespace

std::unique_ptr<IPopupMenu> CreateOwnerDrawnMenu(UINT pictureStrip) {
    auto menu = std::make_unique<CMenuXPAdapter>();
    if (!menu->Ready(pictureStrip)) return nullptr;
    return menu;
}
