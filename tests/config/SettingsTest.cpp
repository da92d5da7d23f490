#include "SettingsTestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

vt::UniqueFont MakeFont(const wchar_t* face, int height) {
    return vt::UniqueFont(::CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
}

LOGFONTW DefaultGuiFont() {
    LOGFONTW lf{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    return lf;
}

std::wstring VideoFolder() {
    wchar_t path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, path, CSIDL_MYVIDEO, FALSE);
    return path;
}

RECT ScreenCentred(int w, int h) {
    vt::WindowDc dc(nullptr);
    const int sw = ::GetDeviceCaps(dc.Get(), HORZRES), sh = ::GetDeviceCaps(dc.Get(), VERTRES);
    RECT rc{(sw - w) / 2, (sh - h) / 2, 0, 0};
    rc.right = rc.left + w;
    rc.bottom = rc.top + h;
    return rc;
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : font(MakeFont(L"Tahoma", -13)), host(font.Get()) {}

    // Loads from a UTF-16 file holding exactly this text, in the folder in force.
    void LoadFrom(const std::wstring& ini) {
        WriteUtf16File(SettingsFilePath(), ini);
        LoadSettings(s, &host);
    }

    vt::UniqueFont font;  // outlives the host's window
    SettingsFolderScope folder;
    TestSettingsHost host;
    RecorderSettings s{};
};

TEST_F(SettingsTest, FirstRunHasTheDefaultsAndTheWindowFont) {
    LoadSettings(s, &host);
    EXPECT_EQ(s.nSelectTab, 0);
    EXPECT_EQ(s.nLanguage, static_cast<int>(::GetThreadLocale()));
    EXPECT_EQ(s.video.nRecordRegion, 1);
    EXPECT_EQ(s.video.nRecordObject, 1);
    EXPECT_EQ(s.video.nVideoQuality, 0);
    EXPECT_EQ(s.video.nVideoFormat, 1);
    EXPECT_EQ(s.video.nCameraIndex, -1);
    EXPECT_STREQ(s.video.szCameraName, L"");
    EXPECT_FALSE(VideoFolder().empty());
    EXPECT_EQ(s.video.szOutDir, VideoFolder());
    EXPECT_EQ(s.audio.bRecordSystemVoice, 1);
    EXPECT_EQ(s.audio.nDeviceID, 0);
    EXPECT_EQ(s.audio.nVolume, 100);
    EXPECT_STREQ(s.audio.szDeviceName, L"");
    EXPECT_STREQ(s.audio.szLineName, L"");
    EXPECT_EQ(s.common.bUseDefaultRecordSize, 0);
    EXPECT_EQ(s.common.bMinWindow, 1);
    EXPECT_EQ(s.common.bOpenFileAfterRecord, 0);
    EXPECT_EQ(s.common.bShowShadow, 1);
    EXPECT_EQ(s.common.bAutoUpdate, 1);
    EXPECT_EQ(s.common.bCloseToTray, 0);
    EXPECT_EQ(s.common.nDefaultRecordWidth, 800);
    EXPECT_EQ(s.common.nDefaultRecordHeight, 600);
    EXPECT_EQ(s.advanced.nHotkeyStart, 112);
    EXPECT_EQ(s.advanced.nHotkeyPause, 113);
    EXPECT_EQ(s.advanced.nHotkeyStop, 114);
    EXPECT_EQ(s.advanced.bNoteTime, 0);
    EXPECT_EQ(s.advanced.bNoteWatermark, 0);
    EXPECT_EQ(s.advanced.bNoteTitle, 0);
    const TitleSettings& t = s.advanced.title;
    EXPECT_STREQ(t.szTitle, L"Tarn Video Recorder");
    EXPECT_EQ(t.nType, 1);
    EXPECT_STREQ(t.lfFont.lfFaceName, L"Tahoma");
    EXPECT_EQ(t.lfFont.lfHeight, -13);
    EXPECT_EQ(t.clrNormal, 0u);
    EXPECT_EQ(t.clrShadow, 0x606060u);
    EXPECT_EQ(t.nPosX, 50);
    EXPECT_EQ(t.nPosY, 0);
    const WatermarkSettings& w = s.advanced.watermark;
    EXPECT_STREQ(w.szPath, L"");
    EXPECT_EQ(w.nTransparency, 0);
    EXPECT_EQ(w.nZoom, 100);
    EXPECT_EQ(w.nPosX, 100);
    EXPECT_EQ(w.nPosY, 0);

    EXPECT_TRUE(host.Checked(TestSettingsHost::kUserDefinedItem));
    EXPECT_FALSE(host.Checked(TestSettingsHost::kFullScreenItem));
    EXPECT_EQ(host.captureRectCalls, 0);
    // Loading did not create the file.
    EXPECT_EQ(::GetFileAttributesW(folder.SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsTest, TitleFontFallsBackToTheDefaultGuiFont) {
    const LOGFONTW gui = DefaultGuiFont();
    TestSettingsHost fontless(nullptr);
    ResetSettingsToDefaults(s, &fontless);
    EXPECT_STREQ(s.advanced.title.lfFont.lfFaceName, gui.lfFaceName);
    EXPECT_EQ(s.advanced.title.lfFont.lfHeight, gui.lfHeight);

    RecorderSettings other{};
    ResetSettingsToDefaults(other, nullptr);
    EXPECT_EQ(std::memcmp(&other.advanced.title.lfFont, &gui, sizeof(gui)), 0);
}

TEST_F(SettingsTest, ResetClearsEverythingElse) {
    std::memset(&s, 0x5A, sizeof(s));
    ResetSettingsToDefaults(s, &host);
    RecorderSettings fresh{};
    ResetSettingsToDefaults(fresh, &host);
    EXPECT_EQ(std::memcmp(&s, &fresh, sizeof(s)), 0);
    // Text fields are zero behind their text.
    EXPECT_EQ(s.video.szCameraName[259], 0);
    EXPECT_EQ(s.advanced.title.szTitle[200], 0);
}

TEST_F(SettingsTest, SaveCreatesUtf16FileInSaveOrder) {
    LoadSettings(s, &host);
    SaveSettings(s);
    const std::string bytes = ReadFileBytes(folder.SettingsPath());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);

    const std::vector<std::wstring> expected = {
        L"[Main]", L"SelectTab=0", L"Language=" + std::to_wstring(::GetThreadLocale()),
        L"[Video]", L"RecordObject=1", L"RecordRegion=1", L"VideoQuality=0", L"VideoFormat=1",
        L"CameraIndex=-1", L"CameraName=", L"OutDir=" + VideoFolder(),
        L"[Audio]", L"RecordSystemVoice=1", L"DeviceID=0", L"Volume=100", L"DeviceName=", L"LineName=",
        L"[Common]", L"UseDefaultRecordSize=0", L"DefaultRecordSize=800x600", L"MinWindow=1",
        L"OpenFileAfterRecord=0", L"CloseToTray=0", L"ShowShadow=1", L"AutoUpdate=1",
        L"[Advanced]", L"Hotkey_Start=112", L"Hotkey_Pause=113", L"Hotkey_Stop=114", L"NoteTime=0",
        L"NoteWatermark=0", L"NoteTitle=0",
        L"[VideoWatermask]", L"Path=", L"Transparency=0", L"PosX=100", L"PosY=0", L"Zoom=100",
        L"[VideoTitle]", L"Title=Tarn Video Recorder", L"Type=1", L"ClrNormal=0", L"ClrShadow=6316128",
        L"PosX=50", L"PosY=0", L"FontName=Tahoma", L"FontSize=13",
    };
    EXPECT_EQ(ReadUtf16Lines(folder.SettingsPath()), expected);
}

TEST_F(SettingsTest, AnExistingEmptyFileIsMadeUtf16Too) {
    WriteFileBytes(folder.SettingsPath(), "");
    ResetSettingsToDefaults(s, &host);
    std::wcscpy(s.advanced.title.szTitle, L"Gr\u00FC\u00DFe \u65E5\u672C");
    SaveSettings(s);
    const std::string bytes = ReadFileBytes(folder.SettingsPath());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    RecorderSettings back{};
    LoadSettings(back, &host);
    EXPECT_STREQ(back.advanced.title.szTitle, L"Gr\u00FC\u00DFe \u65E5\u672C");
}

TEST_F(SettingsTest, RoundTripKeepsEveryField) {
    ResetSettingsToDefaults(s, &host);
    s.nSelectTab = 2;
    s.nLanguage = 2052;
    s.video.nRecordRegion = 0;
    s.video.nRecordObject = 4;
    s.video.nVideoQuality = 3;
    s.video.nVideoFormat = 0;
    s.video.nCameraIndex = 2;
    std::wcscpy(s.video.szCameraName, L"USB Kamera \u00C4\u00D6\u00DC \u65E5\u672C");
    std::wcscpy(s.video.szOutDir, L"C:\\Aufnahmen\\\u00C9t\u00E9");
    s.audio.bRecordSystemVoice = 0;
    s.audio.nDeviceID = 3;
    s.audio.nVolume = 37;
    std::wcscpy(s.audio.szDeviceName, std::wstring(31, L'D').c_str());
    std::wcscpy(s.audio.szLineName, L"Mikrofon");
    s.common.bMinWindow = 0;
    s.common.bOpenFileAfterRecord = 1;
    s.common.bShowShadow = 0;
    s.common.bAutoUpdate = 0;
    s.common.bCloseToTray = 1;
    s.common.nDefaultRecordWidth = 1024;
    s.common.nDefaultRecordHeight = 768;
    s.advanced.nHotkeyStart = 121;
    s.advanced.nHotkeyPause = 122;
    s.advanced.nHotkeyStop = 123;
    s.advanced.bNoteTime = 1;
    s.advanced.bNoteWatermark = 1;
    s.advanced.bNoteTitle = 1;
    TitleSettings& t = s.advanced.title;
    std::wcscpy(t.szTitle, std::wstring(259, L'T').c_str());
    t.nType = 0;
    std::wcscpy(t.lfFont.lfFaceName, L"Courier New");
    t.lfFont.lfHeight = 20;
    t.clrNormal = RGB(0x12, 0x34, 0x56);
    t.clrShadow = RGB(0xFF, 0xFF, 0xFF);
    t.nPosX = 10;
    t.nPosY = -3;
    WatermarkSettings& w = s.advanced.watermark;
    std::wcscpy(w.szPath, L"C:\\Bilder\\logo.png");
    w.nTransparency = 40;
    w.nZoom = 150;
    w.nPosX = 5;
    w.nPosY = 95;

    SaveSettings(s);
    RecorderSettings back{};
    TestSettingsHost other(nullptr);
    LoadSettings(back, &other);

    // Of the font only the face and the height are stored; the rest is the window's.
    EXPECT_STREQ(back.advanced.title.lfFont.lfFaceName, L"Courier New");
    EXPECT_EQ(back.advanced.title.lfFont.lfHeight, 20);
    RecorderSettings expected = s;
    expected.advanced.title.lfFont = back.advanced.title.lfFont;
    EXPECT_EQ(std::memcmp(&expected, &back, sizeof(back)), 0);
    EXPECT_EQ(back.nLanguage, 2052);
    EXPECT_EQ(back.video.nRecordRegion, 0);
    EXPECT_EQ(std::wcslen(back.advanced.title.szTitle), 259u);
    EXPECT_EQ(back.advanced.title.clrShadow, 0xFFFFFFu);
    EXPECT_TRUE(other.Checked(TestSettingsHost::kFullScreenItem));
    EXPECT_FALSE(other.Checked(TestSettingsHost::kUserDefinedItem));
}

TEST_F(SettingsTest, DefaultRecordSizeTexts) {
    struct Case { const wchar_t* text; int w, h; } cases[] = {
        {L"1024X768", 1024, 768}, {L"1024", 800, 600}, {L"0x768", 800, 600}, {L"abcx600", 800, 600},
        {L"1280x-1", 800, 600}, {L"640x480", 640, 480}, {L"", 800, 600}, {L"12x34X56", 12, 34},
    };
    for (const Case& c : cases) {
        SettingsFolderScope own;
        LoadFrom(std::wstring(L"[Common]\r\nDefaultRecordSize=") + c.text + L"\r\n");
        EXPECT_EQ(s.common.nDefaultRecordWidth, c.w) << c.text;
        EXPECT_EQ(s.common.nDefaultRecordHeight, c.h) << c.text;
    }
}

TEST(ParseSizeText, SeparatorAndConversion) {
    int w = -7, h = -7;
    EXPECT_FALSE(ParseSizeText(L"", w, h));
    EXPECT_FALSE(ParseSizeText(nullptr, w, h));
    EXPECT_FALSE(ParseSizeText(L"1024", w, h));
    EXPECT_EQ(w, -7);
    EXPECT_TRUE(ParseSizeText(L"abcx600", w, h));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 600);
    EXPECT_TRUE(ParseSizeText(L"1024X768", w, h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    // The first lower-case x wins over an earlier capital X.
    EXPECT_TRUE(ParseSizeText(L"3X4x5", w, h));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 5);
}

TEST_F(SettingsTest, UseDefaultRecordSizeCentresTheCaptureRectangle) {
    LoadFrom(L"[Video]\r\nRecordRegion=0\r\n[Common]\r\nUseDefaultRecordSize=1\r\nDefaultRecordSize=800x600\r\n");
    EXPECT_EQ(s.video.nRecordRegion, 1);
    ASSERT_EQ(host.captureRectCalls, 1);
    const RECT want = ScreenCentred(800, 600);
    EXPECT_EQ(host.captureRect.left, want.left);
    EXPECT_EQ(host.captureRect.top, want.top);
    EXPECT_EQ(host.captureRect.right, want.right);
    EXPECT_EQ(host.captureRect.bottom, want.bottom);
    EXPECT_EQ(host.captureRect.right - host.captureRect.left, 800);
    // The menu ends with the record: user-defined.
    EXPECT_TRUE(host.Checked(TestSettingsHost::kUserDefinedItem));
    EXPECT_FALSE(host.Checked(TestSettingsHost::kFullScreenItem));
}

TEST_F(SettingsTest, RecordRegionSetsTheMenuMarks) {
    LoadFrom(L"[Video]\r\nRecordRegion=0\r\n");
    EXPECT_EQ(s.video.nRecordRegion, 0);
    EXPECT_TRUE(host.Checked(TestSettingsHost::kFullScreenItem));
    EXPECT_FALSE(host.Checked(TestSettingsHost::kUserDefinedItem));
    EXPECT_EQ(host.captureRectCalls, 0);
}

TEST_F(SettingsTest, RangeTestedFieldsKeepTheirDefaults) {
    LoadFrom(L"[Main]\r\nSelectTab=4\r\n[Video]\r\nVideoQuality=5\r\nRecordObject=0\r\nRecordRegion=2\r\n"
             L"VideoFormat=-1\r\n[Audio]\r\nVolume=101\r\n"
             L"[Advanced]\r\nHotkey_Start=124\r\nHotkey_Pause=65\r\nHotkey_Stop=111\r\n");
    EXPECT_EQ(s.nSelectTab, 0);
    EXPECT_EQ(s.video.nVideoQuality, 0);
    EXPECT_EQ(s.video.nRecordObject, 1);
    EXPECT_EQ(s.video.nRecordRegion, 1);
    EXPECT_EQ(s.video.nVideoFormat, 1);
    EXPECT_EQ(s.audio.nVolume, 100);
    EXPECT_EQ(s.advanced.nHotkeyStart, 112);
    EXPECT_EQ(s.advanced.nHotkeyPause, 113);
    EXPECT_EQ(s.advanced.nHotkeyStop, 114);
}

TEST_F(SettingsTest, InRangeValuesAreTaken) {
    LoadFrom(L"[Main]\r\nSelectTab=3\r\n[Video]\r\nVideoQuality=4\r\nRecordObject=2\r\nVideoFormat=3\r\n"
             L"[Audio]\r\nVolume=0\r\n[Advanced]\r\nHotkey_Start=123\r\nHotkey_Pause=112\r\nNoteTime=7\r\n");
    EXPECT_EQ(s.nSelectTab, 3);
    EXPECT_EQ(s.video.nVideoQuality, 4);
    EXPECT_EQ(s.video.nRecordObject, 2);
    EXPECT_EQ(s.video.nVideoFormat, 3);
    EXPECT_EQ(s.audio.nVolume, 0);
    EXPECT_EQ(s.advanced.nHotkeyStart, 123);
    EXPECT_EQ(s.advanced.nHotkeyPause, 112);
    EXPECT_EQ(s.advanced.bNoteTime, 7);
}

TEST_F(SettingsTest, NegativeValuesStayOutOfTheRanges) {
    LoadFrom(L"[Main]\r\nSelectTab=-1\r\n[Video]\r\nVideoQuality=-2\r\nRecordRegion=-1\r\n"
             L"[Audio]\r\nVolume=-5\r\n");
    EXPECT_EQ(s.nSelectTab, 0);
    EXPECT_EQ(s.video.nVideoQuality, 0);
    EXPECT_EQ(s.video.nRecordRegion, 1);
    EXPECT_EQ(s.audio.nVolume, 100);
}

TEST_F(SettingsTest, AbsentKeysOfAnExistingFile) {
    LoadFrom(L"[Main]\r\nSelectTab=1\r\n");
    // Keys with an absent test keep their defaults...
    EXPECT_EQ(s.nSelectTab, 1);
    EXPECT_EQ(s.nLanguage, static_cast<int>(::GetThreadLocale()));
    EXPECT_EQ(s.video.nRecordRegion, 1);
    EXPECT_EQ(s.video.nVideoFormat, 1);
    EXPECT_EQ(s.video.nCameraIndex, -1);
    EXPECT_EQ(s.video.szOutDir, VideoFolder());
    EXPECT_EQ(s.audio.nVolume, 100);
    EXPECT_EQ(s.common.bMinWindow, 1);
    EXPECT_EQ(s.advanced.nHotkeyStop, 114);
    // ...the title and watermark blocks have none.
    EXPECT_STREQ(s.advanced.title.szTitle, L"???");
    EXPECT_STREQ(s.advanced.title.lfFont.lfFaceName, L"???");
    EXPECT_EQ(s.advanced.title.nType, 0);
    EXPECT_EQ(s.advanced.title.clrShadow, 0u);
    EXPECT_EQ(s.advanced.title.nPosX, 0);
    EXPECT_EQ(s.advanced.title.lfFont.lfHeight, 0);
    EXPECT_STREQ(s.advanced.watermark.szPath, L"");
    EXPECT_EQ(s.advanced.watermark.nZoom, 0);
    EXPECT_EQ(s.advanced.watermark.nPosX, 0);
}

TEST_F(SettingsTest, LanguageZeroMeansTheThreadLocale) {
    LoadFrom(L"[Main]\r\nLanguage=0\r\n");
    EXPECT_EQ(s.nLanguage, static_cast<int>(::GetThreadLocale()));
    SettingsFolderScope own;
    LoadFrom(L"[Main]\r\nLanguage=1031abc\r\n");
    EXPECT_EQ(s.nLanguage, 1031);
}

TEST_F(SettingsTest, FontHeightIsStoredAsItsAbsoluteValue) {
    ResetSettingsToDefaults(s, &host);
    s.advanced.title.lfFont.lfHeight = -12;
    s.advanced.title.clrShadow = 0x606060;
    SaveSettings(s);
    const std::vector<std::wstring> lines = ReadUtf16Lines(folder.SettingsPath());
    EXPECT_EQ(lines.back(), L"FontSize=12");
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"ClrShadow=6316128"), lines.end());
    RecorderSettings back{};
    LoadSettings(back, &host);
    EXPECT_EQ(back.advanced.title.lfFont.lfHeight, 12);
    EXPECT_EQ(back.advanced.title.clrShadow, 0x606060u);

    s.advanced.title.lfFont.lfHeight = LONG_MIN;
    SaveSettings(s);
    EXPECT_EQ(ReadUtf16Lines(folder.SettingsPath()).back(), L"FontSize=2147483647");
}

