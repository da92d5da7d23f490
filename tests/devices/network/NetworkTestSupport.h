// What the network tests share: a private folder, file contents, the signed installers
// and the language texts.
#pragma once

#include "config/LanguageTestSupport.h"

#include <string>

namespace nettest {

using langtest::TempFolder;

inline std::string ReadFile(const std::wstring& path) {
    const auto bytes = langtest::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}
inline void WriteFile(const std::wstring& path, const std::string& text) {
    langtest::WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}
inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A signed (or unsigned) copy of the stand-in installer, by its fixture name.
inline std::string Fixture(const std::wstring& name) { return ReadFile(std::wstring(VISTREL_NETWORK_FIXTURES) + L"/" + name); }

// The arguments the stand-in installer at path was started with, one per line; empty
// when it never ran.
inline std::wstring InstallerArguments(const std::wstring& path) {
    const std::string bytes = ReadFile(path + L".args");
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

// Selects the shipped English texts (from the Language folder beside the test program).
void UseEnglishTexts();
// Saves the screen as <name>.bmp in the folder VISTREL_SCREENSHOTS names, if it is set.
void Screenshot(const wchar_t* name);

} // namespace nettest
