// The settings window's rules, apart from the windows.
#include "config/OutputFolder.h"
#include "config/SettingsLogic.h"
#include "config/LanguageTestSupport.h"
#include "toolkit/WebAddress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SettingsLogic, OnlyWebAddressesOpen) {
    struct Case {
        const wchar_t* value;
        bool web;
    } cases[] = {
        {L"http://www.example.com/", true},
        {L"HTTPS://example.com/a?b=1&c=2", true},
        {L"", false},
        {L"C:\\windows\\system32\\calc.exe", false},
        {L"file:///C:/x.exe", false},
        {L"\\\\host\\share\\x.exe", false},
        {L"http://", false},
        {L"https:///path", false},
        {L"http://a b/", false},
        {L"http://a\nb/", false},
        {L"ftp://example.com/", false},
        {L"javascript:alert(1)", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vt::IsWebAddress(c.value), c.web) << c.value;
        EXPECT_EQ(VendorAddress(c.value), c.web ? c.value : kBuiltInVendorAddress) << c.value;
    }
    EXPECT_FALSE(vt::IsWebAddress(L"http://x/" + std::wstring(3000, L'a')));
    EXPECT_TRUE(vt::IsWebAddress(kBuiltInVendorAddress));
}

TEST(SettingsLogic, WebsiteKeyAndPageByNumber) {
    EXPECT_STREQ(WebsiteKeyForLanguage(1028), L"Website_tw");
    EXPECT_STREQ(WebsiteKeyForLanguage(1041), L"Website_jp");
    EXPECT_STREQ(WebsiteKeyForLanguage(2052), L"Website_cn");
    EXPECT_STREQ(WebsiteKeyForLanguage(1033), L"Website_en");
    EXPECT_STREQ(WebsiteKeyForLanguage(1036), L"Website_en");
    const std::pair<int, SettingsPage> pages[] = {{0, SettingsPage::Video},    {1, SettingsPage::Audio},
                                                  {2, SettingsPage::Common},   {3, SettingsPage::Advanced},
                                                  {4, SettingsPage::Video},    {-1, SettingsPage::Video}};
    for (auto [tab, page] : pages) EXPECT_EQ(PageForSelectTab(tab), page) << tab;
}

TEST(SettingsLogic, FolderTextIsTrimmedAndChecked) {
    EXPECT_EQ(TrimFolderText(L"  C:\\Videos \t"), L"C:\\Videos");
    EXPECT_EQ(TrimFolderText(L"   "), L"");
    for (const wchar_t* bad : {L"C:\\a?b", L"C:\\a*", L"a<b", L"a>b", L"a\"b", L"C:/x", L"a|b"})
        EXPECT_TRUE(FolderTextHasInvalidChars(bad)) << bad;
    EXPECT_FALSE(FolderTextHasInvalidChars(L"C:\\Videos\\My rec-1"));
}

TEST(SettingsLogic, FolderTreeIsCreatedAndFound) {
    langtest::TempFolder temp;
    const std::wstring deep = temp.Path() + L"Videos\\New\\Sub";
    EXPECT_FALSE(FolderExists(deep));
    EXPECT_TRUE(CreateFolderTree(deep));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(FolderExists(deep + L"\\"));
    EXPECT_TRUE(FolderExists(deep + L"/"));
    EXPECT_TRUE(CreateFolderTree(deep)); // already there
    // Under a file nothing can be created.
    langtest::WriteBytes(temp.Path() + L"file", {'x'});
    EXPECT_FALSE(FolderExists(temp.Path() + L"file"));
    EXPECT_FALSE(CreateFolderTree(temp.Path() + L"file\\sub"));
    EXPECT_FALSE(CreateFolderTree(L""));
}

