// The main window, real under Wine, with the fake encoder library and the companions of
// parts not built yet: its shape and controls, its input, and the recording session
// driven from every source.
#include "AppTestSupport.h"
#include "FakeEncoderApi.h"
#include "encoder/TraceCapture.h"

#include "app/RecorderMessages.h"
#include "app/ScreenRecorderDlg.h"
#include "app/TrayMenuStates.h"
#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "resource.h"
#include "toolkit/Paths.h"
#include "toolkit/TrayIcon.h"
#include "toolkit/desktop/DesktopTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using apptest::PressKey;
using apptest::PumpUntil;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktoptest::ShadowsReady();  // the program does it at start-up
        SetSettingsFolderOverride(temp.Path());
        BuildLanguageList(vt::ProgramFolder() + L"Language\\");
        fakeapi::Reset();
        companions = Companions::Default();
        companions.startUpdateCheck = [] { return std::unique_ptr<IUpdateCheck>(); }; // no network here
        companions.runEncoderInstall = [this](HWND) {
            ++installRuns;
            if (duringInstall) duringInstall();
            return IDOK;
        };
        companions.runRegionSelection = [this](const RegionSelectionRequest&) {
            ++selections;
            return selection;
        };
        companions.openFileBrowser = [this](const std::wstring& parameters) { browsed.push_back(parameters); };
        companions.chooseVideoFile = [](HWND, const wchar_t*, const std::wstring&, std::wstring&) { return false; };
    }
    void TearDown() override {
        dlg.reset();
        SetSettingsFolderOverride(L"");
    }

    void Open() {
        dlg = std::make_unique<CScreenRecorderDlg>();
        dlg->SetCompanions(companions);
        dlg->SetEncoderApi(fakeapi::Api());
        ASSERT_TRUE(dlg->Create(nullptr));
        ::ShowWindow(W(), SW_SHOW);
        ::SetForegroundWindow(W());
        RecorderSettings& s = dlg->Settings();
        s.video.nRecordRegion = kRecordRegionFullScreen;
        s.common.bMinWindow = 0;
        s.audio.bRecordSystemVoice = 0;
        s.common.bShowShadow = showShadow;  // before timer 2 applies it
        const std::wstring out = OutDir();
        wcscpy_s(s.video.szOutDir, out.c_str());
        PumpUntil([] { return false; }, 200);
    }
    HWND W() const { return dlg->GetSafeHwnd(); }
    HWND Item(int id) const { return ::GetDlgItem(W(), id); }
    std::wstring Text(int id) const { return vt::WindowText(Item(id)); }
    std::wstring OutDir() const { return temp.Path() + L"out"; }
    void Command(UINT id) { ::PostMessageW(W(), WM_COMMAND, id, 0); }
    bool WaitState(SessionState state, DWORD ms = 5000) {
        return PumpUntil([&] { return dlg->State() == state; }, ms);
    }
    void StartRecording() {
        Command(IDC_MAIN_RECORD);
        ASSERT_TRUE(WaitState(SessionState::Recording));
    }

    apptest::TempFolder temp;
    Companions companions;
    std::unique_ptr<CScreenRecorderDlg> dlg;
    int installRuns = 0;
    std::function<void()> duringInstall;
    int selections = 0;
    RegionSelectionResult selection;
    std::vector<std::wstring> browsed;
    int showShadow = 1;
};

struct Place {
    int id;
    RECT rc;
    bool visible, enabled;
};

