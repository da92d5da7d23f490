// Language files: the list found at start-up, the language in force and text lookup.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct LanguageEntry {
    int id = 0;          // Windows language identifier, e.g. 1033
    std::wstring path;   // full path of the language file
};

// Picture of a language in the flag strips.
struct LanguageFlag {
    int languageId;
    int subImage;
};
inline constexpr LanguageFlag LanguageFlagTable[4] = {
    {2052, 0},
    {1028, 1},
    {1033, 2},
    {1041, 3},
};
// Sub-image of a language in the flag strips; unknown languages show 1033's flag.
int LanguageFlagImage(int languageId);

// The process-wide language state. Workers read it too, so it is handed out as
// copies; it changes only through BuildLanguageList and SelectLanguageFile.
std::vector<LanguageEntry> LanguageList();
int CurrentLanguageId();             // 1033 until a language is selected
std::wstring CurrentLanguageFile();  // empty until a language is selected
// Whether SelectLanguageFile has run; before that no language is in force yet.
bool IsLanguageSelected();

// Fills the list from every file in the folder that declares an ID other than -1
// in "General Settings", in listing order. Returns 1 when the folder does not
// exist (the list is left as it was), else 0.
int BuildLanguageList(const std::wstring& folder);

// Chooses the first listed file of the language, else the 1033 file; the language
// in force becomes the one chosen (1033 on fallback). Returns the file's path,
// empty when not even a 1033 file is listed.
std::wstring SelectLanguageFile(int languageId);

// The text of an identifier in the file in force, with each backslash-n turned
// into a line break; empty for anything missing. At most 1023 characters.
std::wstring LoadLanguageText(const wchar_t* identifier);

// Start-up: makes sure the Language folder beside the program exists (one level)
// and holds English.ini, which is written from the program's own "OWNER_DATA"
// resource 1033 when missing. Returns the folder's path, ending with a backslash.
std::wstring EnsureLanguageFolder(const std::wstring& programFolder, HMODULE resourceModule = nullptr);
