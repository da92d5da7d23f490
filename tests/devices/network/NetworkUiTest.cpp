// The installation dialog and the update check's outcomes on real windows: what the user
// sees, what the buttons do, and that no wait holds up the thread.
#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "devices/EncoderDetect.h"
#include "devices/EncoderInstall.h"
#include "devices/UpdateCheck.h"
#include "devices/network/LoopbackServer.h"
#include "devices/network/NetworkTestSupport.h"
#include "resources/ids/DownloadEncoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

using namespace nettest;

namespace {

HWND FindThreadWindow(DWORD thread, int childId) { return FindTopWindow(0, thread, childId); }
std::wstring Text(HWND hwnd) { return vt::WindowText(hwnd); }

void Click(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Answers every message box of a thread with one button and keeps their texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer, DWORD thread = ::GetCurrentThreadId())
        : m_worker([this, answer, thread] {
              while (!m_stop) {
                  if (HWND box = FindThreadWindow(thread, kBoxText); box && !m_seen.count(box)) {
                      m_seen.insert(box);
                      {
                          std::lock_guard<std::mutex> lock(m_lock);
                          m_texts.push_back(Text(::GetDlgItem(box, kBoxText)));
                      }
                      ::PostMessageW(box, WM_COMMAND, answer, 0);
                  }
                  ::Sleep(20);
              }
          }) {}
    ~BoxAnswerer() {
        m_stop = true;
        m_worker.join();
    }
    std::vector<std::wstring> Texts() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_texts;
    }

private:
    std::atomic<bool> m_stop{false};
    std::set<HWND> m_seen;
    std::mutex m_lock;
    std::vector<std::wstring> m_texts;
    std::thread m_worker;
};

class InstallDialog : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishTexts();
        WriteFile(folder.Path() + L"update.ini",
                  "[Program]\r\nEncoder_en=http://127.0.0.1:" + std::to_string(server.Port()) + "/files/\r\n");
        options.folder = folder.Path();
        options.configUrl = server.Url("/download/update_Vistrel.ini");
        options.publisher = L"Vistrel Test Publisher";
        options.detect = [this] { return detections++ == 0 ? kEncoderMissing64 : afterInstall; };
    }
    // Runs the dialog modally while script drives it from another thread.
    INT_PTR Run(const std::function<void(HWND)>& script) {
        const DWORD thread = ::GetCurrentThreadId();
        std::thread driver([&] {
            HWND dialog = nullptr;
            if (WaitFor([&] { return (dialog = FindThreadWindow(thread, IDC_DLG_DOWNLOAD_ENCODER_STATUS)) != nullptr; }))
                script(dialog);
        });
        CDlgDownLoadEncoder dlg(options);
        const INT_PTR result = dlg.DoModal(nullptr);
        driver.join();
        return result;
    }
    static std::wstring Status(HWND dialog) { return Text(::GetDlgItem(dialog, IDC_DLG_DOWNLOAD_ENCODER_STATUS)); }

    LoopbackServer server;
    TempFolder folder;
    EncoderInstallOptions options = EncoderInstallOptions::Defaults();
    std::atomic<int> detections{0};
    int afterInstall = kEncoderReady;
};

} // namespace

TEST_F(InstallDialog, NothingMissingEndsWithOkAtOnce) {
    options.detect = [] { return kEncoderReady; };
    CDlgDownLoadEncoder dlg(options);
    EXPECT_EQ(IDOK, dlg.DoModal(nullptr));
}