TEST_F(MainWindowTest, ShapePlacesAndPaintingAtStartUp) {
    Open();
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rc{};
    ::GetWindowRect(W(), &rc);
    EXPECT_EQ(244, rc.right - rc.left);
    EXPECT_EQ(168, rc.bottom - rc.top);
    EXPECT_EQ(work.right - 244 - work.left - 5, rc.left);
    EXPECT_EQ(work.bottom - 168 - work.top - 5, rc.top);
    EXPECT_EQ(0, ::GetWindowLongW(W(), GWL_STYLE) & WS_CAPTION);
    vt::UniqueRgn region(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(COMPLEXREGION, ::GetWindowRgn(W(), region.Get()));
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(region.Get(), 3, 0));
    EXPECT_TRUE(::PtInRegion(region.Get(), 122, 84));

    const Place places[] = {
        {IDC_MAIN_CLOSE, {222, 7, 236, 21}, true, true},          {IDC_MAIN_MINIMISE, {200, 7, 214, 21}, true, true},
        {IDC_MAIN_LANGUAGE, {170, 5, 192, 21}, true, true},       {IDC_MAIN_OPEN_VIDEO, {6, 130, 38, 160}, true, true},
        {IDC_MAIN_REGION_TYPE, {44, 130, 84, 160}, true, true},   {IDC_MAIN_RECORD, {90, 130, 122, 160}, true, true},
        {IDC_MAIN_PAUSE, {128, 130, 160, 160}, true, false},      {IDC_MAIN_PLAY, {129, 130, 161, 160}, false, true},
        {IDC_MAIN_STOP, {166, 130, 198, 160}, true, false},       {IDC_MAIN_SETTINGS, {204, 130, 236, 160}, true, true},
        {IDC_MAIN_POSITION, {7, 103, 236, 118}, true, false},     {IDC_MAIN_FILENAME_CAPTION, {8, 35, 88, 55}, false, true},
        {IDC_MAIN_FILENAME, {8, 60, 88, 90}, false, true},        {IDC_MAIN_TIME, {94, 36, 224, 66}, true, true},
        {IDC_MAIN_SIZE, {94, 65, 224, 83}, true, true},           {IDC_MAIN_TIP, {8, 50, 88, 70}, false, true},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(p.id);
        HWND child = Item(p.id);
        ASSERT_TRUE(child);
        RECT c{};
        ::GetWindowRect(child, &c);
        ::MapWindowPoints(nullptr, W(), reinterpret_cast<POINT*>(&c), 2);
        EXPECT_TRUE(::EqualRect(&c, &p.rc)) << c.left << "," << c.top << "," << c.right << "," << c.bottom;
        EXPECT_EQ(p.visible, ::IsWindowVisible(child) != FALSE);
        EXPECT_EQ(p.enabled, ::IsWindowEnabled(child) != FALSE);
    }
    EXPECT_EQ(L"Tarn Video Recorder", vt::WindowText(W()));
    EXPECT_EQ(L"00:00", Text(IDC_MAIN_TIME));
    EXPECT_EQ(LoadLanguageText(L"IDC_STC_SIZE") + L"0KB", Text(IDC_MAIN_SIZE));

    // Painted: the blue title strip with white text, the info picture's blue frame, and
    // the corner outside the region shows what is below.
    ::UpdateWindow(W());
    vt::WindowDc screen(nullptr);
    auto px = [&](int x, int y) { return ::GetPixel(screen.Get(), rc.left + x, rc.top + y); };
    EXPECT_EQ(RGB(0, 174, 255), px(120, 27));
    bool white = false;
    for (int x = 26; x < 160 && !white; ++x)
        for (int y = 8; y < 19 && !white; ++y) white = px(x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(white) << "no title text";
    bool frame = false;
    for (int x = 6; x < 88 && !frame; ++x) frame = px(x, 60) == RGB(0, 174, 255);
    EXPECT_TRUE(frame) << "no info picture";
}

TEST_F(MainWindowTest, DragsByTheTitleStripOnlyAndKeepsEnterAndEscape) {
    Open();
    RECT before{};
    ::GetWindowRect(W(), &before);
    auto drag = [&](int y) {
        std::atomic<bool> done{false};
        std::thread mouse([&] {
            const auto move = [](int x, int yy, DWORD flags) {
                INPUT in{};
                in.type = INPUT_MOUSE;
                in.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
                in.mi.dy = yy * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
                in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
                ::SendInput(1, &in, sizeof(in));
                ::Sleep(60);
            };
            RECT r{};
            ::GetWindowRect(W(), &r);
            move(r.left + 100, r.top + y, 0);
            move(r.left + 100, r.top + y, MOUSEEVENTF_LEFTDOWN);
            for (int i = 1; i <= 5; ++i) move(r.left + 100 - 10 * i, r.top + y - 8 * i, 0);
            move(r.left + 50, r.top + y - 40, MOUSEEVENTF_LEFTUP);
            done = true;
        });
        PumpUntil([&] { return done.load(); }, 10000);
        mouse.join();
        apptest::Pump(300);
    };
    drag(40);  // below the strip: stays
    RECT after{};
    ::GetWindowRect(W(), &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    drag(12);
    ::GetWindowRect(W(), &after);
    EXPECT_EQ(before.left - 50, after.left);
    EXPECT_EQ(before.top - 40, after.top);

    ::SetForegroundWindow(W());
    ::SetFocus(Item(IDC_MAIN_RECORD));
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(::IsWindow(W()));
    EXPECT_TRUE(::IsWindowVisible(W()));
    EXPECT_EQ(SessionState::Idle, dlg->State());
    EXPECT_EQ(0, fakeapi::Count("Creator"));
}

TEST_F(MainWindowTest, HotKeysStartPauseContinueAndStop) {
    Open();
    PressKey(VK_F1);
    ASSERT_TRUE(WaitState(SessionState::Recording));
    // The file is named after the start and shown.
    const std::wstring file = dlg->RecordFile();
    EXPECT_EQ(OutDir() + L"\\", file.substr(0, OutDir().size() + 1));
    EXPECT_EQ(fakeapi::LastPath(), file);
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_MAIN_FILENAME)));
    EXPECT_EQ(file.substr(file.rfind(L'\\') + 1), Text(IDC_MAIN_FILENAME));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_MAIN_RECORD)));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_MAIN_PAUSE)));
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_MAIN_TIME) == L"00:01"; }, 4000));

    PressKey(VK_F2);
    ASSERT_TRUE(WaitState(SessionState::Paused));
    const std::wstring held = Text(IDC_MAIN_TIME);
    PressKey(VK_F2, 1500);  // paused: nothing more, and the clock holds
    EXPECT_EQ(1, fakeapi::Count("Pause"));
    EXPECT_EQ(held, Text(IDC_MAIN_TIME));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_MAIN_RECORD)));
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_MAIN_PAUSE)));

    PressKey(VK_F1);
    ASSERT_TRUE(WaitState(SessionState::Recording));
    EXPECT_EQ(1, fakeapi::Count("Continue"));
    EXPECT_EQ(2, installRuns);  // a continue is checked too

    PressKey(VK_F3);
    ASSERT_TRUE(WaitState(SessionState::Idle, 8000));
    EXPECT_EQ((std::vector<std::string>{"Creator", "SetEncodeParam", "SetOutputPath", "Start", "Pause", "Continue",
                                        "Stop", "Close"}),
              fakeapi::Names());
    for (const auto& c : fakeapi::Calls()) EXPECT_NE(::GetCurrentThreadId(), c.thread) << c.name;
    ASSERT_EQ(1u, browsed.size());
    EXPECT_EQ(L"/select,\"" + file + L"\"", browsed[0]);
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_MAIN_FILENAME)));
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_MAIN_RECORD)));

    // A hot key while a modal step runs does nothing.
    duringInstall = [this] {
        duringInstall = nullptr;
        PressKey(VK_F1);
        PressKey(VK_F3);
    };
    PressKey(VK_F1);
    ASSERT_TRUE(WaitState(SessionState::Recording));
    EXPECT_EQ(3, installRuns);
    EXPECT_EQ(2, fakeapi::Count("Creator"));
}

TEST_F(MainWindowTest, NothingStartsTwiceWhileStartingOrStopping) {
    fakeapi::Config config;
    config.holdCreator = true;
    config.holdStop = true;
    fakeapi::Reset(config);
    Open();
    Command(IDC_MAIN_RECORD);
    ASSERT_TRUE(WaitState(SessionState::Starting));
    PumpUntil([] { return fakeapi::Count("Creator") == 1; });
    const auto again = [&] {
        PressKey(VK_F1);
        Command(ID_MENU_TRAY_START);
        Command(IDC_MAIN_RECORD);
        Command(ID_MENU_TRAY_PAUSE);
        apptest::Pump(300);
    };
    again();
    EXPECT_EQ(1, installRuns);
    EXPECT_EQ(SessionState::Starting, dlg->State());
    fakeapi::Release();
    ASSERT_TRUE(WaitState(SessionState::Recording));

    fakeapi::Reset(config);  // Stop held now
    PressKey(VK_F3);
    ASSERT_TRUE(WaitState(SessionState::Stopping));
    PumpUntil([] { return fakeapi::Count("Stop") == 1; });
    again();
    Command(ID_MENU_TRAY_STOP);
    apptest::Pump(200);
    EXPECT_EQ(1, installRuns);
    EXPECT_EQ((std::vector<std::string>{"Stop"}), fakeapi::Names());
    fakeapi::Release();
    ASSERT_TRUE(WaitState(SessionState::Idle, 8000));
    EXPECT_EQ(0, fakeapi::Count("Creator"));
}