TEST(SettingsLogic, RecordObjectBoxes) {
    struct Case {
        int stored;
        bool cameras;
        bool screen, camera, controls;
        int recordObject;
    } cases[] = {
        {1, true, true, false, false, 1},  {2, true, false, true, true, 2},   {4, true, true, true, true, 4},
        {3, true, false, true, true, 3},   {6, true, true, true, true, 6},    {0, true, true, false, false, 1},
        {8, true, true, false, false, 1},  {4, false, true, false, false, 1}, {2, false, true, false, false, 1},
        {0, false, true, false, false, 1},
    };
    for (const Case& c : cases) {
        const RecordBoxes b = BoxesForRecordObject(c.stored, c.cameras);
        EXPECT_EQ(b.screen, c.screen) << c.stored << " " << c.cameras;
        EXPECT_EQ(b.camera, c.camera) << c.stored << " " << c.cameras;
        EXPECT_EQ(b.cameraControls, c.controls) << c.stored << " " << c.cameras;
        EXPECT_EQ(b.recordObject, c.recordObject) << c.stored << " " << c.cameras;
    }
    EXPECT_EQ(RecordObjectFromBoxes(true, false, false), 1);
    EXPECT_EQ(RecordObjectFromBoxes(true, true, false), 4);
    EXPECT_EQ(RecordObjectFromBoxes(false, true, false), 2);
    EXPECT_EQ(RecordObjectFromBoxes(false, true, true), 1);
    EXPECT_EQ(RecordObjectFromBoxes(true, true, true), 1);
    EXPECT_EQ(RecordObjectFromBoxes(false, false, false), 1);
    // At least one box stays ticked.
    EXPECT_TRUE(ScreenBoxAfterClick(false, false));
    EXPECT_FALSE(ScreenBoxAfterClick(false, true));
    EXPECT_TRUE(CameraBoxAfterClick(false, false));
    EXPECT_FALSE(CameraBoxAfterClick(false, true));
    EXPECT_TRUE(CameraBoxAfterClick(true, true));
}

TEST(SettingsLogic, EntriesMatchExactlyBeforeByPrefix) {
    const std::vector<std::wstring> cams{L"USB Camera (2)", L"USB Camera", L"Desk"};
    EXPECT_EQ(PickEntry(cams, L"USB Camera"), 1);
    EXPECT_EQ(PickEntry(cams, L"usb camera"), 1);
    EXPECT_EQ(PickEntry(cams, L"USB Cam"), 0);
    EXPECT_EQ(PickEntry(cams, L"Other"), 0);
    EXPECT_EQ(PickEntry(cams, L""), 0);
    EXPECT_EQ(PickEntry({}, L"Desk"), -1);

    const std::vector<std::wstring> devices{L"Mic (2)", L"Mic", L"Line"};
    EXPECT_EQ(DeviceSelection(devices, L"Mic", 0), 1);
    EXPECT_EQ(DeviceSelection(devices, L"Lin", 0), 2);
    EXPECT_EQ(DeviceSelection(devices, L"", 2), 2);
    EXPECT_EQ(DeviceSelection(devices, L"Gone", 2), 2);
    EXPECT_EQ(DeviceSelection(devices, L"Gone", 7), 0);
    EXPECT_EQ(DeviceSelection(devices, L"Gone", -1), 0);
    EXPECT_EQ(DeviceSelection({}, L"Mic", 0), -1);
    EXPECT_EQ(LineByName(devices, L"Mic"), 1);
    EXPECT_EQ(LineByName(devices, L"Gone"), -1);
    EXPECT_EQ(LineByName(devices, L""), -1);

    EXPECT_EQ(LineToSelect({true, false, true}), 2);
    EXPECT_EQ(LineToSelect({false, false}), 0);
    EXPECT_EQ(QualitySelection(5, 5), 1);
    EXPECT_EQ(FormatSelection(1, 1), 0);
}

TEST(SettingsLogic, NamesAreCutOnWholeCharacters) {
    EXPECT_EQ(CutName(L"abc", 31), L"abc");
    const std::wstring longName(40, L'x');
    EXPECT_EQ(CutName(longName, 31).size(), 31u);
    // A pair of surrogates across the cut goes whole.
    std::wstring pair = std::wstring(30, L'a') + L"\xD83D\xDE00" + L"b";
    EXPECT_EQ(CutName(pair, 31), std::wstring(30, L'a'));
}

