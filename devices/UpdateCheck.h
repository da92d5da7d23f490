// Update check: fetches update.ini from the update server, compares its version with the
// program's and offers the download page. The worker runs on its own thread; whoever
// waits for it polls, and one that gives up lets go of it without ending it.
#pragma once

#include "devices/Download.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// Results of the update worker.
enum UpdateCode : int {
    kUpdateNoConnection = 1, // no Internet handle or no connection
    kUpdateServerFailed = 2, // the server's file could not be opened (or not with status 200)
    kUpdateTransferFailed = 3,
    kUpdateUpToDate = 6,
    kUpdateNewVersion = 7,
    kUpdateMalformed = 8,    // a version that is not one: nothing is shown
};

struct UpdateCheckOptions {
    std::wstring folder; // where update.ini goes; ends with a backslash
    std::wstring configUrl;
    std::wstring programVersion;
    HttpTimeouts timeouts;
    std::function<bool()> connected; // InternetGetConnectedState

    // The program folder (or the settings override), the server for the language in
    // force and the running program's file version.
    static UpdateCheckOptions Defaults();
};

// The worker's body: downloads update.ini (a failed transfer leaves the old one) and
// compares its "Version" (default "1.0.0.0") with the program's.
int RunUpdateWorker(const UpdateCheckOptions& options);

// One check running on its own thread, shared by the thread and whoever waits.
class UpdateCheck {
public:
    // Starts a check, or joins the one still running: one check at a time. Null when no
    // thread could be started.
    static std::shared_ptr<UpdateCheck> Start(UpdateCheckOptions options);
    // The worker's code once it has ended.
    std::optional<int> Result() const noexcept;
    HANDLE Thread() const noexcept { return m_thread.Get(); }

    explicit UpdateCheck(UpdateCheckOptions options) : m_options(std::move(options)) {}

private:
    static DWORD WINAPI Worker(void* parameter);
    UpdateCheckOptions m_options;
    std::atomic<int> m_result{-1};
    vt::UniqueKernelHandle m_thread;
};

// How an outcome reaches the user; tests replace the language and the page opener.
struct UpdateResultUi {
    std::wstring folder; // of update.ini
    int languageId = 1033;
    std::function<bool(const std::wstring&)> openPage; // given only web addresses

    static UpdateResultUi Defaults();
};

// Tells the user the outcome: with showAll 0 only a newer version, with 1 also no
// connection, no server and up to date. For a newer version, OK opens the language's
// download page named in update.ini when it is a web address.
void HandleUpdateResult(int code, HWND owner, bool showAll);
void HandleUpdateResult(int code, HWND owner, bool showAll, const UpdateResultUi& ui);

// The check at start-up: started with the main window, which polls it on each tick of
// its timer 1 (200 ms) and never waits for it.
class StartupUpdateCheck {
public:
    static constexpr DWORD kWaitMs = 20000;

    // Null when no worker could be started.
    static std::unique_ptr<StartupUpdateCheck> Start(UpdateCheckOptions options = UpdateCheckOptions::Defaults(),
                                                     DWORD waitMs = kWaitMs,
                                                     UpdateResultUi ui = UpdateResultUi::Defaults());
    // True when the check is over: its outcome was shown (only a newer version), or the
    // wait ran out, which shows nothing and leaves the worker to end by itself.
    bool Poll(HWND owner);

    StartupUpdateCheck(std::shared_ptr<UpdateCheck> check, DWORD waitMs, UpdateResultUi ui);

private:
    std::shared_ptr<UpdateCheck> m_check;
    DWORD m_startTick;
    DWORD m_waitMs;
    UpdateResultUi m_ui;
    bool m_over = false;
};

// The check-now button: runs a check and waits for it up to waitMs while messages keep
// flowing (the owner's top-level window is disabled meanwhile), then tells the outcome
// with every message; after the wait it shows the no-connection message. Returns the
// code, or -1 when it gave up.
int RunUpdateCheckNow(HWND owner, DWORD waitMs);
int RunUpdateCheckNow(HWND owner, const UpdateCheckOptions& options, DWORD waitMs, const UpdateResultUi& ui);
