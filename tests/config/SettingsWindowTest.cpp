// The settings window and its pages, on real windows: run modally, driven from another
// thread, message boxes answered by a third.
#include "SettingsWindowSupport.h"

#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "config/OutputFolder.h"
#include "config/PendingOverlaySettings.h"
#include "config/Settings.h"
#include "devices/LibrarySettingsDevices.h"
#include "encoder/TraceCapture.h"
#include "ids/settings.h"
#include "toolkit/Paths.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

std::wstring Lang(const wchar_t* key) { return LoadLanguageText(key); }

bool SameRecord(const RecorderSettings& a, const RecorderSettings& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

class SettingsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        UseLanguage(1033);
        m_folder = MakeTempFolder(L"settingswnd");
        SetSettingsFolderOverride(m_folder + L"\\");
        m_out = m_folder + L"\\out";
        ::CreateDirectoryW(m_out.c_str(), nullptr);
        run.settings = SampleSettings(m_out);
        devices = std::make_shared<FakeDevices>();
        run.options.devices = devices;
        run.options.shadowBoxAvailable = false;
        run.options.singleVolume = false;
    }
    void TearDown() override {
        SetSettingsFolderOverride(L"");
        ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", nullptr);
        RemoveFolder(m_folder);
    }
    // Types a folder into the video page's edit.
    static void SetFolder(Driver& d, const std::wstring& text) {
        HWND edit = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_FOLDER);
        d.Ui([&] { ::SetWindowTextW(edit, text.c_str()); });
    }
    static void Commit(Driver& d) { d.Click(d.Item(IDC_SETTINGS_CLOSE)); }

    SettingsRun run;
    std::shared_ptr<FakeDevices> devices;
    std::wstring m_folder, m_out;
};

} // namespace

// --- The window ------------------------------------------------------------------

TEST_F(SettingsWindow, PagesSwitchAndLeavingVideoChecksTheFolder) {
    run.settings.nSelectTab = 2;
    PutText(run.settings.video.szOutDir, L"C:\\bad|folder");
    const INT_PTR result = run.Run([&](Driver& d) {
        // The stored page opens at once, with no check.
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_COMMON)));
        EXPECT_TRUE(d.Boxes().empty());
        EXPECT_TRUE(d.Checked(d.Item(IDC_SETTINGS_PAGE_COMMON)));
        d.Click(d.Item(IDC_SETTINGS_PAGE_VIDEO));
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_VIDEO)));
        // Leaving it with a bad folder: refused, nothing changes.
        d.Click(d.Item(IDC_SETTINGS_PAGE_AUDIO));
        ASSERT_TRUE(d.WaitForBoxes(1));
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_VIDEO)));
        EXPECT_FALSE(d.Visible(d.Page(IDD_SETTINGS_AUDIO)));
        EXPECT_FALSE(d.Checked(d.Item(IDC_SETTINGS_PAGE_AUDIO)));
        EXPECT_TRUE(d.Checked(d.Item(IDC_SETTINGS_PAGE_VIDEO)));
        SetFolder(d, m_out);
        d.Click(d.Item(IDC_SETTINGS_PAGE_AUDIO));
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_AUDIO)));
        Commit(d);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, Lang(L"IDS_FOLDER_ERRORNAME"));
    EXPECT_EQ(run.boxes[0].caption, Lang(L"ID_APP_NAME"));
    EXPECT_EQ(run.settings.nSelectTab, 1);
    EXPECT_EQ(std::wstring(run.settings.video.szOutDir), m_out);
}

