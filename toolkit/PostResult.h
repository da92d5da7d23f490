// Worker threads hand results to windows by PostMessage only. A result travels as
// lParam and belongs to the window once posted; results still queued when the window
// goes are freed with it (at WM_NCDESTROY), and a post to a window already gone frees
// the result at once.
//
//   using CamerasListed = vt::ResultMsg<WM_APP + 1, CameraList>;
//   CamerasListed::Post(window, std::move(list));           // any thread
//   case CamerasListed::kId: auto list = CamerasListed::Take(lParam);  // UI thread
#pragma once

#include <windows.h>
#include <memory>

namespace vt {

namespace detail {
struct PayloadBase {
    virtual ~PayloadBase() = default;
};
template <typename T>
struct Payload final : PayloadBase {
    explicit Payload(std::unique_ptr<T> v) noexcept : value(std::move(v)) {}
    std::unique_ptr<T> value;
};
// Message numbers that carry a payload, so that a dying window's queue can be drained.
void RegisterPayloadMessage(UINT msg) noexcept;
} // namespace detail

// Frees the payloads of every result message queued for hwnd (the framework calls it
// when a bound window goes; call it for windows of other kinds).
void DrainPayloads(HWND hwnd) noexcept;

template <UINT Id, typename T>
struct ResultMsg {
    static constexpr UINT kId = Id;

    static bool Post(HWND target, std::unique_ptr<T> value, WPARAM wParam = 0) {
        // A null target would post to the thread's own queue, where nobody takes it.
        if (!target) return false;
        detail::RegisterPayloadMessage(Id);
        auto payload = std::make_unique<detail::Payload<T>>(std::move(value));
        auto* raw = static_cast<detail::PayloadBase*>(payload.get());
        if (!::PostMessageW(target, Id, wParam, reinterpret_cast<LPARAM>(raw))) return false; // freed here
        payload.release();
        return true;
    }

    // On the window's thread, in the handler of kId.
    static std::unique_ptr<T> Take(LPARAM lParam) {
        std::unique_ptr<detail::PayloadBase> base(reinterpret_cast<detail::PayloadBase*>(lParam));
        auto* payload = dynamic_cast<detail::Payload<T>*>(base.get());
        return payload ? std::move(payload->value) : nullptr;
    }
};

} // namespace vt
