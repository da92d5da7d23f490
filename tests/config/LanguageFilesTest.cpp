// The shipped language files: layout, and a text for every identifier the program
// looks up, in every language.
#include "config/Language.h"
#include "LanguageTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

const std::wstring kSourceDir = L"" VISTREL_SOURCE_DIR;
const std::wstring kLanguageDir = kSourceDir + L"/resources/Language/";

// Every text identifier the windows use, by window.
const wchar_t* const kIdentifiers[] = {
    // Main window
    L"ID_APP_NAME", L"IDC_STC_SIZE", L"IDC_STATIC_FILENAME_TIP", L"IDR_POPMENU_FULLSCREEN",
    L"IDR_POPMENU_REGION", L"IDR_MENU_TRAY_SHOWMAIN", L"IDR_MENU_TRAY_START", L"IDR_MENU_TRAY_PAUSE",
    L"IDR_MENU_TRAY_STOP", L"IDR_MENU_TRAY_EXIT", L"m_btnOpenVideoFile", L"m_btnStartRecord",
    L"m_btnSetRegionType", L"m_btnPlay", L"m_btnPause", L"m_btnStop", L"m_btnChangeLang", L"m_btnSettings",
    L"IDS_RECORD_START", L"IDS_CREATEDIR_FAILED", L"IDS_CLOSEAPP_WHEN_RECORD", L"IDS_PLAYER_FILTER",
    // Recording errors by class, and the general one
    L"0001", L"0002", L"0004", L"0005",
    // Update check
    L"ID_MSG_UP_TO_DATE_VERSION", L"ID_MSG_NEW_VERSION", L"ID_MSG_SERVER_LINK_ERR",
    L"ID_MSG_INTERNET_LINK_ERR",
    // Camera window
    L"IDS_INIT_CAMERA_FAILED",
    // Area helper
    L"IDC_STC_AREAHELPER_TITLE", L"IDC_STATIC_WIDTH", L"IDC_STATIC_HEIGHT", L"m_btnClose", L"IDC_BUTTON_LOCK",
    L"IDC_BUTTON_UNLOCK", L"IDC_DLG_AREA_HELPER_AREA_RECORD",
    // Change-title dialog and title settings
    L"IDD_DLG_CHANGE_TITLE_CAPTION", L"IDC_DLG_CHANGE_TITLE_STA_TITLE", L"IDC_DLG_CHANGE_TITLE_BTN_OK",
    L"IDC_DLG_CHANGE_TITLE_BTN_CANCEL", L"IDD_DLG_SET_TITLE_CAPTION", L"IDC_DLG_SET_TITLE_STA_TYPE",
    L"IDC_DLG_SET_TITLE_RADIO_NORMAL", L"IDC_DLG_SET_TITLE_RADIO_SHADOW", L"IDC_DLG_SET_TITLE_BTN_FONT_STYLE",
    L"IDC_DLG_SET_TITLE_BTN_FONT_CLR", L"IDC_DLG_SET_TITLE_BTN_SHADOW_FONT_CLR", L"IDC_DLG_SET_TITLE_STA_POS",
    L"IDC_DLG_SET_TITLE_STA_POS_X", L"IDC_DLG_SET_TITLE_STA_POS_Y", L"ID_DLG_SET_TITLE_BTN_OK",
    L"ID_DLG_SET_TITLE_BTN_CANCEL",
    // Watermark settings
    L"IDD_DLG_WATERMASK_CAPTION", L"IDC_WATERMASK_STATIC_1", L"IDC_WATERMASK_BTN_BROWN", L"IDC_WATERMASK_STA2",
    L"IDC_WATERMASK_STA3", L"IDC_WATERMASK_STA_POS", L"IDC_WATERMASK_STA_POS_X", L"IDC_WATERMASK_STA_POS_Y",
    L"ID_WATERMASK_BTN_OK", L"ID_WATERMASK_BTN_CANCEL",
    // Encoder installation
    L"IDC_DLG_DOWNLOAD_ENCODER_STA_NEED_INSTALL", L"IDC_DLG_DOWNLOAD_ENCODER", L"IDC_DLG_DOWNLOAD_ENCODER_KB",
    L"IDC_DLG_DOWNLOAD_PROGRESS1", L"IDC_DLG_DOWNLOAD_PROFRESS2", L"IDC_DLG_DOWNLOAD_PROGRESS3",
    L"IDC_DLG_DOWNLOAD_PROGRESS4", L"IDC_DLG_DOWNLOAD_CFG_FILE", L"IDC_DLG_DOWNLOAD_NOT_TRUSTED",
    // Settings window
    L"IDC_BTN_WND_SET_CLOSE", L"IDC_BUTTON_SETVIDEO", L"IDC_BUTTON_SETAUDIO", L"IDC_BUTTON_SETCOMMON",
    L"IDC_BUTTON_SETADVANCED", L"ID_WND_SET_BTN_DEFAULT", L"IDC_STC_ADVANCEDSET_TITLE",
    L"ID_MSG_ENSURE_SET_DEFAULT",
    // Video page
    L"IDC_STC_VIDEO_FOLDER", L"IDC_STC_VIDEO_RECORDREGION", L"IDC_STC_VIDEO_QUALITY", L"IDC_STC_VIDEO_FORMAT",
    L"IDC_STC_VIDEO_RECORDOBJECT", L"IDC_CHECK_RECORDSCREEN", L"IDC_CHECK_RECORDCAMERA", L"IDC_RADIO_FULLSCREEN",
    L"IDC_RADIO_USERDEFINED", L"IDC_COMBO_VIDEO_QUALITY_0", L"IDC_COMBO_VIDEO_QUALITY_1",
    L"IDC_COMBO_VIDEO_QUALITY_2", L"IDC_COMBO_VIDEO_QUALITY_3", L"IDC_COMBO_VIDEO_QUALITY_4",
    L"IDC_BTN_SCAN_FOLDER", L"IDC_BTN_PREVIEW_OPEN", L"IDC_BTN_PREVIEW_CLOSE", L"IDS_FOLDER_ERRORNAME",
    L"IDS_FOLDER_TIP", L"IDS_SELECT_FOLDER",
    // Audio page
    L"IDC_STC_AUDIO_DEVICE", L"IDC_STC_AUDIO_LINE", L"IDC_STC_AUDIO_VOLUME", L"IDC_CHECK_SYSTEMVOICE",
    L"IDS_VOLUME",
    // Common page
    L"IDC_CHECK_DEFAULTRECORDSIZE", L"IDC_COMBO_DEFAULTRECORDSIZE_0", L"IDC_COMBO_DEFAULTRECORDSIZE_1",
    L"IDC_COMBO_DEFAULTRECORDSIZE_2", L"IDC_COMBO_DEFAULTRECORDSIZE_3", L"IDC_COMBO_DEFAULTRECORDSIZE_4",
    L"IDC_CHECK_MINWINDOW", L"IDC_CHECK_OPENFILE", L"IDC_CHK_SHOW_SHADOW", L"IDC_CHK_AUTO_UPDATE",
    L"IDC_BTN_CHECK_UPDATE", L"IDC_STC_COMMON_CLOSEAPP", L"IDC_RADIO_CLOSETO_TRAY", L"IDC_RADIO_CLOSETO_EXIT",
    // Advanced page
    L"IDC_STC_ADVANCED_HOTKEY", L"IDC_STC_ADVANCED_RECORD", L"IDC_STC_ADVANCED_PAUSE", L"IDC_STC_ADVANCED_STOP",
    L"IDC_STC_ADVANCED_NOTE", L"IDC_CHECK_NOTE_TIME", L"IDC_CHECK_NOTE_WATERMARK", L"IDC_CHECK_NOTE_TITLE",
    L"IDC_SET_ADVANCED_WATERMASK_SET", L"IDS_HOTKEY_REDEFINE",
    // Video player
    L"IDS_PLAYER_TITLE", L"IDC_STC_PLAYER_TITLE", L"m_btnMin", L"IDR_MENU_PLAYER_OPENFILE",
    L"IDR_MENU_PLAYER_PLAY", L"IDR_MENU_PLAYER_PAUSE", L"IDR_MENU_PLAYER_STOP",
};

