// Encoder speed: our JPEG encoder against WIC's on the same screen-like pictures.
// media_bench.exe [frames [picture.bgra width height]]
// The optional picture (raw top-down BGRA, e.g. a screenshot) is encoded as well.
#include <windows.h>
#include <wincodec.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "JpegEncoder.h"
#include "toolkit/Raii.h"

namespace {

// Windows, text-like strokes, a gradient and a photo-like noisy area.
std::vector<uint8_t> ScreenLike(int w, int h, int bpp, bool noiseOnly) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * bpp);
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t b, g, r;
            seed = seed * 1664525u + 1013904223u;
            const uint8_t noise = static_cast<uint8_t>(seed >> 24);
            if (noiseOnly) {
                b = noise;
                g = static_cast<uint8_t>(noise * 3);
                r = static_cast<uint8_t>(noise * 7);
            } else if (x < w / 4) {  // a side panel with text lines
                const bool ink = (y % 16) < 10 && ((x * 7 + y * 3) % 11) < 4 && (x % 64) < 56;
                b = g = r = ink ? 20 : 240;
            } else if (y < h / 3) {  // gradient title area
                b = static_cast<uint8_t>(x * 255 / w);
                g = static_cast<uint8_t>(y * 255 / h);
                r = 128;
            } else if (x > w * 2 / 3 && y > h * 2 / 3) {  // a picture
                b = static_cast<uint8_t>((x + noise / 8) & 0xFF);
                g = static_cast<uint8_t>((y + noise / 4) & 0xFF);
                r = static_cast<uint8_t>(noise / 2 + 64);
            } else {  // document with text
                const bool ink = (y % 20) < 12 && ((x * 5 + y) % 9) < 3;
                b = ink ? 0 : 255;
                g = ink ? 0 : 255;
                r = ink ? 0 : 250;
            }
            uint8_t* d = &p[(static_cast<size_t>(y) * w + x) * bpp];
            d[0] = b;
            d[1] = g;
            d[2] = r;
            if (bpp == 4) d[3] = 255;
        }
    }
    return p;
}

double Now() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// CPU time of this thread: the machine is shared, so wall time says little.
double CpuNow() {
    FILETIME c, e, k, u;
    ::GetThreadTimes(::GetCurrentThread(), &c, &e, &k, &u);
    const uint64_t t = ((static_cast<uint64_t>(u.dwHighDateTime) << 32) | u.dwLowDateTime) +
                       ((static_cast<uint64_t>(k.dwHighDateTime) << 32) | k.dwLowDateTime);
    return static_cast<double>(t) / 10'000.0;
}

void BenchOurs(int w, int h, int bpp, int quality, bool noise, int frames,
               const std::vector<uint8_t>* given = nullptr) {
    const std::vector<uint8_t> pic = given ? *given : ScreenLike(w, h, bpp, noise);
    JpegEncoder enc;
    std::vector<uint8_t> out;
    enc.Encode(pic.data(), w, h, w * bpp, bpp, quality, out);  // warm up
    const double t0 = Now(), c0 = CpuNow();
    for (int i = 0; i < frames; ++i) enc.Encode(pic.data(), w, h, w * bpp, bpp, quality, out);
    const double ms = (Now() - t0) / frames, cpu = (CpuNow() - c0) / frames;
    std::printf("ours %4dx%-4d %d bpp q%-3d %-6s %7.2f ms/frame (cpu %7.2f) %8zu bytes\n", w, h, bpp * 8,
                quality, given ? "given" : noise ? "noise" : "screen", ms, cpu, out.size());
}

void BenchWic(int w, int h, int frames) {
    const std::vector<uint8_t> pic = ScreenLike(w, h, 3, false);
    vt::ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.PutVoid()))) {
        std::printf("WIC unavailable\n");
        return;
    }
    size_t bytes = 0;
    double total = 0, cpu = 0;
    for (int i = 0; i <= frames; ++i) {
        const double t0 = Now(), c0 = CpuNow();
        vt::ComPtr<IStream> stream;
        CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
        vt::ComPtr<IWICBitmapEncoder> encoder;
        factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Put());
        encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
        vt::ComPtr<IWICBitmapFrameEncode> frame;
        vt::ComPtr<IPropertyBag2> props;
        encoder->CreateNewFrame(frame.Put(), props.Put());
        frame->Initialize(props.Get());
        frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h));
        WICPixelFormatGUID fmt = GUID_WICPixelFormat24bppBGR;
        frame->SetPixelFormat(&fmt);
        frame->WritePixels(static_cast<UINT>(h), static_cast<UINT>(w * 3), static_cast<UINT>(pic.size()),
                           const_cast<BYTE*>(pic.data()));
        frame->Commit();
        encoder->Commit();
        STATSTG st{};
        stream->Stat(&st, STATFLAG_NONAME);
        bytes = static_cast<size_t>(st.cbSize.QuadPart);
        if (i > 0) {  // the first one loads the codec
            total += Now() - t0;
            cpu += CpuNow() - c0;
        }
    }
    std::printf("WIC  %4dx%-4d 24 bpp            %7.2f ms/frame (cpu %7.2f) %8zu bytes\n", w, h,
                total / frames, cpu / frames, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 20;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    BenchOurs(1280, 800, 4, 75, false, frames);
    BenchOurs(1920, 1080, 4, 75, false, frames);
    BenchOurs(1920, 1080, 3, 75, false, frames);
    BenchOurs(1920, 1080, 4, 50, false, frames);
    BenchOurs(1920, 1080, 4, 90, false, frames);
    BenchOurs(1920, 1080, 4, 75, true, frames / 4 + 1);
    if (argc > 4) {
        const int w = std::atoi(argv[3]), h = std::atoi(argv[4]);
        std::vector<uint8_t> pic(static_cast<size_t>(w) * h * 4);
        FILE* f = std::fopen(argv[2], "rb");
        if (f && std::fread(pic.data(), 1, pic.size(), f) == pic.size()) {
            BenchOurs(w, h, 4, 75, false, frames, &pic);
        } else {
            std::printf("cannot read %s\n", argv[2]);
        }
        if (f) std::fclose(f);
    }
    BenchWic(1280, 800, frames / 4 + 1);
    BenchWic(1920, 1080, frames / 4 + 1);
    CoUninitialize();
    return 0;
}
