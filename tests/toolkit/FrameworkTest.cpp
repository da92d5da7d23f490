// The window framework on real windows: modal loops, the pre-translate hook,
// subclassed template controls, off-screen painting.
#include "toolkit/Dialog.h"
#include "toolkit/Layered.h"
#include "toolkit/MessageHook.h"
#include "toolkit/Timer.h"

#include <commctrl.h>
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
    bool OnTimer(UINT_PTR id) override {
        if (id != kEndTimer) return false;
        ::KillTimer(m_hWnd, kEndTimer);
        EndDialog(endCodeOnTimer);
        return true;
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
    bool OnTimer(UINT_PTR id) override {
        if (id != kEndTimer) return false;
        ::KillTimer(m_hWnd, kEndTimer);
        EndDialog(77);
        return true;
    }
};

} // namespace

TEST(Dialog, ModalRunReturnsItsCodeAndReenablesTheOwner) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx({.title = L"owner", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, .rect = {0, 0, 200, 100}}));
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
    ASSERT_TRUE(owner.CreateEx({.title = L"owner", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, .rect = {0, 0, 200, 100}}));
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
    ASSERT_TRUE(parent.CreateEx({.title = L"parent", .style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, .rect = {0, 0, 300, 200}}));
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
    ASSERT_TRUE(w.CreateEx({.title = L"w", .rect = {0, 0, 10, 10}}));
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
        ASSERT_TRUE(w.CreateEx({.className = L"STATIC", .title = L"s", .rect = {0, 0, 10, 10}}));
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
    ASSERT_TRUE(w.CreateEx({.title = L"paint", .style = WS_POPUP | WS_VISIBLE, .exStyle = WS_EX_TOPMOST,
                            .rect = RectXYWH(50, 50, 60, 40)}));
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

// ------------------------------------------------------------------ framework faults

TEST(Wnd, BoundWindowStillGetsTimersItDoesNotHandle) {
    // A class of its own that counts its timers, as controls with caret or animation do.
    static int classTicks = 0;
    classTicks = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_TIMER) ++classTicks;
        return ::DefWindowProcW(h, m, w, l);
    };
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TimerCountingClass";
    ::RegisterClassW(&wc);
    struct Bound : CWnd {
        int mine = 0;
        bool OnTimer(UINT_PTR id) override {
            if (id != 2) return false;
            ++mine;
            return true;
        }
    } w;
    ASSERT_TRUE(w.CreateEx({.className = L"TimerCountingClass", .rect = {0, 0, 10, 10}}));
    CTimer other, mine;
    ASSERT_TRUE(other.Start(w.GetSafeHwnd(), 1, 20));
    ASSERT_TRUE(mine.Start(w.GetSafeHwnd(), 2, 20));
    EXPECT_TRUE(PumpUntil([&] { return classTicks >= 2 && w.mine >= 2; }, 2000));
    mine.Stop();
    const int handled = w.mine;
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(w.mine, handled) << "a stopped timer no longer ticks";
}

