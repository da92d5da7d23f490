// Program entry. The main window is not part of this build yet: a plain window
// says so, so that the start-up path and the framework run end to end.
#include "devices/DeviceLibrary.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/Wnd.h"

#include <commctrl.h>

namespace {

class CPlaceholderWnd : public vt::CWnd {
public:
    int m_cameras = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(m_hWnd, &ps);
            RECT rc;
            ::GetClientRect(m_hWnd, &rc);
            ::FillRect(dc, &rc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
            ::SetBkMode(dc, TRANSPARENT);
            wchar_t text[96];
            ::wsprintfW(text, L"Vistrel 1.0: the main window is not built yet. Cameras: %d", m_cameras);
            ::DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            ::EndPaint(m_hWnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return CWnd::WindowProc(msg, wParam, lParam);
        }
    }
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    vt::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);

    CPlaceholderWnd wnd;
    wnd.m_cameras = apiCameraGetCount();
    if (!wnd.CreateEx(0, nullptr, L"Vistrel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 420, 160, nullptr))
        return 1;
    ::ShowWindow(wnd.GetSafeHwnd(), show);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
