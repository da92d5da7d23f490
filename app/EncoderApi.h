// The encoder library's eight functions as one table, so that the recording can be driven
// against another implementation (the tests' fake).
#pragma once

#include "encoder/Vistrelenc.h"

struct EncoderApi {
    SENCODER_HANDLE (*Creator)(const SEncoderSource*);
    int (*SetEncodeParam)(SENCODER_HANDLE, const SEncoderParam*);
    int (*SetOutputPath)(SENCODER_HANDLE, const wchar_t*);
    int (*Start)(SENCODER_HANDLE);
    int (*Pause)(SENCODER_HANDLE);
    int (*Continue)(SENCODER_HANDLE);
    int (*Stop)(SENCODER_HANDLE);
    int (*Close)(SENCODER_HANDLE);
};

// Vistrelenc.dll's exports.
const EncoderApi& LibraryEncoderApi() noexcept;
