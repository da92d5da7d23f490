// First build: a plain pop-up menu, text items and separators, drawn by the system.
#include "app/seams/MenuXP.h"

#include "toolkit/Raii.h"

namespace {

class CPlainMenu final : public IPopupMenu {
public:
    explicit CPlainMenu(HMENU menu) noexcept : m_menu(menu) {}
    void AppendItem(UINT id, const std::wstring& text, int) override {
        ::AppendMenuW(m_menu.Get(), MF_STRING, id, text.c_str());
    }
    void AppendSeparator() override { ::AppendMenuW(m_menu.Get(), MF_SEPARATOR, 0, nullptr); }
    int ItemCount() const override { return ::GetMenuItemCount(m_menu.Get()); }
    UINT Track(HWND owner, POINT pt, UINT flags) override {
        return static_cast<UINT>(::TrackPopupMenu(m_menu.Get(), flags, pt.x, pt.y, 0, owner, nullptr));
    }
    bool MeasureItem(MEASUREITEMSTRUCT&) override { return false; }
    bool DrawItem(const DRAWITEMSTRUCT&) override { return false; }

private:
    vt::UniqueMenu m_menu;
};

} // namespace

std::unique_ptr<IPopupMenu> CreateOwnerDrawnMenu(UINT) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return nullptr;
    return std::make_unique<CPlainMenu>(menu);
}
