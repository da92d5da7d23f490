#include "app/ScreenRecorderApp.h"

#include "app/ScreenRecorderDlg.h"
#include "app/seams/WindowShadow.h"
#include "config/Language.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/Wnd.h"

#include <commctrl.h>
#include <ole2.h>

int CScreenRecorderApp::Run() {
    const bool ok = InitInstance();
    ExitInstance();
    return ok ? 0 : 1;
}

bool CScreenRecorderApp::InitInstance() {
    // 1. The program's folder.
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring module(path, n < MAX_PATH ? n : 0);
    m_programFolder = module.substr(0, module.find_last_of(L'\\') + 1);
    // 2. GDI+.
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) m_gdiplusToken = 0;
    // 3. Common controls.
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    // 4. OLE on this thread, for the player's ActiveX control.
    m_oleInitialised = SUCCEEDED(::OleInitialize(nullptr));
    // 5. The shadow's window class.
    InitialiseWindowShadow(vt::ResourceInstance());
    // 6.-8. Language folder, English.ini, the language list.
    m_languageFolder = EnsureLanguageFolder(m_programFolder);
    m_settingsFile = m_programFolder + L"Settings.ini";
    BuildLanguageList(m_languageFolder);
    // 9. The main window.
    CScreenRecorderDlg dlg;
    dlg.DoModal(nullptr);
    return true;
}

void CScreenRecorderApp::ExitInstance() {
    if (m_oleInitialised) ::OleUninitialize();
    m_oleInitialised = false;
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
}