TEST_F(InstallDialog, DownloadingShowsMovingDotsAndCancelEndsItWithoutHoldingTheThread) {
    server.Set("/files/WMEncoderx64.exe", Route{200, std::string(100000, 'x'), Route::StallBody, 8192});
    options.timeouts = HttpTimeouts{15000, 15000, 15000};
    DWORD cancelled = 0;
    int answered = 0;
    const INT_PTR result = Run([&](HWND dialog) {
        EXPECT_EQ(LoadLanguageText(L"IDC_DLG_DOWNLOAD_ENCODER_STA_NEED_INSTALL"), Status(dialog));
        EXPECT_EQ(LoadLanguageText(L"ID_APP_NAME"), Text(dialog));
        Screenshot(L"install-question");
        Click(dialog, IDC_DLG_DOWNLOAD_ENCODER_OK);
        const std::wstring stage = LoadLanguageText(L"IDC_DLG_DOWNLOAD_PROGRESS3");
        EXPECT_TRUE(WaitFor([&] { return Status(dialog).rfind(stage, 0) == 0; }));
        std::set<size_t> dots;
        WaitFor([&] { return dots.insert(Status(dialog).size() - stage.size()).first, dots.size() >= 3; }, 4000);
        EXPECT_GE(dots.size(), 3u);
        EXPECT_LE(*dots.rbegin(), 5u);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_DLG_DOWNLOAD_ENCODER_OK)));
        Screenshot(L"install-downloading");
        cancelled = ::GetTickCount();
        Click(dialog, IDC_DLG_DOWNLOAD_ENCODER_CANCEL);
        // The worker is stuck in a read; the dialog waits for it without blocking.
        DWORD_PTR ignored = 0;
        while (::IsWindow(dialog) && ::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored)) {
            ++answered;
            ::Sleep(100);
        }
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_LT(::GetTickCount() - cancelled, 7000u);
    EXPECT_GE(answered, 20); // about five seconds of answers
    EXPECT_FALSE(Exists(folder.Path() + L"WMEncoderx64.exe"));
}

TEST_F(InstallDialog, AfterTheInstallerOnlyTheEncoderBeingThereMeansOk) {
    NEEDS_ACCEPTED_TEST_SIGNATURES();
    server.Set("/files/WMEncoderx64.exe", Fixture(L"test_publisher.exe"));
    for (const int after : {kEncoderReady, kEncoderMissing64}) {
        detections = 0;
        afterInstall = after;
        const INT_PTR result = Run([](HWND dialog) { Click(dialog, IDC_DLG_DOWNLOAD_ENCODER_OK); });
        EXPECT_EQ(after == kEncoderReady ? IDOK : IDCANCEL, result);
        EXPECT_EQ(2, detections.load());
        EXPECT_EQ(L"/Q\n", InstallerArguments(folder.Path() + L"WMEncoderx64.exe"));
    }
}

// ------------------------------------------------------------------ update outcomes

namespace {

class UpdateOutcome : public ::testing::Test {
protected:
    void SetUp() override {
        UseEnglishTexts();
        ui.folder = folder.Path();
        ui.openPage = [this](const std::wstring& page) {
            opened.push_back(page);
            return true;
        };
        WriteFile(folder.Path() + L"update.ini", "[Program]\r\nVersion=9.0\r\nWebsite_en=https://vendor.example/en\r\n"
                                                 "Website_jp=http://vendor.example/jp\r\n");
        server.Set("/download/update_Vistrel.ini", ReadFile(folder.Path() + L"update.ini"));
        options.folder = folder.Path();
        options.configUrl = server.Url("/download/update_Vistrel.ini");
        options.programVersion = L"1.0.0.0";
    }

    LoopbackServer server;
    TempFolder folder;
    UpdateResultUi ui;
    UpdateCheckOptions options;
    std::vector<std::wstring> opened;
};

} // namespace

TEST_F(UpdateOutcome, OnlyANewVersionIsToldUnlessAllIsAskedFor) {
    BoxAnswerer boxes(IDOK);
    for (int code : {1, 2, 3, 6, 8}) HandleUpdateResult(code, nullptr, false, ui);
    EXPECT_TRUE(boxes.Texts().empty());
    for (int code : {1, 2, 3, 6, 8}) HandleUpdateResult(code, nullptr, true, ui);
    const std::wstring app = LoadLanguageText(L"ID_APP_NAME");
    EXPECT_EQ((std::vector<std::wstring>{LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR"),
                                         LoadLanguageText(L"ID_MSG_SERVER_LINK_ERR"),
                                         FormatLanguageText(LoadLanguageText(L"ID_MSG_UP_TO_DATE_VERSION"), app)}),
              boxes.Texts());
}

