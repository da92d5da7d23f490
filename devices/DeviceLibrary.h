// Interface of the device library Vistrel.dll: cameras with their frames, audio-card
// inputs with their lines. The records cross the library boundary as laid out here;
// the caller zeroes every record before a call.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>

#ifdef VISTREL_DEVICELIB_BUILD
#define VISTREL_DEVICE_API extern "C"
#else
#define VISTREL_DEVICE_API extern "C" __declspec(dllimport)
#endif

// Opaque: one open camera; null means none. Values of closed cameras are never reused.
typedef void* CAMERA_HANDLE;

constexpr int CAMERA_NAME_CHARS = 256;       // with the terminating NUL
constexpr int CAMERA_MAX_SIZES = 9;
constexpr int AUDIO_NAME_CHARS = 32;         // with the terminating NUL
constexpr int AUDIO_MAX_LINES = 20;

#pragma pack(push, 4)
struct CameraSize {
    uint32_t width;
    uint32_t height;
};

struct CameraAttr {
    wchar_t szName[CAMERA_NAME_CHARS];
    // Ends at the first entry with a zero width or height.
    CameraSize sizes[CAMERA_MAX_SIZES];
};

struct AudioDeviceInfo {
    wchar_t szName[AUDIO_NAME_CHARS];
    uint8_t reserved[244];
};

struct AudioInputLine {
    wchar_t szName[AUDIO_NAME_CHARS];
    uint32_t nVolume;                        // 0..100
    uint32_t bSelected;                      // non-zero: the line used for recording
};

struct AudioInputLines {
    uint32_t nCount;
    AudioInputLine lines[AUDIO_MAX_LINES];
};
#pragma pack(pop)

static_assert(sizeof(wchar_t) == 2, "names are UTF-16");
static_assert(offsetof(CameraAttr, sizes) == 512);
static_assert(sizeof(CameraAttr) == 584);
static_assert(sizeof(AudioDeviceInfo) == 308);
static_assert(offsetof(AudioInputLine, nVolume) == 64);
static_assert(offsetof(AudioInputLine, bSelected) == 68);
static_assert(sizeof(AudioInputLine) == 72);
static_assert(offsetof(AudioInputLines, lines) == 4);
static_assert(sizeof(AudioInputLines) == 1444);

// Cameras. Indices run from 0 to the count - 1; a count below 1 means no camera.
VISTREL_DEVICE_API int apiCameraGetCount(void);
// Non-zero: attr filled. Zero: no such camera (the caller skips the index).
VISTREL_DEVICE_API int apiCameraGetAttr(int index, CameraAttr* attr);
// Opens at the requested size (or the nearest the camera offers); bitsPerPixel must be 24.
VISTREL_DEVICE_API CAMERA_HANDLE CameraOpen(int index, int width, int height, int bitsPerPixel);
// The newest frame, bottom row first, B,G,R, rows *stride bytes apart; *frameNumber (may be
// null) counts the frames delivered on this handle. Null when no new frame arrived since the
// last call. The buffer stays the library's and valid until the next call on this handle.
VISTREL_DEVICE_API BYTE* CameraGetFrame(CAMERA_HANDLE camera, int64_t* stride, int64_t* frameNumber);
// Fills the header of the frames delivered (24 bits, bottom-up); non-zero on success.
VISTREL_DEVICE_API int CammeraGetBmpInfo(CAMERA_HANDLE camera, BITMAPINFOHEADER* header);
VISTREL_DEVICE_API void CameraClose(CAMERA_HANDLE camera);

// Audio-card inputs: the waveIn devices.
VISTREL_DEVICE_API unsigned int apiAudioCardGetDevicesNum(void);
VISTREL_DEVICE_API int apiAudioCardGetDeviceInfo(int index, AudioDeviceInfo* info);
// Non-zero and nCount >= 1: the lines are valid.
VISTREL_DEVICE_API int apiAudioCardGetInputLine(int deviceIndex, AudioInputLines* lines);
// Selects the named line and sets its volume; an entry that is all zero but the volume
// sets the device's recording volume. Zero on failure.
VISTREL_DEVICE_API int apiAudioCardSetInputLine(int deviceIndex, const AudioInputLine* line);
