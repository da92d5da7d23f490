// Looks at the program's windows from outside, for the end-to-end check:
//   program_probe windows [all]      one line per window of interest (all: every top-level
//                                    window of the program's processes):
//       hwnd|class|title|owner|left,top,right,bottom|visible|iconic|box text|time|size|file name|
//       record enabled|stop enabled|player's file title
//   program_probe post <hwnd> <message> <wParam>
//   program_probe tray               "x y visible": where the first icon of Wine's tray sits
//   program_probe text <hwnd> <control id>   the control's text, on one line
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// Processes showing the main window, when every window of theirs is of interest.
DWORD g_programs[16];
int g_programCount = 0;

BOOL CALLBACK FindPrograms(HWND hwnd, LPARAM) {
    wchar_t title[64] = {};
    ::InternalGetWindowText(hwnd, title, 64);
    if (lstrcmpW(title, L"Tarn Video Recorder") == 0 && g_programCount < 16)
        ::GetWindowThreadProcessId(hwnd, &g_programs[g_programCount++]);
    return TRUE;
}

bool OfProgram(HWND hwnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    for (int i = 0; i < g_programCount; ++i)
        if (g_programs[i] == pid) return true;
    return false;
}

// Never waits long for a window of a process that is busy (starting, or in a modal step).
std::wstring Text(HWND hwnd) {
    wchar_t buffer[2048] = {};
    DWORD_PTR length = 0;
    if (hwnd)
        ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 1000,
                              &length);
    std::wstring s = buffer;
    for (wchar_t& c : s)
        if (c == L'\n' || c == L'\r' || c == L'|') c = L' ';
    return s;
}

// UTF-8, as one line.
void PrintLine(const std::wstring& line) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    std::printf("%s\n", utf8.c_str());
}

// The settings window and the message boxes: owned by the main window.
bool OwnedByMainWindow(HWND hwnd) {
    wchar_t title[64] = {};
    if (HWND owner = ::GetWindow(hwnd, GW_OWNER)) ::InternalGetWindowText(owner, title, 64);
    return lstrcmpW(title, L"Tarn Video Recorder") == 0;
}

BOOL CALLBACK Print(HWND hwnd, LPARAM) {
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    wchar_t titleBuffer[256] = {};
    ::InternalGetWindowText(hwnd, titleBuffer, 256);
    const std::wstring title = titleBuffer;
    // The player window: its control (1054) and its file title (1064).
    const bool player = ::GetDlgItem(hwnd, 1054) && ::GetDlgItem(hwnd, 1064);
    const bool ours = title == L"Tarn Video Recorder" || lstrcmpW(cls, L"ExplorerWClass") == 0 ||
                      lstrcmpW(cls, L"CabinetWClass") == 0 || lstrcmpW(cls, L"DTShadowWnd") == 0 ||
                      lstrcmpW(cls, L"#32768") == 0 || OfProgram(hwnd) || OwnedByMainWindow(hwnd) || player;
    if (!ours) return TRUE;
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    std::wstring line = std::to_wstring(reinterpret_cast<UINT_PTR>(hwnd)) + L"|" + cls + L"|" + title + L"|" +
                        std::to_wstring(reinterpret_cast<UINT_PTR>(::GetWindow(hwnd, GW_OWNER))) + L"|" +
                        std::to_wstring(rc.left) + L"," + std::to_wstring(rc.top) + L"," + std::to_wstring(rc.right) +
                        L"," + std::to_wstring(rc.bottom) + L"|" + (::IsWindowVisible(hwnd) ? L"1" : L"0") + L"|" +
                        (::IsIconic(hwnd) ? L"1" : L"0") + L"|" + Text(::GetDlgItem(hwnd, 0xFFFF)) + L"|" +
                        Text(::GetDlgItem(hwnd, 1037)) + L"|" + Text(::GetDlgItem(hwnd, 1038)) + L"|" +
                        Text(::GetDlgItem(hwnd, 1040)) + L"|" +
                        (::IsWindowEnabled(::GetDlgItem(hwnd, 1006)) ? L"1" : L"0") + L"|" +
                        (::IsWindowEnabled(::GetDlgItem(hwnd, 1008)) ? L"1" : L"0") + L"|" +
                        (player ? Text(::GetDlgItem(hwnd, 1064)) : std::wstring());
    PrintLine(line); // one line per window
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"windows") == 0) {
        if (argc >= 3 && std::wcscmp(argv[2], L"all") == 0) ::EnumWindows(&FindPrograms, 0);
        ::EnumWindows(&Print, 0);
        return 0;
    }
    if (argc >= 5 && std::wcscmp(argv[1], L"post") == 0) {
        HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(argv[2], nullptr, 10)));
        const UINT msg = static_cast<UINT>(std::wcstoul(argv[3], nullptr, 0));
        const WPARAM wParam = static_cast<WPARAM>(std::wcstoull(argv[4], nullptr, 0));
        return ::PostMessageW(hwnd, msg, wParam, 0) ? 0 : 1;
    }
    if (argc >= 2 && std::wcscmp(argv[1], L"tray") == 0) {
        HWND tray = ::FindWindowW(L"__winex11_standalone_tray", nullptr);
        RECT client{};
        ::GetClientRect(tray, &client);
        POINT pt{client.left + 12, client.top + client.bottom / 2};
        ::ClientToScreen(tray, &pt);
        std::printf("%ld %ld %d\n", pt.x, pt.y, tray && ::IsWindowVisible(tray) ? 1 : 0);
        return 0;
    }
    if (argc >= 4 && std::wcscmp(argv[1], L"text") == 0) {
        HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(argv[2], nullptr, 10)));
        PrintLine(Text(::GetDlgItem(hwnd, static_cast<int>(std::wcstol(argv[3], nullptr, 0)))));
        return 0;
    }
    std::fprintf(stderr, "usage: program_probe windows [all] | post <hwnd> <message> <wParam> | tray | text <hwnd> <id>\n");
    return 2;
}
