// The player window under Wine: its decisions without windows, its frame, buttons and
// edges, and the platform's media control playing a recording that has sound.
#include "app/AppTestSupport.h"
#include "toolkit/desktop/DesktopTestUtil.h"
#include "devices/CameraLayout.h"
#include "devices/PlayerLogic.h"
#include "devices/VideoPlayDlg.h"

#include "AsfWriter.h"
#include "JpegEncoder.h"
#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "resources/resource.h"
#include "toolkit/Paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using apptest::Pump;
using apptest::PumpUntil;

namespace {

bool Same(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

TEST(PlayerLogic, EdgesMinimumSizeMenuAndName) {
    const SIZE w{758, 528};
    EXPECT_EQ(0, PlayerHitTest(w, {300, 20}));  // title band: no edge
    EXPECT_EQ(0, PlayerHitTest(w, {300, 300}));
    EXPECT_EQ(kHitRight, PlayerHitTest(w, {754, 300}));
    EXPECT_EQ(kHitBottomRight, PlayerHitTest(w, {757, 527}));
    EXPECT_EQ(kHitTopLeft, PlayerHitTest(w, {0, 0}));

    const RECT start{100, 100, 858, 628};
    RECT r{};
    EXPECT_TRUE(PlayerDragRect(kHitRight, start, -238, 5, r));
    EXPECT_EQ((RECT{100, 100, 620, 628}).right, r.right);
    r = RECT{};
    EXPECT_FALSE(PlayerDragRect(kHitRight, start, -239, 0, r));  // 519 wide
    EXPECT_FALSE(PlayerDragRect(kHitTop, start, 0, 169, r));     // 359 high
    EXPECT_FALSE(PlayerDragRect(0, start, 10, 10, r));
    EXPECT_TRUE(::IsRectEmpty(&r));
    EXPECT_TRUE(PlayerDragRect(kHitTopLeft, start, -10, -20, r));
    EXPECT_TRUE(Same(r, RECT{90, 80, 858, 628}));

    const struct {
        int state;
        bool play, pause, stop;
    } menus[] = {{kPlayerStopped, true, false, false}, {kPlayerPaused, true, false, true},
                 {kPlayerPlaying, false, true, true},  {9, true, false, false}};
    for (const auto& m : menus) {
        const PlayerMenuStates s = PlayerMenuStatesFor(m.state);
        EXPECT_EQ(m.play, s.play) << m.state;
        EXPECT_EQ(m.pause, s.pause) << m.state;
        EXPECT_EQ(m.stop, s.stop) << m.state;
    }

    EXPECT_EQ(L"b.wmv", PlayerFileName(L"C:\\a\\b.wmv"));
    EXPECT_EQ(L"c d.wmv", PlayerFileName(L"/x/c d.wmv"));
    EXPECT_EQ(L"b/c.wmv", PlayerFileName(L"C:\\a\\b/c.wmv"));
    EXPECT_EQ(L"name.wmv", PlayerFileName(L"name.wmv"));
}

// The main window's part: keeps what the player sends it.
class FakeMain : public vt::CWnd {
public:
    FakeMain() { CreateEx({.title = L"main", .style = WS_POPUP | WS_VISIBLE, .rect = vt::RectXYWH(0, 0, 80, 60)}); }
    std::vector<std::pair<UINT, WPARAM>> got;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kPlayerClosedMessage || msg == WM_COMMAND) got.emplace_back(msg, wParam);
        return vt::CWnd::WindowProc(msg, wParam, lParam);
    }
};