TEST_F(SettingsWindow, AFailedCheckOnConfirmShowsTheVideoPageAndKeepsTheWindow) {
    run.settings.nSelectTab = 3;
    PutText(run.settings.video.szOutDir, L"C:\\a?b");
    GUITHREADINFO focus{sizeof(focus)};
    const INT_PTR result = run.Run([&](Driver& d) {
        Commit(d);
        ASSERT_TRUE(d.WaitForBoxes(1));
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_VIDEO)));
        EXPECT_FALSE(d.Visible(d.Page(IDD_SETTINGS_ADVANCED)));
        d.Ui([&] { ::GetGUIThreadInfo(::GetCurrentThreadId(), &focus); });
        EXPECT_EQ(focus.hwndFocus, d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_FOLDER));
        EXPECT_TRUE(d.Visible(d.Window()));
        SetFolder(d, m_out);
        Commit(d);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(run.settings.nSelectTab, 0);
}

TEST_F(SettingsWindow, EscAsksWithCancelAsDefaultAndCancelThenEnterChangeNothing) {
    const RecorderSettings before = run.settings;
    const INT_PTR result = run.Run([&](Driver& d) {
        HWND edit = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_FOLDER);
        d.Ui([&] { ::SetFocus(edit); });
        d.PostKey(edit, VK_ESCAPE);
        ASSERT_TRUE(d.WaitForBoxes(1));
        d.PostKey(edit, VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(run.boxes.size(), 1u);
    const SeenBox& box = run.boxes[0];
    EXPECT_EQ(box.text, Lang(L"ID_MSG_ENSURE_SET_DEFAULT"));
    EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(box.focused, IDCANCEL);
    EXPECT_TRUE(SameRecord(before, run.settings));
}

TEST_F(SettingsWindow, RestoreFromAdvancedShowsVideoWithDefaultsAndFreshCopies) {
    run.settings.nSelectTab = 3;
    run.settings.advanced.nHotkeyStart = VK_F5;
    run.settings.advanced.nHotkeyPause = VK_F1;
    run.settings.advanced.nHotkeyStop = VK_F3;
    run.settings.advanced.bNoteTitle = 1;
    run.settings.common.bShowShadow = 0;
    run.host.titleDialog = [] { PendingTitleSettings->nPosX = 77; };
    run.choose = [](const SeenBox& b) { return b.text == Lang(L"ID_MSG_ENSURE_SET_DEFAULT") ? IDOK : 0; };
    std::vector<std::wstring> keys;
    run.Run([&](Driver& d) {
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_TITLE_SET));
        d.Click(d.Item(IDCANCEL));
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_VIDEO)));
        EXPECT_TRUE(d.Checked(d.Item(IDC_SETTINGS_PAGE_VIDEO)));
        for (int id : {IDC_ADV_HOTKEY_START, IDC_ADV_HOTKEY_PAUSE, IDC_ADV_HOTKEY_STOP})
            keys.push_back(d.Text(d.PageItem(IDD_SETTINGS_ADVANCED, id)));
        // Defaults in the pages at once; the title box of the default record is clear.
        EXPECT_EQ(d.ComboSelection(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_QUALITY)), 0);
        EXPECT_FALSE(d.Checked(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_NOTE_TITLE)));
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_NOTE_TITLE));
        SetFolder(d, m_out);
        Commit(d);
    });
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"F1", L"F2", L"F3"}));
    // Only the question: filling F1/F2/F3 over F5/F1/F3 raised no clash.
    EXPECT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.settings.advanced.nHotkeyStart, VK_F1);
    EXPECT_EQ(run.settings.video.nVideoQuality, 0);
    EXPECT_EQ(run.host.shadowCalls, std::vector<bool>{true});
    // The title dialog's edit was dropped with the old copies.
    EXPECT_EQ(run.host.titleDialogs, 1);
    EXPECT_EQ(run.settings.advanced.title.nPosX, 50);
    EXPECT_EQ(run.settings.advanced.bNoteTitle, 1);
    EXPECT_FALSE(PendingTitleSettings);
}

