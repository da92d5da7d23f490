// The JPEG stream's structure; whether it decodes to the picture is checked with ffmpeg
// (check_media_files.sh).
#include "JpegEncoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <thread>

namespace {

std::vector<uint8_t> Picture(int w, int h, int bpp, int stride, uint8_t alpha = 255) {
    std::vector<uint8_t> p(static_cast<size_t>(stride) * h, 0xCD);
    uint32_t seed = 99;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            uint8_t* d = &p[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * bpp];
            d[0] = static_cast<uint8_t>(x * 3 + (seed >> 28));
            d[1] = static_cast<uint8_t>(y * 5);
            d[2] = static_cast<uint8_t>((x ^ y) * 7);
            if (bpp == 4) d[3] = alpha;
        }
    }
    return p;
}

struct Segment {
    uint8_t marker;
    std::vector<uint8_t> body;
};

// Splits a JFIF stream into its marker segments; the entropy-coded data becomes the body
// of the SOS segment's successor with marker 0 ("scan"). Fails the test on a broken stream.
std::vector<Segment> Parse(const std::vector<uint8_t>& j) {
    std::vector<Segment> segs;
    EXPECT_GE(j.size(), 4u);
    EXPECT_EQ(j[0], 0xFF);
    EXPECT_EQ(j[1], 0xD8);
    size_t i = 2;
    while (i + 4 <= j.size()) {
        EXPECT_EQ(j[i], 0xFF) << "at " << i;
        if (j[i] != 0xFF) return segs;
        const uint8_t m = j[i + 1];
        const size_t len = (j[i + 2] << 8) | j[i + 3];
        segs.push_back({m, std::vector<uint8_t>(j.begin() + static_cast<ptrdiff_t>(i + 4),
                                                j.begin() + static_cast<ptrdiff_t>(i + 2 + len))});
        i += 2 + len;
        if (m == 0xDA) {
            // Entropy-coded data up to EOI: every 0xFF must be stuffed.
            const size_t start = i;
            while (i + 1 < j.size() && !(j[i] == 0xFF && j[i + 1] != 0x00)) i += j[i] == 0xFF ? 2 : 1;
            segs.push_back({0, std::vector<uint8_t>(j.begin() + static_cast<ptrdiff_t>(start),
                                                    j.begin() + static_cast<ptrdiff_t>(i))});
            EXPECT_EQ(i + 2, j.size()) << "data after the scan";
            EXPECT_EQ(j[i], 0xFF);
            EXPECT_EQ(j[i + 1], 0xD9) << "the stream ends with EOI";
            return segs;
        }
    }
    ADD_FAILURE() << "no scan";
    return segs;
}

const Segment* Find(const std::vector<Segment>& s, uint8_t m) {
    for (const Segment& x : s) {
        if (x.marker == m) return &x;
    }
    return nullptr;
}

}  // namespace

TEST(JpegEncoder, QualityScalesTheStandardTables) {
    uint16_t t[64];
    JpegEncoder::QuantTable(50, false, t);
    EXPECT_EQ(t[0], 16);
    EXPECT_EQ(t[63], 99);
    JpegEncoder::QuantTable(75, false, t);
    EXPECT_EQ(t[0], 8);   // (16 * 50 + 50) / 100
    EXPECT_EQ(t[7], 31);  // (61 * 50 + 50) / 100
    JpegEncoder::QuantTable(75, true, t);
    EXPECT_EQ(t[0], 9);
    EXPECT_EQ(t[63], 50);
    JpegEncoder::QuantTable(100, true, t);
    for (uint16_t v : t) EXPECT_EQ(v, 1);
    JpegEncoder::QuantTable(1, false, t);
    for (uint16_t v : t) EXPECT_EQ(v, 255);  // baseline keeps them in 8 bits
    JpegEncoder::QuantTable(10, false, t);
    EXPECT_EQ(t[0], 80);
}

TEST(JpegEncoder, StreamIsBaselineJfifWithTheGivenSizeAndTables) {
    JpegEncoder enc;
    for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {333, 201}, {640, 480}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const std::vector<uint8_t> pic = Picture(w, h, 3, w * 3);
        std::vector<uint8_t> out;
        ASSERT_TRUE(enc.Encode(pic.data(), w, h, w * 3, 3, 60, out));
        const std::vector<Segment> segs = Parse(out);
        ASSERT_FALSE(segs.empty());
        EXPECT_EQ(segs[0].marker, 0xE0);
        EXPECT_EQ(0, std::memcmp(segs[0].body.data(), "JFIF", 5));

        const Segment* sof = Find(segs, 0xC0);
        ASSERT_NE(sof, nullptr);
        ASSERT_EQ(sof->body.size(), 15u);
        EXPECT_EQ(sof->body[0], 8);
        EXPECT_EQ((sof->body[1] << 8) | sof->body[2], h);
        EXPECT_EQ((sof->body[3] << 8) | sof->body[4], w);
        EXPECT_EQ(sof->body[5], 3);
        EXPECT_EQ(sof->body[7], 0x22);  // 4:2:0
        EXPECT_EQ(sof->body[10], 0x11);
        EXPECT_EQ(sof->body[13], 0x11);

        const Segment* dqt = Find(segs, 0xDB);
        ASSERT_NE(dqt, nullptr);
        ASSERT_EQ(dqt->body.size(), 130u);
        uint16_t luma[64], chroma[64];
        JpegEncoder::QuantTable(60, false, luma);
        JpegEncoder::QuantTable(60, true, chroma);
        static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                        12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                        35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                        58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
        EXPECT_EQ(dqt->body[0], 0);
        EXPECT_EQ(dqt->body[65], 1);
        for (int k = 0; k < 64; ++k) {
            EXPECT_EQ(dqt->body[1 + k], luma[kZigzag[k]]);
            EXPECT_EQ(dqt->body[66 + k], chroma[kZigzag[k]]);
        }
        const Segment* scan = Find(segs, 0);
        ASSERT_NE(scan, nullptr);
        EXPECT_FALSE(scan->body.empty());
    }
}

