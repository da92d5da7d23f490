// Writes JPEG and ASF files for the file checks that run on the Linux side (ffprobe, ffmpeg).
//   media_writer jpeg <out.jpg> <out.rgb> <width> <height> <bytesPerPixel> <quality>
//   media_writer asf <out.wmv> <width> <height> <frames> <fps> [options]
//     -audio <rate> <channels>   a PCM stream, a tone in 100 ms blocks
//     -key <n>                   only every n-th frame is a key frame (default every one)
//     -kill                      end the process without Close, as if it were killed
// Frame i of an ASF file is noise around one grey level, 40 + (i * 10) % 180, so a decoded
// frame tells which one it is.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AsfWriter.h"
#include "JpegEncoder.h"

namespace {

// A picture with smooth areas, hard edges and colour, for the JPEG round trip.
std::vector<uint8_t> TestPicture(int w, int h, int bpp) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * bpp);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* d = &p[(static_cast<size_t>(y) * w + x) * bpp];
            int r = x * 255 / (w > 1 ? w - 1 : 1);
            int g = y * 255 / (h > 1 ? h - 1 : 1);
            int b = 128 + static_cast<int>(100 * std::sin((x + y) / 9.0));
            if (x > w / 4 && x < w / 2 && y > h / 4 && y < h / 2) r = g = b = 250;  // white box
            if ((x / 24 + y / 24) % 2 == 0 && x > w * 2 / 3) { r = 200; g = 30; b = 30; }  // red checks
            d[0] = static_cast<uint8_t>(b);
            d[1] = static_cast<uint8_t>(g);
            d[2] = static_cast<uint8_t>(r);
            if (bpp == 4) d[3] = 0x5A;  // must be ignored
        }
    }
    return p;
}

std::wstring Wide(const char* s) {
    std::wstring w;
    for (; *s; ++s) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*s)));
    return w;
}

bool WriteAll(const char* path, const void* data, size_t size) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

int Jpeg(int argc, char** argv) {
    if (argc < 8) return 2;
    const int w = std::atoi(argv[4]), h = std::atoi(argv[5]), bpp = std::atoi(argv[6]), q = std::atoi(argv[7]);
    const std::vector<uint8_t> pic = TestPicture(w, h, bpp);
    // The reference as top-down RGB, for the comparison with the decoded picture.
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
        rgb[i * 3] = pic[i * bpp + 2];
        rgb[i * 3 + 1] = pic[i * bpp + 1];
        rgb[i * 3 + 2] = pic[i * bpp];
    }
    JpegEncoder enc;
    std::vector<uint8_t> jpg;
    // A stride larger than the row, as a DIB section of odd width has.
    const int stride = (w * bpp + 3) & ~3;
    std::vector<uint8_t> padded(static_cast<size_t>(stride) * h, 0xEE);
    for (int y = 0; y < h; ++y) std::memcpy(&padded[static_cast<size_t>(y) * stride], &pic[static_cast<size_t>(y) * w * bpp], static_cast<size_t>(w) * bpp);
    if (!enc.Encode(padded.data(), w, h, stride, bpp, q, jpg)) return 1;
    return WriteAll(argv[2], jpg.data(), jpg.size()) && WriteAll(argv[3], rgb.data(), rgb.size()) ? 0 : 1;
}

int Asf(int argc, char** argv) {
    if (argc < 7) return 2;
    const int w = std::atoi(argv[3]), h = std::atoi(argv[4]), frames = std::atoi(argv[5]), fps = std::atoi(argv[6]);
    AsfAudioFormat audio{44100, 2, 16};
    bool hasAudio = false, kill = false;
    int keyEvery = 1;
    for (int i = 7; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-audio") && i + 2 < argc) {
            hasAudio = true;
            audio.sampleRate = std::atoi(argv[++i]);
            audio.channels = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "-key") && i + 1 < argc) {
            keyEvery = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "-kill")) {
            kill = true;
        }
    }
    AsfWriter writer;
    if (!writer.Open(Wide(argv[2]).c_str(), AsfVideoFormat{w, h}, hasAudio ? &audio : nullptr)) return 1;
    JpegEncoder enc;
    std::vector<uint8_t> pic(static_cast<size_t>(w) * h * 4), jpg;
    const int64_t frameTime = 10'000'000 / fps;
    const int64_t audioBlock = 1'000'000;  // 100 ms
    int64_t audioTime = 0;
    int64_t sample = 0;
    for (int i = 0; i < frames; ++i) {
        const int64_t t = i * frameTime;
        // Audio up to this frame's time goes first, as a recorder would interleave it.
        while (hasAudio && audioTime <= t) {
            const int n = static_cast<int>(audio.sampleRate / 10);
            std::vector<int16_t> block(static_cast<size_t>(n) * audio.channels);
            for (int s = 0; s < n; ++s, ++sample) {
                const int16_t v = static_cast<int16_t>(8000 * std::sin(sample * 2 * 3.14159265 * 440 / audio.sampleRate));
                for (int c = 0; c < audio.channels; ++c) block[static_cast<size_t>(s) * audio.channels + c] = v;
            }
            if (!writer.WriteAudio(audioTime, block.data(), block.size() * sizeof(int16_t))) return 1;
            audioTime += audioBlock;
        }
        // Noise around the level makes frames large enough to span several packets.
        const int level = 40 + (i * 10) % 180;
        uint32_t seed = 1234567u + static_cast<uint32_t>(i);
        for (size_t p = 0; p < pic.size(); ++p) {
            seed = seed * 1664525u + 1013904223u;
            pic[p] = static_cast<uint8_t>(level + static_cast<int>(seed >> 27) - 16);
        }
        if (!enc.Encode(pic.data(), w, h, w * 4, 4, 75, jpg)) return 1;
        if (!writer.WriteVideo(t, jpg.data(), jpg.size(), i % keyEvery == 0)) return 1;
    }
    if (kill) {
        std::fflush(stdout);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    return writer.Close() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && !std::strcmp(argv[1], "jpeg")) return Jpeg(argc, argv);
    if (argc >= 2 && !std::strcmp(argv[1], "asf")) return Asf(argc, argv);
    std::fprintf(stderr, "usage: media_writer jpeg|asf ...\n");
    return 2;
}