TEST_F(SettingsWindow, VendorLinkByLanguageFromUpdateIni) {
    struct Case {
        int language;
        const wchar_t* ini;
        const wchar_t* expected;
    } cases[] = {
        {1041, L"[Program]\r\nWebsite_jp=http://jp.example.com/?a=1&b=2\r\nWebsite_en=http://en.example.com/\r\n",
         L"http://jp.example.com/?a=1&b=2"},
        {1033, L"[Program]\r\nWebsite_jp=http://jp.example.com/\r\nWebsite_en=https://en.example.com/\r\n",
         L"https://en.example.com/"},
        {1033, L"[Program]\r\nWebsite_en=C:\\windows\\system32\\hostname.exe\r\n", kBuiltInVendorAddress},
        {1033, nullptr, kBuiltInVendorAddress},
    };
    int n = 0;
    for (const Case& c : cases) {
        UseLanguage(c.language);
        // A folder per case: the profile functions may keep a file they read cached.
        const std::wstring folder = m_folder + L"\\case" + std::to_wstring(++n);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        SetSettingsFolderOverride(folder + L"\\");
        const std::wstring ini = folder + L"\\update.ini";
        if (c.ini) {
            std::ofstream out(std::filesystem::path(ini), std::ios::binary);
            const std::wstring text = std::wstring(1, L'\xFEFF') + c.ini;
            out.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
        }
        run.host.webPages.clear();
        run.Run([&](Driver& d) {
            HWND link = d.Item(IDC_SETTINGS_LINK);
            d.Ui([&] {
                NMHDR nm{link, IDC_SETTINGS_LINK, NM_CLICK};
                ::SendMessageW(::GetParent(link), WM_NOTIFY, IDC_SETTINGS_LINK, reinterpret_cast<LPARAM>(&nm));
            });
            Commit(d);
        });
        EXPECT_EQ(run.host.webPages, std::vector<std::wstring>{c.expected}) << c.language;
    }
}

// --- Video page ------------------------------------------------------------------

TEST_F(SettingsWindow, ConfirmingWhileCamerasAreStillListedKeepsTheOtherEdits) {
    std::atomic<bool> freed{false};
    devices->cameras = {L"Cam A"};
    devices->destroyed = &freed;
    ::ResetEvent(devices->gate);
    run.settings.video.nRecordObject = 4;
    run.settings.video.nCameraIndex = 3;
    PutText(run.settings.video.szCameraName, L"Old Cam");
    const std::wstring folder = m_folder + L"\\other";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ULONGLONG took = 0;
    const INT_PTR result = run.Run([&](Driver& d) {
        ASSERT_EQ(::WaitForSingleObject(devices->entered, 10000), WAIT_OBJECT_0);
        HWND screen = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_SCREEN);
        EXPECT_FALSE(d.Enabled(screen));
        d.Select(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_QUALITY), 4);
        SetFolder(d, L"  " + folder + L"  ");
        d.Click(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_FULLSCREEN));
        const ULONGLONG start = ::GetTickCount64();
        Commit(d);
        took = ::GetTickCount64() - start;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_LT(took, 1000u);
    EXPECT_EQ(run.settings.video.nVideoQuality, 4);
    EXPECT_EQ(std::wstring(run.settings.video.szOutDir), folder);
    EXPECT_EQ(run.settings.video.nRecordRegion, 0);
    // The camera fields wait for a listing that never arrived.
    const RecorderSettings committed = run.settings;
    EXPECT_EQ(committed.video.nRecordObject, 4);
    EXPECT_EQ(committed.video.nCameraIndex, 3);
    // Released after the window is gone: the worker finds nobody to tell and ends.
    run.options.devices.reset();
    devices->Release();
    devices.reset();
    for (int i = 0; i < 200 && !freed; ++i) {
        vt::PumpPending();
        ::Sleep(10);
    }
    vt::PumpPending();
    EXPECT_TRUE(freed);
    EXPECT_TRUE(SameRecord(committed, run.settings));
}

