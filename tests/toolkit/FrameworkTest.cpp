// The window framework on real windows: modal loops, the pre-translate hook,
// subclassed template controls, off-screen painting.
#include "toolkit/Dialog.h"
#include "toolkit/MemDC.h"
#include "toolkit/PostResult.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

using namespace vt;

namespace {

constexpr UINT kTestDialog = 600;
constexpr UINT kChildDialog = 601;
constexpr UINT_PTR kEndTimer = 7;

// Pumps until pred() holds or the time runs out.
template <typename Pred>
bool PumpUntil(Pred pred, DWORD ms = 3000) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (!pred()) {
        if (::GetTickCount() - start > ms) return false;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) CDialog::PumpMessage(msg);
        ::Sleep(5);
    }
    return true;
}

class CountingButton : public CWnd {
public:
    int clicks = 0;
    int customs = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_LBUTTONDOWN) ++clicks;
        if (msg == WM_APP + 5) {
            ++customs;
            return 42;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(kTestDialog) {}

    std::vector<WPARAM> keysSeen;
    bool swallowEnterEsc = true;
    int endCodeOnTimer = 0;
    bool initCalled = false;
    bool okCalled = false;
    CountingButton button;
    std::vector<UINT> commands;

    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_KEYDOWN) {
            keysSeen.push_back(msg->wParam);
            if (swallowEnterEsc && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) return true;
        }
        return CDialog::PreTranslateMessage(msg);
    }

protected:
    BOOL OnInitDialog() override {
        initCalled = true;
        button.SubclassDlgItem(100, m_hWnd);
        if (endCodeOnTimer) ::SetTimer(m_hWnd, kEndTimer, 50, nullptr);
        return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == kEndTimer) {
            ::KillTimer(m_hWnd, kEndTimer);
            EndDialog(endCodeOnTimer);
        }
    }
    bool OnCommand(WPARAM wParam, LPARAM) override {
        commands.push_back(LOWORD(wParam));
        return false;
    }
    void OnOK() override {
        okCalled = true;
        CDialog::OnOK();
    }
};

// Posts keys to the dialog's edit once the loop runs.
class KeyDialog : public TestDialog {
public:
    std::vector<WPARAM> toPost;

protected:
    BOOL OnInitDialog() override {
        TestDialog::OnInitDialog();
        HWND edit = ::GetDlgItem(m_hWnd, 101);
        ::SetFocus(edit);
        for (WPARAM k : toPost) ::PostMessageW(edit, WM_KEYDOWN, k, 1);
        ::SetTimer(m_hWnd, kEndTimer, 400, nullptr);
        return FALSE;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == kEndTimer) {
            ::KillTimer(m_hWnd, kEndTimer);
            EndDialog(77);
        }
    }
};

} // namespace

TEST(Dialog, ModalRunReturnsItsCodeAndReenablesTheOwner) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr));
    TestDialog dlg;
    dlg.endCodeOnTimer = 1234;
    const INT_PTR r = dlg.DoModal(owner.GetSafeHwnd());
    EXPECT_EQ(r, 1234);
    EXPECT_TRUE(dlg.initCalled);
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr) << "the dialog window is gone and unbound";
    EXPECT_TRUE(::IsWindowEnabled(owner.GetSafeHwnd()));
    // A second run of the same object works as the first.
    EXPECT_EQ(dlg.DoModal(owner.GetSafeHwnd()), 1234);
}

TEST(Dialog, OwnerIsDisabledWhileModal) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr));
    struct Probe : TestDialog {
        HWND owner = nullptr;
        BOOL enabledDuring = TRUE;
        BOOL OnInitDialog() override {
            enabledDuring = ::IsWindowEnabled(owner);
            EndDialog(5);
            return TRUE;
        }
    } dlg;
    dlg.owner = owner.GetSafeHwnd();
    EXPECT_EQ(dlg.DoModal(owner.GetSafeHwnd()), 5);
    EXPECT_FALSE(dlg.enabledDuring);
    EXPECT_TRUE(::IsWindowEnabled(owner.GetSafeHwnd()));
}

