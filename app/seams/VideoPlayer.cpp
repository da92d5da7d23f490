// First build: there is no player window, so no file loads.
#include "app/seams/VideoPlayer.h"

std::unique_ptr<IVideoPlayer> CreateVideoPlayer(HWND) {
    return nullptr;
}