// A recording as the program makes them: MJPEG video and PCM sound (the control under
// Wine plays nothing without a sound stream).
bool WriteClip(const std::wstring& path, int seconds) {
    AsfAudioFormat audio{44100, 2, 16};
    AsfWriter writer;
    if (!writer.Open(path.c_str(), AsfVideoFormat{320, 240}, &audio)) return false;
    JpegEncoder jpeg;
    std::vector<uint8_t> picture(320 * 240 * 4), encoded;
    std::vector<int16_t> block(4410 * 2);
    for (int i = 0; i < seconds * 10; ++i) {
        const int64_t t = i * 1'000'000LL;
        for (size_t s = 0; s < block.size(); ++s)
            block[s] = static_cast<int16_t>(6000 * std::sin((i * 4410 + s / 2) * 2 * 3.14159265 * 440 / 44100));
        if (!writer.WriteAudio(t, block.data(), block.size() * sizeof(int16_t))) return false;
        std::fill(picture.begin(), picture.end(), static_cast<uint8_t>(40 + i * 5));
        if (!jpeg.Encode(picture.data(), 320, 240, 320 * 4, 4, 75, encoded) ||
            !writer.WriteVideo(t, encoded.data(), encoded.size(), true))
            return false;
    }
    return writer.Close();
}

class PlayerWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Under Wine a crash of the control then ends the process at once instead of
        // waiting in a debugger that this variable keeps from starting.
        ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", L"mscoree,mshtml=;winedbg.exe=d");
        ::OleInitialize(nullptr);
        BuildLanguageList(vt::ProgramFolder() + L"Language\\");
        SelectLanguageFile(1033);
    }
    void SetUp() override {
        ASSERT_TRUE(player.Create(main.GetSafeHwnd()));
        ASSERT_TRUE(player.HasControl());
    }
    HWND P() const { return player.GetSafeHwnd(); }
    HWND Item(int id) const { return ::GetDlgItem(P(), id); }
    RECT ClientRectOf(int id) const {
        RECT r{};
        ::GetWindowRect(Item(id), &r);
        ::MapWindowPoints(nullptr, P(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    SIZE Size() const {
        RECT r{};
        ::GetWindowRect(P(), &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    void Mouse(UINT msg, int x, int y, WPARAM flags = 0) { ::SendMessageW(P(), msg, flags, MAKELPARAM(x, y)); }

    apptest::TempFolder temp;
    FakeMain main;
    CVideoPlayDlg player;
};

TEST_F(PlayerWindowTest, FrameButtonsEdgesAndTitleBand) {
    EXPECT_FALSE(::IsWindowVisible(P()));
    EXPECT_TRUE(::GetWindowLongPtrW(P(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(0, ::GetWindowLongPtrW(P(), GWL_STYLE) & WS_CAPTION);
    ASSERT_EQ(758, Size().cx);
    ASSERT_EQ(528, Size().cy);
    RECT work{}, rc{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(P(), &rc);
    EXPECT_EQ(work.left + (work.right - work.left - 758) / 2, rc.left);
    EXPECT_EQ(L"Video Player", vt::WindowText(P()));
    EXPECT_TRUE(Same(ClientRectOf(IDC_PLAYER_CLOSE), RECT{758 - 14 - 10, 7, 758 - 10, 21}));
    EXPECT_TRUE(Same(ClientRectOf(IDC_PLAYER_MINIMISE), RECT{758 - 28 - 20, 7, 758 - 14 - 20, 21}));
    EXPECT_TRUE(Same(ClientRectOf(IDC_PLAYER_CONTROL), RECT{18, 32, 740, 510}));
    vt::UniqueRgn region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, ::GetWindowRgn(P(), region.Get()));
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(region.Get(), 3, 0));

    // Painted: the frame's pieces, the icon and the title in white.
    ::ShowWindow(P(), SW_SHOWNORMAL);
    ::UpdateWindow(P());
    Pump(200);
    vt::CImage frame, icon;
    ASSERT_EQ(1, vt::LoadImageResource(frame, nullptr, 184));
    ASSERT_EQ(1, vt::LoadImageResource(icon, nullptr, 185));
    vt::WindowDc screen(nullptr);
    auto px = [&](int x, int y) { return ::GetPixel(screen.Get(), rc.left + x, rc.top + y); };
    auto rgb = [](DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); };
    EXPECT_EQ(rgb(frame.GetPixel(4, 50)), px(4, 300)) << "left edge";
    EXPECT_EQ(rgb(frame.GetPixel(40, 94)), px(758 - 5, 528 - 4)) << "bottom-right corner";
    EXPECT_EQ(rgb(frame.GetPixel(22, 10)), px(400, 10)) << "title band";
    EXPECT_EQ(rgb(icon.GetPixel(8, 7)), px(18, 14)) << "icon";
    bool white = false;
    for (int x = 35; x < 160 && !white; ++x)
        for (int y = 4; y < 22 && !white; ++y) white = px(x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(white) << "no title text";

    // The right edge: not below 520 wide; the parts follow the size.
    Mouse(WM_LBUTTONDOWN, 755, 300, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 755 - 300, 300, MK_LBUTTON);
    EXPECT_EQ(758, Size().cx);
    Mouse(WM_MOUSEMOVE, 755 - 200, 300, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 755 - 200, 300);
    EXPECT_EQ(558, Size().cx);
    EXPECT_EQ(528, Size().cy);
    EXPECT_EQ(558 - 14 - 10, ClientRectOf(IDC_PLAYER_CLOSE).left);
    EXPECT_EQ(558 - 18, ClientRectOf(IDC_PLAYER_CONTROL).right);
    EXPECT_EQ(nullptr, ::GetCapture());
    // The bottom edge: not below 360 high.
    Mouse(WM_LBUTTONDOWN, 300, 525, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 300, 525 - 169, MK_LBUTTON);
    EXPECT_EQ(528, Size().cy);
    Mouse(WM_MOUSEMOVE, 300, 525 - 168, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 300, 525 - 168);
    EXPECT_EQ(360, Size().cy);

    // A press in the title band moves the window with the pointer; below it nothing moves.
    auto drag = [&](int y) {
        ::GetWindowRect(P(), &rc);
        desktoptest::MouseDrag({rc.left + 300, rc.top + y}, {rc.left + 250, rc.top + y - 30});
        Pump(300);
        RECT after{};
        ::GetWindowRect(P(), &after);
        return POINT{after.left - rc.left, after.top - rc.top};
    };
    ::SetForegroundWindow(P());
    const POINT below = drag(100);
    EXPECT_EQ(0, below.x);
    EXPECT_EQ(0, below.y);
    const POINT moved = drag(15);
    EXPECT_EQ(-50, moved.x);
    EXPECT_EQ(-30, moved.y);

    // Enter and Escape leave it open; minimise takes the main window down; close hides
    // the player and tells the main window.
    apptest::PressKey(VK_RETURN);
    apptest::PressKey(VK_ESCAPE);
    EXPECT_TRUE(::IsWindowVisible(P()));
    ::SendMessageW(P(), WM_COMMAND, IDC_PLAYER_MINIMISE, 0);
    EXPECT_TRUE(::IsIconic(main.GetSafeHwnd()));
    EXPECT_TRUE(::IsWindowVisible(P()));
    ::SendMessageW(P(), WM_COMMAND, IDC_PLAYER_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !main.got.empty(); }));
    EXPECT_FALSE(::IsWindowVisible(P()));
    EXPECT_EQ(kPlayerClosedMessage, main.got[0].first);
    EXPECT_TRUE(::IsWindow(P()));

    // The menu's commands are the main window's.
    main.got.clear();
    ::SendMessageW(P(), WM_COMMAND, ID_MENU_PLAYER_OPENFILE, 0);
    ::SendMessageW(P(), WM_COMMAND, ID_MENU_PLAYER_STOP, 0);
    ASSERT_TRUE(PumpUntil([&] { return main.got.size() == 2; }));
    EXPECT_EQ(static_cast<WPARAM>(IDC_MAIN_OPEN_VIDEO), main.got[0].second);
    EXPECT_EQ(static_cast<WPARAM>(IDC_MAIN_STOP), main.got[1].second);

    // Another language relabels the window, its menu and its buttons' tips.
    SelectLanguageFile(2052);
    player.ApplyLanguage();
    const std::wstring title = LoadLanguageText(L"IDC_STC_PLAYER_TITLE"), stop = LoadLanguageText(L"IDR_MENU_PLAYER_STOP");
    SelectLanguageFile(1033);
    EXPECT_EQ(L"\x89c6\x9891\x64ad\x653e\x5668", title);  // "video player" in Chinese
    EXPECT_EQ(title, vt::WindowText(P()));
    wchar_t item[64] = {};
    ::GetMenuStringW(player.PreparedMenu(), ID_MENU_PLAYER_STOP, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(stop, item);
    EXPECT_FALSE(stop.empty());
}

bool Enabled(HMENU menu, UINT id) { return !(::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }

TEST_F(PlayerWindowTest, PlaysARecordingToItsEnd) {
    const std::wstring clip = temp.Path() + L"clip 1.wmv";
    ASSERT_TRUE(WriteClip(clip, 3));
    ASSERT_TRUE(player.PlayFile(clip));
    EXPECT_EQ(L"File: clip 1.wmv", vt::WindowText(Item(IDC_PLAYER_TITLE)));
    HMENU menu = player.PreparedMenu();
    EXPECT_TRUE(Enabled(menu, ID_MENU_PLAYER_PLAY) && !Enabled(menu, ID_MENU_PLAYER_STOP));

    ::ShowWindow(P(), SW_SHOWNORMAL);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(player.Play());
        EXPECT_EQ(kPlayerPlaying, player.PlayState());
        EXPECT_NEAR(3.0, player.Duration(), 0.3);
        menu = player.PreparedMenu();
        EXPECT_TRUE(!Enabled(menu, ID_MENU_PLAYER_PLAY) && Enabled(menu, ID_MENU_PLAYER_PAUSE) &&
                    Enabled(menu, ID_MENU_PLAYER_STOP) && Enabled(menu, ID_MENU_PLAYER_OPENFILE));
        const double first = player.CurrentPosition();
        Pump(700);
        const double later = player.CurrentPosition();
        EXPECT_GT(later, first + 0.3);
        EXPECT_LT(later, 3.2);
        if (round == 0) {
            // Played out: the control reports the stop by itself, also after a seek
            // (which Wine's control does not survive, so there it is not made).
            player.SetCurrentPosition(1.0);
            EXPECT_TRUE(PumpUntil([&] { return player.PlayState() == kPlayerStopped; }, 8000));
        }
        player.Stop();
        EXPECT_EQ(kPlayerStopped, player.PlayState());
    }
}

TEST_F(PlayerWindowTest, FilesThatDoNotPlayLeaveItUsable) {
    EXPECT_FALSE(player.PlayFile(temp.Path() + L"missing.wmv"));
    EXPECT_FALSE(player.Play());
    const std::wstring garbage = temp.Path() + L"garbage.wmv";
    {
        vt::UniqueKernelHandle file(::CreateFileW(garbage.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), "not a video at all", 18, &written, nullptr);
    }
    if (player.PlayFile(garbage)) {
        EXPECT_FALSE(player.Play());
        EXPECT_FALSE(player.Play()) << "a second try must not bring the process down";
        EXPECT_EQ(kPlayerStopped, player.PlayState());
    }
    const std::wstring clip = temp.Path() + L"good.wmv";
    ASSERT_TRUE(WriteClip(clip, 2));
    ASSERT_TRUE(player.PlayFile(clip));
    ASSERT_TRUE(player.Play());
    EXPECT_TRUE(PumpUntil([&] { return player.CurrentPosition() > 0.3; }, 3000));
    player.Stop();
}

} // namespace
