// A window timer with a fixed id, held as a member: stopped when the owner goes.
#pragma once

#include <windows.h>

namespace vt {

class CTimer {
public:
    CTimer() noexcept = default;
    ~CTimer() { Stop(); }
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    // Starts (or restarts with the new period) the timer id on the window.
    bool Start(HWND hwnd, UINT_PTR id, UINT ms) noexcept {
        if (m_hwnd && (m_hwnd != hwnd || m_id != id)) Stop();
        if (!hwnd || !::SetTimer(hwnd, id, ms, nullptr)) return false;
        m_hwnd = hwnd;
        m_id = id;
        return true;
    }
    void Stop() noexcept {
        // KillTimer on a window already gone does nothing harmful.
        if (m_hwnd) ::KillTimer(m_hwnd, m_id);
        m_hwnd = nullptr;
    }
    bool Running() const noexcept { return m_hwnd != nullptr && ::IsWindow(m_hwnd); }
    UINT_PTR Id() const noexcept { return m_id; }

private:
    HWND m_hwnd = nullptr;
    UINT_PTR m_id = 0;
};

} // namespace vt