TEST_F(MainWindowTest, FailedStartsShowTheirMessageAndLeaveNothing) {
    const struct {
        const char* step;
        int code;
        const wchar_t* key;
        const char* trace;
    } cases[] = {
        {"Creator", 0, L"0001", "ThreadRecord IN"},
        {"SetEncodeParam", 0x007B0004, L"0004", "SEncoderSetEncodeParam Failed,Error Code : 8060932"},
        {"SetOutputPath", 1, L"0001", "SEncoderSetOutputPath Failed,Error Code : 1"},
        {"Start", 0x00BF0002, L"0002", "SEncoderStart Failed,Error Code : 12517378"},
        {"Start", 0x00BF0003, L"0005", "SEncoderStart Failed,Error Code : 12517379"},  // no text for 0003
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        fakeapi::Config config;
        config.failStep = c.step;
        config.failCode = c.code;
        fakeapi::Reset(config);
        Open();
        TraceCapture traces;
        apptest::BoxWatcher boxes(W());
        Command(IDC_MAIN_RECORD);
        ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1 && dlg->State() == SessionState::Idle; }));
        apptest::Pump(100);
        EXPECT_EQ(LoadLanguageText(c.key), boxes.Texts()[0]);
        const auto lines = traces.Lines();
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), c.trace));
        EXPECT_EQ(std::string(c.step) == "Creator" ? 0 : 1, fakeapi::Count("Close"));
        EXPECT_TRUE(::IsWindowEnabled(Item(IDC_MAIN_RECORD)));
        EXPECT_FALSE(::IsWindowEnabled(Item(IDC_MAIN_STOP)));
        EXPECT_FALSE(::IsWindowVisible(Item(IDC_MAIN_TIP)));
        EXPECT_TRUE(apptest::TempFolder::Files(OutDir() + L"\\").empty()) << "the reserved file stays";
        dlg.reset();
    }

    // An output folder that cannot be made: its message with the folder, nothing started.
    // The folder name is not a format.
    fakeapi::Reset();
    int settingsRuns = 0;
    companions.runSettingsWindow = [&](HWND, RecorderSettings&, ISettingsWindowHost&) {
        ++settingsRuns;
        return INT_PTR{0};
    };
    Open();
    wcscpy_s(dlg->Settings().video.szOutDir, L"Q:\\%d%n%s");
    apptest::BoxWatcher boxes(W());
    Command(IDC_MAIN_RECORD);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1 && dlg->State() == SessionState::Idle; }));
    EXPECT_EQ(FormatLanguageText(LoadLanguageText(L"IDS_CREATEDIR_FAILED"), L"Q:\\%d%n%s"), boxes.Texts()[0]);
    EXPECT_NE(std::wstring::npos, boxes.Texts()[0].find(L"Q:\\%d%n%s"));
    EXPECT_EQ(0, fakeapi::Count("Creator"));
    EXPECT_EQ(1, settingsRuns) << "then the settings window opens";
}

TEST_F(MainWindowTest, ClosingWhileRecordingFinishesTheFileFirst) {
    Open();
    StartRecording();
    {
        apptest::BoxWatcher boxes(W(), IDCANCEL);
        ::PostMessageW(W(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }));
        apptest::Pump(300);
        EXPECT_EQ(LoadLanguageText(L"IDS_CLOSEAPP_WHEN_RECORD"), boxes.Texts()[0]);
    }
    EXPECT_EQ(SessionState::Recording, dlg->State());
    TraceCapture traces;
    apptest::BoxWatcher boxes(W(), IDOK);
    ::PostMessageW(W(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(W()); }, 8000));
    EXPECT_EQ("Close", fakeapi::Names().back());
    EXPECT_EQ(1, fakeapi::Count("Stop"));
    EXPECT_TRUE(browsed.empty());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp.Path() + L"Settings.ini").c_str()));
    const auto lines = traces.Lines();
    EXPECT_EQ(lines.front(), "OnClose IN");
    EXPECT_EQ(lines.back(), "OnClose OUT");
}

TEST_F(MainWindowTest, ClosingWhileStartingWaitsForTheStartedFile) {
    fakeapi::Config config;
    config.holdCreator = true;
    fakeapi::Reset(config);
    Open();
    Command(IDC_MAIN_RECORD);
    ASSERT_TRUE(WaitState(SessionState::Starting));
    apptest::BoxWatcher boxes(W(), IDOK);
    ::PostMessageW(W(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }));
    apptest::Pump(300);
    EXPECT_TRUE(::IsWindow(W()));
    fakeapi::Release();
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(W()); }, 8000));
    EXPECT_EQ((std::vector<std::string>{"Creator", "SetEncodeParam", "SetOutputPath", "Start", "Stop", "Close"}),
              fakeapi::Names());
    EXPECT_TRUE(browsed.empty());
}

TEST_F(MainWindowTest, RegionMenuAndItsSelections) {
    Open();
    // The menu drops from the region button, 2 pixels below it.
    RECT button{};
    ::GetWindowRect(Item(IDC_MAIN_REGION_TYPE), &button);
    static RECT menuRect;
    menuRect = RECT{};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND menu = ::FindWindowW(L"#32768", nullptr)) {
            ::GetWindowRect(menu, &menuRect);
            ::EndMenu();
        }
    });
    Command(IDC_MAIN_REGION_TYPE);
    PumpUntil([] { return menuRect.right != 0; });
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(button.left, menuRect.left);
    // Wine keeps a menu on the screen: below the button when it fits, else above it.
    if (button.bottom + 2 + (menuRect.bottom - menuRect.top) <= ::GetSystemMetrics(SM_CYSCREEN)) {
        EXPECT_EQ(button.bottom + 2, menuRect.top);
    }

    // Cancelled: nothing changes. Chosen: the rectangle becomes the region. Record now:
    // the recording starts on it.
    selection.code = kRegionSelectionCancel;
    Command(ID_POPMENU_REGION);
    ASSERT_TRUE(PumpUntil([&] { return selections == 1 && dlg->CanOperate(); }));
    EXPECT_EQ(kRecordRegionFullScreen, dlg->Settings().video.nRecordRegion);
    selection = {kRegionSelectionOk, RECT{100, 100, 740, 580}, nullptr};
    Command(ID_POPMENU_REGION);
    ASSERT_TRUE(PumpUntil([&] { return selections == 2 && dlg->CanOperate(); }));
    EXPECT_EQ(kRecordRegionUserDefined, dlg->Settings().video.nRecordRegion);
    selection = {kRegionSelectionRecordNow, RECT{10, 20, 330, 260}, nullptr};
    Command(ID_POPMENU_REGION);
    ASSERT_TRUE(WaitState(SessionState::Recording));
    EXPECT_EQ(3, selections);
    const SEncoderSource source = fakeapi::LastSource();
    EXPECT_EQ(SENCODER_SOURCE_RECT, source.nSourceType);
    EXPECT_TRUE(::EqualRect(&source.rcCapture, &selection.rect));
    EXPECT_EQ(320, fakeapi::LastParam().nVideoWidth);
}