TEST_F(SettingsWindow, EndingWithoutCommitWhileListingWritesNothing) {
    ::ResetEvent(devices->gate);
    const RecorderSettings before = run.settings;
    const INT_PTR result = run.Run([&](Driver& d) {
        ASSERT_EQ(::WaitForSingleObject(devices->entered, 10000), WAIT_OBJECT_0);
        d.Select(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_QUALITY), 4);
        d.Ui([&] { d.Dialog().EndWithoutCommit(); });
    });
    devices->Release();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(SameRecord(before, run.settings));
}

TEST_F(SettingsWindow, CamerasAreSelectedByPositionAndOpenedByDeviceIndex) {
    devices->cameras = {L"Cam0", L"Cam1", L"Cam2"};
    devices->unreadable = {0};
    run.settings.video.nRecordObject = 4;
    run.settings.video.nCameraIndex = 2;
    PutText(run.settings.video.szCameraName, L"Cam2");
    std::vector<std::wstring> listed;
    int shownSelection = -1;
    run.Run([&](Driver& d) {
        HWND list = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_CAMERAS);
        ASSERT_TRUE(d.WaitFor([&] { return d.Enabled(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_SCREEN)); }));
        listed = d.ComboTexts(list);
        shownSelection = d.ComboSelection(list);
        EXPECT_TRUE(d.Visible(list));
        EXPECT_TRUE(d.Checked(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_CAMERA)));
        // The first entry is device 1.
        d.Select(list, 0);
        Commit(d);
    });
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"Cam1", L"Cam2"}));
    EXPECT_EQ(shownSelection, 1);
    EXPECT_EQ(run.host.selected, std::vector<int>{1});
    EXPECT_EQ(run.settings.video.nRecordObject, 4);
    EXPECT_EQ(run.settings.video.nCameraIndex, 1);
    EXPECT_EQ(std::wstring(run.settings.video.szCameraName), L"Cam1");
    EXPECT_EQ(run.host.destroyCalls, 1);
}

TEST_F(SettingsWindow, ACameraChoiceWithoutCamerasBecomesScreenOnly) {
    run.settings.video.nRecordObject = 4;
    PutText(run.settings.video.szCameraName, L"Old Cam");
    RecorderSettings whileOpen{};
    bool cameraBoxEnabled = true, listShown = true;
    run.Run([&](Driver& d) {
        ASSERT_TRUE(d.WaitFor([&] { return d.Enabled(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_SCREEN)); }));
        cameraBoxEnabled = d.Enabled(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_CAMERA));
        listShown = d.Visible(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_CAMERAS));
        d.Ui([&] { whileOpen = run.settings; });
        d.Ui([&] { d.Dialog().EndWithoutCommit(); });
    });
    EXPECT_FALSE(cameraBoxEnabled);
    EXPECT_FALSE(listShown);
    EXPECT_EQ(whileOpen.video.nRecordObject, 1);
    EXPECT_EQ(whileOpen.video.nCameraIndex, -1);
    EXPECT_EQ(std::wstring(whileOpen.video.szCameraName), L"Old Cam");
}

