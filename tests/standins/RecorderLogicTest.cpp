// Pacing of audio to the recording clock and the bit-rate steering of the JPEG quality.
#include "standins/Recorder.h"

#include <gtest/gtest.h>

using wmenc::AudioPacer;
using wmenc::QualityControl;

namespace {
constexpr int64_t kMs = 10000;  // 100-ns units per millisecond
}

TEST(AudioPacer, DeviceTenTimesTooFastIsTrimmedToTheClock) {
    AudioPacer pacer(44100, 300 * kMs);
    // 3 s of recording; a 50 ms buffer (2205 frames) arrives every 5 ms.
    int64_t kept = 0;
    for (int64_t t = 5 * kMs; t <= 3000 * kMs; t += 5 * kMs) {
        pacer.Padding(t);
        kept += pacer.Accept(2205, t);
    }
    pacer.FinalPadding(3000 * kMs);
    EXPECT_EQ(pacer.Written(), 3 * 44100);
    EXPECT_LE(kept, 3 * 44100);
    EXPECT_GE(kept, 3 * 44100 - 300);  // nothing but the last buffer's gap is padding
}

TEST(AudioPacer, SlowDeviceIsPaddedAndPauseDropsData) {
    AudioPacer pacer(48000, 300 * kMs);
    // Half speed: 50 ms of data every 100 ms for 2 s.
    for (int64_t t = 100 * kMs; t <= 2000 * kMs; t += 100 * kMs) {
        pacer.Padding(t);
        pacer.Accept(2400, t);
        // Never further behind the clock than the allowance.
        EXPECT_GE(pacer.Written(), 48 * (t / kMs) - 48 * 300 - 2400);
    }
    // Data that catches up is kept up to the clock, no further; while paused (the clock
    // stands at 2 s) whatever arrives is dropped.
    EXPECT_LE(pacer.Accept(100000, 2000 * kMs), 48 * 300 + 2400);
    EXPECT_EQ(pacer.Written(), 96000);
    EXPECT_EQ(pacer.Accept(100000, 2000 * kMs), 0);
    int64_t before = pacer.Written();
    EXPECT_EQ(pacer.FinalPadding(2000 * kMs), 96000 - before);
    EXPECT_EQ(pacer.Written(), 96000);
    EXPECT_EQ(pacer.TimeOf(48000), 1000 * kMs);
}

TEST(QualityControl, SteersTowardsTheBitRate) {
    // 1 Mbit/s at 10 fps: 12500 bytes a frame.
    QualityControl big(1000000, 10000, 1280, 800);
    int start = big.Quality();
    for (int i = 0; i < 20; ++i) big.Update(50000);  // frames four times too big
    EXPECT_LT(big.Quality(), start);
    QualityControl small(1000000, 10000, 1280, 800);
    for (int i = 0; i < 200; ++i) small.Update(1000);  // far below the budget
    EXPECT_EQ(small.Quality(), 95);
    for (int i = 0; i < 500; ++i) small.Update(10000000);
    EXPECT_EQ(small.Quality(), 10);
}
