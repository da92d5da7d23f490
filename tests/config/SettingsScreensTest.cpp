// The settings window as a user sees it: screenshots of every page (English and a CJK
// language) and of its two messages, and the vendor link reaching the web browser.
#include "SettingsWindowSupport.h"

#include "config/Language.h"
#include "config/Settings.h"
#include "devices/LibrarySettingsDevices.h"
#include "ids/settings.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

RECT WindowRect(HWND h) {
    RECT rc{};
    ::GetWindowRect(h, &rc);
    return rc;
}

// Screens at the size the message box needs, with some of the window behind it.
RECT AroundBox(HWND owner) {
    RECT rc = WindowRect(owner);
    ::InflateRect(&rc, 120, 60);
    return rc;
}

} // namespace

TEST(SettingsScreens, EveryPageInEnglishAndChinese) {
    const std::wstring folder = MakeTempFolder(L"settingsscreens");
    ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES",
                              L"camera:Test Cam@640x480;camera:Desk;audio:Virtual Mic[Microphone,Line In]");
    for (int language : {1033, 2052}) {
        UseLanguage(language);
        SettingsRun run;
        run.settings = SampleSettings(folder);
        run.settings.video.nRecordObject = 4;
        run.options.devices = MakeLibrarySettingsDevices();
        run.options.singleVolume = false;
        const std::wstring tag = language == 1033 ? L"en" : L"zh";
        run.choose = [&](const SeenBox& box) {
            RECT rc = AroundBox(box.owner);
            const bool clash = box.text == LoadLanguageText(L"IDS_HOTKEY_REDEFINE");
            SaveScreenshot(L"settings_" + tag + (clash ? L"_hotkey_clash" : L"_restore_question"), &rc);
            return 0;
        };
        run.Run([&](Driver& d) {
            HWND window = d.Window();
            ASSERT_TRUE(d.WaitFor([&] {
                return d.Visible(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_CAMERAS));
            }));
            const struct {
                int button;
                const wchar_t* name;
            } pages[] = {{IDC_SETTINGS_PAGE_VIDEO, L"video"},
                         {IDC_SETTINGS_PAGE_AUDIO, L"audio"},
                         {IDC_SETTINGS_PAGE_COMMON, L"common"},
                         {IDC_SETTINGS_PAGE_ADVANCED, L"advanced"}};
            for (const auto& p : pages) {
                d.Click(d.Item(p.button));
                d.Ui([&] { ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); });
                ::Sleep(300);
                const RECT rc = WindowRect(window);
                SaveScreenshot(L"settings_" + tag + L"_" + p.name, &rc);
            }
            HWND start = d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_HOTKEY_START);
            d.Ui([&] { ::SetFocus(start); });
            d.PostKey(start, VK_F2);
            ASSERT_TRUE(d.WaitForBoxes(1));
            d.Click(d.Item(IDCANCEL));
            ASSERT_TRUE(d.WaitForBoxes(2));
            d.Click(d.Item(IDC_SETTINGS_CLOSE));
        });
        EXPECT_EQ(run.boxes.size(), 2u);
    }
    ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", nullptr);
    UseLanguage(1033);
    RemoveFolder(folder);
}

#ifdef VISTREL_FAKE_BROWSER
// Wine hands web addresses to the programs its WineBrowser key names: a script of ours
// writes down what it was given.
TEST(SettingsScreens, TheVendorLinkOpensTheBrowser) {
    if (!::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "Wine only";
    UseLanguage(1033);
    const std::wstring folder = MakeTempFolder(L"settingslink");
    SetSettingsFolderOverride(folder + L"\\");
    const std::wstring log = VISTREL_FAKE_BROWSER_LOG;
    ::DeleteFileW(log.c_str());

    vt::UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    wchar_t old[1024] = {};
    DWORD oldSize = sizeof(old);
    const bool hadOld = ::RegQueryValueExW(key.Get(), L"Browsers", nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                           &oldSize) == ERROR_SUCCESS;
    const std::wstring script = VISTREL_FAKE_BROWSER;
    ::RegSetValueExW(key.Get(), L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(script.c_str()),
                     static_cast<DWORD>((script.size() + 1) * sizeof(wchar_t)));

    SettingsRun run;
    run.settings = SampleSettings(folder);
    run.host.openForReal = true;
    std::string opened;
    run.Run([&](Driver& d) {
        RECT link = WindowRect(d.Item(IDC_SETTINGS_LINK));
        INPUT in[3] = {};
        for (INPUT& i : in) {
            i.type = INPUT_MOUSE;
            i.mi.dx = (link.left + 20) * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
            i.mi.dy = ((link.top + link.bottom) / 2) * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
            i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        }
        in[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
        in[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
        for (INPUT& i : in) {
            ::SendInput(1, &i, sizeof(i));
            ::Sleep(100);
        }
        d.WaitFor([&] {
            std::ifstream f{std::filesystem::path(log)};
            std::stringstream text;
            text << f.rdbuf();
            opened = text.str();
            return !opened.empty();
        }, 15000);
        d.Click(d.Item(IDC_SETTINGS_CLOSE));
    });
    if (hadOld)
        ::RegSetValueExW(key.Get(), L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(old), oldSize);
    else
        ::RegDeleteValueW(key.Get(), L"Browsers");
    SetSettingsFolderOverride(L"");
    RemoveFolder(folder);
    EXPECT_EQ(run.host.webPages, std::vector<std::wstring>{kBuiltInVendorAddress});
    EXPECT_EQ(opened, "https://www.tarnvideo.com/\n");
}
#endif