TEST_F(SettingsWindow, CameraBoxAndPreviewDriveTheCameraWindow) {
    devices->cameras = {L"Cam A", L"Cam B"};
    std::vector<std::wstring> previewTexts;
    bool visibleAfterUntick = true, previewEnabled = true;
    run.Run([&](Driver& d) {
        HWND camera = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_CAMERA);
        HWND preview = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_PREVIEW);
        ASSERT_TRUE(d.WaitFor([&] { return d.Enabled(camera); }));
        d.Click(camera);
        previewTexts.push_back(d.Text(preview));
        d.Click(preview);
        previewTexts.push_back(d.Text(preview));
        d.Click(preview);
        previewTexts.push_back(d.Text(preview));
        d.Select(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_CAMERAS), 1);
        d.Click(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_SCREEN)); // screen off: camera only
        d.Click(camera);                                                   // both cleared: stays
        EXPECT_TRUE(d.Checked(camera));
        d.Click(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_RECORD_SCREEN));
        d.Click(camera);
        d.Ui([&] { visibleAfterUntick = run.host.cameraVisible; });
        previewEnabled = d.Enabled(preview);
        d.Click(camera);
        Commit(d);
    });
    const std::wstring open = Lang(L"IDC_BTN_PREVIEW_OPEN"), close = Lang(L"IDC_BTN_PREVIEW_CLOSE");
    EXPECT_EQ(previewTexts, (std::vector<std::wstring>{close, open, close}));
    EXPECT_EQ(run.host.createCalls, 1);
    EXPECT_EQ(run.host.selected.front(), 0);
    EXPECT_EQ(run.host.selected.back(), 1);
    EXPECT_FALSE(visibleAfterUntick);
    EXPECT_FALSE(previewEnabled);
    EXPECT_EQ(run.settings.video.nRecordObject, 4);
    EXPECT_EQ(run.settings.video.nCameraIndex, 1);
    EXPECT_EQ(std::wstring(run.settings.video.szCameraName), L"Cam B");
    EXPECT_EQ(run.host.destroyCalls, 1);
}