TEST(Dialog, PreTranslateSeesKeysFirstAndSwallowsEnterAndEscape) {
    KeyDialog dlg;
    dlg.toPost = {'A', VK_RETURN, VK_ESCAPE};
    EXPECT_EQ(dlg.DoModal(), 77) << "Enter and Esc were swallowed, so only the timer ended it";
    ASSERT_EQ(dlg.keysSeen.size(), 3u);
    EXPECT_EQ(dlg.keysSeen[0], WPARAM('A'));
    EXPECT_EQ(dlg.keysSeen[1], WPARAM(VK_RETURN));
    EXPECT_EQ(dlg.keysSeen[2], WPARAM(VK_ESCAPE));
    EXPECT_FALSE(dlg.okCalled);
}

TEST(Dialog, UnswallowedEscapeReachesTheDialogManager) {
    KeyDialog dlg;
    dlg.swallowEnterEsc = false;
    dlg.toPost = {VK_ESCAPE};
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(dlg.keysSeen.size(), 1u);
}

TEST(Dialog, SubclassedTemplateControlReceivesItsMessages) {
    struct D : TestDialog {
        LRESULT answer = 0;
        int clicksBeforeEnd = 0;
        BOOL OnInitDialog() override {
            TestDialog::OnInitDialog();
            HWND b = ::GetDlgItem(m_hWnd, 100);
            answer = ::SendMessageW(b, WM_APP + 5, 0, 0);
            ::SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            ::SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
            clicksBeforeEnd = button.clicks;
            EndDialog(1);
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(dlg.answer, 42);
    EXPECT_EQ(dlg.button.customs, 1);
    EXPECT_EQ(dlg.clicksBeforeEnd, 1);
    // The click reached the dialog as a command after going through the subclass.
    EXPECT_NE(std::find(dlg.commands.begin(), dlg.commands.end(), 100u), dlg.commands.end());
    EXPECT_EQ(dlg.button.GetSafeHwnd(), nullptr) << "binding cleared at WM_NCDESTROY";
}

TEST(Dialog, ModelessChildAndTopLevel) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr));
    CDialog child(kChildDialog);
    ASSERT_TRUE(child.Create(parent.GetSafeHwnd()));
    EXPECT_EQ(::GetParent(child.GetSafeHwnd()), parent.GetSafeHwnd());
    EXPECT_TRUE(::GetWindowLongW(child.GetSafeHwnd(), GWL_STYLE) & WS_CHILD);

    TestDialog top;
    ASSERT_TRUE(top.Create(nullptr));
    EXPECT_EQ(::GetParent(top.GetSafeHwnd()), nullptr);
    EXPECT_TRUE(top.initCalled);
    top.EndDialog(IDOK); // modeless: destroys
    EXPECT_EQ(top.GetSafeHwnd(), nullptr);
    child.DestroyWindow();
    EXPECT_EQ(child.GetSafeHwnd(), nullptr);
}

TEST(Wnd, OwnClassWindowGetsCreateAndDestroyAndUnbinds) {
    struct W : CWnd {
        int creates = 0, destroys = 0, ncdestroys = 0;
        LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == WM_CREATE) ++creates;
            return CWnd::WindowProc(msg, w, l);
        }
        void OnDestroy() override { ++destroys; }
        void PostNcDestroy() override { ++ncdestroys; }
    } w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, L"w", WS_POPUP, 0, 0, 10, 10, nullptr));
    HWND h = w.GetSafeHwnd();
    EXPECT_EQ(CWnd::FromHandle(h), &w);
    EXPECT_EQ(w.creates, 1);
    ::DestroyWindow(h);
    EXPECT_EQ(w.destroys, 1);
    EXPECT_EQ(w.ncdestroys, 1);
    EXPECT_EQ(w.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(::IsWindow(h));
}

TEST(Wnd, DestroyingTheObjectDestroysTheWindow) {
    HWND h = nullptr;
    {
        CWnd w;
        ASSERT_TRUE(w.CreateEx(0, L"STATIC", L"s", WS_POPUP, 0, 0, 10, 10, nullptr));
        h = w.GetSafeHwnd();
        EXPECT_TRUE(::IsWindow(h));
    }
    EXPECT_FALSE(::IsWindow(h));
}

