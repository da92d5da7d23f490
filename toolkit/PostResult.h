// Worker threads hand results to windows by PostMessage only; a result object
// travels as lParam and belongs to the window once posted.
#pragma once

#include <windows.h>
#include <memory>

namespace vt {

template <typename T>
bool PostResult(HWND target, UINT msg, WPARAM wParam, std::unique_ptr<T> result) {
    // A null target would post to the thread's own queue, where nobody takes it.
    if (!target) return false;
    if (!::PostMessageW(target, msg, wParam, reinterpret_cast<LPARAM>(result.get()))) return false; // freed here
    result.release();
    return true;
}

// On the window's thread, in the handler of msg.
template <typename T>
std::unique_ptr<T> TakeResult(LPARAM lParam) {
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

} // namespace vt
