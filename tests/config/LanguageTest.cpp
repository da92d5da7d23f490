// Language list, selection, text lookup, start-up steps and the safe formatter.
#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "config/Settings.h"
#include "LanguageTestSupport.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

using langtest::TempFolder;
using langtest::WriteLanguageFile;

namespace {

std::wstring LanguageFileText(int id, const std::wstring& name, const std::wstring& strings = L"") {
    return L"[General Settings]\nID=" + std::to_wstring(id) + L"\nLanguage=" + name + L"\n\n[String]\n" + strings;
}

// The file names in the order the folder lists them.
std::vector<std::wstring> ListingOrder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    vt::UniqueFindHandle find(::FindFirstFileW((folder + L"*.*").c_str(), &data));
    if (!find) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (::FindNextFileW(find.Get(), &data));
    return names;
}

std::vector<int> Ids(const std::vector<LanguageEntry>& list) {
    std::vector<int> ids;
    for (const LanguageEntry& e : list) ids.push_back(e.id);
    return ids;
}

std::vector<unsigned char> ResourceBytes() {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(1033), L"OWNER_DATA");
    if (!info) return {};
    const auto* bytes = static_cast<const unsigned char*>(::LockResource(::LoadResource(module, info)));
    return std::vector<unsigned char>(bytes, bytes + ::SizeofResource(module, info));
}

} // namespace

TEST(LanguageList, ListsEveryDeclaringFileInFolderOrderWithFullPaths) {
    TempFolder folder;
    WriteLanguageFile(folder.Path() + L"English.ini", LanguageFileText(1033, L"English"));
    WriteLanguageFile(folder.Path() + L"Chinese.ini", LanguageFileText(2052, L"简体中文"));
    WriteLanguageFile(folder.Path() + L"Deutsch", LanguageFileText(1031, L"Deutsch"));  // no extension
    WriteLanguageFile(folder.Path() + L"Broken.ini", LanguageFileText(-1, L"Broken"));
    WriteLanguageFile(folder.Path() + L"NoId.ini", L"[General Settings]\nLanguage=None\n[String]\nA=B\n");
    WriteLanguageFile(folder.Path() + L"readme.txt", L"Not a language file\n");
    ::CreateDirectoryW((folder.Path() + L"Sub.ini").c_str(), nullptr);

    ASSERT_EQ(0, BuildLanguageList(folder.Path()));
    std::vector<LanguageEntry> expected;
    for (const std::wstring& name : ListingOrder(folder.Path())) {
        if (name == L"English.ini") expected.push_back({1033, folder.Path() + name});
        if (name == L"Chinese.ini") expected.push_back({2052, folder.Path() + name});
        if (name == L"Deutsch") expected.push_back({1031, folder.Path() + name});
    }
    const std::vector<LanguageEntry> list = LanguageList();
    ASSERT_EQ(3u, list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(expected[i].id, list[i].id);
        EXPECT_EQ(expected[i].path, list[i].path);
    }

    // Without the trailing backslash the same files and full paths are found.
    std::wstring bare = folder.Path();
    bare.pop_back();
    ASSERT_EQ(0, BuildLanguageList(bare));
    const std::vector<LanguageEntry> again = LanguageList();
    ASSERT_EQ(list.size(), again.size());
    for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].path, again[i].path);
}

TEST(LanguageList, EmptyOrMissingFolderGivesNoLanguagesAndEmptyTexts) {
    TempFolder folder;
    WriteLanguageFile(folder.Path() + L"English.ini", LanguageFileText(1033, L"English", L"A=B\n"));
    ASSERT_EQ(0, BuildLanguageList(folder.Path()));
    ASSERT_EQ(1u, LanguageList().size());

    TempFolder empty;
    EXPECT_EQ(0, BuildLanguageList(empty.Path()));
    EXPECT_TRUE(LanguageList().empty());
    EXPECT_EQ(L"", SelectLanguageFile(1033));
    EXPECT_EQ(1033, CurrentLanguageId());
    EXPECT_EQ(L"", CurrentLanguageFile());
    EXPECT_EQ(L"", LoadLanguageText(L"A"));

    EXPECT_EQ(1, BuildLanguageList(empty.Path() + L"Missing\\"));
    EXPECT_EQ(1, BuildLanguageList(L""));
    EXPECT_TRUE(LanguageList().empty());
    EXPECT_EQ(L"", SelectLanguageFile(2052));
    EXPECT_EQ(1033, CurrentLanguageId());
    EXPECT_EQ(L"", LoadLanguageText(L"A"));
}