TEST(SettingsLogic, DefaultSizes) {
    const std::vector<std::wstring> sizes{L"640x480", L"800x600", L"1024x768", L"1280x720", L"Full screen"};
    EXPECT_EQ(SizeSelection(sizes, 1024, 768, 1920, 1080), 2);
    EXPECT_EQ(SizeSelection(sizes, 1920, 1080, 1920, 1080), 4);
    EXPECT_EQ(SizeSelection(sizes, 1000, 500, 1920, 1080), -1);
    EXPECT_EQ(SizeSelection({}, 800, 600, 1920, 1080), -1);

    const SIZE screen{1920, 1080};
    auto eq = [](SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; };
    EXPECT_TRUE(eq(SizeFromSelection(L"1024x768", false, false, screen), SIZE{1024, 768}));
    EXPECT_TRUE(eq(SizeFromSelection(L"Full screen", true, false, screen), screen));
    EXPECT_TRUE(eq(SizeFromSelection(L"", false, true, screen), SIZE{800, 600}));
    for (const wchar_t* bad : {L"abcx600", L"Large (1024x768)", L"1024", L"0x768", L"1024x0"})
        EXPECT_TRUE(eq(SizeFromSelection(bad, false, false, screen), SIZE{800, 600})) << bad;

    EXPECT_FALSE(ShadowBoxAvailable(PROCESSOR_ARCHITECTURE_AMD64));
    EXPECT_FALSE(ShadowBoxAvailable(PROCESSOR_ARCHITECTURE_IA64));
    EXPECT_TRUE(ShadowBoxAvailable(PROCESSOR_ARCHITECTURE_INTEL));
}

TEST(SettingsLogic, HotkeysAreNormalised) {
    EXPECT_EQ(HotkeyText(VK_F1), L"F1");
    EXPECT_EQ(HotkeyText(VK_F12), L"F12");
    EXPECT_EQ(HotkeyText('A'), L"");
    EXPECT_EQ(HotkeyText(VK_F12 + 1), L"");

    struct Case {
        int32_t in[3];
        int32_t out[3];
    } cases[] = {
        {{VK_F1, VK_F2, VK_F3}, {VK_F1, VK_F2, VK_F3}},
        {{VK_F5, VK_F5, VK_F3}, {VK_F5, VK_F2, VK_F3}},   // later duplicate takes its default
        {{VK_F2, VK_F2, VK_F3}, {VK_F2, VK_F1, VK_F3}},   // default taken: lowest free key
        {{VK_F1, VK_F1, VK_F1}, {VK_F1, VK_F2, VK_F3}},
        {{'A', 0, VK_F12 + 1}, {VK_F1, VK_F2, VK_F3}},    // out of range: defaults
        {{VK_F3, VK_F3, 0}, {VK_F3, VK_F2, VK_F1}},       // stop's default F3 is start's: F1
        {{VK_F2, VK_F1, VK_F2}, {VK_F2, VK_F1, VK_F3}},
    };
    for (const Case& c : cases) {
        int32_t k[3] = {c.in[0], c.in[1], c.in[2]};
        NormaliseHotkeys(k[0], k[1], k[2]);
        EXPECT_EQ(k[0], c.out[0]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(k[1], c.out[1]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
        EXPECT_EQ(k[2], c.out[2]) << c.in[0] << "," << c.in[1] << "," << c.in[2];
    }
    int32_t a = VK_F1, b = VK_F2, c = VK_F3;
    EXPECT_FALSE(NormaliseHotkeys(a, b, c));
}

TEST(SettingsLogic, TitleCommit) {
    AdvancedSettings adv{};
    adv.title.nPosX = 7;
    TitleSettings pending{};
    pending.nPosX = 33;
    pending.clrNormal = 0xFF;
    // Ticked: the pending block, then the edit's text.
    CommitTitle(adv, true, &pending, L"Hello");
    EXPECT_EQ(adv.bNoteTitle, 1);
    EXPECT_EQ(adv.title.nPosX, 33);
    EXPECT_EQ(std::wstring(adv.title.szTitle), L"Hello");
    // Not ticked: the block stays, the text is still taken.
    pending.nPosX = 99;
    CommitTitle(adv, false, &pending, L"Other");
    EXPECT_EQ(adv.bNoteTitle, 0);
    EXPECT_EQ(adv.title.nPosX, 33);
    EXPECT_EQ(std::wstring(adv.title.szTitle), L"Other");
    // Ticked without a pending copy: the fixed style.
    CommitTitle(adv, true, nullptr, std::wstring(400, L'z'));
    EXPECT_EQ(std::wstring(adv.title.lfFont.lfFaceName), L"Times New Roman");
    EXPECT_EQ(adv.title.lfFont.lfHeight, 25);
    EXPECT_EQ(adv.title.nPosX, 50);
    EXPECT_EQ(adv.title.clrShadow, 0x606060u);
    EXPECT_EQ(std::wstring(adv.title.szTitle).size(), 259u);
}