TEST_F(UpdateOutcome, OkOnTheNewVersionOpensTheLanguagesWebAddressOnly) {
    {
        BoxAnswerer cancel(IDCANCEL);
        HandleUpdateResult(kUpdateNewVersion, nullptr, false, ui);
        EXPECT_EQ(std::vector<std::wstring>{LoadLanguageText(L"ID_MSG_NEW_VERSION")}, cancel.Texts());
    }
    BoxAnswerer boxes(IDOK);
    for (int language : {1041, 1036}) {
        ui.languageId = language;
        HandleUpdateResult(kUpdateNewVersion, nullptr, false, ui);
    }
    WriteFile(folder.Path() + L"update.ini", "[Program]\r\nWebsite_en=C:\\windows\\system32\\calc.exe\r\n");
    HandleUpdateResult(kUpdateNewVersion, nullptr, false, ui);
    EXPECT_EQ((std::vector<std::wstring>{L"http://vendor.example/jp", L"https://vendor.example/en"}), opened);
    EXPECT_EQ(3u, boxes.Texts().size());
}

TEST_F(UpdateOutcome, TheStartUpCheckIsPolledAndGivesUpSilently) {
    BoxAnswerer boxes(IDOK);
    // Polled like the main window's timer does, until it says it is over.
    auto pollUntilOver = [](StartupUpdateCheck& check) {
        int polls = 1;
        for (const DWORD start = ::GetTickCount(); !check.Poll(nullptr); ++polls) {
            if (::GetTickCount() - start > 30000) return -1;
            ::Sleep(200);
        }
        return polls;
    };
    auto check = StartupUpdateCheck::Start(options, 20000, ui);
    ASSERT_TRUE(check);
    EXPECT_GT(pollUntilOver(*check), 0);
    EXPECT_EQ(std::vector<std::wstring>{L"https://vendor.example/en"}, opened);
    EXPECT_TRUE(check->Poll(nullptr)); // over stays over, shows nothing again

    server.Set("/download/update_Vistrel.ini", Route{200, "", Route::NoAnswer});
    options.timeouts = HttpTimeouts{4000, 4000, 4000};
    check = StartupUpdateCheck::Start(options, 1000, ui);
    ASSERT_TRUE(check);
    const DWORD start = ::GetTickCount();
    EXPECT_GE(pollUntilOver(*check), 2); // a poll never waits for the worker
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_EQ(1u, boxes.Texts().size()); // nothing more shown
    // One check at a time: a new start joins the one left running, which ends by itself.
    auto joined = UpdateCheck::Start(options);
    ASSERT_TRUE(joined);
    EXPECT_FALSE(joined->Result());
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(joined->Thread(), 20000));
}

TEST_F(UpdateOutcome, CheckNowWaitsWithTheOwnerDisabledAndMessagesFlowing) {
    vt::CWnd owner;
    ASSERT_TRUE(owner.CreateEx({.style = WS_POPUP}));
    BoxAnswerer boxes(IDOK);
    options.programVersion = L"9.0";
    EXPECT_EQ(kUpdateUpToDate, RunUpdateCheckNow(owner.GetSafeHwnd(), options, 20000, ui));
    EXPECT_TRUE(::IsWindowEnabled(owner.GetSafeHwnd()));

    // A server that never answers: the owner stays disabled, its timer keeps ticking.
    server.Set("/download/update_Vistrel.ini", Route{200, "", Route::NoAnswer});
    options.timeouts = HttpTimeouts{3000, 3000, 3000};
    ::SetTimer(owner.GetSafeHwnd(), 77, 100, [](HWND hwnd, UINT, UINT_PTR, DWORD) {
        if (!::IsWindowEnabled(hwnd)) ::SetPropW(hwnd, L"seen disabled", reinterpret_cast<HANDLE>(1));
    });
    EXPECT_EQ(-1, RunUpdateCheckNow(owner.GetSafeHwnd(), options, 1000, ui));
    ::KillTimer(owner.GetSafeHwnd(), 77);
    EXPECT_TRUE(::RemovePropW(owner.GetSafeHwnd(), L"seen disabled"));
    EXPECT_EQ(LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR"), boxes.Texts().back());
    EXPECT_TRUE(::IsWindowEnabled(owner.GetSafeHwnd()));
    // The check left behind ends by itself (the next start joins it).
    auto left = UpdateCheck::Start(options);
    ASSERT_TRUE(left);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(left->Thread(), 20000));
    owner.DestroyWindow();
}
