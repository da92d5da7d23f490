#include "devices/network/NetworkTestSupport.h"

#include "config/Language.h"
#include "devices/Installer.h"
#include "toolkit/Paths.h"

namespace nettest {

std::string Fixture(const std::wstring& name) {
#ifdef VISTREL_NETWORK_FIXTURES
    return ReadFile(std::wstring(VISTREL_NETWORK_FIXTURES) + L"/" + name);
#else
    (void)name;
    return {};
#endif
}

bool FixturesMade() { return !Fixture(L"unsigned.exe").empty(); }

bool TestSignaturesAccepted() {
    static const bool accepted = [] {
        TempFolder folder;
        const std::wstring path = folder.Path() + L"signed.exe";
        WriteFile(path, Fixture(L"test_publisher.exe"));
        return VerifyInstaller(path, L"Vistrel Test Publisher").trust == TrustResult::Trusted;
    }();
    return accepted;
}

HWND FindTopWindow(DWORD process, DWORD thread, int childId) {
    struct Search {
        DWORD process, thread;
        int id;
        HWND found;
    } search{process, thread, childId, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD process = 0;
            const DWORD thread = ::GetWindowThreadProcessId(hwnd, &process);
            if ((s->process && process != s->process) || (s->thread && thread != s->thread) ||
                !::IsWindowVisible(hwnd) || !::GetDlgItem(hwnd, s->id))
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void UseEnglishTexts() {
    BuildLanguageList(vt::ProgramFolder() + L"Language\\");
    SelectLanguageFile(1033);
}

// Saves the screen as a bitmap when VISTREL_SCREENSHOTS names a folder (for looking at).
void Screenshot(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    if (!::GetEnvironmentVariableW(L"VISTREL_SCREENSHOTS", folder, MAX_PATH)) return;
    ::Sleep(300);
    const std::wstring path = std::wstring(folder) + L"\\" + name + L".bmp";
    HDC screen = ::GetDC(nullptr);
    const int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{{sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB}};
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    const DWORD size = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(fh) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                        static_cast<DWORD>(sizeof(fh) + sizeof(BITMAPINFOHEADER))};
    std::string bytes(reinterpret_cast<char*>(&fh), sizeof(fh));
    bytes.append(reinterpret_cast<char*>(&bi.bmiHeader), sizeof(BITMAPINFOHEADER));
    bytes.append(static_cast<char*>(bits), size);
    WriteFile(path, bytes);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

} // namespace nettest
