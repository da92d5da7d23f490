// The owners release exactly once: nothing leaks, nothing is freed twice.
#include "toolkit/GdiPlus.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vt;

namespace {

struct CountingUnknown : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

} // namespace

TEST(Raii, GdiObjectsAreDeletedOnceAndMovesTransferOwnership) {
    HBRUSH raw = nullptr;
    {
        UniqueBrush a(::CreateSolidBrush(RGB(1, 2, 3)));
        raw = a.Get();
        ASSERT_NE(::GetObjectType(raw), 0u);
        UniqueBrush b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.Get(), raw);
        EXPECT_NE(::GetObjectType(raw), 0u) << "a move does not delete";
        UniqueBrush c;
        c = std::move(b);
        EXPECT_NE(::GetObjectType(raw), 0u);
    }
    EXPECT_EQ(::GetObjectType(raw), 0u) << "deleted when the last owner went";
}

TEST(Raii, RepeatedCreationLeavesNoGdiObjectBehind) {
    // Wine reports no GDI object count, so every handle made is checked one by one.
    std::vector<HGDIOBJ> objects;
    std::vector<HDC> dcs;
    for (int i = 0; i < 200; ++i) {
        UniqueMemDc dc(::CreateCompatibleDC(nullptr));
        UniqueBitmap bmp(::CreateCompatibleBitmap(dc.Get(), 16, 16));
        SelectGuard sel(dc.Get(), bmp.Get()); // put back before the bitmap goes
        UniqueFont font(::CreateFontW(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"));
        SelectGuard selFont(dc.Get(), font.Get());
        CImage img;
        ASSERT_EQ(LoadImageResource(img, L"", 501), 1);
        std::vector<UniquePen> pens;
        for (int k = 0; k < 5; ++k) pens.emplace_back(::CreatePen(PS_SOLID, 1, RGB(k, 0, 0)));
        for (auto& p : pens) objects.push_back(p.Get());
        objects.push_back(bmp.Get());
        objects.push_back(font.Get());
        objects.push_back(img.GetBitmap());
        dcs.push_back(dc.Get());
    }
    for (HGDIOBJ o : objects) ASSERT_EQ(::GetObjectType(o), 0u) << "still alive: " << o;
    for (HDC d : dcs) ASSERT_EQ(::GetObjectType(d), 0u);
}

namespace {
int g_closes = 0;
struct CountingTraits {
    using Handle = int;
    static int Null() noexcept { return 0; }
    static bool Valid(int h) noexcept { return h != 0; }
    static void Close(int) noexcept { ++g_closes; }
};
} // namespace

TEST(Raii, OwnerClosesExactlyOnceThroughMovesAndResets) {
    g_closes = 0;
    {
        UniqueHandle<CountingTraits> a(7);
        UniqueHandle<CountingTraits> b(std::move(a));
        UniqueHandle<CountingTraits> c;
        c = std::move(b);
        c = std::move(c); // self-move keeps the handle
        EXPECT_EQ(c.Get(), 7);
        EXPECT_EQ(g_closes, 0);
        c.Reset(8);
        EXPECT_EQ(g_closes, 1);
        int released = c.Release();
        EXPECT_EQ(released, 8);
    }
    EXPECT_EQ(g_closes, 1) << "a released handle is the caller's";
}

TEST(Raii, SelectGuardPutsThePreviousObjectBack) {
    UniqueMemDc dc(::CreateCompatibleDC(nullptr));
    HGDIOBJ original = ::GetCurrentObject(dc.Get(), OBJ_BRUSH);
    UniqueBrush brush(::CreateSolidBrush(RGB(9, 9, 9)));
    {
        SelectGuard sel(dc.Get(), brush.Get());
        EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), brush.Get());
    }
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), original);
}

TEST(Raii, KernelAndFindHandlesCloseOnce) {
    HANDLE raw = nullptr;
    {
        UniqueKernelHandle ev(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        raw = ev.Get();
        DWORD flags = 0;
        EXPECT_TRUE(::GetHandleInformation(raw, &flags));
        UniqueKernelHandle moved = std::move(ev);
        EXPECT_TRUE(::GetHandleInformation(raw, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));

    UniqueKernelHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid) << "CreateFile's failure value is not a handle to close";
    UniqueFindHandle none;
    EXPECT_FALSE(none);
    WIN32_FIND_DATAW fd;
    UniqueFindHandle find(::FindFirstFileW(L"C:\\windows\\*", &fd));
    EXPECT_TRUE(find);
}

TEST(Raii, WindowsDcsHooksAndModulesAreReleased) {
    HWND raw = nullptr;
    {
        UniqueHwnd wnd(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 4, 4, nullptr, nullptr, nullptr, nullptr));
        raw = wnd.Get();
        EXPECT_TRUE(::IsWindow(raw));
        WindowDc dc(raw);
        EXPECT_TRUE(dc);
        WindowDc moved = std::move(dc);
        EXPECT_FALSE(dc);
        EXPECT_TRUE(moved);
    }
    EXPECT_FALSE(::IsWindow(raw));

    UniqueModule mod(::LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    EXPECT_TRUE(mod);
    UniqueHook hook(::SetWindowsHookExW(WH_CALLWNDPROC, [](int c, WPARAM w, LPARAM l) {
        return ::CallNextHookEx(nullptr, c, w, l);
    }, nullptr, ::GetCurrentThreadId()));
    EXPECT_TRUE(hook);
    hook.Reset();
    EXPECT_FALSE(hook);
}

TEST(Raii, ComPtrBalancesReferences) {
    CountingUnknown obj;
    {
        auto p = ComPtr<IUnknown>::Attach(&obj);
        EXPECT_EQ(obj.refs, 1);
        ComPtr<IUnknown> copy = p;
        EXPECT_EQ(obj.refs, 2);
        ComPtr<IUnknown> moved = std::move(copy);
        EXPECT_EQ(obj.refs, 2);
        moved.Reset();
        EXPECT_EQ(obj.refs, 1);
    }
    EXPECT_EQ(obj.refs, 0);
}
