#include "SkinTestUtil.h"

#include "toolkit/GdiPlus.h"
#include "toolkit/Raii.h"
#include "toolkit/SkinControls.h"

#include <memory>

namespace {

// One top-level window for the whole run: creating and destroying top-level windows
// costs Wine a wait for the X server each time, child windows do not.
HWND Host() {
    static vt::CWnd host;
    // Once in a while the display is not ready for the first window yet.
    for (int attempt = 0; attempt < 5 && !host; ++attempt) {
        if (!host.CreateEx({.title = L"skin tests", .style = WS_POPUP | WS_VISIBLE, .exStyle = WS_EX_TOOLWINDOW,
                            .rect = vt::RectXYWH(20, 20, 400, 300)}))
            ::Sleep(200);
    }
    return host.GetSafeHwnd();
}

} // namespace

TestParent::TestParent(COLORREF c, int cx, int cy) : colour(c) {
    CreateEx({.title = L"skin test", .style = WS_CHILD | WS_VISIBLE, .rect = vt::RectXYWH(0, 0, cx, cy),
              .parent = Host()});
    ::UpdateWindow(m_hWnd);
}

TestParent::~TestParent() {
    DestroyWindow();
    Pump();
}

LRESULT TestParent::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        vt::UniqueBrush brush(::CreateSolidBrush(colour));
        ::FillRect(reinterpret_cast<HDC>(wParam), &rc, brush.Get());
        return 1;
    }
    case WM_PAINT: {
        vt::PaintDc dc(m_hWnd);
        return 0;
    }
    case WM_SKIN_SLIDER_CHANGED:
        notices.push_back({wParam, reinterpret_cast<HWND>(lParam)});
        return 0;
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}

void Pump() {
    for (int round = 0; round < 3; ++round) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!vt::CWnd::PreTranslateChain(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        ::Sleep(5);
    }
}

COLORREF PixelAt(HWND hwnd, int x, int y) {
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    vt::WindowDc dc(hwnd);
    return ::GetPixel(dc.Get(), x, y) & 0xFFFFFF;
}

namespace {

std::wstring TempPath(const std::wstring& name) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"vistrel_skin_" + name;
}

bool SavePng(Gdiplus::Bitmap& bmp, const std::wstring& path) {
    // The PNG encoder of GDI+.
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    return bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

} // namespace

std::wstring WriteStrip(const std::wstring& name, int frameWidth, int height, const std::vector<unsigned>& frames) {
    const int w = frameWidth * static_cast<int>(frames.size());
    Gdiplus::Bitmap bmp(w, height, PixelFormat32bppARGB);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < height; ++y) bmp.SetPixel(x, y, Gdiplus::Color(frames[static_cast<size_t>(x / frameWidth)]));
    const std::wstring path = TempPath(name);
    return SavePng(bmp, path) ? path : std::wstring();
}

std::wstring WritePicture(const std::wstring& name, int width, int height, unsigned (*pixel)(int x, int y)) {
    Gdiplus::Bitmap bmp(width, height, PixelFormat32bppARGB);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) bmp.SetPixel(x, y, Gdiplus::Color(pixel(x, y)));
    const std::wstring path = TempPath(name);
    return SavePng(bmp, path) ? path : std::wstring();
}
