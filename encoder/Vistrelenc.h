// Public interface of Vistrelenc.dll: a screen area and an audio input to a .wmv file.
// Both records cross the library boundary field after field without gaps.
#pragma once

#include <windows.h>
#include <cstddef>
#include <cstdint>

// VISTRELENC_STATIC: the library's own code linked into a program (its tests) directly.
#if defined(VISTRELENC_STATIC)
#define VISTRELENC_API extern "C"
#elif defined(VISTRELENC_BUILD)
#define VISTRELENC_API extern "C" __declspec(dllexport)
#else
#define VISTRELENC_API extern "C" __declspec(dllimport)
#endif

// Opaque: the address of one encoder instance; null means none.
typedef void* SENCODER_HANDLE;

enum SEncoderSourceType : int32_t {
    SENCODER_SOURCE_SCREEN = 0,
    SENCODER_SOURCE_RECT = 1,
    SENCODER_SOURCE_WINDOW = 2,
    SENCODER_SOURCE_DEVICE = 3,
};

#pragma pack(push, 4)
struct SEncoderSource {
    int32_t nSourceType;            // SEncoderSourceType; anything else is rejected
    RECT rcCapture;                 // read for type 1 (left, top, right, bottom)
    HWND hWnd;                      // read for type 2
    wchar_t szVideoDevice[260];     // read for type 3
    int32_t bAudioOn;               // non-zero: record audio
    int32_t nAudioDeviceId;         // filled by the caller, not read
    wchar_t szAudioDevice[64];      // read when audio is on
};

struct SEncoderParam {
    int32_t nVideoWidth;            // pixels
    int32_t nVideoHeight;           // pixels
    int32_t nFrameRate;             // frames per second
    int32_t nVideoBitrate;          // kbit/s
    uint8_t reserved1[64];
    int32_t nAudioChannels;
    int32_t nAudioSampleRate;       // Hz
    int32_t nAudioBitrate;          // kbit/s
    uint8_t reserved2[64];
};
#pragma pack(pop)

static_assert(sizeof(RECT) == 16 && sizeof(HWND) == 8, "Win64 layout");
static_assert(offsetof(SEncoderSource, rcCapture) == 4);
static_assert(offsetof(SEncoderSource, hWnd) == 20);
static_assert(offsetof(SEncoderSource, szVideoDevice) == 28);
static_assert(offsetof(SEncoderSource, bAudioOn) == 548);
static_assert(offsetof(SEncoderSource, nAudioDeviceId) == 552);
static_assert(offsetof(SEncoderSource, szAudioDevice) == 556);
static_assert(sizeof(SEncoderSource) == 684);
static_assert(offsetof(SEncoderParam, nFrameRate) == 8);
static_assert(offsetof(SEncoderParam, nVideoBitrate) == 12);
static_assert(offsetof(SEncoderParam, reserved1) == 16);
static_assert(offsetof(SEncoderParam, nAudioChannels) == 80);
static_assert(offsetof(SEncoderParam, nAudioSampleRate) == 84);
static_assert(offsetof(SEncoderParam, nAudioBitrate) == 88);
static_assert(offsetof(SEncoderParam, reserved2) == 92);
static_assert(sizeof(SEncoderParam) == 156);

// Return codes: 0 success; 1 null handle (SEncoderSetEncodeParam: 0x007B0004);
// SEncoderStart passes up the step code of the failing encoder call.
constexpr int SENCODER_OK = 0;
constexpr int SENCODER_NULL_HANDLE = 1;
constexpr int SENCODER_PARAM_NULL_HANDLE = 0x007B0004;

VISTRELENC_API SENCODER_HANDLE SEncoderCreator(const SEncoderSource* source);
VISTRELENC_API int SEncoderSetEncodeParam(SENCODER_HANDLE handle, const SEncoderParam* param);
VISTRELENC_API int SEncoderSetOutputPath(SENCODER_HANDLE handle, const wchar_t* path);
VISTRELENC_API int SEncoderStart(SENCODER_HANDLE handle);
VISTRELENC_API int SEncoderPause(SENCODER_HANDLE handle);
VISTRELENC_API int SEncoderContinue(SENCODER_HANDLE handle);
VISTRELENC_API int SEncoderStop(SENCODER_HANDLE handle);
VISTRELENC_API int SEncoderClose(SENCODER_HANDLE handle);