TEST_F(MainWindowTest, LanguageSwitchRelabelsTextsTipsAndMenus) {
    Open();
    ASSERT_TRUE(dlg->ApplyLanguage(2052));
    EXPECT_EQ(2052, CurrentLanguageId());
    EXPECT_EQ(2052, dlg->Settings().nLanguage);
    const std::wstring size = LoadLanguageText(L"IDC_STC_SIZE");
    EXPECT_NE(std::wstring::npos, size.find(L"\x5927\x5c0f"));  // "size" in Chinese
    EXPECT_EQ(size + L"0KB", Text(IDC_MAIN_SIZE));
    EXPECT_EQ(LoadLanguageText(L"ID_APP_NAME"), vt::WindowText(W()));
    // The record button's tooltip and the button's accessible name.
    EXPECT_EQ(LoadLanguageText(L"m_btnStartRecord"), Text(IDC_MAIN_RECORD));

    // A pick in the language menu: commands from 40000; 40201 is outside the range.
    const std::vector<LanguageEntry> list = LanguageList();
    const auto english = std::find_if(list.begin(), list.end(), [](const LanguageEntry& e) { return e.id == 1033; });
    ASSERT_NE(list.end(), english);
    dlg->OnLanguageCommand(ID_LANGUAGE_FIRST + static_cast<UINT>(english - list.begin()));
    EXPECT_EQ(1033, CurrentLanguageId());
    EXPECT_EQ(L"Size: 0KB", Text(IDC_MAIN_SIZE));
    dlg->OnLanguageCommand(40201);
    EXPECT_EQ(1033, CurrentLanguageId());
    // An unknown language falls back to English.
    EXPECT_TRUE(dlg->ApplyLanguage(1041 + 1));
    EXPECT_EQ(1033, CurrentLanguageId());
}

TEST_F(MainWindowTest, CloseToTrayWithoutAnIconMinimises) {
    struct NoTray : ITrayIcon {
        void SetNotificationWnd(HWND, UINT) override {}
        bool SetIcon(HICON, const std::wstring&) override { return false; }
        void SetTip(const std::wstring&) override {}
    };
    companions.createTrayIcon = [](HMENU) { return std::make_unique<NoTray>(); };
    Open();
    dlg->Settings().common.bCloseToTray = 1;
    Command(IDC_MAIN_CLOSE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(W()) != FALSE; }));
    EXPECT_TRUE(::IsWindow(W()));
}

// ------------------------------------------------------------------ player mode

// A player that does what it is told and records it; its window is a hidden pop-up.
struct FakePlayerState {
    std::vector<std::string> calls;
    std::vector<double> seeks;
    bool loads = true, plays = true, pauses = true, destroyed = false;
    double position = 0, duration = 3;
    int state = IVideoPlayer::kStopped;
};

class FakePlayer final : public IVideoPlayer {
public:
    explicit FakePlayer(FakePlayerState& s)
        : m_s(s), m_window(::CreateWindowExW(0, L"STATIC", L"player", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                             nullptr, nullptr)) {}
    ~FakePlayer() override { m_s.destroyed = true; }
    HWND Window() const override { return m_window.Get(); }
    bool PlayFile(const std::wstring&) override { return Log("load", m_s.loads); }
    bool Play() override {
        if (m_s.plays) m_s.state = kPlaying;
        return Log("play", m_s.plays);
    }
    bool Pause() override {
        if (m_s.pauses) m_s.state = kPaused;
        return Log("pause", m_s.pauses);
    }
    void Stop() override {
        m_s.state = kStopped;
        Log("stop", true);
    }
    double CurrentPosition() const override { return m_s.position; }
    void SetCurrentPosition(double seconds) override { m_s.seeks.push_back(m_s.position = seconds); }
    double Duration() const override { return m_s.duration; }
    int PlayState() const override { return m_s.state; }
    void ApplyLanguage() override {}

private:
    bool Log(const char* call, bool result) {
        m_s.calls.push_back(call);
        return result;
    }
    FakePlayerState& m_s;
    vt::UniqueHwnd m_window;
};

class PlayerModeTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        clip = temp.Path() + L"clip.wmv";
        vt::UniqueKernelHandle file(::CreateFileW(clip.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const std::vector<char> bytes(3 * 1024, 'x');
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        companions.createPlayer = [this](HWND) { return std::make_unique<FakePlayer>(fake); };
        companions.chooseVideoFile = [this](HWND, const wchar_t* f, const std::wstring& folder, std::wstring& path) {
            // The filter list as the dialog gets it, up to its two closing NULs.
            filter.clear();
            for (; f; ++f) {
                filter.push_back(*f);
                if (filter.size() >= 2 && filter.back() == L'\0' && filter[filter.size() - 2] == L'\0') break;
            }
            initialFolder = folder;
            path = clip;
            return true;
        };
    }
    // "P" when play shows, "A" when pause does; then enabled or "-" for open, region,
    // record, the one of play and pause that shows, stop and settings.
    std::wstring Buttons() const {
        const bool play = ::IsWindowVisible(Item(IDC_MAIN_PLAY)) != FALSE;
        std::wstring b = play ? L"P" : L"A";
        const struct {
            int id;
            wchar_t c;
        } all[] = {{IDC_MAIN_OPEN_VIDEO, L'o'}, {IDC_MAIN_REGION_TYPE, L'r'}, {IDC_MAIN_RECORD, L'R'},
                   {play ? IDC_MAIN_PLAY : IDC_MAIN_PAUSE, play ? L'y' : L'p'}, {IDC_MAIN_STOP, L's'},
                   {IDC_MAIN_SETTINGS, L'S'}};
        for (const auto& a : all) b += ::IsWindowEnabled(Item(a.id)) ? a.c : L'-';
        return b;
    }
    int Slider() const {
        return dynamic_cast<CNSliderEx*>(vt::CWnd::FromHandle(Item(IDC_MAIN_POSITION)))->GetValue();
    }
    void Tick() { ::SendMessageW(W(), WM_TIMER, CScreenRecorderDlg::TIMER_PLAYER_POSITION, 0); }

    FakePlayerState fake;
    std::wstring clip, filter, initialFolder;
};

