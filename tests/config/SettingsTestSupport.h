// A private folder for Settings.ini and EncodeSettings.ini, and a main window stand-in.
#pragma once

#include "config/Settings.h"
#include "toolkit/Raii.h"

#include <string>
#include <vector>

// A fresh folder under %TEMP% that the settings files are looked up in while it lives.
// Every instance gets a folder of its own, so no file is ever rewritten under a name the
// profile functions may still hold cached.
class SettingsFolderScope {
public:
    SettingsFolderScope();
    ~SettingsFolderScope();
    SettingsFolderScope(const SettingsFolderScope&) = delete;
    SettingsFolderScope& operator=(const SettingsFolderScope&) = delete;

    const std::wstring& Folder() const { return m_folder; }
    std::wstring SettingsPath() const { return m_folder + L"Settings.ini"; }
    std::wstring PresetsPath() const { return m_folder + L"EncodeSettings.ini"; }

private:
    std::wstring m_base;
    std::wstring m_folder;
};

// The main window's part in loading: a real window with a font, a real menu with the two
// region-type items.
class TestSettingsHost : public ISettingsHost {
public:
    static constexpr UINT kFullScreenItem = 32776;
    static constexpr UINT kUserDefinedItem = 32777;

    // font null: the window has none.
    explicit TestSettingsHost(HFONT font);

    HWND SettingsWindow() const override { return m_window.Get(); }
    void SetRegionTypeChecks(bool userDefined) override;
    void SetCaptureRect(const RECT& rect) override;

    bool Checked(UINT item) const;
    int captureRectCalls = 0;
    RECT captureRect{};
    int checkCalls = 0;

private:
    vt::UniqueHwnd m_window;
    vt::UniqueMenu m_menu;
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
// UTF-16LE with the byte-order mark.
void WriteUtf16File(const std::wstring& path, const std::wstring& text);
// The lines of a UTF-16LE file after its byte-order mark, blank lines left out.
std::vector<std::wstring> ReadUtf16Lines(const std::wstring& path);