TEST(LanguageSelection, PicksTheFirstFileOfALanguageAndFallsBackTo1033) {
    TempFolder folder;
    WriteLanguageFile(folder.Path() + L"A.ini", LanguageFileText(2052, L"First", L"Who=first\n"));
    WriteLanguageFile(folder.Path() + L"B.ini", LanguageFileText(2052, L"Second", L"Who=second\n"));
    WriteLanguageFile(folder.Path() + L"English.ini", LanguageFileText(1033, L"English", L"Who=english\n"));
    ASSERT_EQ(0, BuildLanguageList(folder.Path()));
    const std::vector<LanguageEntry> list = LanguageList();
    ASSERT_EQ(3u, list.size());
    std::wstring first2052;
    for (const LanguageEntry& e : list)
        if (e.id == 2052 && first2052.empty()) first2052 = e.path;

    EXPECT_EQ(first2052, SelectLanguageFile(2052));
    EXPECT_EQ(2052, CurrentLanguageId());
    EXPECT_EQ(first2052, CurrentLanguageFile());
    EXPECT_EQ(first2052 == folder.Path() + L"A.ini" ? L"first" : L"second", LoadLanguageText(L"Who"));

    // No Japanese file: English is used and English is what is in force (and saved).
    EXPECT_EQ(folder.Path() + L"English.ini", SelectLanguageFile(1041));
    EXPECT_EQ(1033, CurrentLanguageId());
    EXPECT_EQ(folder.Path() + L"English.ini", CurrentLanguageFile());
    EXPECT_EQ(L"english", LoadLanguageText(L"Who"));
}

TEST(LanguageSelection, WithoutAnEnglishFileNothingIsSelected) {
    TempFolder folder;
    WriteLanguageFile(folder.Path() + L"Chinese.ini", LanguageFileText(2052, L"简体中文", L"Who=chinese\n"));
    ASSERT_EQ(0, BuildLanguageList(folder.Path()));
    EXPECT_EQ(L"", SelectLanguageFile(1041));
    EXPECT_EQ(1033, CurrentLanguageId());
    EXPECT_EQ(L"", LoadLanguageText(L"Who"));
    EXPECT_EQ(Ids(LanguageList()), std::vector<int>{2052});
}

TEST(LanguageText, LineBreaksLengthLimitQuotesAndMissingEntries) {
    TempFolder folder;
    const std::wstring longValue(1030, L'x');
    WriteLanguageFile(folder.Path() + L"English.ini",
                      LanguageFileText(1033, L"English",
                                       L"Two=First\\nSecond\nThree=a\\nb\\nc\nLong=" + longValue +
                                           L"\nSize=\"Size: \"\nEmpty=\nChinese=大小：\n"));
    ASSERT_EQ(0, BuildLanguageList(folder.Path()));
    ASSERT_FALSE(SelectLanguageFile(1033).empty());

    EXPECT_EQ(L"First\nSecond", LoadLanguageText(L"Two"));
    EXPECT_EQ(L"a\nb\nc", LoadLanguageText(L"Three"));
    EXPECT_EQ(std::wstring(1023, L'x'), LoadLanguageText(L"Long"));
    // Quotes keep the space that a label followed by a number needs.
    EXPECT_EQ(L"Size: ", LoadLanguageText(L"Size"));
    EXPECT_EQ(L"大小：", LoadLanguageText(L"Chinese"));
    EXPECT_EQ(L"", LoadLanguageText(L"Empty"));
    EXPECT_EQ(L"", LoadLanguageText(L"Missing"));
    EXPECT_EQ(L"", LoadLanguageText(L""));
    EXPECT_EQ(L"", LoadLanguageText(nullptr));

    // A file that vanished after start-up yields empty texts.
    ASSERT_TRUE(::DeleteFileW((folder.Path() + L"English.ini").c_str()));
    EXPECT_EQ(L"", LoadLanguageText(L"Two"));
}

TEST(LanguageFlags, KnownLanguagesHaveTheirPictureOthersEnglishs) {
    EXPECT_EQ(0, LanguageFlagImage(2052));
    EXPECT_EQ(1, LanguageFlagImage(1028));
    EXPECT_EQ(2, LanguageFlagImage(1033));
    EXPECT_EQ(3, LanguageFlagImage(1041));
    EXPECT_EQ(2, LanguageFlagImage(1031));
    EXPECT_EQ(2, LanguageFlagImage(-1));
}