TEST_F(SettingsWindow, AMissingFolderIsCreatedOnceAndAFailureShowsThePathWithOk) {
    const std::wstring deep = m_out + L"\\New\\Sub";
    const std::wstring file = m_folder + L"\\file";
    std::ofstream(std::filesystem::path(file)) << "x";
    const std::wstring impossible = file + L"\\%s %d\\sub";
    run.choose = [](const SeenBox& b) { return b.text.find(L"?") != std::wstring::npos ? IDYES : 0; };
    run.Run([&](Driver& d) {
        SetFolder(d, L"   " + deep + L" ");
        d.Click(d.Item(IDC_SETTINGS_PAGE_AUDIO));
        EXPECT_TRUE(d.Visible(d.Page(IDD_SETTINGS_AUDIO)));
        EXPECT_EQ(d.Text(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_FOLDER)), deep);
        d.Click(d.Item(IDC_SETTINGS_PAGE_VIDEO));
        SetFolder(d, impossible);
        Commit(d);
        EXPECT_TRUE(d.Visible(d.Window()));
        SetFolder(d, deep);
        Commit(d);
    });
    EXPECT_TRUE(FolderExists(deep));
    ASSERT_EQ(run.boxes.size(), 3u);
    EXPECT_EQ(run.boxes[0].text, FormatLanguageText(Lang(L"IDS_FOLDER_TIP"), deep));
    EXPECT_EQ(run.boxes[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(run.boxes[2].text, FormatLanguageText(Lang(L"IDS_CREATEDIR_FAILED"), impossible));
    EXPECT_EQ(run.boxes[2].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(std::wstring(run.settings.video.szOutDir), deep);
}

TEST_F(SettingsWindow, FolderBrowserStartsAtTheFolderAndReturnsTheChoice) {
    const std::wstring picked = m_folder + L"\\picked";
    ::CreateDirectoryW(picked.c_str(), nullptr);
    std::wstring title, status;
    std::wstring afterOk, afterCancel;
    run.Run([&](Driver& d) {
        HWND edit = d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_FOLDER);
        for (int press : {IDOK, IDCANCEL}) {
            // A folder the browser cannot show leaves its own choice elsewhere: only
            // Cancel keeps the text.
            SetFolder(d, press == IDOK ? picked : L"Q:\\nowhere");
            std::thread answer([&] {
                HWND browser = nullptr;
                d.WaitFor([&] {
                    browser = nullptr;
                    ::EnumThreadWindows(::GetWindowThreadProcessId(d.Window(), nullptr),
                        [](HWND h, LPARAM l) -> BOOL {
                            if (::IsWindowVisible(h) && ::FindWindowExW(h, nullptr, L"SysTreeView32", nullptr))
                                *reinterpret_cast<HWND*>(l) = h;
                            return TRUE;
                        },
                        reinterpret_cast<LPARAM>(&browser));
                    return browser != nullptr;
                });
                if (!browser) return;
                ::Sleep(500);
                wchar_t buf[512] = {};
                ::GetWindowTextW(browser, buf, 512);
                if (press == IDOK) title = buf;
                for (HWND c = ::GetWindow(browser, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
                    ::GetWindowTextW(c, buf, 512);
                    if (press == IDOK && std::wstring(buf) == picked) status = buf;
                }
                ::PostMessageW(browser, WM_COMMAND, press, 0);
            });
            d.Click(d.PageItem(IDD_SETTINGS_VIDEO, IDC_VIDEO_BROWSE));
            answer.join();
            (press == IDOK ? afterOk : afterCancel) = d.Text(edit);
        }
        SetFolder(d, m_out);
        Commit(d);
    });
    EXPECT_EQ(title, Lang(L"ID_APP_NAME"));
    EXPECT_EQ(status, picked);
    EXPECT_EQ(afterOk, picked);
    EXPECT_EQ(afterCancel, L"Q:\\nowhere");
}

// --- Audio page ------------------------------------------------------------------

namespace {
AudioInputLines CardLines(int device) {
    AudioInputLines lines{};
    apiAudioCardGetInputLine(device, &lines);
    return lines;
}
} // namespace

TEST_F(SettingsWindow, AudioLineAndVolumeReachTheCardAtOnce) {
    ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", L"audio:Virtual Mic (2)[Mic];audio:Virtual Mic[Microphone,Line In]");
    run.options.devices = MakeLibrarySettingsDevices();
    run.settings.nSelectTab = 1;
    PutText(run.settings.audio.szDeviceName, L"Virtual Mic");
    PutText(run.settings.audio.szLineName, L"Line In");
    run.settings.audio.nDeviceID = 0;
    run.settings.audio.nVolume = 40;
    std::vector<std::wstring> lines;
    AudioInputLines atOpen{}, afterChange{};
    run.Run([&](Driver& d) {
        HWND lineBox = d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_LINES);
        lines = d.ComboTexts(lineBox);
        EXPECT_EQ(d.ComboSelection(d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_DEVICES)), 1);
        EXPECT_EQ(d.Text(d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_VOLUME_TEXT)), L"40%");
        atOpen = CardLines(1);
        d.Select(lineBox, 0);
        HWND page = d.Page(IDD_SETTINGS_AUDIO);
        HWND slider = d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_VOLUME);
        d.Ui([&] { ::SendMessageW(page, WM_SKIN_SLIDER_CHANGED, 70, reinterpret_cast<LPARAM>(slider)); });
        afterChange = CardLines(1);
        Commit(d);
    });
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Microphone", L"Line In"}));
    EXPECT_TRUE(atOpen.lines[1].bSelected);
    EXPECT_EQ(atOpen.lines[1].nVolume, 40u);
    EXPECT_TRUE(afterChange.lines[0].bSelected);
    EXPECT_EQ(afterChange.lines[0].nVolume, 70u);
    EXPECT_EQ(run.settings.audio.nDeviceID, 1);
    EXPECT_EQ(std::wstring(run.settings.audio.szLineName), L"Microphone");

    // Newer systems offer the device's one recording volume.
    run.options.singleVolume = true;
    run.Run([&](Driver& d) {
        lines = d.ComboTexts(d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_LINES));
        Commit(d);
    });
    EXPECT_EQ(lines, std::vector<std::wstring>{Lang(L"IDS_VOLUME")});
}

