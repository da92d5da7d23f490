// The decisions of the installation and the update check, without windows or network.
#include "devices/EncoderDetect.h"
#include "devices/UpdateConfig.h"
#include "toolkit/WebAddress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct FakeSystem {
    bool is64 = true;
    bool windows6 = true;
    std::optional<std::wstring> version;
    bool hotfix = true;
    std::vector<std::string> reads;

    EncoderSystem Get() {
        return EncoderSystem{
            [this] { return is64; },
            [this] { return windows6; },
            [this](bool view64) {
                reads.push_back(view64 ? "encoder64" : "encoder32");
                return version;
            },
            [this] {
                reads.push_back("hotfix");
                return hotfix;
            },
        };
    }
};

} // namespace

TEST(DetectEncoder, VersionNineOrLaterBeforeTheFirstDotCounts) {
    for (const wchar_t* present : {L"9.00.00.2980", L"9.", L"10.0", L"12345678901234567890.1"})
        EXPECT_TRUE(EncoderVersionPresent(present)) << present;
    for (const wchar_t* missing : {L"8.0", L"9", L"", L".9", L"-9.0", L"x9.0", L"08.9"})
        EXPECT_FALSE(EncoderVersionPresent(missing)) << missing;
}

TEST(DetectEncoder, SixtyFourBitSystemsNeverLookForTheHotfix) {
    FakeSystem s;
    s.hotfix = false;
    s.version = L"9.00.00.2980";
    EXPECT_EQ(kEncoderReady, DetectEncoder(s.Get()));
    s.version = L"8.0";
    EXPECT_EQ(kEncoderMissing64, DetectEncoder(s.Get()));
    s.version.reset();
    EXPECT_EQ(kEncoderMissing64, DetectEncoder(s.Get()));
    EXPECT_EQ((std::vector<std::string>{"encoder64", "encoder64", "encoder64"}), s.reads);
}

TEST(DetectEncoder, ThirtyTwoBitSystemsAddTheHotfixFromWindowsSix) {
    FakeSystem s;
    s.is64 = false;
    struct Case {
        bool windows6;
        std::optional<std::wstring> version;
        bool hotfix;
        int status;
    };
    const Case cases[] = {
        {true, L"9.00.00.2980", true, kEncoderReady},
        {true, L"9.00.00.2980", false, kHotfixMissing},
        {true, L"9", false, kEncoderAndHotfixMissing},
        {true, std::nullopt, true, kEncoderMissing32},
        {false, std::nullopt, false, kEncoderMissing32},
        {false, L"9.0", false, kEncoderReady},
    };
    for (const Case& c : cases) {
        s.windows6 = c.windows6;
        s.version = c.version;
        s.hotfix = c.hotfix;
        s.reads.clear();
        EXPECT_EQ(c.status, DetectEncoder(s.Get()));
        EXPECT_EQ("encoder32", s.reads.front());
        EXPECT_EQ(c.windows6 ? 2u : 1u, s.reads.size());
    }
}

TEST(DetectEncoder, InstallersPerStatusInOrderWithTheirSwitches) {
    EXPECT_TRUE(InstallersFor(kEncoderReady).empty());
    EXPECT_TRUE(InstallersFor(5).empty());
    const auto x64 = InstallersFor(kEncoderMissing64);
    ASSERT_EQ(1u, x64.size());
    EXPECT_STREQ(L"WMEncoderx64.exe", x64[0].fileName);
    EXPECT_STREQ(L"/Q", x64[0].argument);
    EXPECT_STREQ(L"WMEncoderx86.exe", InstallersFor(kEncoderMissing32)[0].fileName);
    EXPECT_STREQ(L"windowsmedia9-kb929182-intl.exe", InstallersFor(kHotfixMissing)[0].fileName);
    const auto both = InstallersFor(kEncoderAndHotfixMissing);
    ASSERT_EQ(2u, both.size());
    EXPECT_STREQ(L"WMEncoderx86.exe", both[0].fileName);
    EXPECT_FALSE(both[0].hotfix);
    EXPECT_STREQ(L"/qn", both[1].argument);
    EXPECT_TRUE(both[1].hotfix);
}

