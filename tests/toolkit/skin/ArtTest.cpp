// Every picture the windows ask for is there, with the size and number of state frames
// they rely on; the icon has its four sizes and the menus their items.
#include "toolkit/Image.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

struct Picture {
    UINT id;
    int frameWidth, height, frames;
    bool alpha; // drawn with per-pixel alpha
    const char* role;
};

// The table the windows are built against.
const Picture kPictures[] = {
    {134, 72, 20, 1, true, "size-label plate"},
    {135, 128, 128, 1, true, "magnifier frame"},
    {149, 242, 32, 1, false, "record control bar background"},
    {150, 293, 281, 1, false, "settings window background"},
    {151, 32, 30, 4, true, "main: settings"},
    {152, 14, 14, 3, true, "close (main window, player)"},
    {153, 14, 14, 3, true, "minimise (main window, player)"},
    {154, 32, 30, 4, true, "main: open video; video page: browse"},
    {155, 32, 30, 4, true, "main: pause"},
    {156, 32, 30, 4, true, "main: play"},
    {157, 32, 30, 4, true, "main: record"},
    {158, 14, 14, 3, true, "control bar: close"},
    {159, 40, 30, 4, true, "main: region type"},
    {160, 32, 30, 4, true, "main: stop"},
    {161, 82, 60, 1, true, "main: information picture"},
    {163, 27, 19, 4, true, "language menu flags"},
    {164, 244, 168, 1, false, "main window background"},
    {169, 32, 24, 4, true, "control bar: pause"},
    {170, 32, 24, 4, true, "control bar: record"},
    {171, 32, 24, 4, true, "control bar: stop"},
    {172, 62, 22, 2, true, "settings: page buttons"},
    {176, 204, 72, 1, false, "area helper background"},
    {177, 22, 16, 4, true, "language button flags"},
    {178, 11, 15, 1, true, "slider (main position, volume)"},
    {179, 9, 9, 3, true, "small close (settings, area helper)"},
    {180, 16, 16, 2, true, "position grid buttons"},
    {181, 181, 131, 1, false, "preview sample background"},
    {182, 11, 14, 1, true, "small slider (title, watermark)"},
    {184, 45, 98, 1, false, "player frame (nine pieces)"},
    {185, 16, 14, 1, true, "player title icon"},
    {186, 16, 16, 2, true, "area helper: size lock"},
    {187, 44, 28, 4, true, "area helper: record"},
    {188, 7, 30, 1, true, "area helper: lock link mark"},
    {189, 24, 24, 1, true, "camera close"},
    {192, 26, 20, 4, true, "control bar: camera"},
};

} // namespace

TEST(Art, EveryPictureHasItsSizeAndFrames) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(testing::Message() << p.id << " " << p.role);
        vt::CImage image;
        ASSERT_EQ(1, vt::LoadImageResource(image, L"", p.id));
        EXPECT_EQ(p.frameWidth * p.frames, image.GetWidth());
        EXPECT_EQ(p.height, image.GetHeight());
        EXPECT_EQ(p.alpha ? 32 : 24, image.GetBPP());
    }
}

TEST(Art, StateFramesDiffer) {
    // Hover, pressed and disabled must be told apart from normal at a glance.
    for (const Picture& p : kPictures) {
        if (p.frames < 2 || p.id == 163 || p.id == 177) continue;
        SCOPED_TRACE(p.id);
        vt::CImage image;
        ASSERT_EQ(1, vt::LoadImageResource(image, L"", p.id));
        for (int f = 1; f < p.frames; ++f) {
            long long diff = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.frameWidth; ++x) {
                    const DWORD a = image.GetPixel(x, y), b = image.GetPixel(f * p.frameWidth + x, y);
                    for (int shift = 0; shift < 32; shift += 8)
                        diff += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
                }
            EXPECT_GT(diff, 255 * 4) << "frame " << f;
        }
    }
}

TEST(Art, PremultipliedAlphaOnLoad) {
    // The magnifier's zoom area is clear and its border white and opaque.
    vt::CImage image;
    ASSERT_EQ(1, vt::LoadImageResource(image, L"", 135));
    EXPECT_EQ(0u, image.GetPixel(60, 40) >> 24);
    EXPECT_EQ(0xFFFFFFFFu, image.GetPixel(2, 40));
    // The size-label plate: near-black at alpha 112, premultiplied (3 * 112 / 255 = 1).
    ASSERT_EQ(1, vt::LoadImageResource(image, L"", 134));
    EXPECT_EQ(0x70010101u, image.GetPixel(36, 10));
    EXPECT_EQ(0, vt::LoadImageResource(image, L"", 9999)) << "a missing picture";
}

TEST(Art, IconHasFourSizes) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON);
    ASSERT_NE(nullptr, res);
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(inst, res)));
    ASSERT_NE(nullptr, data);
    const WORD count = *reinterpret_cast<const WORD*>(data + 4);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* e = data + 6 + i * 14; // GRPICONDIRENTRY
        sizes.push_back(e[0] == 0 ? 256 : e[0]);
        EXPECT_EQ(32, *reinterpret_cast<const WORD*>(e + 6)) << "32 bits per pixel";
    }
    EXPECT_EQ((std::vector<int>{16, 32, 48, 256}), sizes);
    for (int s : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, s, s, 0));
        EXPECT_NE(nullptr, icon) << s;
        if (icon) ::DestroyIcon(icon);
    }
}

TEST(Art, MenusHoldTheirItems) {
    struct Menu {
        UINT id;
        std::vector<UINT> items;
    };
    const Menu menus[] = {
        {IDR_MENU_REGION, {ID_POPMENU_FULLSCREEN, ID_POPMENU_REGION}},
        {IDR_MENU_TRAY,
         {ID_MENU_TRAY_SHOWMAIN, ID_MENU_TRAY_START, ID_MENU_TRAY_PAUSE, ID_MENU_TRAY_STOP, ID_MENU_TRAY_EXIT}},
        {IDR_MENU_PLAYER,
         {ID_MENU_PLAYER_OPENFILE, ID_MENU_PLAYER_PLAY, ID_MENU_PLAYER_PAUSE, ID_MENU_PLAYER_STOP}},
    };
    EXPECT_EQ(32776, ID_POPMENU_FULLSCREEN);
    EXPECT_EQ(32787, ID_MENU_TRAY_EXIT);
    EXPECT_EQ(32797, ID_MENU_PLAYER_STOP);
    for (const Menu& m : menus) {
        SCOPED_TRACE(m.id);
        HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m.id));
        ASSERT_NE(nullptr, menu);
        HMENU sub = ::GetSubMenu(menu, 0);
        ASSERT_NE(nullptr, sub);
        std::vector<UINT> ids;
        for (int i = 0; i < ::GetMenuItemCount(sub); ++i) ids.push_back(::GetMenuItemID(sub, i));
        EXPECT_EQ(m.items, ids);
        ::DestroyMenu(menu);
    }
}
