// The installation worker against a loopback server and signed copies of a stand-in
// installer: nothing runs unless its signature is valid and its signer expected.
#include "devices/EncoderDetect.h"
#include "devices/EncoderInstall.h"
#include "devices/Installer.h"
#include "devices/network/LoopbackServer.h"
#include "devices/network/NetworkTestSupport.h"

#include <gtest/gtest.h>

#include <cctype>

using namespace nettest;

namespace {

constexpr wchar_t kTestPublisher[] = L"Vistrel Test Publisher";

class Installation : public ::testing::Test {
protected:
    EncoderInstallOptions Options() {
        EncoderInstallOptions o;
        o.folder = folder.Path();
        o.languageId = 1033;
        o.configUrl = server.Url("/download/update_Vistrel.ini");
        o.publisher = kTestPublisher;
        o.timeouts = HttpTimeouts{3000, 3000, 3000};
        return o;
    }
    void ServeIni(const std::string& extra = "") {
        WriteFile(ini, "[Program]\r\nEncoder_en=" + base + "\r\n" + extra);
    }
    InstallOutcome Install(int status, const EncoderInstallOptions& o) {
        CancelFlag cancel;
        stages.clear();
        return InstallEncoder(o, status, cancel, [this](InstallStage s) { stages.push_back(s); });
    }
    std::wstring Path(const wchar_t* name) { return folder.Path() + name; }

    LoopbackServer server;
    TempFolder folder;
    std::wstring ini = folder.Path() + L"update.ini";
    std::string base = "http://127.0.0.1:" + std::to_string(server.Port()) + "/files/";
    std::vector<InstallStage> stages;
};

} // namespace

TEST_F(Installation, ASignedInstallerOfTheExpectedPublisherRunsSilentlyAndIsWaitedFor) {
    NEEDS_ACCEPTED_TEST_SIGNATURES();
    server.Set("/files/WMEncoderx64.exe", Fixture(L"test_publisher.exe"));
    ServeIni();
    const InstallOutcome outcome = Install(kEncoderMissing64, Options());
    EXPECT_EQ(0, outcome.exitCode);
    EXPECT_EQ((std::vector<InstallStage>{InstallStage::ReadingConfig, InstallStage::Installing}), stages);
    // Waited for: its record is there when the worker returns.
    EXPECT_EQ(L"/Q\n", InstallerArguments(Path(L"WMEncoderx64.exe")));
}

TEST_F(Installation, EveryOtherFileIsDeletedUnstarted) {
    NEEDS_FIXTURES();
    struct Case {
        const wchar_t* fixture;
        const wchar_t* publisher;
    };
    const Case cases[] = {
        {L"unsigned.exe", kTestPublisher},
        {L"tampered.exe", kTestPublisher},
        {L"other_publisher.exe", kTestPublisher},
        {L"test_publisher.exe", kEncoderPublisher}, // the default expects the encoder's publisher
    };
    ServeIni();
    for (const Case& c : cases) {
        server.Set("/files/WMEncoderx64.exe", Fixture(c.fixture));
        EncoderInstallOptions o = Options();
        o.publisher = c.publisher;
        const InstallOutcome outcome = Install(kEncoderMissing64, o);
        EXPECT_EQ(2, outcome.exitCode) << c.fixture;
        EXPECT_EQ(InstallFailure::Refused, outcome.failure) << c.fixture;
        EXPECT_EQ(InstallItem::Encoder, outcome.item) << c.fixture;
        EXPECT_FALSE(Exists(Path(L"WMEncoderx64.exe"))) << c.fixture;
        EXPECT_FALSE(Exists(Path(L"WMEncoderx64.exe.args"))) << c.fixture;
    }
}

TEST_F(Installation, VerifyNamesTheSigner) {
    NEEDS_ACCEPTED_TEST_SIGNATURES();
    const std::wstring path = Path(L"signed.exe");
    WriteFile(path, Fixture(L"other_publisher.exe"));
    VerifiedFile file = VerifyInstaller(path, kTestPublisher);
    EXPECT_EQ(TrustResult::WrongPublisher, file.trust);
    EXPECT_EQ(L"Mallory", file.publisher);
    // Held with read sharing only until it has started.
    EXPECT_FALSE(::DeleteFileW(path.c_str()));
    file.handle.Reset();
    EXPECT_EQ(TrustResult::Unreadable, VerifyInstaller(Path(L"missing.exe"), kTestPublisher).trust);
}

