// Settings.ini: the defaults of RecorderSettings, reading and writing the file.
#pragma once

#include "config/RecorderSettings.h"

#include <string>

// What loading the settings needs from the main window; the main window implements it.
class ISettingsHost {
public:
    // Whose font becomes the default title font; null gives the default GUI font.
    virtual HWND SettingsWindow() const = 0;
    // Check marks of the region-type menu: the user-defined item, or the full-screen one.
    virtual void SetRegionTypeChecks(bool userDefined) = 0;
    // The capture rectangle, when a default record size is in force.
    virtual void SetCaptureRect(const RECT& rect) = 0;

protected:
    ~ISettingsHost() = default;
};

// Folder of Settings.ini and EncodeSettings.ini, ending with a backslash: the program
// folder, or the folder set by SetSettingsFolderOverride. Empty when unknown.
std::wstring SettingsFolder();
// Tests point the files at a folder of their own; an empty text undoes it.
void SetSettingsFolderOverride(const std::wstring& folder);

// Full path of Settings.ini; empty when the folder is unknown.
std::wstring SettingsFilePath();

// Clears the record, then sets every default. host may be null.
void ResetSettingsToDefaults(RecorderSettings& settings, const ISettingsHost* host);

// Defaults, then whatever Settings.ini holds. Also sets the host's region-type marks and,
// with a default record size in force, its capture rectangle. host may be null.
void LoadSettings(RecorderSettings& settings, ISettingsHost* host);

// Writes every key to Settings.ini (created as UTF-16LE when missing or empty).
// Failures to write are ignored.
void SaveSettings(const RecorderSettings& settings);

// "WIDTHxHEIGHT" (or X): false, outputs untouched, when there is no separator.
bool ParseSizeText(const wchar_t* text, int& width, int& height);

// The language identifier that SaveSettings writes: the one in force.
int LanguageInForce(const RecorderSettings& settings);
