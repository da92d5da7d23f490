// Program entry. The main window is not part of this build yet: the start-up steps
// that exist run, and a plain window says what is there.
#include "config/Language.h"
#include "config/Settings.h"
#include "devices/DeviceLibrary.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/Paths.h"
#include "toolkit/Wnd.h"

#include <commctrl.h>
#include <string>

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
            std::wstring text = L"Vistrel 1.0: the main window is not built yet.\n\nLanguage files found: " +
                                std::to_wstring(LanguageList().size()) + L"\nIn force: " +
                                std::to_wstring(CurrentLanguageId()) + L" (" + LoadLanguageText(L"ID_APP_NAME") + L")" +
                                L"\nCameras: " + std::to_wstring(m_cameras);
            rc.top += 30;
            ::DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_NOPREFIX);
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

    const std::wstring languageFolder = EnsureLanguageFolder(vt::ProgramFolder());
    BuildLanguageList(languageFolder);
    RecorderSettings settings{};
    LoadSettings(settings, nullptr);
    SelectLanguageFile(settings.nLanguage);

    CPlaceholderWnd wnd;
    wnd.m_cameras = apiCameraGetCount();
    if (!wnd.CreateEx({.title = L"Vistrel", .style = WS_OVERLAPPEDWINDOW, .rect = vt::RectXYWH(100, 100, 420, 160)}))
        return 1;
    ::ShowWindow(wnd.GetSafeHwnd(), show);
    return vt::RunMessageLoop();
}