TEST_F(Installation, AWrongSha256StopsTheInstallerAndTheRightOneLetsItRun) {
    NEEDS_ACCEPTED_TEST_SIGNATURES();
    server.Set("/files/WMEncoderx64.exe", Fixture(L"test_publisher.exe"));
    ServeIni("WMEncoderx64.exe_SHA256=" + std::string(64, '0') + "\r\n");
    EXPECT_EQ(InstallFailure::Transfer, Install(kEncoderMissing64, Options()).failure);
    EXPECT_FALSE(Exists(Path(L"WMEncoderx64.exe")));
    EXPECT_FALSE(Exists(Path(L"WMEncoderx64.exe.args")));

    std::string sha256 = Fixture(L"test_publisher.exe.sha256").substr(0, 64); // as sha256sum prints it
    for (char& c : sha256) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    ServeIni("WMEncoderx64.exe_SHA256=" + sha256 + "\r\n");
    EXPECT_EQ(0, Install(kEncoderMissing64, Options()).exitCode);
    EXPECT_EQ(L"/Q\n", InstallerArguments(Path(L"WMEncoderx64.exe")));
}

TEST_F(Installation, WithoutABaseAddressTheConfigurationIsFetchedFirst) {
    NEEDS_ACCEPTED_TEST_SIGNATURES();
    server.Set("/files/WMEncoderx64.exe", Fixture(L"test_publisher.exe"));
    // No update.ini: the server's copy names the base.
    server.Set("/download/update_Vistrel.ini", "[Program]\r\nEncoder_en=" + base + "\r\n");
    EXPECT_EQ(0, Install(kEncoderMissing64, Options()).exitCode);
    EXPECT_TRUE(Exists(ini));

    // A base that is no web address counts as none.
    WriteFile(ini, "[Program]\r\nEncoder_en=C:\\Windows\\\r\n");
    EXPECT_EQ(InstallFailure::NoBaseAddress, Install(kEncoderMissing64, Options()).failure);
}

TEST_F(Installation, TheConfigurationsFailureKeepsNoFile) {
    const InstallOutcome outcome = Install(kEncoderMissing64, Options()); // 404
    EXPECT_EQ(InstallFailure::ServerLink, outcome.failure);
    EXPECT_EQ(InstallItem::ConfigFile, outcome.item);
    EXPECT_FALSE(Exists(ini));
    EXPECT_FALSE(Exists(ini + L".part"));
}

TEST_F(Installation, TheHotfixFollowsTheEncoderOnlyWhenItInstalled) {
    NEEDS_ACCEPTED_TEST_SIGNATURES();
    server.Set("/files/WMEncoderx86.exe", Fixture(L"test_publisher.exe"));
    server.Set("/files/windowsmedia9-kb929182-intl.exe", Fixture(L"test_publisher.exe"));
    ServeIni();
    EXPECT_EQ(0, Install(kEncoderAndHotfixMissing, Options()).exitCode);
    EXPECT_EQ(L"/Q\n", InstallerArguments(Path(L"WMEncoderx86.exe")));
    EXPECT_EQ(L"/qn\n", InstallerArguments(Path(L"windowsmedia9-kb929182-intl.exe")));

    TempFolder other;
    EncoderInstallOptions o = Options();
    o.folder = other.Path();
    WriteFile(other.Path() + L"update.ini", "[Program]\r\nEncoder_en=" + base + "missing/\r\n");
    const InstallOutcome outcome = Install(kEncoderAndHotfixMissing, o);
    EXPECT_EQ(InstallFailure::ServerLink, outcome.failure);
    EXPECT_EQ(InstallItem::Encoder, outcome.item);
    for (const std::string& line : server.Requests()) EXPECT_EQ(std::string::npos, line.find("missing/windows")) << line;
}

TEST(RunInstaller, TheProgramSeesTheSwitchAsItsFirstArgument) {
    NEEDS_FIXTURES();
    TempFolder folder;
    const std::wstring path = folder.Path() + L"with space.exe";
    WriteFile(path, Fixture(L"unsigned.exe"));
    vt::UniqueKernelHandle process = RunInstaller(path, L"/qn");
    ASSERT_TRUE(process);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.Get(), 10000));
    EXPECT_EQ(L"/qn\n", InstallerArguments(path));
    EXPECT_FALSE(RunInstaller(folder.Path() + L"missing.exe", L"/Q"));
}
