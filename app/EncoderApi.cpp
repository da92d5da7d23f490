#include "app/EncoderApi.h"

const EncoderApi& LibraryEncoderApi() noexcept {
    static const EncoderApi api{&SEncoderCreator, &SEncoderSetEncodeParam, &SEncoderSetOutputPath, &SEncoderStart,
                                &SEncoderPause,   &SEncoderContinue,       &SEncoderStop,          &SEncoderClose};
    return api;
}