TEST_F(SettingsTest, OverlongTextsAreCutToTheirFields) {
    const std::wstring longText(400, L'L');
    // A surrogate pair (U+1F600) that would straddle the cut of the face name.
    const std::wstring face = std::wstring(30, L'F') + L"\xD83D\xDE00" + L"tail";
    LoadFrom(L"[Video]\r\nCameraName=" + longText + L"\r\nOutDir=" + longText +
             L"\r\n[Audio]\r\nDeviceName=" + longText + L"\r\nLineName=" + std::wstring(32, L'N') +
             L"\r\n[VideoTitle]\r\nTitle=" + longText + L"\r\nFontName=" + face +
             L"\r\n[VideoWatermask]\r\nPath=" + std::wstring(258, L'P') + L"\xD83D\xDE00" + L"tail\r\n");
    EXPECT_EQ(std::wstring(s.video.szCameraName), std::wstring(259, L'L'));
    EXPECT_EQ(std::wstring(s.video.szOutDir), std::wstring(259, L'L'));
    EXPECT_EQ(std::wstring(s.audio.szDeviceName), std::wstring(31, L'L'));
    EXPECT_EQ(std::wstring(s.audio.szLineName), std::wstring(31, L'N'));
    EXPECT_EQ(std::wstring(s.advanced.title.szTitle), std::wstring(259, L'L'));
    EXPECT_EQ(std::wstring(s.advanced.title.lfFont.lfFaceName), std::wstring(30, L'F'));
    EXPECT_EQ(std::wstring(s.advanced.watermark.szPath), std::wstring(258, L'P'));
}