TEST_F(SettingsWindow, WithoutAudioDevicesTheAudioSettingsStay) {
    run.settings.nSelectTab = 1;
    run.settings.audio.nVolume = 77;
    PutText(run.settings.audio.szDeviceName, L"Gone Mic");
    const AudioSettings before = run.settings.audio;
    bool enabled = true;
    run.Run([&](Driver& d) {
        enabled = d.Enabled(d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_DEVICES)) ||
                  d.Enabled(d.PageItem(IDD_SETTINGS_AUDIO, IDC_AUDIO_RECORD_SOUND));
        Commit(d);
    });
    EXPECT_FALSE(enabled);
    EXPECT_EQ(std::memcmp(&before, &run.settings.audio, sizeof(before)), 0);
}

TEST_F(SettingsWindow, AFailingCardReportsToTheDebugger) {
    devices->audio = {{L"Mic", {L"Line"}}};
    devices->setFails = true;
    run.settings.nSelectTab = 1;
    TraceCapture trace;
    run.Run([&](Driver& d) { Commit(d); });
    const auto lines = trace.Lines();
    EXPECT_GE(devices->setCalls, 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "apiAudioCardSetInputLine Failed!"), lines.end());
}

// --- Common page -----------------------------------------------------------------

TEST_F(SettingsWindow, ShadowBoxActsAtOnceWhereOffered) {
    run.options.shadowBoxAvailable = true;
    run.settings.nSelectTab = 2;
    int shadowDuring = -1;
    run.Run([&](Driver& d) {
        d.Click(d.PageItem(IDD_SETTINGS_COMMON, IDC_COMMON_SHADOW));
        d.Ui([&] { shadowDuring = run.settings.common.bShowShadow; });
        d.Ui([&] { d.Dialog().EndWithoutCommit(); });
    });
    EXPECT_EQ(shadowDuring, 0);
    EXPECT_EQ(run.host.shadowCalls, std::vector<bool>{false});

    run.options.shadowBoxAvailable = false;
    bool enabled = true;
    run.Run([&](Driver& d) {
        enabled = d.Enabled(d.PageItem(IDD_SETTINGS_COMMON, IDC_COMMON_SHADOW));
        Commit(d);
    });
    EXPECT_FALSE(enabled);
    EXPECT_EQ(run.settings.common.bShowShadow, 0);
}

TEST_F(SettingsWindow, AStoredSizeOutsideTheListStaysUntilChanged) {
    run.settings.common.nDefaultRecordWidth = 1000;
    run.settings.common.nDefaultRecordHeight = 500;
    run.Run([&](Driver& d) { Commit(d); });
    EXPECT_EQ(run.settings.common.nDefaultRecordWidth, 1000);
    EXPECT_EQ(run.settings.common.nDefaultRecordHeight, 500);
    run.Run([&](Driver& d) {
        d.Select(d.PageItem(IDD_SETTINGS_COMMON, IDC_COMMON_SIZES), 1);
        Commit(d);
    });
    EXPECT_EQ(run.settings.common.nDefaultRecordWidth, 800);
    EXPECT_EQ(run.settings.common.nDefaultRecordHeight, 600);
}

TEST_F(SettingsWindow, CheckNowAsksTheHostForThePage) {
    run.settings.nSelectTab = 2;
    HWND page = nullptr;
    run.Run([&](Driver& d) {
        page = d.Page(IDD_SETTINGS_COMMON);
        d.Click(d.PageItem(IDD_SETTINGS_COMMON, IDC_COMMON_CHECK_UPDATE));
        Commit(d);
    });
    EXPECT_EQ(run.host.updateChecks, std::vector<HWND>{page});
}

// --- Advanced page ---------------------------------------------------------------

