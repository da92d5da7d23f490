// Settings.ini files as users and other programs leave them: loading must keep every
// text terminated inside its field and every range-tested field inside its range.
#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

namespace {

struct SectionKeys {
    const wchar_t* section;
    std::vector<const wchar_t*> keys;
};

const std::vector<SectionKeys>& Layout() {
    static const std::vector<SectionKeys> layout = {
        {L"Main", {L"SelectTab", L"Language"}},
        {L"Video", {L"RecordObject", L"RecordRegion", L"VideoQuality", L"VideoFormat", L"CameraIndex",
                    L"CameraName", L"OutDir"}},
        {L"Audio", {L"RecordSystemVoice", L"DeviceID", L"Volume", L"DeviceName", L"LineName"}},
        {L"Common", {L"UseDefaultRecordSize", L"DefaultRecordSize", L"MinWindow", L"OpenFileAfterRecord",
                     L"CloseToTray", L"ShowShadow", L"AutoUpdate"}},
        {L"Advanced", {L"Hotkey_Start", L"Hotkey_Pause", L"Hotkey_Stop", L"NoteTime", L"NoteWatermark",
                       L"NoteTitle"}},
        {L"VideoWatermask", {L"Path", L"Transparency", L"PosX", L"PosY", L"Zoom"}},
        {L"VideoTitle", {L"Title", L"Type", L"ClrNormal", L"ClrShadow", L"PosX", L"PosY", L"FontName",
                         L"FontSize"}},
    };
    return layout;
}

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int Below(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }

    std::wstring Text(size_t length) {
        std::wstring t;
        for (size_t i = 0; i < length; ++i) {
            switch (Below(6)) {
            case 0: t += static_cast<wchar_t>(0xD800 + Below(0x800)); break;  // surrogates, paired or not
            case 1: t += static_cast<wchar_t>(0x80 + Below(0xFF00)); break;
            case 2: t += L"=[];\"x "[Below(7)]; break;
            default: t += static_cast<wchar_t>(L'0' + Below(75)); break;
            }
        }
        return t;
    }

    std::wstring Value() {
        static const wchar_t* const fixed[] = {
            L"99999999999999999999", L"-2147483648", L"2147483647", L"4294967295", L"-1", L"0",
            L"0x7FFFFFFF", L"", L"???", L"  12  ", L"-", L"1e9", L"101", L"124", L"112", L"4",
            L"2147483647x2147483647", L"-5x-5", L"0X0", L"x", L"X600", L"99999999999x1",
            L"\"quoted\"", L"12abc"};
        switch (Below(6)) {
        case 0: return fixed[Below(static_cast<int>(std::size(fixed)))];
        case 1: return std::to_wstring(static_cast<int>(m_rng()));
        case 2: return std::to_wstring(Below(130) - 5);  // around the ranges
        case 3: return std::to_wstring(Below(3000) - 10) + (Below(2) ? L"x" : L"X") + std::to_wstring(Below(3000) - 10);
        case 4: return Text(Below(40));
        default: return Text(200 + Below(3000));  // overlong
        }
    }

    // An INI text: some sections (maybe none, maybe repeated), known and unknown keys,
    // lines without '=' and stray brackets.
    std::wstring Ini() {
        std::wstring ini;
        const int sections = Below(10);
        for (int i = 0; i < sections; ++i) {
            const SectionKeys& own = Layout()[Below(static_cast<int>(Layout().size()))];
            ini += L"[";
            ini += Below(8) ? own.section : Text(Below(20)).c_str();
            ini += L"]\r\n";
            const int keys = Below(30);
            for (int k = 0; k < keys; ++k) {
                if (Below(10) == 0) {
                    ini += Text(Below(50)) + L"\r\n";
                    continue;
                }
                // Mostly the section's own keys, sometimes another section's or none known.
                const SectionKeys& from = Below(5) ? own : Layout()[Below(static_cast<int>(Layout().size()))];
                ini += Below(10) ? from.keys[Below(static_cast<int>(from.keys.size()))] : Text(Below(10)).c_str();
                ini += L"=" + Value() + (Below(5) ? L"\r\n" : L"\n");
            }
        }
        return ini;
    }

    std::string Bytes(size_t length) {
        std::string b(length, '\0');
        for (char& c : b) c = static_cast<char>(m_rng() & 0xFF);
        return b;
    }

    std::mt19937& Rng() { return m_rng; }

private:
    std::mt19937 m_rng;
};

std::string AsUtf16Le(const std::wstring& text, bool bom) {
    std::string b = bom ? "\xFF\xFE" : "";
    b.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return b;
}

std::string AsUtf16Be(const std::wstring& text) {
    std::string b = "\xFE\xFF";
    for (wchar_t c : text) {
        b += static_cast<char>(c >> 8);
        b += static_cast<char>(c & 0xFF);
    }
    return b;
}

// Narrow bytes: ASCII stays, everything else becomes a byte of the upper half.
std::string AsAnsi(const std::wstring& text, const char* prefix) {
    std::string b = prefix;
    for (wchar_t c : text) b += c < 0x80 ? static_cast<char>(c) : static_cast<char>(0x80 | (c & 0x7F));
    return b;
}

