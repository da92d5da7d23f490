// The application object: prepares the process, runs the main window modally and ends
// the program when it ends. No single-instance guard: every start is its own copy.
#pragma once

#include <windows.h>
#include <string>

class CScreenRecorderApp {
public:
    // Start-up, the main window, exit; returns the process exit code.
    int Run();

    const std::wstring& ProgramFolder() const noexcept { return m_programFolder; }
    const std::wstring& LanguageFolder() const noexcept { return m_languageFolder; }
    const std::wstring& SettingsFile() const noexcept { return m_settingsFile; }

private:
    bool InitInstance();
    void ExitInstance();

    std::wstring m_programFolder;   // ends with a backslash
    std::wstring m_languageFolder;  // m_programFolder + "Language\"
    std::wstring m_settingsFile;    // m_programFolder + "Settings.ini"
    ULONG_PTR m_gdiplusToken = 0;
    bool m_oleInitialised = false;
};
