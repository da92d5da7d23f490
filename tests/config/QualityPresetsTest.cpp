#include "config/QualityPresets.h"

#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Five { int videoBitrate, fps, sample, audioBitrate, channels; };

bool operator==(const Five& a, const Five& b) {
    return a.videoBitrate == b.videoBitrate && a.fps == b.fps && a.sample == b.sample &&
           a.audioBitrate == b.audioBitrate && a.channels == b.channels;
}

std::ostream& operator<<(std::ostream& os, const Five& f) {
    return os << f.videoBitrate << ", " << f.fps << ", " << f.sample << ", " << f.audioBitrate << ", " << f.channels;
}

// Runs the preset on a record full of a marker byte and checks that nothing but the five
// fields changed.
Five Preset(int quality) {
    SEncoderParam p;
    std::memset(&p, 0xA5, sizeof(p));
    GetQualityPreset(quality, p);
    SEncoderParam rest = p;
    rest.nVideoBitrate = rest.nFrameRate = rest.nAudioSampleRate = rest.nAudioBitrate = rest.nAudioChannels =
        static_cast<int32_t>(0xA5A5A5A5);
    SEncoderParam marker;
    std::memset(&marker, 0xA5, sizeof(marker));
    EXPECT_EQ(std::memcmp(&rest, &marker, sizeof(marker)), 0) << "other fields touched";
    return {p.nVideoBitrate, p.nFrameRate, p.nAudioSampleRate, p.nAudioBitrate, p.nAudioChannels};
}

TEST(QualityPreset, BuiltInRowsWithoutTheFile) {
    SettingsFolderScope folder;
    EXPECT_EQ(Preset(0), (Five{9000, 24, 44100, 64, 2}));
    EXPECT_EQ(Preset(1), (Five{1000, 15, 44100, 64, 2}));
    EXPECT_EQ(Preset(2), (Five{500, 15, 44100, 32, 2}));
    EXPECT_EQ(Preset(3), (Five{250, 5, 44100, 32, 2}));
    EXPECT_EQ(Preset(4), (Five{250, 3, 22050, 16, 2}));
    EXPECT_EQ(Preset(7), (Five{1000, 15, 44100, 64, 2}));
    EXPECT_EQ(Preset(-1), (Five{1000, 15, 44100, 64, 2}));
}

TEST(QualityPreset, FileReplacesRowsWithFixedFallbacks) {
    SettingsFolderScope folder;
    WriteUtf16File(folder.PresetsPath(),
                   L"[Lower]\r\nVideoBitrate=300\r\n[High]\r\nVideoBitrate=1200\r\nFps=20\r\nSample=48000\r\n"
                   L"AudioBitrate=96\r\nChannel=1\r\n[Medium]\r\nFps=abc\r\nSample=12x\r\n");
    EXPECT_EQ(Preset(4), (Five{300, 15, 44100, 64, 2}));
    EXPECT_EQ(Preset(0), (Five{1000, 15, 44100, 64, 2}));   // no HD section
    EXPECT_EQ(Preset(1), (Five{1200, 20, 48000, 96, 1}));
    EXPECT_EQ(Preset(7), (Five{1200, 20, 48000, 96, 1}));   // as High
    EXPECT_EQ(Preset(2), (Five{1000, 0, 12, 64, 2}));       // the profile function's conversion
    EXPECT_EQ(Preset(3), (Five{1000, 15, 44100, 64, 2}));
}

TEST(QualityPreset, AnsiFileIsReadToo) {
    SettingsFolderScope folder;
    WriteFileBytes(folder.PresetsPath(), "[HD]\r\nVideoBitrate=8000\r\nFps=30\r\n");
    EXPECT_EQ(Preset(0), (Five{8000, 30, 44100, 64, 2}));
}

} // namespace
