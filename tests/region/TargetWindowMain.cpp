// A window to pick in the end-to-end check: a plain popup of one colour at the rectangle
// given, for the seconds given. Usage: region_target.exe left top width height seconds
#include <windows.h>

#include <cwchar>

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        HBRUSH b = ::CreateSolidBrush(RGB(255, 160, 0));
        ::FillRect(dc, &ps.rcPaint, b);
        ::DeleteObject(b);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 6) return 2;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RegionTarget";
    ::RegisterClassW(&wc);
    HWND w = ::CreateWindowExW(0, wc.lpszClassName, L"Region target", WS_POPUP | WS_VISIBLE, _wtoi(argv[1]),
                               _wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), nullptr, nullptr, wc.hInstance, nullptr);
    if (!w) return 1;
    ::SetTimer(nullptr, 0, static_cast<UINT>(_wtoi(argv[5]) * 1000), nullptr);
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0)) {
        if (m.message == WM_TIMER && !m.hwnd) break;
        ::DispatchMessageW(&m);
    }
    return 0;
}
