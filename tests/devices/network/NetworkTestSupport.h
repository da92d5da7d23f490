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
std::string Fixture(const std::wstring& name);

// The arguments the stand-in installer at path was started with, one per line; empty
// when it never ran.
inline std::wstring InstallerArguments(const std::wstring& path) {
    const std::string bytes = ReadFile(path + L".args");
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

// Whether the build made the signed installers (it needs bash, openssl and osslsigncode),
// and whether this system accepts their test certificates: Wine checks no certificate
// chain, Windows refuses a test CA's signature.
bool FixturesMade();
bool TestSignaturesAccepted();
#define NEEDS_FIXTURES()                                                                                  \
    if (!nettest::FixturesMade()) GTEST_SKIP() << "no signed installers: bash, openssl and osslsigncode make them"
#define NEEDS_ACCEPTED_TEST_SIGNATURES()                                                                  \
    NEEDS_FIXTURES();                                                                                      \
    if (!nettest::TestSignaturesAccepted()) GTEST_SKIP() << "this system does not accept the test CA's signatures"

template <typename Pred>
bool WaitFor(Pred pred, DWORD ms = 15000) {
    for (const DWORD start = ::GetTickCount(); !pred(); ::Sleep(20))
        if (::GetTickCount() - start > ms) return false;
    return true;
}

// The child of a message box that holds its text.
constexpr int kBoxText = 0xFFFF;
// A visible top-level window that has the given child, of the process or the thread
// (0: any).
HWND FindTopWindow(DWORD process, DWORD thread, int childId);

// Selects the shipped English texts (from the Language folder beside the test program).
void UseEnglishTexts();
// Saves the screen as <name>.bmp in the folder VISTREL_SCREENSHOTS names, if it is set.
void Screenshot(const wchar_t* name);

} // namespace nettest