// The texts that are filled with one argument.
const std::set<std::wstring> kFormats = {L"IDS_CREATEDIR_FAILED", L"IDS_FOLDER_TIP", L"IDC_DLG_DOWNLOAD_PROFRESS2",
                                         L"IDC_DLG_DOWNLOAD_NOT_TRUSTED",
                                         L"ID_MSG_UP_TO_DATE_VERSION", L"IDS_PLAYER_TITLE", L"IDS_PLAYER_OPEN_FAILED"};

struct ShippedFile {
    const wchar_t* name;
    int id;
    const wchar_t* language;
};
const ShippedFile kShipped[] = {
    {L"English.ini", 1033, L"English"},
    {L"SimplifiedChinese.ini", 2052, L"简体中文"},
    {L"TraditionalChinese.ini", 1028, L"繁體中文"},
    {L"Japanese.ini", 1041, L"日本語"},
};

// A language file read the plain way, to check what the profile functions forgive.
struct ParsedFile {
    std::string problem;  // empty when the layout is sound
    std::map<std::wstring, std::map<std::wstring, std::wstring>> sections;
    std::vector<std::wstring> stringKeys;  // in file order, duplicates kept
};

std::wstring Trim(const std::wstring& s) {
    const size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return std::wstring();
    return s.substr(b, s.find_last_not_of(L" \t") - b + 1);
}

