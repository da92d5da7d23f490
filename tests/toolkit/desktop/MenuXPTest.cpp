// The owner-drawn menu: its measurements as numbers, its records' ownership, and a real
// menu drawn on the screen and read back while it is open.
#include "DesktopTestUtil.h"

#include "toolkit/MenuXP.h"
#include "toolkit/MenuXPLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace vt;
using namespace desktoptest;

TEST(MenuXPLayout, MeasuresAndPlacesFromTextAndPictureNeverNegative) {
    MenuXPMeasure m;
    m.text = SIZE{40, 13};
    m.hasStrip = true;
    m.cxMenuCheck = 13;
    EXPECT_EQ(MeasureMenuXPItem(m).cy, 30) << "max(text, picture + 4) + 10";
    EXPECT_EQ(MeasureMenuXPItem(m).cx, 30 + 5 + 40 + 16 - 12) << "column, gap, text, margin, less the check";
    m.text = SIZE{40, 25};
    m.hasStrip = false;
    EXPECT_EQ(MeasureMenuXPItem(m).cy, 35);
    EXPECT_EQ(MeasureMenuXPItem(m).cx, 35 + 5 + 40 + 16 - 12) << "without pictures the column is as wide as high";
    m.hasText = false;
    EXPECT_EQ(MeasureMenuXPItem(m).cx, 35 - 12) << "a picture-only item is as wide as it is high";
    MenuXPMeasure sep;
    sep.separator = true;
    sep.cxMenuCheck = 13;
    EXPECT_EQ(MeasureMenuXPItem(sep).cx, 0) << "clamped, not wrapped around";
    EXPECT_EQ(MeasureMenuXPItem(sep).cy, 1);

    const RECT item{10, 100, 110, 130};
    MenuXPItemLayout l = LayOutMenuXPItem(item, true, 19, 16);
    EXPECT_EQ(l.picture.x, 11);
    EXPECT_EQ(l.picture.y, 105) << "centred vertically";
    EXPECT_EQ(l.text.left, 45) << "30-pixel column + 5";
    EXPECT_EQ(l.text.right, 94);
    EXPECT_EQ(l.tick.x, 94 + 8 - 4) << "with pictures the tick goes right of the text";
    l = LayOutMenuXPItem(item, false, 0, 16);
    EXPECT_EQ(l.tick.x, 10 + 15 - 4) << "else in a column as wide as the item is high";
}

namespace {

int g_alive = 0;
int g_freed = 0;

struct CountedItem : CMenuXPItem {
    CountedItem(UINT id, const wchar_t* text, int picture) : CMenuXPItem(id, text, picture) { ++g_alive; }
    ~CountedItem() override {
        --g_alive;
        ++g_freed;
    }
};
struct CountedSeparator : CMenuXPSeparator {
    CountedSeparator() { ++g_alive; }
    ~CountedSeparator() override {
        --g_alive;
        ++g_freed;
    }
};

// The language menu's shape: an item per language, separators between.
void BuildLanguages(CMenuXP& menu, int languages) {
    for (int i = 0; i < languages; ++i) {
        menu.Append(std::make_unique<CountedItem>(40000 + i, L"Language", i));
        if (i + 1 < languages) menu.Append(std::make_unique<CountedSeparator>());
    }
}

} // namespace

TEST(MenuXP, OwnsItsRecordsAndLeavesForeignItemsAlone) {
    g_alive = g_freed = 0;
    {
        CMenuXP menu;
        BuildLanguages(menu, 3);
        ASSERT_EQ(menu.ItemCount(), 5);
        for (int pos = 0; pos < 5; ++pos) {
            MENUITEMINFOW info{sizeof(info), MIIM_FTYPE};
            ::GetMenuItemInfoW(menu.GetSafeHmenu(), pos, TRUE, &info);
            EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
            EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, pos % 2 == 1) << pos;
        }

        // Item data carrying the marker but not ours, and plain garbage, are not read.
        CMenuXPItem foreign(1, L"foreign", 0);
        for (ULONG_PTR data : {reinterpret_cast<ULONG_PTR>(&foreign), ULONG_PTR(0x1234)}) {
            MEASUREITEMSTRUCT mis{ODT_MENU, 0, 1, 77, 77, data};
            EXPECT_FALSE(menu.MeasureItem(mis));
            EXPECT_EQ(mis.itemWidth, 77u);
            DRAWITEMSTRUCT dis{ODT_MENU, 0, 1, ODA_DRAWENTIRE, 0, nullptr, nullptr, {}, data};
            EXPECT_FALSE(menu.DrawItem(dis));
        }
        MENUITEMINFOW info{sizeof(info), MIIM_DATA};
        ::GetMenuItemInfoW(menu.GetSafeHmenu(), 1, TRUE, &info);
        MEASUREITEMSTRUCT mis{ODT_MENU, 0, 0, 0, 0, info.dwItemData};
        EXPECT_TRUE(menu.MeasureItem(mis));
        EXPECT_EQ(mis.itemHeight, 1u) << "a separator of ours";
    }
    EXPECT_EQ(g_alive, 0);
    EXPECT_EQ(g_freed, 5) << "every record once, separators included";

    // Opened and closed many times, nothing stays behind.
    g_freed = 0;
    for (int i = 0; i < 20; ++i) {
        CMenuXP menu;
        BuildLanguages(menu, 4);
    }
    EXPECT_EQ(g_alive, 0);
    EXPECT_EQ(g_freed, 20 * 7);
}

