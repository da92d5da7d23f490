// The tray icon: what it asks of the shell (through a recording stand-in), and the three
// subclass layers on one window. Wine's real notification area with real clicks is
// tested on the main window (tests/app).
#include "DesktopTestUtil.h"

#include "resource.h"
#include "toolkit/TrayIcon.h"
#include "toolkit/WndShadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace vt;
using namespace desktoptest;

namespace {

constexpr UINT kCallback = WM_USER + 76; // 1100

struct ShellCallRecord {
    DWORD command;
    UINT flags;
    HICON icon;
    std::wstring tip;
    HWND hwnd;
    UINT message;
};

struct FakeShell {
    std::vector<ShellCallRecord> calls;
    bool fail = false;
    CTrayIcon::ShellCall Call() {
        return [this](DWORD command, NOTIFYICONDATAW* d) {
            EXPECT_EQ(d->cbSize, 976u);
            EXPECT_EQ(d->uID, 0u);
            calls.push_back({command, d->uFlags, d->hIcon, d->szTip, d->hWnd, d->uCallbackMessage});
            return fail ? FALSE : TRUE;
        };
    }
};

HICON AppIcon() {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           16, 16, 0));
}

UniqueMenu TrayMenu() { return UniqueMenu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU_TRAY))); }

} // namespace

TEST(TrayIcon, AddChangeRemoveAndTheTip) {
    FakeShell shell;
    UniqueIcon icon(AppIcon());
    TestHost host(RECT{0, 0, 50, 50});
    UniqueMenu menu = TrayMenu();
    {
        CTrayIcon tray(::GetSubMenu(menu.Get(), 0), shell.Call());
        EXPECT_TRUE(tray.SetIcon(nullptr, L"x")) << "nothing shown, nothing to remove";
        EXPECT_TRUE(shell.calls.empty());

        EXPECT_TRUE(tray.SetIcon(icon.Get(), L""));
        ASSERT_EQ(shell.calls.size(), 1u);
        EXPECT_EQ(shell.calls[0].command, DWORD(NIM_ADD));
        EXPECT_EQ(shell.calls[0].flags, UINT(NIF_ICON)) << "no tip, no window: icon only";

        tray.SetNotificationWnd(host.Hwnd(), kCallback);
        EXPECT_TRUE(tray.SetIcon(icon.Get(), std::wstring(200, L'a')));
        EXPECT_EQ(shell.calls.back().command, DWORD(NIM_MODIFY));
        EXPECT_EQ(shell.calls.back().flags, UINT(NIF_ICON | NIF_TIP | NIF_MESSAGE));
        EXPECT_EQ(shell.calls.back().tip, std::wstring(127, L'a'));
        EXPECT_EQ(shell.calls.back().hwnd, host.Hwnd());
        EXPECT_EQ(shell.calls.back().message, kCallback);

        tray.SetTip(L"Recorder");
        EXPECT_EQ(shell.calls.back().command, DWORD(NIM_MODIFY));
        EXPECT_EQ(shell.calls.back().tip, L"Recorder");

        EXPECT_TRUE(tray.SetIcon(nullptr, L"Recorder"));
        EXPECT_EQ(shell.calls.back().command, DWORD(NIM_DELETE));
        EXPECT_FALSE(tray.HasIcon());

        shell.fail = true;
        EXPECT_FALSE(tray.SetIcon(icon.Get(), L"Recorder"));
        EXPECT_FALSE(tray.HasIcon()) << "a failed add leaves no icon behind";
        shell.fail = false;
        const size_t before = shell.calls.size();
        tray.SetTip(L"later"); // no icon: nothing to change
        EXPECT_EQ(shell.calls.size(), before);
        EXPECT_TRUE(tray.SetIcon(icon.Get(), L"Recorder"));
        EXPECT_EQ(shell.calls.back().command, DWORD(NIM_ADD));

        // The task bar restarted: the icon comes back with its tip.
        ::SendMessageW(host.Hwnd(), TaskbarCreatedMessage(), 0, 0);
        EXPECT_EQ(shell.calls.back().command, DWORD(NIM_ADD));
        EXPECT_EQ(shell.calls.back().flags, UINT(NIF_ICON | NIF_TIP | NIF_MESSAGE));
        EXPECT_EQ(shell.calls.back().tip, L"Recorder");
        EXPECT_EQ(host.trayMessages.size(), 0u);
    }
    EXPECT_EQ(shell.calls.back().command, DWORD(NIM_DELETE)) << "the icon goes with its object";
}

TEST(Subclassing, BindingShadowAndTrayComeAndGoInAnyOrder) {
    ASSERT_TRUE(ShadowsReady());
    FakeShell shell;
    UniqueMenu menu = TrayMenu();
    const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& order : orders) {
        TestHost host(RECT{50, 50, 150, 150});
        host.callbackMessage = kCallback;
        HWND h = host.Hwnd();
        auto shadow = std::make_unique<CWndShadow>();
        ASSERT_TRUE(shadow->Create(h));
        auto tray = std::make_unique<CTrayIcon>(::GetSubMenu(menu.Get(), 0), shell.Call());
        tray->SetNotificationWnd(h, kCallback);
        bool bound = true;
        for (int which : order) {
            if (which == 0) {
                host.Detach();
                bound = false;
            } else if (which == 1) {
                shadow.reset();
            } else {
                tray.reset();
            }
            host.commands.clear();
            ::SendMessageW(h, WM_COMMAND, 123, 0);
            EXPECT_EQ(host.commands.size(), bound ? 1u : 0u);
            if (shadow) {
                ::SetWindowPos(h, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                RECT rc{};
                ::GetWindowRect(shadow->Window(), &rc);
                EXPECT_EQ(rc.left, 55) << "the shadow still follows";
                ::SetWindowPos(h, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
        ::DestroyWindow(h);
    }
}