TEST(Dialog, ModalLoopEndsWhenTheDialogIsDestroyedFromOutside) {
    TestDialog dlg;
    struct Killer : CWnd {
        CDialog* target = nullptr;
        bool OnTimer(UINT_PTR id) override {
            ::KillTimer(m_hWnd, id);
            if (id == 1) ::DestroyWindow(target->GetSafeHwnd());
            else ::PostQuitMessage(0); // watchdog: a loop that missed it fails instead of hanging
            return true;
        }
    } killer;
    killer.target = &dlg;
    ASSERT_TRUE(killer.CreateEx({.rect = {0, 0, 1, 1}}));
    ::SetTimer(killer.GetSafeHwnd(), 1, 100, nullptr);
    ::SetTimer(killer.GetSafeHwnd(), 2, 3000, nullptr);
    const DWORD start = ::GetTickCount();
    dlg.DoModal();
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

namespace {
struct Counted {
    static inline int alive = 0;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};
using CountedMsg = ResultMsg<WM_APP + 9, Counted>;
} // namespace

TEST(PostResult, ResultsReachTheWindowAndThoseLeftQueuedAreFreedWithIt) {
    struct Receiver : CWnd {
        std::unique_ptr<Counted> got;
        DWORD gotOnThread = 0;
        LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == CountedMsg::kId) {
                got = CountedMsg::Take(l);
                gotOnThread = ::GetCurrentThreadId();
                return 0;
            }
            return CWnd::WindowProc(msg, w, l);
        }
    } r;
    ASSERT_TRUE(r.CreateEx({.rect = {0, 0, 1, 1}}));
    HWND target = r.GetSafeHwnd();
    std::thread([target] { CountedMsg::Post(target, std::make_unique<Counted>()); }).join();
    ASSERT_TRUE(PumpUntil([&] { return r.got != nullptr; }));
    EXPECT_EQ(r.gotOnThread, ::GetCurrentThreadId());
    r.got.reset();
    EXPECT_EQ(Counted::alive, 0);

    // Queued but never handled: freed when the window goes, by destruction or by the
    // owner deleting the object.
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(CountedMsg::Post(target, std::make_unique<Counted>()));
    EXPECT_EQ(Counted::alive, 5);
    r.DestroyWindow();
    EXPECT_EQ(Counted::alive, 0);
    {
        Receiver held;
        ASSERT_TRUE(held.CreateEx({.rect = {0, 0, 1, 1}}));
        for (int i = 0; i < 3; ++i) CountedMsg::Post(held.GetSafeHwnd(), std::make_unique<Counted>());
    }
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_FALSE(CountedMsg::Post(target, std::make_unique<Counted>())) << "window gone";
    EXPECT_FALSE(CountedMsg::Post(nullptr, std::make_unique<Counted>()));
    EXPECT_EQ(Counted::alive, 0);
}

// ------------------------------------------------------------------ lifetime of modeless windows

TEST(Wnd, DestroyRequestWaitsForRunningHandlersAndSelfOwnedObjectsGoAfterNcDestroy) {
    static int deleted = 0;
    deleted = 0;
    struct SelfOwned : CWnd {
        bool destroyedInside = false;
        ~SelfOwned() override { ++deleted; }
        bool OnCommand(WPARAM, LPARAM) override {
            // Ask to go, then run a nested loop as a message box would.
            PostDestroy();
            PumpUntil([] { return false; }, 150);
            destroyedInside = !::IsWindow(m_hWnd);
            EXPECT_FALSE(destroyedInside) << "not while a handler of its own runs";
            return true;
        }
    };
    auto* w = new SelfOwned;
    w->SetAutoDelete();
    ASSERT_TRUE(w->CreateEx({.rect = {0, 0, 10, 10}}));
    HWND h = w->GetSafeHwnd();
    ::SendMessageW(h, WM_COMMAND, 1, 0);
    EXPECT_TRUE(::IsWindow(h));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(h); }, 1000));
    EXPECT_EQ(deleted, 1);
}

TEST(Wnd, RegisteredClassBindsAtNcCreateAndChildNotificationsAreReflected) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpszClassName = L"FrameworkTestOwnClass";
    ASSERT_TRUE(RegisterWindowClass(wc));
    ASSERT_TRUE(RegisterWindowClass(wc)) << "registering twice is fine";
    struct Child : CWnd {
        std::vector<UINT> reflected;
        bool OnChildNotify(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
            reflected.push_back(msg);
            *result = 0;
            return true;
        }
    };
    struct Parent : CWnd {
        std::vector<UINT> early;
        LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == WM_NCCREATE || msg == WM_CREATE) early.push_back(msg);
            return CWnd::WindowProc(msg, w, l);
        }
    } parent;
    ASSERT_TRUE(parent.CreateEx({.className = L"FrameworkTestOwnClass", .rect = {0, 0, 100, 100}}));
    ASSERT_EQ(parent.early.size(), 2u);
    EXPECT_EQ(parent.early[0], UINT(WM_NCCREATE));
    Child child;
    ASSERT_TRUE(child.CreateEx({.className = L"STATIC", .style = WS_CHILD, .rect = {0, 0, 10, 10},
                                .parent = parent.GetSafeHwnd(), .id = 55}));
    HWND p = parent.GetSafeHwnd(), c = child.GetSafeHwnd();
    NMHDR nm{c, 55, NM_CLICK};
    ::SendMessageW(p, WM_NOTIFY, 55, reinterpret_cast<LPARAM>(&nm));
    ::SendMessageW(p, WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(c));
    MEASUREITEMSTRUCT mis{ODT_LISTBOX, 55};
    ::SendMessageW(p, WM_MEASUREITEM, 55, reinterpret_cast<LPARAM>(&mis));
    MEASUREITEMSTRUCT menu{ODT_MENU, 55};
    ::SendMessageW(p, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&menu));
    EXPECT_EQ(child.reflected, (std::vector<UINT>{WM_NOTIFY, WM_HSCROLL, WM_MEASUREITEM}))
        << "a menu's measure stays with its owner";
}

