// Which commands of the tray menu can be chosen, from the session alone. Show and Exit
// always can: Exit waits by itself while a modal step runs.
#pragma once

#include "app/RecorderHost.h"

struct TrayMenuStates {
    bool start = false;  // also continues a paused recording
    bool pause = false;
    bool stop = false;
};

// busy: a Pause or Continue is on its way, or a modal step runs; every session command
// would be refused then, so none is offered.
constexpr TrayMenuStates TrayMenuStatesFor(SessionState state, bool busy) noexcept {
    if (busy) return {};
    return {state == SessionState::Idle || state == SessionState::Paused, state == SessionState::Recording,
            state == SessionState::Recording || state == SessionState::Paused};
}
