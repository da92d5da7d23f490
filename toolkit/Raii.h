// Move-only owners for Win32 handles, GDI objects and COM pointers.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <utility>

namespace vt {

// Generic owner: Traits supplies the null value and how to release.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : m_h(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return Traits::Valid(m_h); }
    Handle Release() noexcept { return std::exchange(m_h, Traits::Null()); }
    void Reset(Handle h = Traits::Null()) noexcept {
        Handle old = std::exchange(m_h, h);
        if (Traits::Valid(old)) Traits::Close(old);
    }
    // For APIs that return the handle through an out pointer.
    Handle* Put() noexcept { Reset(); return &m_h; }

private:
    Handle m_h = Traits::Null();
};

template <typename H, typename Closer>
struct SimpleTraits {
    using Handle = H;
    static constexpr H Null() noexcept { return nullptr; }
    static bool Valid(H h) noexcept { return h != nullptr; }
    static void Close(H h) noexcept { Closer{}(h); }
};

struct CloseKernel { void operator()(HANDLE h) const noexcept { ::CloseHandle(h); } };
struct KernelTraits {
    using Handle = HANDLE;
    static HANDLE Null() noexcept { return nullptr; }
    // CreateFile reports failure as INVALID_HANDLE_VALUE, most others as null.
    static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindTraits {
    using Handle = HANDLE;
    static HANDLE Null() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct DestroyWnd { void operator()(HWND h) const noexcept { ::DestroyWindow(h); } };
struct DeleteDc { void operator()(HDC h) const noexcept { ::DeleteDC(h); } };
struct DeleteGdi { void operator()(HGDIOBJ h) const noexcept { ::DeleteObject(h); } };
struct FreeLib { void operator()(HMODULE h) const noexcept { ::FreeLibrary(h); } };
struct Unhook { void operator()(HHOOK h) const noexcept { ::UnhookWindowsHookEx(h); } };
struct DestroyMenuF { void operator()(HMENU h) const noexcept { ::DestroyMenu(h); } };
struct DestroyIconF { void operator()(HICON h) const noexcept { ::DestroyIcon(h); } };
struct GlobalFreeF { void operator()(HGLOBAL h) const noexcept { ::GlobalFree(h); } };
struct CloseRegKey { void operator()(HKEY h) const noexcept { ::RegCloseKey(h); } };

using UniqueKernelHandle = UniqueHandle<KernelTraits>;
using UniqueFindHandle = UniqueHandle<FindTraits>;
using UniqueHwnd = UniqueHandle<SimpleTraits<HWND, DestroyWnd>>;
using UniqueMemDc = UniqueHandle<SimpleTraits<HDC, DeleteDc>>;
using UniqueModule = UniqueHandle<SimpleTraits<HMODULE, FreeLib>>;
using UniqueHook = UniqueHandle<SimpleTraits<HHOOK, Unhook>>;
using UniqueMenu = UniqueHandle<SimpleTraits<HMENU, DestroyMenuF>>;
using UniqueIcon = UniqueHandle<SimpleTraits<HICON, DestroyIconF>>;
using UniqueHGlobal = UniqueHandle<SimpleTraits<HGLOBAL, GlobalFreeF>>;
using UniqueRegKey = UniqueHandle<SimpleTraits<HKEY, CloseRegKey>>;

// Any GDI object (pen, brush, font, bitmap, region); typed so callers keep the handle type.
template <typename T>
using UniqueGdi = UniqueHandle<SimpleTraits<T, DeleteGdi>>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniquePen = UniqueGdi<HPEN>;
using UniqueRgn = UniqueGdi<HRGN>;

// A window's device context: remembers the window it must be released to.
class WindowDc {
public:
    WindowDc() noexcept = default;
    explicit WindowDc(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDc() { Reset(); }
    WindowDc(WindowDc&& o) noexcept
        : m_hwnd(std::exchange(o.m_hwnd, nullptr)), m_dc(std::exchange(o.m_dc, nullptr)) {}
    WindowDc& operator=(WindowDc&& o) noexcept {
        if (this != &o) {
            Reset();
            m_hwnd = std::exchange(o.m_hwnd, nullptr);
            m_dc = std::exchange(o.m_dc, nullptr);
        }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }
    void Reset() noexcept {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
        m_dc = nullptr;
        m_hwnd = nullptr;
    }

private:
    HWND m_hwnd = nullptr;
    HDC m_dc = nullptr;
};

// BeginPaint/EndPaint pair.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) noexcept : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~PaintDc() { ::EndPaint(m_hwnd, &m_ps); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const noexcept { return m_dc; }
    const PAINTSTRUCT& Info() const noexcept { return m_ps; }

private:
    HWND m_hwnd;
    HDC m_dc = nullptr;
    PAINTSTRUCT m_ps{};
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
public:
    SelectGuard() noexcept = default;
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() { Reset(); }
    SelectGuard(SelectGuard&& o) noexcept
        : m_dc(std::exchange(o.m_dc, nullptr)), m_old(std::exchange(o.m_old, nullptr)) {}
    SelectGuard& operator=(SelectGuard&& o) noexcept {
        if (this != &o) {
            Reset();
            m_dc = std::exchange(o.m_dc, nullptr);
            m_old = std::exchange(o.m_old, nullptr);
        }
        return *this;
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    void Reset() noexcept {
        if (m_dc && m_old) ::SelectObject(m_dc, m_old);
        m_dc = nullptr;
        m_old = nullptr;
    }

private:
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

// Runs a function when the scope ends (or earlier, once, through Run).
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept : m_f(std::move(f)) {}
    ~ScopeExit() { Run(); }
    ScopeExit(ScopeExit&& o) noexcept : m_f(std::move(o.m_f)), m_armed(std::exchange(o.m_armed, false)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ScopeExit& operator=(ScopeExit&&) = delete;
    void Run() noexcept {
        if (std::exchange(m_armed, false)) m_f();
    }
    void Release() noexcept { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};
template <typename F>
ScopeExit<F> MakeScopeExit(F f) noexcept { return ScopeExit<F>(std::move(f)); }

// Saves a DC's state (selected objects, colours, modes, origins) and restores it.
class DcState {
public:
    explicit DcState(HDC dc) noexcept : m_dc(dc), m_saved(dc ? ::SaveDC(dc) : 0) {}
    ~DcState() { if (m_saved) ::RestoreDC(m_dc, m_saved); }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    HDC m_dc;
    int m_saved;
};

// COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes over a reference the caller already holds.
    static ComPtr Attach(T* p) noexcept { ComPtr c; c.m_p = p; return c; }
    ComPtr(const ComPtr& o) noexcept : m_p(o.m_p) { if (m_p) m_p->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr& operator=(const ComPtr& o) noexcept {
        if (this != &o) { if (o.m_p) o.m_p->AddRef(); Reset(); m_p = o.m_p; }
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) { Reset(); m_p = std::exchange(o.m_p, nullptr); }
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    T** Put() noexcept { Reset(); return &m_p; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    void Reset() noexcept { if (T* p = std::exchange(m_p, nullptr)) p->Release(); }

    template <typename U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const noexcept {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(iid, out.PutVoid());
    }

private:
    T* m_p = nullptr;
};

// CoInitialize / CoUninitialize on one thread.
class ComInit {
public:
    explicit ComInit(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : m_hr(::CoInitializeEx(nullptr, model)) {}
    ~ComInit() { if (SUCCEEDED(m_hr)) ::CoUninitialize(); }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    HRESULT Result() const noexcept { return m_hr; }

private:
    HRESULT m_hr;
};

} // namespace vt
