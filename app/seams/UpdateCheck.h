// The update check at start-up: a worker asks the update server; the main window looks
// for its result on timer 1 without ever waiting for it.
#pragma once

#include <windows.h>
#include <memory>

class IUpdateCheck {
public:
    virtual ~IUpdateCheck() = default;
    // Each tick of timer 1 (200 ms). Returns true when the check is over: its result was
    // shown (HandleUpdateResult(code, owner, false)), or it gave up after 20 s showing
    // nothing and leaving the worker to end by itself.
    virtual bool Poll(HWND owner) = 0;
};

// Starts the worker; null when there is none.
std::unique_ptr<IUpdateCheck> StartUpdateCheck();

// Shows the outcome of a check (worker exit code); with showAll false only a newer version.
void HandleUpdateResult(int code, HWND owner, bool showAll);

// The settings window's check-now command: checks at once and tells the user the outcome,
// whatever it is; waits at most 20 s with the owner's top-level window disabled while
// messages keep flowing.
void RunUpdateCheckNow(HWND owner);