TEST(OffscreenPaint, ExpectedPixelsReachTheWindow) {
    struct Painter : CWnd {
        LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == WM_ERASEBKGND) return 1;
            if (msg == WM_PAINT) {
                PaintDc pdc(m_hWnd);
                RECT rc;
                ::GetClientRect(m_hWnd, &rc);
                OffscreenDc mem(pdc.Get(), rc);
                EXPECT_TRUE(mem.IsOffscreen());
                UniqueBrush blue(::CreateSolidBrush(RGB(0, 0, 255)));
                UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
                ::FillRect(mem.Get(), &rc, blue.Get());
                RECT r{10, 10, 20, 20};
                ::FillRect(mem.Get(), &r, red.Get());
                return 0;
            }
            return CWnd::WindowProc(msg, w, l);
        }
    } w;
    ASSERT_TRUE(w.CreateEx(WS_EX_TOPMOST, nullptr, L"paint", WS_POPUP | WS_VISIBLE, 50, 50, 60, 40, nullptr));
    ::UpdateWindow(w.GetSafeHwnd());
    PumpUntil([] { return false; }, 200);
    ::RedrawWindow(w.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    WindowDc screen(nullptr);
    EXPECT_EQ(::GetPixel(screen.Get(), 50 + 15, 50 + 15), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(screen.Get(), 50 + 5, 50 + 5), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(screen.Get(), 50 + 55, 50 + 35), RGB(0, 0, 255));
}

TEST(OffscreenPaint, OffsetAreaDrawsInTargetCoordinates) {
    UniqueMemDc dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueBitmap target(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(target);
    SelectGuard sel(dc.Get(), target.Get());
    {
        RECT area{10, 10, 30, 30};
        OffscreenDc mem(dc.Get(), area);
        UniqueBrush green(::CreateSolidBrush(RGB(0, 255, 0)));
        RECT r{20, 20, 25, 25};
        ::FillRect(mem.Get(), &area, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::FillRect(mem.Get(), &r, green.Get());
        EXPECT_EQ(::GetPixel(dc.Get(), 22, 22), RGB(0, 0, 0)) << "nothing reaches the target before the copy";
    }
    EXPECT_EQ(::GetPixel(dc.Get(), 22, 22), RGB(0, 255, 0));
    EXPECT_EQ(::GetPixel(dc.Get(), 12, 12), RGB(0, 0, 0));
    EXPECT_EQ(::GetPixel(dc.Get(), 5, 5), RGB(0, 0, 0)) << "outside the area: untouched (zeroed DIB)";
}

TEST(PostResult, WorkerHandsAResultToTheWindowByPostedMessage) {
    constexpr UINT kResult = WM_APP + 9;
    struct Receiver : CWnd {
        std::unique_ptr<std::wstring> got;
        DWORD gotOnThread = 0;
        LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == kResult) {
                got = TakeResult<std::wstring>(l);
                gotOnThread = ::GetCurrentThreadId();
                return 0;
            }
            return CWnd::WindowProc(msg, w, l);
        }
    } r;
    ASSERT_TRUE(r.CreateEx(0, nullptr, L"r", WS_POPUP, 0, 0, 1, 1, nullptr));
    HWND target = r.GetSafeHwnd();
    std::thread worker([target] {
        PostResult(target, kResult, 0, std::make_unique<std::wstring>(L"done"));
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return r.got != nullptr; }));
    EXPECT_EQ(*r.got, L"done");
    EXPECT_EQ(r.gotOnThread, ::GetCurrentThreadId());
    EXPECT_FALSE(PostResult(nullptr, kResult, 0, std::make_unique<std::wstring>(L"lost"))) << "freed, not leaked";
    r.DestroyWindow();
    EXPECT_FALSE(PostResult(target, kResult, 0, std::make_unique<std::wstring>(L"gone")));
}
