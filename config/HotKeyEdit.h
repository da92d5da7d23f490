// An edit field that holds one of the function keys F1..F12, typed into it. Any other
// key, typing, pasting, cutting, undoing and the context menu leave it unchanged; Tab
// still moves on.
#pragma once

#include "toolkit/Wnd.h"

#include <functional>

class CHotKeyEdit : public vt::CWnd {
public:
    // Called after the user typed a function key (not when the program sets one).
    std::function<void(CHotKeyEdit&)> onKeyTyped;

    // Sets the key as the program does: the previous key takes the current one.
    void SetKey(int vk);
    // The key before the last change comes back.
    void RevertKey();
    int Key() const noexcept { return m_current; }
    int PreviousKey() const noexcept { return m_previous; }

    bool PreTranslateMessage(MSG* msg) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowKey();
    int m_previous = 0;
    int m_current = 0;
};
