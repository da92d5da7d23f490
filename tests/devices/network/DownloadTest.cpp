// Downloads and the update worker against a loopback server: only a complete answer
// with status 200 replaces a file, and every failure ends in bounded time.
#include "devices/Download.h"
#include "devices/UpdateCheck.h"
#include "devices/network/LoopbackServer.h"
#include "devices/network/NetworkTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace nettest;

namespace {

const std::string kGoodIni = "[Program]\r\nVersion=1.0.12.2\r\nEncoder_en=http://old.example/\r\n";

HttpTimeouts Short() { return HttpTimeouts{2000, 2000, 2000}; }

class Downloads : public ::testing::Test {
protected:
    FetchResult Fetch(const std::string& path, const CancelFlag* cancel = nullptr, const std::wstring& sha = {}) {
        auto session = OpenInternetSession();
        return FetchUrlToFile(session.Get(), server.Url(path), target, Short(), cancel, sha);
    }
    void ExpectOldFileKept() {
        EXPECT_EQ(kGoodIni, ReadFile(target));
        EXPECT_FALSE(Exists(target + L".part"));
    }
    void SetUp() override { WriteFile(target, kGoodIni); }

    LoopbackServer server;
    TempFolder folder;
    std::wstring target = folder.Path() + L"update.ini";
};

} // namespace

TEST_F(Downloads, ACompleteAnswerReplacesTheFileByteForByte) {
    std::string big(1 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
    server.Set("/big.bin", big);
    EXPECT_EQ(FetchResult::Ok, Fetch("/big.bin"));
    EXPECT_TRUE(big == ReadFile(target));
    EXPECT_FALSE(Exists(target + L".part"));
}

TEST_F(Downloads, FailuresKeepTheOldFile) {
    server.Set("/truncated", Route{200, std::string(5000, 'x'), Route::Truncated});
    server.Set("/error", Route{500, "[Program]\r\nVersion=9.9\r\n"});
    EXPECT_EQ(FetchResult::OpenFailed, Fetch("/missing")); // a 404 page is no file
    ExpectOldFileKept();
    EXPECT_EQ(FetchResult::OpenFailed, Fetch("/error"));
    ExpectOldFileKept();
    EXPECT_EQ(FetchResult::TransferFailed, Fetch("/truncated"));
    ExpectOldFileKept();

    auto session = OpenInternetSession();
    const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/x";
    EXPECT_EQ(FetchResult::OpenFailed, FetchUrlToFile(session.Get(), refused, target, Short(), nullptr));
    EXPECT_EQ(FetchResult::OpenFailed, FetchUrlToFile(session.Get(), L"file:///C:/windows/win.ini", target, Short(), nullptr));
    ExpectOldFileKept();
}

TEST_F(Downloads, AFileThatCannotBeCreatedFailsTheDownload) {
    server.Set("/ok", "data");
    auto session = OpenInternetSession();
    EXPECT_EQ(FetchResult::TransferFailed,
              FetchUrlToFile(session.Get(), server.Url("/ok"), folder.Path() + L"no\\such\\folder\\f", Short(), nullptr));
}

TEST_F(Downloads, TheOptionalSha256MustMatch) {
    server.Set("/abc", "abc");
    const std::wstring abc = L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    EXPECT_EQ(FetchResult::TransferFailed, Fetch("/abc", nullptr, L"ba7816bf" + std::wstring(56, L'0')));
    ExpectOldFileKept();
    EXPECT_EQ(FetchResult::Ok, Fetch("/abc", nullptr, abc));
    EXPECT_EQ("abc", ReadFile(target));
}

TEST_F(Downloads, AStallingServerIsGivenUpInBoundedTime) {
    server.Set("/silent", Route{200, "", Route::NoAnswer});
    server.Set("/stalls", Route{200, std::string(100000, 's'), Route::StallBody, 8192});
    for (const char* path : {"/silent", "/stalls"}) {
        const DWORD start = ::GetTickCount();
        EXPECT_NE(FetchResult::Ok, Fetch(path)) << path;
        EXPECT_LT(::GetTickCount() - start, 10000u) << path;
        ExpectOldFileKept();
    }
}

TEST_F(Downloads, CancelStopsAfterTheCurrentChunk) {
    server.Set("/gate", Route{200, std::string(64 * 1024, 'g'), Route::Gate, 4096});
    CancelFlag cancel;
    FetchResult result = FetchResult::Ok;
    std::thread worker([&] { result = Fetch("/gate", &cancel); });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(server.GateReached(), 10000));
    cancel.Set();
    server.OpenGate();
    worker.join();
    EXPECT_EQ(FetchResult::Cancelled, result);
    ExpectOldFileKept();
}

// ------------------------------------------------------------------ the update worker

namespace {

class UpdateWorker : public Downloads {
protected:
    int Run(const std::string& served, const std::wstring& programVersion = L"1.0.12.2") {
        server.Set("/download/update_Vistrel.ini", served);
        UpdateCheckOptions o;
        o.folder = folder.Path();
        o.configUrl = server.Url("/download/update_Vistrel.ini");
        o.programVersion = programVersion;
        o.timeouts = Short();
        return RunUpdateWorker(o);
    }
};

} // namespace

TEST_F(UpdateWorker, TheServersVersionDecides) {
    EXPECT_EQ(kUpdateNewVersion, Run("[Program]\r\nVersion=1.0.12.3\r\n"));
    EXPECT_EQ("[Program]\r\nVersion=1.0.12.3\r\n", ReadFile(target));
    EXPECT_EQ(kUpdateUpToDate, Run("[Program]\r\nVersion=1.0.12.2.\r\n"));
    EXPECT_EQ(kUpdateUpToDate, Run("[Program]\r\nVersion=0.9\r\n"));
    EXPECT_EQ(kUpdateUpToDate, Run("[Program]\r\nWebsite_en=http://x/\r\n")); // "1.0.0.0"
    EXPECT_EQ(kUpdateNewVersion, Run("[Program]\r\nVersion=1.1\r\n", L"1.0.0.0"));
    EXPECT_EQ(kUpdateMalformed, Run("[Program]\r\nVersion=1.0.beta\r\n"));
}

TEST_F(UpdateWorker, FailuresLeaveUpdateIniAsItWas) {
    UpdateCheckOptions o;
    o.folder = folder.Path();
    o.programVersion = L"1.0.0.0";
    o.timeouts = Short();
    o.configUrl = server.Url("/download/update_Vistrel.ini"); // 404
    EXPECT_EQ(kUpdateServerFailed, RunUpdateWorker(o));
    ExpectOldFileKept();
    o.configUrl = L"http://127.0.0.1:" + std::to_wstring(ClosedPort()) + L"/download/update_Vistrel.ini";
    EXPECT_EQ(kUpdateServerFailed, RunUpdateWorker(o));
    server.Set("/cut", Route{200, "[Program]\r\nVersion=9", Route::Truncated});
    o.configUrl = server.Url("/cut");
    EXPECT_EQ(kUpdateTransferFailed, RunUpdateWorker(o));
    o.connected = [] { return false; };
    EXPECT_EQ(kUpdateNoConnection, RunUpdateWorker(o));
    ExpectOldFileKept();
}
