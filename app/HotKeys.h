// The global hot keys: a low-level keyboard hook that posts the start, pause and stop
// messages to the main window. The table is process-wide and used on the thread that
// installed the hook (the user-interface thread, where the hook is called).
#pragma once

#include <windows.h>

class CHotKeyTable {
public:
    // A non-zero key replaces the stored one; zero keeps it.
    void SetKeys(int startKey, int pauseKey, int stopKey) noexcept;
    // The message for a key pressed: start, pause, stop tried in that order; 0 for none.
    UINT MessageFor(UINT virtualKey) const noexcept;

private:
    UINT m_keys[3] = {0, 0, 0};
};

// Installs the hook (once) for window, which receives the messages. False when the hook
// could not be installed.
bool InstallHotKeyHook(HWND window);
void RemoveHotKeyHook() noexcept;
bool HotKeyHookInstalled() noexcept;
// The table the hook reads.
CHotKeyTable& HotKeys() noexcept;