ParsedFile Parse(const std::wstring& path) {
    ParsedFile parsed;
    const std::vector<unsigned char> bytes = langtest::ReadBytes(path);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        parsed.problem = "no UTF-16LE byte-order mark";
        return parsed;
    }
    if (bytes.size() % 2 != 0) {
        parsed.problem = "odd number of bytes";
        return parsed;
    }
    std::wstring text;
    for (size_t i = 2; i < bytes.size(); i += 2) text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' && (i + 1 >= text.size() || text[i + 1] != L'\n')) parsed.problem = "CR without LF";
        if (c == L'\n' && (i == 0 || text[i - 1] != L'\r')) parsed.problem = "LF without CR";
        if (c >= 0xD800 && c <= 0xDFFF) parsed.problem = "surrogate (characters outside the BMP)";
        if (c == 0xFFFE || c == 0xFEFF) parsed.problem = "second byte-order mark";
    }
    if (!text.empty() && text.back() != L'\n') parsed.problem = "last line without CRLF";
    std::wstring section;
    std::wistringstream lines(text);
    for (std::wstring line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty() || line[0] == L';') continue;
        if (line.front() == L'[' && line.back() == L']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t eq = line.find(L'=');
        if (eq == std::wstring::npos || section.empty()) {
            parsed.problem = "a line that is neither a section nor a key";
            continue;
        }
        const std::wstring key = Trim(line.substr(0, eq));
        parsed.sections[section][key] = line.substr(eq + 1);
        if (section == L"String") parsed.stringKeys.push_back(key);
    }
    return parsed;
}

size_t CountPlaceholders(const std::wstring& text) {
    size_t n = 0;
    for (size_t at = text.find(L"%s"); at != std::wstring::npos; at = text.find(L"%s", at + 2)) ++n;
    return n;
}

std::string Narrow(const std::wstring& s) {
    std::string out;
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Every literal identifier the program's sources hand to LoadLanguageText.
std::set<std::wstring> IdentifiersUsedInSources() {
    std::set<std::wstring> used;
    const std::regex call(R"re(LoadLanguageText\s*\(\s*L"([^"]*)")re");
    for (const wchar_t* dir : {L"app", L"config", L"devices", L"encoder", L"region", L"toolkit"}) {
        const std::filesystem::path root = std::filesystem::path(kSourceDir) / dir;
        if (!std::filesystem::exists(root)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            const std::wstring ext = entry.path().extension().wstring();
            if (!entry.is_regular_file() || (ext != L".cpp" && ext != L".h")) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (std::sregex_iterator m(source.begin(), source.end(), call), end; m != end; ++m) {
                const std::string id = (*m)[1].str();
                used.insert(std::wstring(id.begin(), id.end()));
            }
        }
    }
    return used;
}

class ShippedLanguageFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(0, BuildLanguageList(kLanguageDir));
        for (const ShippedFile& file : kShipped) {
            const ParsedFile parsed = Parse(kLanguageDir + file.name);
            ASSERT_TRUE(parsed.problem.empty()) << Narrow(file.name) << ": " << parsed.problem;
        }
        const ParsedFile english = Parse(kLanguageDir + L"English.ini");
        for (const auto& [key, value] : english.sections.at(L"String")) {
            (void)value;
            s_englishKeys.insert(key);
        }
    }

    // The text of a key through the program's own lookup.
    static std::wstring Text(int languageId, const std::wstring& key) {
        SelectLanguageFile(languageId);
        return LoadLanguageText(key.c_str());
    }

    static std::set<std::wstring> s_englishKeys;
};
std::set<std::wstring> ShippedLanguageFiles::s_englishKeys;

} // namespace

