#include "app/HotKeys.h"

#include "app/RecorderMessages.h"
#include "toolkit/Raii.h"

namespace {

constexpr UINT kMessages[3] = {WM_HOTKEY_START, WM_HOTKEY_PAUSE, WM_HOTKEY_STOP};

struct HookState {
    vt::UniqueHook hook;
    HWND window = nullptr;
    CHotKeyTable table;
};

HookState& State() noexcept {
    static HookState state;
    return state;
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    // Only plain key presses: F10 and Alt combinations arrive as WM_SYSKEYDOWN.
    if (code == HC_ACTION && wParam == WM_KEYDOWN) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        HookState& state = State();
        if (const UINT msg = state.table.MessageFor(key->vkCode); msg && state.window)
            ::PostMessageW(state.window, msg, 0, 0);
    }
    // Nothing is swallowed: the key reaches the focused window as well.
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void CHotKeyTable::SetKeys(int startKey, int pauseKey, int stopKey) noexcept {
    const int keys[3] = {startKey, pauseKey, stopKey};
    for (int i = 0; i < 3; ++i)
        if (keys[i] != 0) m_keys[i] = static_cast<UINT>(keys[i]);
}

UINT CHotKeyTable::MessageFor(UINT virtualKey) const noexcept {
    for (int i = 0; i < 3; ++i)
        if (m_keys[i] != 0 && m_keys[i] == virtualKey) return kMessages[i];
    return 0;
}

bool InstallHotKeyHook(HWND window) {
    HookState& state = State();
    state.window = window;
    if (!state.hook)
        state.hook.Reset(::SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardProc, ::GetModuleHandleW(nullptr), 0));
    return static_cast<bool>(state.hook);
}

void RemoveHotKeyHook() noexcept {
    HookState& state = State();
    state.hook.Reset();
    state.window = nullptr;
}

bool HotKeyHookInstalled() noexcept {
    return static_cast<bool>(State().hook);
}

CHotKeyTable& HotKeys() noexcept {
    return State().table;
}