std::string Content(Generator& g, int kind) {
    switch (kind) {
    case 0: return g.Bytes(g.Below(4000));
    case 1: return AsUtf16Le(g.Ini(), true);
    case 2: return AsAnsi(g.Ini(), "");
    case 3: return AsAnsi(g.Ini(), "\xEF\xBB\xBF");           // UTF-8 mark, bytes not always UTF-8
    case 4: return AsUtf16Be(g.Ini());
    case 5: return "\xFF\xFE" + g.Bytes(g.Below(4000));        // a mark, then noise
    case 6: return AsUtf16Le(g.Ini(), false);                  // UTF-16 without its mark
    default: {
        // A sound file cut off anywhere.
        std::string b = AsUtf16Le(g.Ini(), true);
        return b.substr(0, g.Below(static_cast<int>(b.size()) + 1));
    }
    }
}

template <size_t N>
bool Terminated(const wchar_t (&field)[N]) {
    return ::wmemchr(field, 0, N) != nullptr;
}

struct Guarded {
    unsigned char before[64];
    RecorderSettings s;
    unsigned char after[64];
};

TEST(SettingsGarbage, LoadKeepsTextsTerminatedAndFieldsInRange) {
    Generator g(20141205);
    const vt::UniqueFont font(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    TestSettingsHost host(font.Get());
    constexpr int kCases = 320;
    // How often the generated files reached the cases worth reaching.
    int cutLong = 0, cutShort = 0, tookRanged = 0, usedDefaultSize = 0;
    for (int i = 0; i < kCases; ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        SettingsFolderScope folder;
        WriteFileBytes(folder.SettingsPath(), Content(g, i % 8));

        Guarded m;
        std::memset(&m, 0xCC, sizeof(m));
        host.captureRectCalls = 0;
        LoadSettings(m.s, &host);

        for (unsigned char c : m.before) ASSERT_EQ(c, 0xCC);
        for (unsigned char c : m.after) ASSERT_EQ(c, 0xCC);
        const RecorderSettings& s = m.s;
        ASSERT_TRUE(Terminated(s.video.szCameraName));
        ASSERT_TRUE(Terminated(s.video.szOutDir));
        ASSERT_TRUE(Terminated(s.audio.szDeviceName));
        ASSERT_TRUE(Terminated(s.audio.szLineName));
        ASSERT_TRUE(Terminated(s.advanced.title.szTitle));
        ASSERT_TRUE(Terminated(s.advanced.title.lfFont.lfFaceName));
        ASSERT_TRUE(Terminated(s.advanced.watermark.szPath));

        EXPECT_GE(s.nSelectTab, 0);
        EXPECT_LE(s.nSelectTab, 3);
        EXPECT_NE(s.nLanguage, 0);
        EXPECT_GE(s.video.nRecordRegion, 0);
        EXPECT_LE(s.video.nRecordRegion, 1);
        EXPECT_GE(s.video.nRecordObject, 1);
        EXPECT_GE(s.video.nVideoQuality, 0);
        EXPECT_LE(s.video.nVideoQuality, 4);
        EXPECT_GE(s.video.nVideoFormat, 0);
        EXPECT_LE(s.video.nVideoFormat, 3);
        EXPECT_GE(s.audio.nVolume, 0);
        EXPECT_LE(s.audio.nVolume, 100);
        EXPECT_GE(s.common.nDefaultRecordWidth, 1);
        EXPECT_GE(s.common.nDefaultRecordHeight, 1);
        for (int key : {s.advanced.nHotkeyStart, s.advanced.nHotkeyPause, s.advanced.nHotkeyStop}) {
            EXPECT_GE(key, 112);
            EXPECT_LE(key, 123);
        }
        if (s.common.bUseDefaultRecordSize) {
            EXPECT_EQ(s.video.nRecordRegion, 1);
            ASSERT_EQ(host.captureRectCalls, 1);
            EXPECT_EQ(host.captureRect.right - host.captureRect.left, s.common.nDefaultRecordWidth);
            EXPECT_EQ(host.captureRect.bottom - host.captureRect.top, s.common.nDefaultRecordHeight);
        }
        EXPECT_EQ(host.Checked(TestSettingsHost::kUserDefinedItem), s.video.nRecordRegion == 1);
        EXPECT_NE(host.Checked(TestSettingsHost::kFullScreenItem), s.video.nRecordRegion == 1);

        cutLong += std::wcslen(s.advanced.title.szTitle) == 259 || std::wcslen(s.video.szOutDir) == 259;
        cutShort += std::wcslen(s.audio.szDeviceName) == 31 || std::wcslen(s.audio.szLineName) == 31;
        tookRanged += s.nSelectTab != 0 || s.audio.nVolume != 100 || s.advanced.nHotkeyStart != 112;
        usedDefaultSize += s.common.bUseDefaultRecordSize != 0;

        // What was loaded can be saved and loaded again to the same record.
        if (i % 16 == 1) {
            SaveSettings(s);
            RecorderSettings back{};
            LoadSettings(back, &host);
            EXPECT_EQ(back.nSelectTab, s.nSelectTab);
            EXPECT_EQ(back.audio.nVolume, s.audio.nVolume);
            EXPECT_EQ(back.common.nDefaultRecordWidth, s.common.nDefaultRecordWidth);
        }
    }
    EXPECT_GT(cutLong, 10);
    EXPECT_GT(cutShort, 10);
    EXPECT_GT(tookRanged, 10);
    EXPECT_GT(usedDefaultSize, 10);
    std::printf("long texts cut %d, short texts cut %d, ranged values taken %d, default size used %d of %d\n",
                cutLong, cutShort, tookRanged, usedDefaultSize, kCases);
}

} // namespace