TEST_F(PlayerModeTest, ButtonsSliderAndTimeThroughAPlayback) {
    Open();
    Command(IDC_MAIN_OPEN_VIDEO);
    ASSERT_TRUE(PumpUntil([&] { return fake.calls.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"load", "play"}), fake.calls);
    static const wchar_t kFilter[] = L"Windows Media Video (*.wmv)\0*.wmv\0All Files (*.*)\0*.*\0\0";
    EXPECT_EQ(std::wstring(kFilter, std::size(kFilter) - 1), filter);
    EXPECT_EQ(OutDir(), initialFolder);
    EXPECT_TRUE(::IsIconic(W()));
    EXPECT_EQ(L"Ao--ps-", Buttons());
    EXPECT_EQ(L"clip", Text(IDC_MAIN_FILENAME));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_MAIN_FILENAME_CAPTION)));
    EXPECT_EQ(LoadLanguageText(L"IDC_STC_SIZE") + L"3KB", Text(IDC_MAIN_SIZE));

    // Position 1.9 s of 3: whole seconds on the slider and in the time.
    fake.position = 1.9;
    Tick();
    EXPECT_EQ(33, Slider());
    EXPECT_EQ(L"00:01/00:03", Text(IDC_MAIN_TIME));
    // The slider seeks to its share of the length.
    ::SendMessageW(W(), WM_SKIN_SLIDER_CHANGED, 100, 0);
    EXPECT_EQ((std::vector<double>{3.0}), fake.seeks);
    EXPECT_EQ(L"00:03/00:03", Text(IDC_MAIN_TIME));

    // Pause and play again; a player that cannot pause goes on playing.
    Command(IDC_MAIN_PAUSE);
    ASSERT_TRUE(PumpUntil([&] { return Buttons() == L"Po--ys-"; })) << Buttons();
    Command(IDC_MAIN_PLAY);
    ASSERT_TRUE(PumpUntil([&] { return Buttons() == L"Ao--ps-"; })) << Buttons();
    fake.pauses = false;
    Command(IDC_MAIN_PAUSE);
    apptest::Pump(100);
    EXPECT_EQ(L"Ao--ps-", Buttons());

    // The end of the file: the next tick stops, position 0.
    fake.state = IVideoPlayer::kStopped;
    fake.calls.clear();
    Tick();
    EXPECT_EQ((std::vector<std::string>{"stop"}), fake.calls);
    EXPECT_EQ(L"00:00/00:03", Text(IDC_MAIN_TIME));
    EXPECT_EQ(0, Slider());
    EXPECT_EQ(L"Po--ys-", Buttons());

    // The player window closed: idle with play offered again.
    ::PostMessageW(W(), WM_PLAYER_CLOSED, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Buttons() == L"PorRy-S"; })) << Buttons();
    EXPECT_FALSE(fake.destroyed);

    // Start closes the player and records.
    Command(IDC_MAIN_RECORD);
    ASSERT_TRUE(WaitState(SessionState::Recording));
    EXPECT_TRUE(fake.destroyed);
}

TEST_F(PlayerModeTest, UnknownLengthAndFilesThatDoNotPlay) {
    // No length yet: position 0, nothing to seek to; the length is read again each tick.
    fake.duration = 0;
    Open();
    Command(IDC_MAIN_OPEN_VIDEO);
    ASSERT_TRUE(PumpUntil([&] { return fake.calls.size() == 2; }));
    fake.position = 2.5;
    Tick();
    EXPECT_EQ(L"00:00/00:00", Text(IDC_MAIN_TIME));
    EXPECT_EQ(0, Slider());
    ::SendMessageW(W(), WM_SKIN_SLIDER_CHANGED, 50, 0);
    EXPECT_TRUE(fake.seeks.empty());
    fake.duration = 4.2;
    Tick();
    EXPECT_EQ(L"00:02/00:04", Text(IDC_MAIN_TIME));
    EXPECT_EQ(50, Slider());

    // A file that does not load, and one that does not play (stopped at once): told, idle.
    const std::wstring told = FormatLanguageText(LoadLanguageText(L"IDS_PLAYER_OPEN_FAILED"), clip);
    apptest::BoxWatcher boxes(W());
    for (const bool loads : {false, true}) {
        SCOPED_TRACE(loads);
        fake.loads = loads;
        fake.plays = false;
        fake.calls.clear();
        Command(IDC_MAIN_OPEN_VIDEO);
        ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == (loads ? 2u : 1u); }));
        apptest::Pump(100);
        EXPECT_EQ(told, boxes.Texts().back());
        EXPECT_EQ(loads ? (std::vector<std::string>{"load", "play", "stop"}) : (std::vector<std::string>{"load"}),
                  fake.calls);
        EXPECT_EQ(L"AorR--S", Buttons());
        EXPECT_FALSE(::IsWindowVisible(Item(IDC_MAIN_FILENAME)));
    }
    // Not in player mode any more: the start hot key records.
    PressKey(VK_F1);
    EXPECT_TRUE(WaitState(SessionState::Recording));
}