// Every symbol a baseline encoder can emit must have a code, exactly once, and the codes
// must form a complete-but-one prefix code (no all-ones code).
TEST(JpegEncoder, HuffmanTablesCoverEverySymbol) {
    JpegEncoder enc;
    const std::vector<uint8_t> pic = Picture(16, 16, 3, 48);
    std::vector<uint8_t> out;
    ASSERT_TRUE(enc.Encode(pic.data(), 16, 16, 48, 3, 75, out));
    const std::vector<Segment> segs = Parse(out);
    const Segment* dht = Find(segs, 0xC4);
    ASSERT_NE(dht, nullptr);
    std::map<int, std::vector<int>> tables;  // class/id -> symbols
    size_t i = 0;
    while (i < dht->body.size()) {
        const int tc = dht->body[i];
        int count = 0;
        double kraft = 0;
        for (int l = 0; l < 16; ++l) {
            count += dht->body[i + 1 + l];
            kraft += dht->body[i + 1 + l] / static_cast<double>(1 << (l + 1));
        }
        EXPECT_LT(kraft, 1.0) << std::hex << tc;
        tables[tc].assign(dht->body.begin() + static_cast<ptrdiff_t>(i + 17),
                          dht->body.begin() + static_cast<ptrdiff_t>(i + 17 + count));
        i += 17 + count;
    }
    ASSERT_EQ(tables.size(), 4u);
    for (int id : {0x00, 0x01}) {
        const std::set<int> dc(tables[id].begin(), tables[id].end());
        EXPECT_EQ(dc.size(), 12u);
        EXPECT_EQ(*dc.rbegin(), 11);
    }
    std::set<int> expected = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run) {
        for (int size = 1; size <= 10; ++size) expected.insert((run << 4) | size);
    }
    for (int id : {0x10, 0x11}) {
        EXPECT_EQ(tables[id].size(), 162u);
        EXPECT_EQ(std::set<int>(tables[id].begin(), tables[id].end()), expected);
    }
}

TEST(JpegEncoder, AlphaAndRowPaddingDoNotMatter) {
    JpegEncoder enc;
    const int w = 37, h = 23;
    std::vector<uint8_t> a, b, c;
    const std::vector<uint8_t> opaque = Picture(w, h, 4, w * 4, 255);
    const std::vector<uint8_t> clear = Picture(w, h, 4, w * 4 + 12, 0);
    ASSERT_TRUE(enc.Encode(opaque.data(), w, h, w * 4, 4, 80, a));
    ASSERT_TRUE(enc.Encode(clear.data(), w, h, w * 4 + 12, 4, 80, b));
    EXPECT_EQ(a, b);
    // The same pixels as BGR give the same stream.
    std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) std::memcpy(&bgr[i * 3], &opaque[i * 4], 3);
    ASSERT_TRUE(enc.Encode(bgr.data(), w, h, w * 3, 3, 80, c));
    EXPECT_EQ(a, c);
}

TEST(JpegEncoder, HigherQualityGivesLargerFiles) {
    JpegEncoder enc;
    const std::vector<uint8_t> pic = Picture(160, 120, 3, 480);
    std::vector<uint8_t> out;
    size_t last = 0;
    for (int q : {5, 30, 60, 90, 100}) {
        ASSERT_TRUE(enc.Encode(pic.data(), 160, 120, 480, 3, q, out));
        EXPECT_GT(out.size(), last) << q;
        last = out.size();
    }
}

TEST(JpegEncoder, RefusesBadArguments) {
    JpegEncoder enc;
    const std::vector<uint8_t> pic = Picture(8, 8, 4, 32);
    std::vector<uint8_t> out;
    EXPECT_FALSE(enc.Encode(nullptr, 8, 8, 32, 4, 75, out));
    EXPECT_FALSE(enc.Encode(pic.data(), 0, 8, 32, 4, 75, out));
    EXPECT_FALSE(enc.Encode(pic.data(), 8, -1, 32, 4, 75, out));
    EXPECT_FALSE(enc.Encode(pic.data(), 8, 8, 32, 2, 75, out));
    EXPECT_FALSE(enc.Encode(pic.data(), 8, 8, 31, 4, 75, out));  // stride shorter than a row
    EXPECT_TRUE(enc.Encode(pic.data(), 8, 8, 32, 4, 0, out));    // quality is clamped
    EXPECT_TRUE(enc.Encode(pic.data(), 8, 8, 32, 4, 1000, out));
}

TEST(JpegEncoder, EncodersOnSeveralThreadsAgree) {
    const int w = 320, h = 200;
    const std::vector<uint8_t> pic = Picture(w, h, 4, w * 4);
    std::vector<uint8_t> reference;
    ASSERT_TRUE(JpegEncoder().Encode(pic.data(), w, h, w * 4, 4, 75, reference));
    std::vector<std::vector<uint8_t>> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) {
        threads.emplace_back([&pic, &r] {
            JpegEncoder enc;
            for (int i = 0; i < 5; ++i) enc.Encode(pic.data(), w, h, w * 4, 4, 75, r);
        });
    }
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, reference);
}