TEST(DetectEncoder, TheStandInsRegistrationCountsAsInstalled) {
    // The test prefix registers the encoder stand-in, which writes its "Version".
    EXPECT_EQ(kEncoderReady, DetectEncoder());
}

TEST(CompareVersions, PartsCompareAsNumbersOfAnyLength) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int order;
    };
    const Case cases[] = {
        {L"1.0.12.3", L"1.0.12.2", 1},  {L"1.0.12.2", L"1.0.12.2", 0},  {L"0.9", L"1.0.12.2", -1},
        {L"1.0.12.2.", L"1.0.12.2", 0}, {L"1.1", L"1.0.12.2", 1},       {L"..1..0.", L"1", 0},
        {L"1.00.010", L"1.0.10.0", 0},  {L"99999999999", L"4294967296", 1},
        {L"1.0.0.18446744073709551617", L"1.0.0.18446744073709551616", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.order, CompareVersions(c.a, c.b)) << c.a << " vs " << c.b;
        EXPECT_EQ(-c.order, CompareVersions(c.b, c.a)) << c.b << " vs " << c.a;
    }
}

TEST(CompareVersions, MalformedVersionsCompareWithNothing) {
    for (const wchar_t* bad : {L"", L"...", L"1.0.beta", L"1.2.3.4.5", L"1.-2", L" 1.0", L"1,0"})
        EXPECT_FALSE(CompareVersions(bad, L"1.0.0.0").has_value()) << bad;
}

TEST(UpdateConfig, ProgramVersionTextFromTheFileVersion) {
    EXPECT_EQ(L"1.0.12.2", FormatFileVersion(0x00010000, 0x000C0002));
    EXPECT_EQ(L"2.5", FormatFileVersion(0x00020005, 0));
    EXPECT_EQ(L"65535.0.0.1", FormatFileVersion(0xFFFF0000, 1));
    EXPECT_EQ(L"1.0.0.0", FormatFileVersion(0, 0));
    // The test program carries no version resource.
    EXPECT_EQ(L"1.0.0.0", ProgramFileVersion());
}

TEST(UpdateConfig, KeysAndServerByLanguage) {
    EXPECT_STREQ(L"Website_tw", WebsiteKey(1028));
    EXPECT_STREQ(L"Website_en", WebsiteKey(1033));
    EXPECT_STREQ(L"Website_jp", WebsiteKey(1041));
    EXPECT_STREQ(L"Website_cn", WebsiteKey(2052));
    EXPECT_STREQ(L"Website_en", WebsiteKey(1036));
    EXPECT_STREQ(L"Encoder_cn", EncoderKey(2052));
    EXPECT_STREQ(L"Encoder_en", EncoderKey(1028));
    EXPECT_EQ(std::wstring(L"http://") + kRegionalUpdateServer + L"/download/update_Vistrel.ini", UpdateConfigUrl(2052));
    EXPECT_EQ(std::wstring(L"http://") + kGeneralUpdateServer + L"/download/update_Vistrel.ini", UpdateConfigUrl(1041));
}

TEST(WebAddress, OnlyAbsoluteHttpAddressesCount) {
    for (const wchar_t* good : {L"http://vendor.example/", L"HTTPS://vendor.example/dl?x=1", L"http://a"})
        EXPECT_TRUE(vt::IsWebAddress(good)) << good;
    for (const wchar_t* bad : {L"", L"C:\\Windows\\System32\\calc.exe", L"calc.exe", L"file:///C:/x.exe",
                               L"ftp://vendor.example/", L"http://", L"http:///x", L"javascript:alert(1)",
                               L" http://vendor.example/", L"http://vendor.example/\r\nx", L"\\\\server\\share\\x.exe"})
        EXPECT_FALSE(vt::IsWebAddress(bad)) << bad;
    EXPECT_FALSE(vt::IsWebAddress(L"http://x/" + std::wstring(3000, L'a')));
    EXPECT_FALSE(vt::OpenWebAddress(L"C:\\Windows\\notepad.exe"));
}
