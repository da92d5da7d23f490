#include "RegionTestUtil.h"

#include "toolkit/Raii.h"

#include <string>

namespace rt {

void PumpFor(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        vt::PumpPending();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!done()) {
        if (::GetTickCount64() >= end) return done();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        vt::PumpPending();
    }
    return true;
}

namespace {

void SendMouse(DWORD flags, int x, int y) {
    const int W = ::GetSystemMetrics(SM_CXSCREEN), H = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Rounded up: the system scales back down and truncates.
    in.mi.dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + W - 1) / W);
    in.mi.dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + H - 1) / H);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
    // Moves not pumped one by one would be merged into one.
    PumpFor(15);
}

} // namespace

void MoveMouse(int x, int y) { SendMouse(0, x, y); }
void LeftDown(int x, int y) { SendMouse(MOUSEEVENTF_LEFTDOWN, x, y); }
void LeftUp(int x, int y) { SendMouse(MOUSEEVENTF_LEFTUP, x, y); }
void RightClick(int x, int y) {
    SendMouse(MOUSEEVENTF_RIGHTDOWN, x, y);
    SendMouse(MOUSEEVENTF_RIGHTUP, x, y);
}

void Drag(POINT from, POINT to, int steps) {
    LeftDown(from.x, from.y);
    for (int i = 1; i <= steps; ++i)
        MoveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    LeftUp(to.x, to.y);
}

void PressKey(WORD vk) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
    PumpFor(30);
}

DWORD ScreenPixel(int x, int y) {
    PumpFor(60);
    vt::WindowDc screen(nullptr);
    const COLORREF c = ::GetPixel(screen.Get(), x, y);
    return (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
}

vt::CImage Screen() {
    PumpFor(60);
    const int W = ::GetSystemMetrics(SM_CXSCREEN), H = ::GetSystemMetrics(SM_CYSCREEN);
    vt::CImage shot;
    if (!shot.Create(W, H, 32)) return shot;
    vt::WindowDc screen(nullptr);
    vt::UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
    vt::SelectGuard sel(mem.Get(), shot.GetBitmap());
    ::BitBlt(mem.Get(), 0, 0, W, H, screen.Get(), 0, 0, SRCCOPY);
    ::GdiFlush();
    return shot;
}

vt::CImage CodedScreenshot(int W, int H) {
    vt::CImage image;
    if (!image.Create(W, H, 32)) return image;
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<DWORD*>(image.GetBits() + static_cast<size_t>(y) * image.GetPitch());
        for (int x = 0; x < W; ++x) row[x] = CodedPixel(x, y);
    }
    return image;
}

void SaveScreenForReview(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"VISTREL_REVIEW_DIR", dir, MAX_PATH) || !dir[0]) return;
    PumpFor(100);
    const int W = ::GetSystemMetrics(SM_CXSCREEN), H = ::GetSystemMetrics(SM_CYSCREEN);
    vt::CImage shot;
    if (!shot.Create(W, H, 24)) return;
    {
        vt::WindowDc screen(nullptr);
        vt::UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
        vt::SelectGuard sel(mem.Get(), shot.GetBitmap());
        ::BitBlt(mem.Get(), 0, 0, W, H, screen.Get(), 0, 0, SRCCOPY);
    }
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof(ih);
    ih.biWidth = W;
    ih.biHeight = -H;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    const DWORD bytes = static_cast<DWORD>(shot.GetPitch()) * H;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + bytes;
    const std::wstring path = std::wstring(dir) + L"\\" + name + L".bmp";
    vt::UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!f) return;
    DWORD written = 0;
    ::WriteFile(f.Get(), &fh, sizeof(fh), &written, nullptr);
    ::WriteFile(f.Get(), &ih, sizeof(ih), &written, nullptr);
    ::WriteFile(f.Get(), shot.GetBits(), bytes, &written, nullptr);
}

ColourWindow::ColourWindow(COLORREF c, const RECT& rect, HWND parent, DWORD style, DWORD exStyle) : colour(c) {
    CreateEx({.style = style, .exStyle = exStyle, .rect = rect, .parent = parent});
}

bool ColourWindow::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::UniqueBrush brush(::CreateSolidBrush(colour));
    ::FillRect(pdc.Get(), &rc, brush.Get());
    return true;
}

} // namespace rt