// The real settings window from the settings button, played by a second thread: what OK
// confirms takes effect (the new start key records); the tray's Exit ends an open one
// without committing it, and the program closes.
TEST_F(MainWindowTest, SettingsWindowConfirmedAppliesAndTrayExitEndsIt) {
    Open();
    ::CreateDirectoryW(OutDir().c_str(), nullptr);  // no question about making it
    const HWND main = W();
    const std::wstring title = LoadLanguageText(L"IDC_STC_ADVANCEDSET_TITLE");
    const auto settingsWindow = [&] {
        struct Search {
            HWND owner;
            const std::wstring* title;
            HWND found = nullptr;
        } search{main, &title};
        ::EnumWindows([](HWND hwnd, LPARAM lParam) {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (::GetWindow(hwnd, GW_OWNER) == s->owner && ::IsWindowVisible(hwnd) && vt::WindowText(hwnd) == *s->title)
                s->found = hwnd;
            return s->found ? FALSE : TRUE;
        }, reinterpret_cast<LPARAM>(&search));
        return search.found;
    };
    // Types a key into the start key's field, then does what `then` says.
    const auto user = [&](WORD vk, std::function<void(HWND)> then) {
        return std::thread([=] {
            HWND settings = nullptr;
            for (int i = 0; i < 500 && !settings; ++i, ::Sleep(20)) settings = settingsWindow();
            if (!settings) return;
            HWND field = nullptr;
            ::EnumChildWindows(settings, [](HWND child, LPARAM lParam) {
                if (::GetDlgCtrlID(child) != IDC_ADV_HOTKEY_START) return TRUE;
                *reinterpret_cast<HWND*>(lParam) = child;
                return FALSE;
            }, reinterpret_cast<LPARAM>(&field));
            const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
            ::PostMessageW(field, WM_KEYDOWN, vk, scan | 1);
            ::Sleep(300);
            then(settings);
        });
    };

    std::thread confirm = user(VK_F5, [](HWND settings) { ::PostMessageW(settings, WM_COMMAND, IDOK, 0); });
    Command(IDC_MAIN_SETTINGS);
    const bool ended = PumpUntil([&] { return !settingsWindow() && dlg->CanOperate(); }, 15000);
    confirm.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(VK_F5, dlg->Settings().advanced.nHotkeyStart);
    EXPECT_TRUE(::IsWindowEnabled(main));
    PressKey(VK_F5);
    ASSERT_TRUE(WaitState(SessionState::Recording));
    Command(IDC_MAIN_STOP);
    ASSERT_TRUE(WaitState(SessionState::Idle, 8000));

    std::thread exitFromTray = user(VK_F6, [main](HWND) { ::PostMessageW(main, WM_COMMAND, ID_MENU_TRAY_EXIT, 0); });
    Command(IDC_MAIN_SETTINGS);
    const bool closed = PumpUntil([&] { return !::IsWindow(main); }, 15000);
    exitFromTray.join();
    ASSERT_TRUE(closed);
    EXPECT_EQ(VK_F5, dlg->Settings().advanced.nHotkeyStart) << "F6 was never committed";
    EXPECT_EQ(static_cast<UINT>(VK_F5), ::GetPrivateProfileIntW(L"Advanced", L"Hotkey_Start", 0,
                                                                 (temp.Path() + L"Settings.ini").c_str()));
}

TEST(TrayMenuStates, OfferOnlyWhatTheSessionAccepts) {
    const struct {
        SessionState state;
        bool busy, start, pause, stop;
    } rows[] = {
        {SessionState::Idle, false, true, false, false},      {SessionState::Starting, false, false, false, false},
        {SessionState::Recording, false, false, true, true},  {SessionState::Paused, false, true, false, true},
        {SessionState::Stopping, false, false, false, false}, {SessionState::Recording, true, false, false, false},
        {SessionState::Idle, true, false, false, false},
    };
    for (const auto& r : rows) {
        const TrayMenuStates s = TrayMenuStatesFor(r.state, r.busy);
        EXPECT_EQ(r.start, s.start) << static_cast<int>(r.state) << r.busy;
        EXPECT_EQ(r.pause, s.pause) << static_cast<int>(r.state) << r.busy;
        EXPECT_EQ(r.stop, s.stop) << static_cast<int>(r.state) << r.busy;
    }
}

// The icon in Wine's own tray, with real clicks: close to it, back by a double click,
// recording from its menu, back after the task bar "restarts", gone with the program.
TEST_F(MainWindowTest, LivesInTheTrayAndIsSteeredFromIt) {
    using desktoptest::FirstTrayIcon, desktoptest::MenuOf, desktoptest::MouseClick, desktoptest::MouseDoubleClick,
        desktoptest::TrayShowing, desktoptest::WithOpenMenu;
    std::vector<std::wstring> tips;
    struct TipLog : ITrayIcon {
        std::unique_ptr<ITrayIcon> real;
        std::vector<std::wstring>* tips;
        void SetNotificationWnd(HWND w, UINT m) override { real->SetNotificationWnd(w, m); }
        bool SetIcon(HICON icon, const std::wstring& tip) override {
            if (icon) tips->push_back(tip);
            return real->SetIcon(icon, tip);
        }
        void SetTip(const std::wstring& tip) override { real->SetTip(tip); }
    };
    companions.createTrayIcon = [&](HMENU menu) {
        auto log = std::make_unique<TipLog>();
        log->real = CreateTrayIcon(menu);
        log->tips = &tips;
        return log;
    };
    Open();
    EXPECT_FALSE(TrayShowing()) << "no icon before the window goes to the tray";
    dlg->Settings().common.bCloseToTray = 1;
    Command(IDC_MAIN_CLOSE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(W()) && TrayShowing(); }));
    EXPECT_FALSE(::IsIconic(W()));
    EXPECT_EQ((std::vector<std::wstring>{vt::WindowText(W())}), tips);

    MouseDoubleClick(FirstTrayIcon());
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(W()) != FALSE; }));
    EXPECT_EQ(W(), ::GetForegroundWindow());
    EXPECT_TRUE(TrayShowing()) << "the icon stays";

    // Right click: the items as the session allows, and a pick reaches the session.
    // Keys walk the menu (Show, Record, Pause, Stop, Exit) until the item is lit.
    const auto pick = [&](int target, UINT expectGrayed) {
        UINT grayed = 0;
        bool first = true;
        const bool shown = WithOpenMenu([] { MouseClick(FirstTrayIcon(), true); }, [&](HWND popup) {
            HMENU menu = MenuOf(popup);
            if (first) {
                first = false;
                for (int i = 0; i < 5; ++i)
                    if (::GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) grayed |= 1u << i;
            }
            const bool lit = ::GetMenuState(menu, target, MF_BYPOSITION) & MF_HILITE;
            ::PostMessageW(popup, WM_KEYDOWN, lit ? VK_RETURN : VK_DOWN, 0);
            return lit;
        });
        EXPECT_TRUE(shown);
        EXPECT_EQ(expectGrayed, grayed);
    };
    pick(1, 0b01100);  // Record
    ASSERT_TRUE(WaitState(SessionState::Recording));
    pick(2, 0b00010);  // Pause (soon after: the press comes as a double click)
    ASSERT_TRUE(PumpUntil([&] { return fakeapi::Count("Pause") == 1 && dlg->State() == SessionState::Paused; }));
    pick(3, 0b00100);  // Stop
    ASSERT_TRUE(WaitState(SessionState::Idle, 8000));
    EXPECT_EQ(1, fakeapi::Count("Close"));

    // The shell forgets the icon; its restart message brings it back.
    NOTIFYICONDATAW gone{sizeof(gone)};
    gone.hWnd = W();
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_TRUE(PumpUntil([] { return !TrayShowing(); }));
    ::SendMessageW(W(), vt::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(PumpUntil([] { return TrayShowing(); }));

    Command(ID_MENU_TRAY_EXIT);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(W()); }));
    EXPECT_TRUE(PumpUntil([] { return !TrayShowing(); })) << "the icon goes with the window";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp.Path() + L"Settings.ini").c_str()));
}

