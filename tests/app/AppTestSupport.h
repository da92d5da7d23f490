// What the main-window tests share: pumping with a deadline, a scratch folder, real key
// presses from another thread, and a watcher that answers our message boxes.
#pragma once

#include "toolkit/Raii.h"
#include "toolkit/Wnd.h"

#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace apptest {

// Pumps the thread's messages until cond holds or ms pass; returns cond().
inline bool PumpUntil(const std::function<bool()>& cond, DWORD ms = 5000) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        vt::PumpPending();
        if (cond()) return true;
        if (::GetTickCount64() >= end) return cond();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"vistrel-app-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(s_next++) + L"\\";
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() { Remove(m_path); }
    const std::wstring& Path() const { return m_path; }
    // Files (not folders) directly in the folder.
    static std::vector<std::wstring> Files(const std::wstring& folder) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data{};
        vt::UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
        if (find) do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
            } while (::FindNextFileW(find.Get(), &data));
        return names;
    }

private:
    static void Remove(const std::wstring& folder) {
        WIN32_FIND_DATAW data{};
        {
            vt::UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
            if (find) do {
                    const std::wstring name = data.cFileName;
                    if (name == L"." || name == L"..") continue;
                    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                        Remove(folder + name + L"\\");
                    else
                        ::DeleteFileW((folder + name).c_str());
                } while (::FindNextFileW(find.Get(), &data));
        }
        ::RemoveDirectoryW(folder.c_str());
    }
    static inline int s_next = 0;
    std::wstring m_path;
};

// A key press and release through SendInput from another thread, while this one pumps
// (the low-level hook is called on the thread that pumps).
inline void PressKey(WORD vk, DWORD pumpMs = 300) {
    std::atomic<bool> done{false};
    std::thread sender([&] {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 5000);
    sender.join();
    Pump(pumpMs);
}

// Answers the message boxes that owner shows (a "#32770" it owns), keeping their texts.
class BoxWatcher {
public:
    explicit BoxWatcher(HWND owner, int answer = IDOK) : m_owner(owner), m_answer(answer) {
        m_thread = std::thread([this] { Run(); });
    }
    ~BoxWatcher() {
        m_stop = true;
        m_thread.join();
    }
    void SetAnswer(int answer) { m_answer = answer; }
    std::vector<std::wstring> Texts() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_texts;
    }
    size_t Count() { return Texts().size(); }

private:
    struct Search {
        HWND owner;
        HWND found = nullptr;
    };
    static BOOL CALLBACK Find(HWND hwnd, LPARAM lParam) {
        auto* s = reinterpret_cast<Search*>(lParam);
        wchar_t cls[16] = {};
        ::GetClassNameW(hwnd, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0 && ::GetWindow(hwnd, GW_OWNER) == s->owner && ::IsWindowVisible(hwnd)) {
            s->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    void Run() {
        while (!m_stop) {
            Search s{m_owner};
            ::EnumWindows(&Find, reinterpret_cast<LPARAM>(&s));
            if (s.found) {
                wchar_t text[2048] = {};
                ::GetDlgItemTextW(s.found, 0xFFFF, text, 2048);
                {
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_texts.push_back(text);
                }
                ::PostMessageW(s.found, WM_COMMAND, static_cast<WPARAM>(m_answer.load()), 0);
                // Handles come back quickly: wait until this box is gone.
                while (!m_stop && ::IsWindow(s.found)) ::Sleep(10);
            }
            ::Sleep(30);
        }
    }
    HWND m_owner;
    std::atomic<int> m_answer;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::wstring> m_texts;
    std::thread m_thread;
};

} // namespace apptest
