// Decisions of the camera window that need no window: the capture size asked of the
// camera, the edges and cursors of moving and resizing, where the picture-in-picture
// goes, and which frames can be drawn.
#pragma once

#include "devices/DeviceLibrary.h"

#include <windows.h>
#include <cstdint>
#include <vector>

// Size of the picture area; the window is 8 pixels larger each way.
constexpr int kCameraDisplayWidth = 550;
constexpr int kCameraDisplayHeight = 450;
constexpr int kCameraFrame = 4;
// A camera that cannot be read is asked for this size.
constexpr SIZE kCameraFallbackSize{320, 240};
// Resizing stops here, so that crossed edges never leave a window that cannot be grabbed.
constexpr int kCameraMinimumSize = 32;

struct CaptureSizeChoice {
    std::vector<SIZE> listed;  // the camera's sizes as read, in its order
    SIZE chosen{};             // the choice before the work-area limit
    SIZE request{};            // what is asked of the camera
};

// attr null: the camera's attributes could not be read. The smallest listed size larger
// than the picture area (550 x 450), else the largest; ties keep the camera's order.
// A request larger than the work area becomes the work area less 20 each way.
CaptureSizeChoice ChooseCaptureSize(const CameraAttr* attr, const RECT& workArea);

// Hit codes (the system's non-client values).
constexpr int kHitBody = 1;
constexpr int kHitLeft = 10, kHitRight = 11, kHitTop = 12, kHitTopLeft = 13, kHitTopRight = 14, kHitBottom = 15,
              kHitBottomLeft = 16, kHitBottomRight = 17;

// Hit code of a point relative to the window's top-left corner: 8-pixel edge bands.
int CameraHitTest(SIZE window, POINT pt) noexcept;

// The window rectangle while dragging with this hit code by (dx, dy) from the start
// rectangle; resizing keeps at least kCameraMinimumSize each way.
RECT CameraDragRect(int hitCode, const RECT& start, int dx, int dy) noexcept;

// Cursor resource (IDC_*) shown over a hit code.
LPCWSTR CameraCursorFor(int hitCode) noexcept;

// Where the close button goes: one pixel right of the window, or left of it when the
// right side would leave the screen (a camera in the screen's corner keeps its button).
POINT CloseButtonPlace(const RECT& window, SIZE button, const RECT& screen) noexcept;

// Whether the close button stays: the pointer is in the window rectangle widened by 25
// pixels towards the side the button is on.
bool KeepCloseButton(const RECT& window, POINT cursor, bool buttonOnLeft = false) noexcept;

// Camera window inside a recorded rectangle: 160 x 120 (both halved when the rectangle
// is narrower or lower than that), 1 pixel in from the bottom-right corner.
RECT PictureInPictureRect(const RECT& recorded) noexcept;
// For the whole screen: 160 x 120 in the bottom-right corner.
RECT PictureInPictureScreenRect(int screenWidth, int screenHeight) noexcept;

// A frame the window may draw: a 24-bit header of a sane size and rows long enough.
bool UsableFrame(const BITMAPINFOHEADER& header, int64_t stride) noexcept;
constexpr int kMaxFrameSide = 16384;