TEST_F(SettingsWindow, HotKeysAreTypedAndClashesRefused) {
    run.settings.nSelectTab = 3;
    std::vector<std::wstring> texts;
    run.Run([&](Driver& d) {
        HWND start = d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_HOTKEY_START);
        HWND stop = d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_HOTKEY_STOP);
        auto typed = [&](HWND edit, UINT vk, bool system = false) {
            d.Ui([&] { ::SetFocus(edit); });
            d.PostKey(edit, vk, system);
            d.Ui([] { vt::PumpPending(); });
            texts.push_back(d.Text(edit));
        };
        typed(stop, VK_F12);
        typed(stop, 'A');
        typed(stop, VK_F10, true);
        typed(stop, VK_BACK);
        d.Ui([&] {
            ::SendMessageW(stop, WM_PASTE, 0, 0);
            ::SendMessageW(stop, WM_CHAR, 'x', 0);
            ::SendMessageW(stop, WM_CLEAR, 0, 0);
        });
        texts.push_back(d.Text(stop));
        typed(start, VK_F5);
        typed(start, VK_F2); // pause's key: refused with the message
        ASSERT_TRUE(d.WaitForBoxes(1));
        texts.push_back(d.Text(start));
        Commit(d);
    });
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"F12", L"F12", L"F12", L"F12", L"F12", L"F5", L"F5", L"F5"}));
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, Lang(L"IDS_HOTKEY_REDEFINE"));
    EXPECT_EQ(run.settings.advanced.nHotkeyStart, VK_F5);
    EXPECT_EQ(run.settings.advanced.nHotkeyStop, VK_F12);
}

TEST_F(SettingsWindow, StoredDuplicateKeysOpenWithoutAMessage) {
    run.settings.nSelectTab = 3;
    run.settings.advanced.nHotkeyStart = VK_F2;
    run.settings.advanced.nHotkeyPause = VK_F2;
    run.settings.advanced.nHotkeyStop = 200;
    run.Run([&](Driver& d) { Commit(d); });
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.settings.advanced.nHotkeyStart, VK_F2);
    EXPECT_EQ(run.settings.advanced.nHotkeyPause, VK_F1);
    EXPECT_EQ(run.settings.advanced.nHotkeyStop, VK_F3);
}

TEST_F(SettingsWindow, TitleAndWatermarkDialogsReachTheRecordThroughTheCopies) {
    run.settings.nSelectTab = 3;
    run.host.titleDialog = [] {
        PendingTitleSettings->nPosX = 10;
        PendingTitleSettings->clrNormal = 0xFF;
    };
    run.host.watermarkDialog = [] { PendingWatermarkSettings->nZoom = 150; };
    bool titleSetEnabledBefore = true;
    run.Run([&](Driver& d) {
        titleSetEnabledBefore = d.Enabled(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_TITLE_SET));
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_NOTE_TITLE));
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_TITLE_SET));
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_NOTE_WATERMARK));
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_WATERMARK_SET));
        HWND text = d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_TITLE_TEXT);
        d.Ui([&] { ::SetWindowTextW(text, L"My title"); });
        Commit(d);
    });
    EXPECT_FALSE(titleSetEnabledBefore);
    EXPECT_EQ(run.settings.advanced.bNoteTitle, 1);
    EXPECT_EQ(run.settings.advanced.title.nPosX, 10);
    EXPECT_EQ(run.settings.advanced.title.clrNormal, 0xFFu);
    EXPECT_EQ(std::wstring(run.settings.advanced.title.szTitle), L"My title");
    EXPECT_EQ(run.settings.advanced.bNoteWatermark, 1);
    EXPECT_EQ(run.settings.advanced.watermark.nZoom, 150);

    // With the title box cleared the dialog's changes are not kept, the text is.
    run.host.titleDialog = [] { PendingTitleSettings->nPosX = 90; };
    run.Run([&](Driver& d) {
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_TITLE_SET));
        d.Click(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_NOTE_TITLE));
        d.Ui([&] { ::SetWindowTextW(d.PageItem(IDD_SETTINGS_ADVANCED, IDC_ADV_TITLE_TEXT), L"Kept"); });
        Commit(d);
    });
    EXPECT_EQ(run.settings.advanced.bNoteTitle, 0);
    EXPECT_EQ(run.settings.advanced.title.nPosX, 10);
    EXPECT_EQ(std::wstring(run.settings.advanced.title.szTitle), L"Kept");
}