TEST_F(MainWindowTest, ShadowFollowsTheWindowAndTheSetting) {
    using desktoptest::FindTopWindow;
    Open();
    HWND shadow = FindTopWindow(L"DTShadowWnd", true);
    ASSERT_TRUE(shadow);
    EXPECT_EQ(W(), ::GetWindow(shadow, GW_OWNER));
    const auto around = [&] {
        RECT m{}, s{};
        ::GetWindowRect(W(), &m);
        ::GetWindowRect(shadow, &s);
        return ::IsWindowVisible(shadow) && s.left == m.left - 5 && s.top == m.top - 5 && s.right == m.right + 5 &&
               s.bottom == m.bottom + 5;
    };
    EXPECT_TRUE(around());
    EXPECT_EQ(W(), ::GetForegroundWindow()) << "the shadow never takes activation";
    ::ShowWindow(W(), SW_MINIMIZE);
    EXPECT_FALSE(::IsWindowVisible(shadow));
    ::ShowWindow(W(), SW_RESTORE);
    EXPECT_TRUE(PumpUntil(around));
    dlg->Settings().common.bCloseToTray = 1;
    Command(IDC_MAIN_CLOSE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(W()); }));
    EXPECT_FALSE(::IsWindowVisible(shadow));
    Command(ID_MENU_TRAY_SHOWMAIN);
    EXPECT_TRUE(PumpUntil(around));
    dlg.reset();

    // ShowShadow 0: off after timer 2, and stays off through minimise, restore and tray.
    showShadow = 0;
    Open();
    apptest::Pump(300);
    shadow = FindTopWindow(L"DTShadowWnd", true);
    ASSERT_TRUE(shadow);
    EXPECT_FALSE(::IsWindowVisible(shadow));
    ::ShowWindow(W(), SW_MINIMIZE);
    ::ShowWindow(W(), SW_RESTORE);
    dlg->Settings().common.bCloseToTray = 1;
    Command(IDC_MAIN_CLOSE);
    Command(ID_MENU_TRAY_SHOWMAIN);
    PumpUntil([&] { return false; }, 300);
    EXPECT_TRUE(::IsWindowVisible(W()));
    EXPECT_FALSE(::IsWindowVisible(shadow));
}

TEST_F(MainWindowTest, LanguageMenuIsDrawnWithFlagsAndTheCheckAndSwitches) {
    using desktoptest::MenuOf, desktoptest::ScreenPixel, desktoptest::WithOpenMenu;
    Open();
    ASSERT_TRUE(dlg->ApplyLanguage(1033));
    const std::vector<LanguageEntry> list = LanguageList();
    const auto at = [&](int id) {
        return static_cast<int>(std::find_if(list.begin(), list.end(), [&](const LanguageEntry& e) { return e.id == id; }) -
                                list.begin());
    };
    const int english = at(1033), chinese = at(2052);
    ASSERT_LT(chinese, static_cast<int>(list.size()));
    RECT button{};
    ::GetWindowRect(Item(IDC_MAIN_LANGUAGE), &button);

    int step = 0;
    RECT popup{}, item{};
    UINT englishState = 0, chineseState = 0;
    COLORREF plain = 0, selected = 0, flag = 0;
    int tick = 0, count = 0;
    ASSERT_TRUE(WithOpenMenu([&] { Command(IDC_MAIN_LANGUAGE); }, [&](HWND window) {
        HMENU menu = MenuOf(window);
        if (step == 0) {
            ::GetWindowRect(window, &popup);
            count = ::GetMenuItemCount(menu);
            MENUITEMINFOW info{sizeof(info), MIIM_FTYPE | MIIM_STATE};
            ::GetMenuItemInfoW(menu, 2 * english, TRUE, &info);
            englishState = info.fType | info.fState;
            ::GetMenuItemInfoW(menu, 2 * chinese, TRUE, &info);
            chineseState = info.fType | info.fState;
            ::GetMenuItemRect(nullptr, menu, 2 * chinese, &item);
            plain = ScreenPixel(item.left + 31, item.top + 2);
            flag = ScreenPixel(item.left + 1 + 13, item.top + (item.bottom - item.top - 19) / 2 + 9);
            RECT checked{};
            ::GetMenuItemRect(nullptr, menu, 2 * english, &checked);
            for (int y = checked.top; y < checked.bottom; ++y)
                for (int x = checked.right - 16; x < checked.right; ++x) tick += ScreenPixel(x, y) == 0;
            for (int i = 0; i <= chinese; ++i) ::PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
            step = 1;
            return false;
        }
        selected = ScreenPixel(item.left + 31, item.top + 2);
        if (selected == RGB(255, 255, 255)) return false;  // not drawn yet
        ::PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    }));
    // Wine keeps the menu on the screen: moved left or up when it would not fit.
    if (popup.right < ::GetSystemMetrics(SM_CXSCREEN)) {
        EXPECT_EQ(button.left, popup.left);
    }
    if (popup.bottom < ::GetSystemMetrics(SM_CYSCREEN)) {
        EXPECT_EQ(button.bottom + 2, popup.top);
    }
    EXPECT_EQ(static_cast<int>(2 * list.size() - 1), count);
    EXPECT_EQ(UINT(MFT_OWNERDRAW | MFS_CHECKED), englishState & (MFT_OWNERDRAW | MFS_CHECKED));
    EXPECT_EQ(UINT(MFT_OWNERDRAW), chineseState & (MFT_OWNERDRAW | MFS_CHECKED));
    EXPECT_GE(tick, 12) << "the tick on the language in force";
    EXPECT_EQ(RGB(255, 255, 255), plain);
    EXPECT_EQ(RGB(231, 250, 220), selected);
    vt::CImage strip;
    ASSERT_EQ(1, vt::LoadImageResource(strip, nullptr, 163));
    const DWORD want = strip.GetPixel(LanguageFlagImage(2052) * 27 + 13, 9);
    EXPECT_EQ(RGB((want >> 16) & 0xFF, (want >> 8) & 0xFF, want & 0xFF), flag) << "the Chinese flag at x + 1";
    ASSERT_TRUE(PumpUntil([] { return CurrentLanguageId() == 2052; }));
    EXPECT_EQ(LoadLanguageText(L"ID_APP_NAME"), vt::WindowText(W()));
}

} // namespace