TEST(MenuXP, DrawsFlagsSelectionSeparatorAndTickOnTheScreen) {
    TestHost host(RECT{100, 60, 400, 90});
    CMenuXP menu;
    ASSERT_TRUE(menu.LoadPictureStrip(163));
    ASSERT_TRUE(menu.Append(std::make_unique<CMenuXPItem>(40000, L"English", 2), MF_CHECKED));
    ASSERT_TRUE(menu.Append(std::make_unique<CMenuXPSeparator>()));
    ASSERT_TRUE(menu.Append(std::make_unique<CMenuXPItem>(40001, L"\x7B80\x4F53\x4E2D\x6587", 0)));
    host.menu = &menu;
    ::SetForegroundWindow(host.Hwnd());

    // Read while the menu shows, then a key selects the first item and another picks it.
    int step = 0;
    RECT popupRect{}, items[3]{};
    COLORREF plain = 0, selected = 0, other = 0, flag = 0, separator = 0;
    int tickPixels = 0;
    const auto background = [](const RECT& item) { return ScreenPixel(item.left + 31, item.top + 2); };
    ASSERT_TRUE(WithOpenMenu([&] { menu.Track(host.Hwnd(), POINT{100, 100}, TPM_LEFTALIGN | TPM_TOPALIGN); },
                             [&](HWND popup) {
        if (step == 0) {
            ::GetWindowRect(popup, &popupRect);
            for (int i = 0; i < 3; ++i) ::GetMenuItemRect(nullptr, menu.GetSafeHmenu(), i, &items[i]);
            plain = background(items[0]);
            flag = ScreenPixel(items[0].left + 1 + 13, items[0].top + (items[0].bottom - items[0].top - 19) / 2 + 9);
            separator = ScreenPixel(items[1].left + 10, (items[1].top + items[1].bottom) / 2);
            for (int y = items[0].top; y < items[0].bottom; ++y)
                for (int x = items[0].right - 16; x < items[0].right; ++x) tickPixels += ScreenPixel(x, y) == 0;
            ::PostMessageW(host.Hwnd(), WM_KEYDOWN, VK_DOWN, 0);
            step = 1;
            return false;
        }
        selected = background(items[0]);
        other = background(items[2]);
        if (selected == RGB(255, 255, 255)) return false; // not drawn yet
        ::PostMessageW(host.Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
        return true;
    })) << "the menu showed and took both keys";

    EXPECT_EQ(popupRect.left, 100);
    EXPECT_EQ(popupRect.top, 100);
    EXPECT_EQ(plain, RGB(255, 255, 255));
    EXPECT_EQ(selected, RGB(231, 250, 220));
    EXPECT_EQ(other, RGB(255, 255, 255));
    EXPECT_EQ(separator, ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_GE(tickPixels, 12) << "the check on the item in force";

    CImage strip;
    ASSERT_EQ(LoadImageResource(strip, nullptr, 163), 1);
    const DWORD want = strip.GetPixel(2 * 27 + 13, 9);
    EXPECT_EQ(flag, RGB((want >> 16) & 0xFF, (want >> 8) & 0xFF, want & 0xFF)) << "frame 2 at x + 1";

    EXPECT_TRUE(PumpUntil([&] { return !host.commands.empty(); }, 3000));
    ASSERT_FALSE(host.commands.empty());
    EXPECT_EQ(host.commands.back(), 40000u);
}
