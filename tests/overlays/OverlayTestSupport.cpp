#include "OverlayTestSupport.h"

#include "config/Language.h"
#include "toolkit/Paths.h"
#include "toolkit/Raii.h"
#include "toolkit/skin/SkinTestUtil.h"

#include <psapi.h>

#include <cstdlib>

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        vt::PumpPending();
        if (done()) return true;
        if (::GetTickCount64() >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

ScreenShot::ScreenShot(const RECT& area) : m_area(area) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return;
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    vt::WindowDc screen(nullptr);
    vt::UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
    void* bits = nullptr;
    vt::UniqueBitmap bmp(::CreateDIBSection(screen.Get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!mem || !bmp || !bits) return;
    {
        vt::SelectGuard select(mem.Get(), bmp.Get());
        ::BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), area.left, area.top, SRCCOPY);
    }
    ::GdiFlush();
    const auto* p = static_cast<const DWORD*>(bits);
    m_pixels.assign(p, p + static_cast<size_t>(w) * h);
}

COLORREF ScreenShot::At(int x, int y) const {
    const int w = m_area.right - m_area.left;
    if (m_pixels.empty() || x < m_area.left || y < m_area.top || x >= m_area.right || y >= m_area.bottom)
        return CLR_INVALID;
    const DWORD v = m_pixels[static_cast<size_t>(y - m_area.top) * w + (x - m_area.left)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int ScreenShot::Count(const RECT& r, const std::function<bool(COLORREF)>& test) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (COLORREF c = At(x, y); c != CLR_INVALID && test(c)) ++n;
    return n;
}

bool Near(COLORREF c, int r, int g, int b, int tolerance) {
    return std::abs(GetRValue(c) - r) <= tolerance && std::abs(GetGValue(c) - g) <= tolerance &&
           std::abs(GetBValue(c) - b) <= tolerance;
}

SolidWindow::SolidWindow(const RECT& rect, COLORREF colour) : m_colour(colour) {
    CreateEx({.title = L"overlay test background", .style = WS_POPUP | WS_VISIBLE, .exStyle = WS_EX_TOOLWINDOW,
              .rect = rect});
    ::UpdateWindow(m_hWnd);
}

SolidWindow::~SolidWindow() { DestroyWindow(); }

bool SolidWindow::OnEraseBkgnd(HDC dc) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::UniqueBrush brush(::CreateSolidBrush(m_colour));
    ::FillRect(dc, &rc, brush.Get());
    return true;
}

bool SolidWindow::OnPaint() {
    vt::PaintDc dc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::UniqueBrush brush(::CreateSolidBrush(m_colour));
    ::FillRect(dc.Get(), &rc, brush.Get());
    return true;
}

void SelectEnglish() {
    if (IsLanguageSelected()) return;
    BuildLanguageList(vt::ProgramFolder() + L"Language");
    SelectLanguageFile(1033);
}

namespace {
std::function<void(HWND)>* g_script = nullptr;
vt::CDialog* g_dialog = nullptr;

void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_dialog || !g_script) return;
    HWND h = g_dialog->GetSafeHwnd();
    if (!h || !::IsWindowVisible(h)) return;
    ::KillTimer(nullptr, id);
    auto script = std::move(*g_script);
    g_script = nullptr;
    script(h);
}
} // namespace

INT_PTR RunModal(vt::CDialog& dialog, std::function<void(HWND)> script, HWND owner) {
    g_script = &script;
    g_dialog = &dialog;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &ScriptTimer);
    const INT_PTR result = dialog.DoModal(owner);
    ::KillTimer(nullptr, timer);
    g_script = nullptr;
    g_dialog = nullptr;
    return result;
}

namespace {
std::wstring g_boxCaption, g_boxText;
bool g_boxSeen = false;

void CALLBACK BoxTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = ::FindWindowW(L"#32770", g_boxCaption.c_str());
    if (!box || g_boxSeen) return;
    g_boxSeen = true;
    wchar_t text[512] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 512);
    g_boxText = text;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}
} // namespace

std::wstring AnswerMessageBox(const std::wstring& caption, const std::function<void()>& action) {
    g_boxCaption = caption;
    g_boxText.clear();
    g_boxSeen = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &BoxTimer);
    action();
    ::KillTimer(nullptr, timer);
    return g_boxText;
}

void Click(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::wstring WriteRedBluePicture(const std::wstring& name, int width, int height) {
    static int s_half = 0;
    s_half = width / 2;
    return WritePicture(name, width, height, [](int x, int) -> unsigned { return x < s_half ? 0xFFFF0000u : 0xFF0000FFu; });
}

std::wstring WriteTempFile(const std::wstring& name, const std::string& bytes) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"vistrel_overlay_" + name;
    vt::UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!f || !::WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return L"";
    return path;
}

size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PrivateUsage;
}
