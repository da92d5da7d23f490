#include "encoder/ObjectCreation.h"

#include <atomic>

namespace {

HRESULT STDAPICALLTYPE DefaultCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context,
                                             REFIID iid, LPVOID* out) {
    return ::CoCreateInstance(clsid, outer, context, iid, out);
}

std::atomic<EncoderCreateInstanceFn> g_createInstance{&DefaultCreateInstance};

} // namespace

EncoderCreateInstanceFn SetEncoderCreateInstance(EncoderCreateInstanceFn fn) noexcept {
    return g_createInstance.exchange(fn ? fn : &DefaultCreateInstance);
}

HRESULT CreateEncoderObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return g_createInstance.load()(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
}
