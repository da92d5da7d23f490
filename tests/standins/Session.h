// A recording session built on the encoder objects the way the encoder library builds it.
#pragma once

#include "DispCall.h"

namespace standin_test {

inline const CLSID kClsidEncoder = {0x632B606A, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
inline const CLSID kClsidProfile = {0xA5AC04E7, 0x3E13, 0x48CE, {0xA4, 0x3F, 0x9F, 0xBA, 0x59, 0xDB, 0x15, 0x44}};

struct SessionSetup {
    RECT rect{};           // all zero: whole screen
    HWND window = nullptr;
    std::wstring audio;    // empty: no audio
    int width = 0, height = 0;
    int fps = 15;
    int videoKbps = 1000, audioKbps = 128;
    std::wstring path;
};

struct Session {
    vt::ComPtr<IDispatch> encoder, profile, group, video, audio, file;

    // Everything up to PrepareToEncode(true); returns the first failure.
    HRESULT Build(const SessionSetup& s) {
        HRESULT hr = CoCreateInstance(kClsidEncoder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, encoder.PutVoid());
        if (FAILED(hr)) return hr;
        Var r;
        if (FAILED(hr = Get(encoder.Get(), L"SourceGroupCollection", {}, &r))) return hr;
        auto groups = r.Object();
        if (FAILED(hr = Method(groups.Get(), L"Add", {Var(L"SourceGroup1")}, &r))) return hr;
        group = r.Object();
        if (FAILED(hr = Method(group.Get(), L"AddSource", {Var(2L)}, &r))) return hr;
        video = r.Object();
        if (FAILED(hr = Method(video.Get(), L"SetInput", {Var(L"ScreenCap://ScreenCapture1"), Var(L""), Var(L"")}))) return hr;
        vt::ComPtr<IPropertyBag> bag;
        if (FAILED(hr = video.As(IID_IPropertyBag, bag))) return hr;
        auto write = [&](const wchar_t* name, Var v) { return bag->Write(name, &v.v); };
        write(L"Screen", Var::Bool(false));
        if (s.window) {
            write(L"CaptureWindow", Var(static_cast<LONG>(reinterpret_cast<LONG_PTR>(s.window))));
        } else if (s.rect.left || s.rect.top || s.rect.right || s.rect.bottom) {
            write(L"Left", Var(s.rect.left));
            write(L"Top", Var(s.rect.top));
            write(L"Right", Var(s.rect.right));
            write(L"Bottom", Var(s.rect.bottom));
            write(L"FlashRect", Var::Bool(false));
        }
        if (!s.audio.empty()) {
            if (FAILED(hr = Method(group.Get(), L"AddSource", {Var(1L)}, &r))) return hr;
            audio = r.Object();
            std::wstring input = L"Device://" + s.audio;
            if (FAILED(hr = Method(audio.Get(), L"SetInput", {Var(input.c_str()), Var(L""), Var(L"")}))) return hr;
        }
        if (FAILED(hr = CoCreateInstance(kClsidProfile, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, profile.PutVoid())))
            return hr;
        Put(profile.Get(), L"ValidateMode", {Var::Bool(true)});
        Put(profile.Get(), L"ProfileName", {Var(L"Custom Screen Capture Profile")});
        Put(profile.Get(), L"ContentType", {Var(s.audio.empty() ? 16L : 17L)});
        Put(profile.Get(), L"VBRMode", {Var(2L), Var::Short(0), Var(1L)});
        LONG total = (s.videoKbps + (s.audio.empty() ? 0 : s.audioKbps)) * 1000;
        if (FAILED(hr = Method(profile.Get(), L"AddAudience", {Var(total)}, &r))) return hr;
        auto audience = r.Object();
        int fps = s.fps <= 5 ? 5000 : s.fps >= 30 ? 30000 : s.fps * 1000;
        Put(audience.Get(), L"VideoCodec", {Var::Short(0), Var(0L)});
        Put(audience.Get(), L"VideoHeight", {Var::Short(0), Var(static_cast<LONG>(s.height & ~1))});
        Put(audience.Get(), L"VideoWidth", {Var::Short(0), Var(static_cast<LONG>(s.width & ~1))});
        Put(audience.Get(), L"VideoBufferSize", {Var::Short(0), Var(5000L)});
        Put(audience.Get(), L"VideoFPS", {Var::Short(0), Var(static_cast<LONG>(fps))});
        Put(audience.Get(), L"VideoCompressionQuality", {Var::Short(0), Var(100L)});
        if (FAILED(hr = Method(profile.Get(), L"Validate"))) return hr;
        if (FAILED(hr = Put(group.Get(), L"Profile", {Var::Dispatch(profile.Get())}))) return hr;
        if (FAILED(hr = Get(encoder.Get(), L"File", {}, &r))) return hr;
        file = r.Object();
        if (FAILED(hr = Put(file.Get(), L"LocalFileName", {Var(s.path.c_str())}))) return hr;
        return Method(encoder.Get(), L"PrepareToEncode", {Var::Bool(true)});
    }
    HRESULT Start() { return Method(encoder.Get(), L"Start"); }
    HRESULT Pause() { return Method(encoder.Get(), L"Pause"); }
    HRESULT Stop() {
        Method(encoder.Get(), L"PrepareToEncode", {Var::Bool(false)});
        return Method(encoder.Get(), L"Stop");
    }
    LONG RunState() {
        Var r;
        Get(encoder.Get(), L"RunState", {}, &r);
        return r.Long();
    }
};

} // namespace standin_test
