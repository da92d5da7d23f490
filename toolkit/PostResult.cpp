#include "toolkit/PostResult.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace vt {

namespace {
std::mutex g_lock;
std::vector<UINT>& Registered() {
    static std::vector<UINT> ids;
    return ids;
}
} // namespace

void detail::RegisterPayloadMessage(UINT msg) noexcept {
    std::lock_guard<std::mutex> guard(g_lock);
    auto& ids = Registered();
    if (std::find(ids.begin(), ids.end(), msg) == ids.end()) {
        try {
            ids.push_back(msg);
        } catch (...) {
            // Out of memory: the result still arrives; only a drain would miss it.
        }
    }
}

void DrainPayloads(HWND hwnd) noexcept {
    if (!hwnd) return;
    std::vector<UINT> ids;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        try {
            ids = Registered();
        } catch (...) {
            return;
        }
    }
    MSG msg;
    for (UINT id : ids)
        while (::PeekMessageW(&msg, hwnd, id, id, PM_REMOVE | PM_NOYIELD))
            delete reinterpret_cast<detail::PayloadBase*>(msg.lParam);
}

} // namespace vt
