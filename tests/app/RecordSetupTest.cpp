// What a recording is made of, before any window or thread takes part.
#include "AppTestSupport.h"

#include "app/HotKeys.h"
#include "app/RecordSetup.h"
#include "app/RecorderMessages.h"
#include "config/Settings.h"

#include <gtest/gtest.h>

namespace {

constexpr SIZE kScreen{1280, 800};

RecorderSettings Base() {
    RecorderSettings s{};
    ResetSettingsToDefaults(s, nullptr);
    s.video.nVideoQuality = 1;
    s.audio.bRecordSystemVoice = 0;
    return s;
}

bool Same(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

TEST(RecordSetup, RecordsFollowObjectRegionAndWindow) {
    RecorderSettings s = Base();
    s.video.nRecordRegion = kRecordRegionFullScreen;
    RecordRecords r = FillRecords(s, RECT{}, nullptr, kScreen);
    EXPECT_TRUE(r.sized);
    EXPECT_EQ(SENCODER_SOURCE_SCREEN, r.source.nSourceType);
    EXPECT_EQ(1280, r.param.nVideoWidth);
    EXPECT_EQ(800, r.param.nVideoHeight);
    EXPECT_EQ(15, r.param.nFrameRate);
    EXPECT_EQ(0, r.source.bAudioOn);

    // A rectangle keeps its odd size; a picked window is taken as its current rectangle.
    s.video.nRecordRegion = kRecordRegionUserDefined;
    r = FillRecords(s, RECT{10, 10, 811, 611}, nullptr, kScreen);
    EXPECT_EQ(SENCODER_SOURCE_RECT, r.source.nSourceType);
    EXPECT_TRUE(Same(RECT{10, 10, 811, 611}, r.source.rcCapture));
    EXPECT_EQ(801, r.param.nVideoWidth);
    const RECT window{100, 50, 400, 250};
    r = FillRecords(s, RECT{10, 10, 811, 611}, &window, kScreen);
    EXPECT_EQ(SENCODER_SOURCE_RECT, r.source.nSourceType);
    EXPECT_EQ(nullptr, r.source.hWnd);
    EXPECT_TRUE(Same(window, r.source.rcCapture));

    // Clipped to the screen; nothing left of it is no recording.
    r = FillRecords(s, RECT{1200, 700, 1400, 900}, nullptr, kScreen);
    EXPECT_TRUE(Same(RECT{1200, 700, 1280, 800}, r.source.rcCapture));
    EXPECT_FALSE(FillRecords(s, RECT{1300, 0, 1400, 100}, nullptr, kScreen).sized);

    // Camera only: the picture window's rectangle; without one nothing is filled.
    s.video.nRecordObject = kRecordObjectCamera;
    r = FillRecords(s, RECT{}, &window, kScreen);
    EXPECT_TRUE(r.sized);
    EXPECT_TRUE(Same(window, r.source.rcCapture));
    EXPECT_FALSE(FillRecords(s, RECT{}, nullptr, kScreen).sized);
    // Screen and camera-only together: the type the library rejects.
    s.video.nRecordObject = kRecordObjectScreen | kRecordObjectCamera;
    r = FillRecords(s, RECT{0, 0, 100, 100}, nullptr, kScreen);
    EXPECT_EQ(4, r.source.nSourceType);
    EXPECT_FALSE(r.sized);

    // Audio and quality.
    s = Base();
    s.video.nRecordRegion = kRecordRegionFullScreen;
    s.video.nVideoQuality = 4;
    s.audio.bRecordSystemVoice = 1;
    s.audio.nDeviceID = 3;
    wcscpy_s(s.audio.szDeviceName, L"In: default");
    r = FillRecords(s, RECT{}, nullptr, kScreen);
    EXPECT_EQ(1, r.source.bAudioOn);
    EXPECT_EQ(3, r.source.nAudioDeviceId);
    EXPECT_STREQ(L"In: default", r.source.szAudioDevice);
    EXPECT_EQ(3, r.param.nFrameRate);
    EXPECT_EQ(22050, r.param.nAudioSampleRate);
}

TEST(RecordSetup, RectanglesAndPlaces) {
    EXPECT_TRUE(Same(RECT{0, 0, 1280, 800}, FixRecordRect(RECT{10, 10, 0, 100}, 1, 1, nullptr, kScreen)));
    EXPECT_TRUE(Same(RECT{0, 0, 1280, 800}, FixRecordRect(RECT{10, 10, 50, 50}, 0, 1, nullptr, kScreen)));
    const RECT camera{100, 100, 658, 558};
    EXPECT_TRUE(Same(RECT{104, 104, 654, 558}, FixRecordRect(RECT{1, 1, 2, 2}, 1, 2, &camera, kScreen)));
    // A 150 x 300 region gets a 75 x 150 camera picture at its bottom-right, one pixel in.
    EXPECT_TRUE(Same(RECT{74, 149, 149, 299}, CameraRectInRegion(RECT{0, 0, 150, 300})));
    EXPECT_TRUE(Same(RECT{639, 479, 799, 599}, CameraRectInRegion(RECT{0, 0, 800, 600})));
    EXPECT_TRUE(Same(RECT{0, 0, 1920, 1080}, CentredRect(SIZE{1920, 1080}, 4000, 3000)));
    EXPECT_TRUE(Same(RECT{560, 240, 1360, 840}, CentredRect(SIZE{1920, 1080}, 800, 600)));
    const POINT at = MainWindowPosition(RECT{0, 0, 1280, 800}, SIZE{244, 168});
    EXPECT_EQ(1031, at.x);
    EXPECT_EQ(627, at.y);
    // The work area's left edge is subtracted as well (a task bar on the left).
    EXPECT_EQ(1920 - 244 - 45, MainWindowPosition(RECT{40, 0, 1920, 1040}, SIZE{244, 168}).x);
}

TEST(RecordSetup, OutputFileIsReservedUnderAFreeName) {
    apptest::TempFolder temp;
    const std::wstring nested = temp.Path() + L"a\\b/c";
    ASSERT_TRUE(EnsureFolder(nested));
    EXPECT_FALSE(EnsureFolder(L"Q:\\no\\such\\drive"));

    std::wstring folder = temp.Path();
    folder.pop_back();  // without the backslash
    bool reserved = false;
    const std::wstring first = ReserveOutputFile(folder, L"2014-12-05-09-07-03", &reserved);
    EXPECT_TRUE(reserved);
    EXPECT_EQ(temp.Path() + L"2014-12-05-09-07-03.wmv", first);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(first.c_str()));
    EXPECT_EQ(temp.Path() + L"2014-12-05-09-07-03-1.wmv", ReserveOutputFile(temp.Path(), L"2014-12-05-09-07-03", &reserved));
    EXPECT_EQ(temp.Path() + L"2014-12-05-09-07-03-2.wmv", ReserveOutputFile(folder, L"2014-12-05-09-07-03", &reserved));
    // A folder that is not there: the plain name, nothing reserved (the encoder reports it).
    EXPECT_EQ(L"Q:\\x\\s.wmv", ReserveOutputFile(L"Q:\\x", L"s", &reserved));
    EXPECT_FALSE(reserved);
}

TEST(RecordSetup, MessageKeysFiltersAndHotKeys) {
    EXPECT_EQ(L"0001", FailureMessageKey(1));
    EXPECT_EQ(L"0002", FailureMessageKey(0x00BF0002));
    EXPECT_EQ(L"0004", FailureMessageKey(0x007B0004));
    EXPECT_EQ(L"ffff", FailureMessageKey(-1));

    const std::vector<wchar_t> f = FileDialogFilter(L"Video|*.wmv");
    EXPECT_EQ((std::vector<wchar_t>{L'V', L'i', L'd', L'e', L'o', 0, L'*', L'.', L'w', L'm', L'v', 0, 0}), f);
    const std::vector<wchar_t> g = FileDialogFilter(L"A|*.a||");
    ASSERT_GE(g.size(), 2u);
    EXPECT_EQ(0, g[g.size() - 1]);
    EXPECT_EQ(0, g[g.size() - 2]);
    EXPECT_TRUE(FileDialogFilter(L"").empty());
    EXPECT_EQ(0, PlayerSliderPercent(5, 0));
    EXPECT_EQ(50, PlayerSliderPercent(5, 10));

    CHotKeyTable keys;
    keys.SetKeys(VK_F1, VK_F2, VK_F3);
    EXPECT_EQ(WM_HOTKEY_START, keys.MessageFor(VK_F1));
    EXPECT_EQ(WM_HOTKEY_STOP, keys.MessageFor(VK_F3));
    EXPECT_EQ(0u, keys.MessageFor(VK_F4));
    keys.SetKeys(0, VK_F1, 0);  // zero keeps a key; the start key wins a tie
    EXPECT_EQ(WM_HOTKEY_START, keys.MessageFor(VK_F1));
    EXPECT_EQ(0u, keys.MessageFor(VK_F2));
    EXPECT_EQ(WM_HOTKEY_STOP, keys.MessageFor(VK_F3));
}

} // namespace
