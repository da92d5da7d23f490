#include "devices/PlayerLogic.h"

#include "devices/CameraLayout.h"

int PlayerHitTest(SIZE window, POINT pt) noexcept {
    const int code = CameraHitTest(window, pt);
    return code == kHitBody ? 0 : code;
}

bool PlayerDragRect(int hitCode, const RECT& start, int dx, int dy, RECT& result) noexcept {
    if (hitCode < kHitLeft || hitCode > kHitBottomRight) return false;
    const RECT r = CameraDragRect(hitCode, start, dx, dy);
    if (r.right - r.left < kPlayerMinimumSize.cx || r.bottom - r.top < kPlayerMinimumSize.cy) return false;
    result = r;
    return true;
}

PlayerMenuStates PlayerMenuStatesFor(int playState) noexcept {
    switch (playState) {
    case kPlayerPlaying: return {false, true, true};
    case kPlayerPaused: return {true, false, true};
    default: return {true, false, false};
    }
}

PlayerLayout PlayerLayoutFor(SIZE client, SIZE window, int buttonWidth) noexcept {
    PlayerLayout l{};
    l.close = {client.cx - buttonWidth - 10, 7};
    l.minimise = {client.cx - 2 * buttonWidth - 20, 7};
    l.control = RECT{kPlayerMargins.left, kPlayerMargins.top,
                     kPlayerMargins.left + window.cx - kPlayerMargins.left - kPlayerMargins.right,
                     kPlayerMargins.top + window.cy - kPlayerMargins.top - kPlayerMargins.bottom};
    return l;
}

std::wstring PlayerFileName(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    if (pos == std::wstring::npos) pos = path.rfind(L'/');
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}