TEST_F(ShippedLanguageFiles, EachDeclaresItsLanguageAndEveryFlagHasOne) {
    const std::vector<LanguageEntry> list = LanguageList();
    std::set<int> listed;
    for (const LanguageEntry& e : list) listed.insert(e.id);
    EXPECT_EQ(std::size(kShipped), list.size());
    for (const ShippedFile& file : kShipped) {
        const ParsedFile parsed = Parse(kLanguageDir + file.name);
        const auto& general = parsed.sections.at(L"General Settings");
        EXPECT_EQ(std::to_wstring(file.id), general.at(L"ID")) << Narrow(file.name);
        EXPECT_EQ(file.language, general.at(L"Language")) << Narrow(file.name);
        EXPECT_EQ(1u, listed.count(file.id)) << Narrow(file.name);
        EXPECT_EQ(kLanguageDir + file.name, SelectLanguageFile(file.id));
        EXPECT_EQ(file.id, CurrentLanguageId());
    }
    for (const LanguageFlag& flag : LanguageFlagTable) EXPECT_EQ(1u, listed.count(flag.languageId)) << flag.languageId;
}

TEST_F(ShippedLanguageFiles, EnglishHasExactlyTheIdentifiersInUse) {
    std::set<std::wstring> identifiers(std::begin(kIdentifiers), std::end(kIdentifiers));
    EXPECT_EQ(std::size(kIdentifiers), identifiers.size()) << "an identifier is listed twice";
    for (const std::wstring& id : IdentifiersUsedInSources()) identifiers.insert(id);
    for (const std::wstring& id : identifiers) EXPECT_EQ(1u, s_englishKeys.count(id)) << "missing " << Narrow(id);
    for (const std::wstring& key : s_englishKeys) EXPECT_EQ(1u, identifiers.count(key)) << "unused " << Narrow(key);
}

TEST_F(ShippedLanguageFiles, EveryFileHasEveryKeyOnceNonEmptyWithTheSamePlaceholders) {
    for (const ShippedFile& file : kShipped) {
        const ParsedFile parsed = Parse(kLanguageDir + file.name);
        std::set<std::wstring> keys(parsed.stringKeys.begin(), parsed.stringKeys.end());
        EXPECT_EQ(parsed.stringKeys.size(), keys.size()) << Narrow(file.name) << " repeats a key";
        EXPECT_EQ(s_englishKeys, keys) << Narrow(file.name);
        for (const std::wstring& key : s_englishKeys) {
            const std::wstring text = Text(file.id, key);
            const std::wstring english = Text(1033, key);
            EXPECT_FALSE(text.empty()) << Narrow(file.name) << " " << Narrow(key);
            EXPECT_EQ(CountPlaceholders(english), CountPlaceholders(text)) << Narrow(file.name) << " " << Narrow(key);
            EXPECT_EQ(kFormats.count(key) ? 1u : 0u, CountPlaceholders(text)) << Narrow(file.name) << " " << Narrow(key);
            EXPECT_EQ(std::count(english.begin(), english.end(), L'%'), std::count(text.begin(), text.end(), L'%'))
                << Narrow(file.name) << " " << Narrow(key);
        }
    }
}

TEST_F(ShippedLanguageFiles, SizeListHoldsFourSizesThenTheFullScreen) {
    const std::wregex size(LR"(\d+x\d+)");
    for (const ShippedFile& file : kShipped) {
        for (int i = 0; i < 5; ++i) {
            const std::wstring text = Text(file.id, L"IDC_COMBO_DEFAULTRECORDSIZE_" + std::to_wstring(i));
            EXPECT_EQ(i < 4, std::regex_match(text, size)) << Narrow(file.name) << " " << i;
        }
        // The size of a first run is offered.
        EXPECT_EQ(L"800x600", Text(file.id, L"IDC_COMBO_DEFAULTRECORDSIZE_1"));
        EXPECT_EQ(Text(file.id, L"IDC_RADIO_FULLSCREEN"), Text(file.id, L"IDC_COMBO_DEFAULTRECORDSIZE_4"));
    }
}
