// The eight exported functions. Nothing may throw across them.
#include "encoder/MSEncoder.h"

#include <memory>
#include <new>

namespace {

CMSEncoder* FromHandle(SENCODER_HANDLE handle) { return static_cast<CMSEncoder*>(handle); }

} // namespace

VISTRELENC_API SENCODER_HANDLE SEncoderCreator(const SEncoderSource* source) {
    if (!source) return nullptr;
    try {
        std::unique_ptr<CMSEncoder> encoder(new (std::nothrow) CMSEncoder);
        if (!encoder || !encoder->SetSource(*source)) return nullptr;
        return encoder.release();
    } catch (...) {
        return nullptr;
    }
}

VISTRELENC_API int SEncoderSetEncodeParam(SENCODER_HANDLE handle, const SEncoderParam* param) {
    if (!handle || !param) return SENCODER_PARAM_NULL_HANDLE;
    FromHandle(handle)->SetEncodeParam(*param);
    return SENCODER_OK;
}

VISTRELENC_API int SEncoderSetOutputPath(SENCODER_HANDLE handle, const wchar_t* path) {
    if (!handle) return SENCODER_NULL_HANDLE;
    try {
        FromHandle(handle)->SetOutputPath(path);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return SENCODER_OK;
}

VISTRELENC_API int SEncoderStart(SENCODER_HANDLE handle) {
    if (!handle) return SENCODER_NULL_HANDLE;
    try {
        return FromHandle(handle)->DoEncoder();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

VISTRELENC_API int SEncoderPause(SENCODER_HANDLE handle) {
    if (!handle) return SENCODER_NULL_HANDLE;
    try {
        FromHandle(handle)->Pause();
    } catch (...) {
    }
    return SENCODER_OK;
}

VISTRELENC_API int SEncoderContinue(SENCODER_HANDLE handle) {
    if (!handle) return SENCODER_NULL_HANDLE;
    try {
        FromHandle(handle)->Continue();
    } catch (...) {
    }
    return SENCODER_OK;
}

VISTRELENC_API int SEncoderStop(SENCODER_HANDLE handle) {
    if (!handle) return SENCODER_NULL_HANDLE;
    try {
        FromHandle(handle)->Stop();
    } catch (...) {
    }
    return SENCODER_OK;
}

VISTRELENC_API int SEncoderClose(SENCODER_HANDLE handle) {
    if (!handle) return SENCODER_NULL_HANDLE;
    delete FromHandle(handle);
    return SENCODER_OK;
}