TEST(LanguageStartup, CreatesTheFolderAndEnglishFromTheResource) {
    TempFolder program;
    const std::wstring folder = EnsureLanguageFolder(program.Path());
    EXPECT_EQ(program.Path() + L"Language\\", folder);
    ASSERT_TRUE(::PathIsDirectoryW(folder.c_str()));

    const std::vector<unsigned char> resource = ResourceBytes();
    ASSERT_FALSE(resource.empty());
    std::vector<unsigned char> expected{0xFF, 0xFE};
    expected.insert(expected.end(), resource.begin(), resource.end());
    const std::vector<unsigned char> written = langtest::ReadBytes(folder + L"English.ini");
    EXPECT_EQ(expected, written);
    // The embedded copy is the shipped file.
    EXPECT_EQ(langtest::ReadBytes(L"" VISTREL_SOURCE_DIR L"/resources/Language/English.ini"), written);

    ASSERT_EQ(0, BuildLanguageList(folder));
    ASSERT_EQ(Ids(LanguageList()), std::vector<int>{1033});
    SelectLanguageFile(1033);
    EXPECT_EQ(L"Tarn Video Recorder", LoadLanguageText(L"ID_APP_NAME"));

    // A program folder given without its backslash works the same.
    TempFolder other;
    std::wstring bare = other.Path();
    bare.pop_back();
    EXPECT_EQ(other.Path() + L"Language\\", EnsureLanguageFolder(bare));
    EXPECT_TRUE(::PathFileExistsW((other.Path() + L"Language\\English.ini").c_str()));
}

TEST(LanguageStartup, KeepsAnExistingEnglishFileAndCreatesOnlyOneLevel) {
    TempFolder program;
    const std::wstring folder = program.Path() + L"Language\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    WriteLanguageFile(folder + L"English.ini", LanguageFileText(1033, L"Mine"));
    const std::vector<unsigned char> before = langtest::ReadBytes(folder + L"English.ini");
    EXPECT_EQ(folder, EnsureLanguageFolder(program.Path()));
    EXPECT_EQ(before, langtest::ReadBytes(folder + L"English.ini"));

    // A program folder that does not exist is not created: the language folder
    // cannot be made and nothing is written.
    const std::wstring missing = program.Path() + L"Missing\\";
    EXPECT_EQ(missing + L"Language\\", EnsureLanguageFolder(missing));
    EXPECT_FALSE(::PathFileExistsW(missing.c_str()));
}

TEST(LanguageStartup, WithoutTheResourceEnglishHoldsOnlyTheMark) {
    TempFolder program;
    // kernel32 carries no such resource.
    const std::wstring folder = EnsureLanguageFolder(program.Path(), ::GetModuleHandleW(L"kernel32.dll"));
    EXPECT_EQ((std::vector<unsigned char>{0xFF, 0xFE}), langtest::ReadBytes(folder + L"English.ini"));
}

TEST(LanguageFormat, FillsOnlyTheFirstPlaceholder) {
    EXPECT_EQ(L"File: clip.wmv", FormatLanguageText(L"File: %s", L"clip.wmv"));
    EXPECT_EQ(L"clip.wmv is here", FormatLanguageText(L"%s is here", L"clip.wmv"));
    EXPECT_EQ(L"Could not download clip.", FormatLanguageText(L"Could not download %ls.", L"clip"));
    EXPECT_EQ(L"a%s", FormatLanguageText(L"%s%s", L"a"));
    EXPECT_EQ(L"a%ls b", FormatLanguageText(L"%ls%ls b", L"a"));
    // The argument is put in as it stands, never read as a format.
    EXPECT_EQ(L"%n%s%d and %s", FormatLanguageText(L"%s and %s", L"%n%s%d"));
}

TEST(LanguageFormat, LeavesEveryOtherPercentSequenceAsText) {
    EXPECT_EQ(L"%n", FormatLanguageText(L"%n", L"x"));
    EXPECT_EQ(L"%d items", FormatLanguageText(L"%d items", L"x"));
    EXPECT_EQ(L"100%", FormatLanguageText(L"100%", L"x"));
    EXPECT_EQ(L"%", FormatLanguageText(L"%", L"x"));
    EXPECT_EQ(L"No placeholder here.", FormatLanguageText(L"No placeholder here.", L"x"));
    EXPECT_EQ(L"", FormatLanguageText(L"", L"x"));
    EXPECT_EQ(L"%d %n 50% x %x", FormatLanguageText(L"%d %n 50% %s %x", L"x"));
    EXPECT_EQ(L"%l x", FormatLanguageText(L"%l %s", L"x"));
}

TEST(LanguageInForce, IsWhatTheSettingsSaveOnceALanguageIsChosen) {
    TempFolder folder;
    WriteLanguageFile(folder.Path() + L"English.ini", LanguageFileText(1033, L"English"));
    ASSERT_EQ(0, BuildLanguageList(folder.Path()));
    SetSettingsFolderOverride(folder.Path());
    RecorderSettings settings{};
    ResetSettingsToDefaults(settings, nullptr);
    settings.nLanguage = 1041;

    // No Japanese file: English is in force, and English is stored.
    SelectLanguageFile(1041);
    EXPECT_EQ(1033, LanguageInForce(settings));
    SaveSettings(settings);
    EXPECT_EQ(1033u, ::GetPrivateProfileIntW(L"Main", L"Language", 0, SettingsFilePath().c_str()));
    SetSettingsFolderOverride(L"");
}