TEST_F(SettingsTest, SavedTextsStayInsideTheirFieldsAndLines) {
    ResetSettingsToDefaults(s, &host);
    // Not terminated: the writer must not run on into the line name.
    std::wmemset(s.audio.szDeviceName, L'A', kSettingsShortTextChars);
    std::wcscpy(s.audio.szLineName, L"Mic");
    std::wcscpy(s.advanced.title.szTitle, L"one\r\n[Main]\r\nSelectTab=3");
    s.nSelectTab = 1;
    SaveSettings(s);
    const std::vector<std::wstring> lines = ReadUtf16Lines(folder.SettingsPath());
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"DeviceName=" + std::wstring(32, L'A')), lines.end());
    RecorderSettings back{};
    LoadSettings(back, &host);
    EXPECT_EQ(back.nSelectTab, 1);
    EXPECT_STREQ(back.advanced.title.szTitle, L"one  [Main]  SelectTab=3");
    EXPECT_EQ(std::wstring(back.audio.szDeviceName), std::wstring(31, L'A'));
    EXPECT_STREQ(back.audio.szLineName, L"Mic");
}

TEST_F(SettingsTest, ReadOnlyFileIsLeftAlone) {
    const std::wstring ini = L"[Main]\r\nSelectTab=3\r\n";
    WriteUtf16File(folder.SettingsPath(), ini);
    const std::string before = ReadFileBytes(folder.SettingsPath());
    ASSERT_TRUE(::SetFileAttributesW(folder.SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
    ResetSettingsToDefaults(s, &host);
    SaveSettings(s);
    EXPECT_EQ(ReadFileBytes(folder.SettingsPath()), before);
}

TEST_F(SettingsTest, LockedFileIsLeftAlone) {
    WriteUtf16File(folder.SettingsPath(), L"[Main]\r\nSelectTab=3\r\n");
    const std::string before = ReadFileBytes(folder.SettingsPath());
    {
        vt::UniqueKernelHandle lock(::CreateFileW(folder.SettingsPath().c_str(), GENERIC_READ | GENERIC_WRITE,
                                                  0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        ResetSettingsToDefaults(s, &host);
        SaveSettings(s);
        // Unreadable while locked: defaults, the title block as for an absent section.
        LoadSettings(s, &host);
        EXPECT_EQ(s.nSelectTab, 0);
        EXPECT_EQ(s.audio.nVolume, 100);
    }
    EXPECT_EQ(ReadFileBytes(folder.SettingsPath()), before);
}

TEST(SettingsPath, FollowsTheProgramFolder) {
    SetSettingsFolderOverride(L"");
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder = exe;
    folder.resize(folder.rfind(L'\\') + 1);
    EXPECT_EQ(SettingsFilePath(), folder + L"Settings.ini");
    SetSettingsFolderOverride(L"C:\\x");
    EXPECT_EQ(SettingsFilePath(), L"C:\\x\\Settings.ini");
    SetSettingsFolderOverride(L"");
}

} // namespace