// The camera picture, the overlays and the title prompt of a recording, through the real
// windows: made where the rules put them, the bar's camera button following the camera
// window, hidden by the close button's message, all gone when the file is finished.
TEST_F(MainWindowTest, CameraPictureOverlaysAndTitleGoWithTheRecording) {
    ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", L"camera:Main Cam@640x480");
    vt::ScopeExit noCamera([] { ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", nullptr); });
    HWND camera = nullptr, picture = nullptr, bar = nullptr;
    bool barCameraBeforeCamera = true;
    std::vector<HWND> overlays;
    const auto barCameraOn = [&] { return ::IsWindowEnabled(::GetDlgItem(bar, IDC_BAR_CAMERA)) != FALSE; };
    companions.createRecordControlBar = [&](int o) {
        auto b = CreateRecordControlBar(o);
        bar = b ? b->Window() : nullptr;
        return b;
    };
    companions.createCameraWindow = [&](bool closeButton) {
        barCameraBeforeCamera = bar && barCameraOn();
        auto c = CreateCameraWindow(closeButton);
        camera = c ? c->Window() : nullptr;
        picture = c ? c->PictureWindow() : nullptr;
        return c;
    };
    companions.createOverlays = [&](const AdvancedSettings& a, const RECT& r) {
        auto o = CreateRecordingOverlays(a, r);
        overlays = o ? o->Windows() : std::vector<HWND>{};
        return o;
    };
    Open();
    RecorderSettings& s = dlg->Settings();
    s.video.nRecordObject = kRecordObjectScreenWithCamera;
    s.video.nRecordRegion = kRecordRegionUserDefined;
    wcscpy_s(s.video.szCameraName, L"Main Cam");
    s.advanced.bNoteTime = s.advanced.bNoteTitle = 1;
    wcscpy_s(s.advanced.title.szTitle, L"Old title");
    wcscpy_s(s.advanced.title.lfFont.lfFaceName, L"Liberation Sans");
    s.advanced.title.lfFont.lfHeight = -24;
    s.advanced.title.nPosX = 50;
    const RECT region{100, 100, 740, 580};
    selection = {kRegionSelectionOk, region, nullptr};
    // The title prompt, answered with a new title.
    std::thread answer([&] {
        for (int i = 0; i < 500; ++i, ::Sleep(20)) {
            HWND box = nullptr;
            while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)))
                if (::GetWindow(box, GW_OWNER) == W() && ::GetDlgItem(box, IDC_CHANGE_TITLE_EDIT)) break;
            if (!box) continue;
            ::SetDlgItemTextW(box, IDC_CHANGE_TITLE_EDIT, L"New title");
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            return;
        }
    });
    Command(IDC_MAIN_RECORD);
    const bool recording = WaitState(SessionState::Recording, 10000);
    answer.join();
    ASSERT_TRUE(recording);
    EXPECT_STREQ(L"New title", s.advanced.title.szTitle);

    ASSERT_TRUE(::IsWindow(camera));
    RECT rc{};
    ::GetWindowRect(camera, &rc);
    const RECT pip{579, 459, 739, 579};
    EXPECT_TRUE(::EqualRect(&rc, &pip)) << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
    EXPECT_TRUE(::IsWindowVisible(camera));
    EXPECT_TRUE(::GetWindowLongW(camera, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The bar's camera button: off until the camera window is there, then on.
    ASSERT_TRUE(::IsWindow(bar));
    EXPECT_FALSE(barCameraBeforeCamera);
    EXPECT_TRUE(barCameraOn());
    // Time at the bottom-right corner, title centred at the top edge, both topmost.
    ASSERT_EQ(2u, overlays.size());
    for (HWND o : overlays) {
        EXPECT_TRUE(::IsWindowVisible(o));
        EXPECT_TRUE(::GetWindowLongW(o, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
    ::GetWindowRect(overlays[0], &rc);
    EXPECT_EQ(region.right, rc.right);
    EXPECT_EQ(region.bottom, rc.bottom);
    ::GetWindowRect(overlays[1], &rc);
    EXPECT_EQ(region.top, rc.top);
    EXPECT_NEAR((region.left + region.right) / 2, (rc.left + rc.right) / 2, 1);

    // The close button's message hides it; the bar's camera button brings it back.
    ::PostMessageW(W(), WM_CAMERA_HIDE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(camera); }));
    ::PostMessageW(bar, WM_COMMAND, MAKEWPARAM(IDC_BAR_CAMERA, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(camera) != FALSE; }));

    Command(IDC_MAIN_STOP);
    ASSERT_TRUE(WaitState(SessionState::Idle, 8000));
    EXPECT_FALSE(::IsWindow(camera));
    for (HWND o : overlays) EXPECT_FALSE(::IsWindow(o));
    EXPECT_FALSE(::IsWindow(bar));

    // Camera only: the picture area is what is recorded, and the window stays put meanwhile.
    s.video.nRecordObject = kRecordObjectCamera;
    s.advanced.bNoteTitle = 0;
    StartRecording();
    ASSERT_TRUE(::IsWindow(picture));
    RECT area{}, before{}, after{};
    ::GetWindowRect(picture, &area);
    const SEncoderSource source = fakeapi::LastSource();
    EXPECT_TRUE(::EqualRect(&area, &source.rcCapture));
    ::GetWindowRect(camera, &before);
    ::PostMessageW(camera, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    ::PostMessageW(camera, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 150));
    ::PostMessageW(camera, WM_LBUTTONUP, 0, MAKELPARAM(200, 150));
    apptest::Pump(200);
    ::GetWindowRect(camera, &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    Command(IDC_MAIN_STOP);
    ASSERT_TRUE(WaitState(SessionState::Idle, 8000));
    EXPECT_FALSE(::IsWindow(camera));

    // A start that fails takes them away too.
    fakeapi::Config failing;
    failing.failStep = "Start";
    fakeapi::Reset(failing);
    apptest::BoxWatcher boxes(W());
    camera = nullptr;
    overlays.clear();
    Command(IDC_MAIN_RECORD);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1 && dlg->State() == SessionState::Idle; }));
    ASSERT_NE(nullptr, camera);
    EXPECT_FALSE(::IsWindow(camera));
    ASSERT_EQ(1u, overlays.size());
    EXPECT_FALSE(::IsWindow(overlays[0]));

    // The whole-screen item puts the camera picture in the screen's corner at once.
    s.video.nRecordObject = kRecordObjectScreenWithCamera;
    Command(ID_POPMENU_FULLSCREEN);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindow(camera) && ::IsWindowVisible(camera); }));
    ::GetWindowRect(camera, &rc);
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    const RECT corner{sw - 160, sh - 120, sw, sh};
    EXPECT_TRUE(::EqualRect(&rc, &corner));
}