TEST(MessageHook, HooksAndTheBindingComeAndGoInAnyOrder) {
    struct W : CWnd {
        int seen = 0;
        LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == WM_APP + 1) ++seen;
            return CWnd::WindowProc(msg, w, l);
        }
    } w;
    ASSERT_TRUE(w.CreateEx({.rect = {0, 0, 10, 10}}));
    HWND h = w.GetSafeHwnd();
    int a = 0, b = 0;
    MessageHook hookA, hookB;
    ASSERT_TRUE(hookA.Install(h, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) { a += m == WM_APP + 1; return false; }));
    ASSERT_TRUE(hookB.Install(h, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_APP + 2) return false;
        ++b;
        *r = 7;
        return true;
    }));
    ::SendMessageW(h, WM_APP + 1, 0, 0);
    EXPECT_EQ(::SendMessageW(h, WM_APP + 2, 0, 0), 7);
    hookA.Remove(); // the first one added goes first
    ::SendMessageW(h, WM_APP + 1, 0, 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(w.seen, 2) << "the binding below the hooks still sees everything passed on";
    w.Detach(); // the binding goes before the remaining hook
    EXPECT_EQ(::SendMessageW(h, WM_APP + 2, 0, 0), 7);
    ::DestroyWindow(h);
    EXPECT_EQ(hookB.Window(), nullptr) << "a hook ends with its window";
}

TEST(Layered, ColourKeyShowsWhatIsBelowAndRegionsBelongToTheSystemOnceSet) {
    struct Solid : CWnd {
        COLORREF colour = 0;
        bool OnEraseBkgnd(HDC dc) override {
            RECT rc;
            ::GetClientRect(m_hWnd, &rc);
            UniqueBrush b(::CreateSolidBrush(colour));
            ::FillRect(dc, &rc, b.Get());
            return true;
        }
    };
    Solid below, above;
    below.colour = RGB(0, 200, 0);
    above.colour = RGB(255, 0, 255);
    ASSERT_TRUE(below.CreateEx({.style = WS_POPUP | WS_VISIBLE, .exStyle = WS_EX_TOPMOST, .rect = {300, 300, 400, 400}}));
    ASSERT_TRUE(above.CreateEx({.style = WS_POPUP, .exStyle = WS_EX_TOPMOST, .rect = {300, 300, 400, 400}}));
    ASSERT_TRUE(SetColorKey(above.GetSafeHwnd(), RGB(255, 0, 255)));
    ::ShowWindow(above.GetSafeHwnd(), SW_SHOWNA);
    ::UpdateWindow(below.GetSafeHwnd());
    ::UpdateWindow(above.GetSafeHwnd());
    PumpUntil([] { return false; }, 200);
    WindowDc screen(nullptr);
    EXPECT_EQ(::GetPixel(screen.Get(), 350, 350), RGB(0, 200, 0)) << "the key colour is a hole";

    UniqueRgn rgn(::CreateRectRgn(0, 0, 50, 50));
    ASSERT_TRUE(SetWindowRegion(below.GetSafeHwnd(), rgn));
    EXPECT_FALSE(rgn) << "the system owns it now";
    UniqueRgn check(::CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(::GetWindowRgn(below.GetSafeHwnd(), check.Get()), SIMPLEREGION);
    UniqueRgn kept(::CreateRectRgn(0, 0, 5, 5));
    EXPECT_FALSE(SetWindowRegion(nullptr, kept));
    EXPECT_TRUE(kept) << "a failed set leaves the region with its owner";
}
