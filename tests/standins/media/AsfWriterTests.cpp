// The ASF file read back with a parser of its own: header fields, every payload of every
// packet, media objects reassembled from their fragments, the index.
#include "AsfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

namespace {

const uint8_t kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kDataGuid[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kFilePropsGuid[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                    0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kStreamPropsGuid[16] = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                      0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kIndexGuid[16] = {0x90, 0x08, 0x00, 0x33, 0xB1, 0xE5, 0xCF, 0x11,
                                0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB};

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }
uint64_t U64(const uint8_t* p) { return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32); }

struct MediaObject {
    std::vector<uint8_t> data;
    uint32_t size = 0;
    uint32_t ptsMs = 0;
    bool key = false;
    uint32_t firstPacket = 0;
};

struct AsfFile {
    uint64_t headerSize = 0;
    uint64_t fileSizeField = 0, packetsField = 0, playDuration = 0, sendDuration = 0, preroll = 0;
    uint32_t flags = 0, minPacket = 0, maxPacket = 0;
    std::map<int, std::vector<uint8_t>> typeData;  // stream number -> type-specific data
    uint64_t dataObjectSize = 0, dataPackets = 0;
    uint64_t packetsRead = 0;
    std::map<int, std::vector<MediaObject>> objects;  // complete objects per stream
    bool hasIndex = false;
    uint64_t indexInterval = 0;
    std::vector<std::pair<uint32_t, uint16_t>> index;
};

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    vt::UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return bytes;
    LARGE_INTEGER size;
    ::GetFileSizeEx(f.Get(), &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty()) ::ReadFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
}

// Parses what a reader can: a file being written stops at its last whole packet.
AsfFile Parse(const std::vector<uint8_t>& f) {
    AsfFile a;
    EXPECT_GE(f.size(), 30u);
    if (f.size() < 30) return a;
    EXPECT_EQ(0, std::memcmp(f.data(), kHeaderGuid, 16));
    a.headerSize = U64(&f[16]);
    const uint32_t count = U32(&f[24]);
    size_t p = 30;
    for (uint32_t i = 0; i < count && p + 24 <= a.headerSize; ++i) {
        const uint8_t* o = &f[p];
        const uint64_t size = U64(o + 16);
        if (!std::memcmp(o, kFilePropsGuid, 16)) {
            EXPECT_EQ(size, 104u);
            a.fileSizeField = U64(o + 40);
            a.packetsField = U64(o + 56);
            a.playDuration = U64(o + 64);
            a.sendDuration = U64(o + 72);
            a.preroll = U64(o + 80);
            a.flags = U32(o + 88);
            a.minPacket = U32(o + 92);
            a.maxPacket = U32(o + 96);
        } else if (!std::memcmp(o, kStreamPropsGuid, 16)) {
            const uint32_t typeLen = U32(o + 64);
            const int stream = U16(o + 72) & 0x7F;
            a.typeData[stream].assign(o + 78, o + 78 + typeLen);
        }
        p += static_cast<size_t>(size);
    }
    EXPECT_EQ(p, a.headerSize) << "objects fill the header exactly";
    if (f.size() < a.headerSize + 50) return a;
    const uint8_t* d = &f[a.headerSize];
    EXPECT_EQ(0, std::memcmp(d, kDataGuid, 16));
    a.dataObjectSize = U64(d + 16);
    a.dataPackets = U64(d + 40);
    EXPECT_EQ(U16(d + 48), 0x0101);

    const size_t packetSize = a.maxPacket;
    EXPECT_GT(packetSize, 0u);
    if (packetSize == 0) return a;
    std::map<int, MediaObject> partial;
    size_t at = static_cast<size_t>(a.headerSize) + 50;
    while (at + packetSize <= f.size() && (a.dataPackets == 0 || a.packetsRead < a.dataPackets)) {
        const uint8_t* k = &f[at];
        EXPECT_EQ(k[0], 0x82);
        EXPECT_EQ(k[3], 0x11);
        EXPECT_EQ(k[4], 0x5D);
        const uint32_t padding = U16(k + 5);
        const uint32_t sendMs = U32(k + 7);
        const int payloads = k[13] & 0x3F;
        EXPECT_EQ(k[13] & 0xC0, 0x80);
        size_t q = 14;
        for (int i = 0; i < payloads; ++i) {
            const int stream = k[q] & 0x7F;
            const bool key = (k[q] & 0x80) != 0;
            const uint32_t offset = U32(k + q + 2);
            EXPECT_EQ(k[q + 6], 8);
            const uint32_t objSize = U32(k + q + 7);
            const uint32_t pts = U32(k + q + 11);
            const uint16_t len = U16(k + q + 15);
            EXPECT_GE(pts, sendMs) << "a packet is sent no later than its payloads play";
            MediaObject& m = partial[stream];
            if (offset == 0) {
                m = MediaObject{};
                m.size = objSize;
                m.ptsMs = pts;
                m.key = key;
                m.firstPacket = static_cast<uint32_t>(a.packetsRead);
            } else {
                EXPECT_EQ(offset, m.data.size()) << "fragments in order";
                EXPECT_EQ(pts, m.ptsMs);
                EXPECT_EQ(key, m.key);
            }
            m.data.insert(m.data.end(), k + q + 17, k + q + 17 + len);
            if (m.data.size() == m.size) {
                a.objects[stream].push_back(std::move(m));
                m = MediaObject{};
            }
            q += 17 + len;
        }
        EXPECT_EQ(q + padding, packetSize) << "packet " << a.packetsRead;
        ++a.packetsRead;
        at += packetSize;
    }
    if (at + 24 <= f.size() && !std::memcmp(&f[at], kIndexGuid, 16)) {
        a.hasIndex = true;
        const uint8_t* x = &f[at];
        EXPECT_EQ(U64(x + 16), f.size() - at);
        a.indexInterval = U64(x + 40);
        const uint32_t entries = U32(x + 52);
        for (uint32_t i = 0; i < entries; ++i) a.index.emplace_back(U32(x + 56 + 6 * i), U16(x + 60 + 6 * i));
    }
    return a;
}

std::wstring TempPath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

// Deterministic bytes of a given size, so reassembled objects can be compared.
std::vector<uint8_t> Blob(size_t size, uint32_t seed) {
    std::vector<uint8_t> b(size);
    for (auto& v : b) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<uint8_t>(seed >> 24);
    }
    return b;
}

class AsfWriterTest : public testing::Test {
protected:
    void TearDown() override { ::DeleteFileW(m_path.c_str()); }
    std::wstring m_path = TempPath(L"vistrel_asf_test.wmv");
};

}  // namespace

TEST_F(AsfWriterTest, VideoAndAudioSurviveTheRoundTrip) {
    AsfWriter w;
    const AsfAudioFormat audio{44100, 2, 16};
    ASSERT_TRUE(w.Open(m_path.c_str(), {1280, 720}, &audio));
    EXPECT_TRUE(w.IsOpen());

    // Frames from tiny to several packets long, every third one a key frame.
    const size_t sizes[] = {1, 100, 16000, 40000, 100000, 16383, 16384, 5, 250000, 3000};
    std::vector<std::vector<uint8_t>> frames, blocks;
    const int64_t frameTime = 10'000'000 / 24;
    for (int i = 0; i < 48; ++i) {
        frames.push_back(Blob(sizes[i % 10], static_cast<uint32_t>(i)));
        ASSERT_TRUE(w.WriteVideo(i * frameTime, frames.back().data(), frames.back().size(), i % 3 == 0));
        // Audio arrives a little behind the video, as from a capture device.
        if (i % 5 == 0) {
            blocks.push_back(Blob(17640, 1000u + i));
            ASSERT_TRUE(w.WriteAudio(std::max(0, i - 3) * frameTime, blocks.back().data(), blocks.back().size()));
        }
    }
    ASSERT_TRUE(w.Close());
    EXPECT_FALSE(w.IsOpen());

    const std::vector<uint8_t> bytes = ReadAll(m_path);
    const AsfFile a = Parse(bytes);
    EXPECT_EQ(a.flags, 2u) << "seekable, no longer broadcast";
    EXPECT_EQ(a.fileSizeField, bytes.size());
    EXPECT_EQ(a.minPacket, a.maxPacket);
    EXPECT_EQ(a.maxPacket, w.PacketSize());
    EXPECT_EQ(a.packetsField, a.packetsRead);
    EXPECT_EQ(a.dataPackets, a.packetsRead);
    EXPECT_EQ(a.dataObjectSize, 50 + a.packetsRead * a.maxPacket);
    EXPECT_EQ(a.packetsRead, w.PacketCount());
    EXPECT_EQ(a.preroll, AsfWriter::kPrerollMs);
    // The last frame lasts as long as the one before it.
    EXPECT_EQ(a.sendDuration, static_cast<uint64_t>(48 * frameTime));
    EXPECT_EQ(a.playDuration, a.sendDuration + AsfWriter::kPrerollMs * 10'000ull);

    ASSERT_EQ(a.typeData.count(1), 1u);
    const std::vector<uint8_t>& v = a.typeData.at(1);
    ASSERT_EQ(v.size(), 51u);
    EXPECT_EQ(U32(&v[0]), 1280u);
    EXPECT_EQ(U32(&v[4]), 720u);
    EXPECT_EQ(U16(&v[9]), 40u);
    EXPECT_EQ(U32(&v[11]), 40u);
    EXPECT_EQ(U32(&v[15]), 1280u);
    EXPECT_EQ(U32(&v[19]), 720u);
    EXPECT_EQ(U16(&v[25]), 24u);
    EXPECT_EQ(0, std::memcmp(&v[27], "MJPG", 4));
    ASSERT_EQ(a.typeData.count(2), 1u);
    const std::vector<uint8_t>& s = a.typeData.at(2);
    ASSERT_EQ(s.size(), 18u);
    EXPECT_EQ(U16(&s[0]), 1u);
    EXPECT_EQ(U16(&s[2]), 2u);
    EXPECT_EQ(U32(&s[4]), 44100u);
    EXPECT_EQ(U32(&s[8]), 44100u * 4);
    EXPECT_EQ(U16(&s[12]), 4u);
    EXPECT_EQ(U16(&s[14]), 16u);

    ASSERT_EQ(a.objects.count(1), 1u);
    const auto& video = a.objects.at(1);
    ASSERT_EQ(video.size(), frames.size());
    for (size_t i = 0; i < video.size(); ++i) {
        EXPECT_EQ(video[i].data, frames[i]) << i;
        EXPECT_EQ(video[i].ptsMs, (i * frameTime + 5'000) / 10'000 + AsfWriter::kPrerollMs) << i;
        EXPECT_EQ(video[i].key, i % 3 == 0) << i;
    }
    ASSERT_EQ(a.objects.count(2), 1u);
    const auto& sound = a.objects.at(2);
    ASSERT_EQ(sound.size(), blocks.size());
    for (size_t i = 0; i < sound.size(); ++i) {
        EXPECT_EQ(sound[i].data, blocks[i]);
        EXPECT_TRUE(sound[i].key);
    }

    // One entry a second over the play duration, each the last key frame at or before it.
    ASSERT_TRUE(a.hasIndex);
    EXPECT_EQ(a.indexInterval, 10'000'000u);
    EXPECT_EQ(a.index.size(), a.playDuration / 10'000'000 + 1);
    for (size_t i = 0; i < a.index.size(); ++i) {
        const uint64_t t = i * 1000;  // ms, as the payloads count (preroll included)
        const MediaObject* best = nullptr;
        for (const MediaObject& m : video) {
            if (m.key && (m.ptsMs <= t || !best)) best = &m;
            if (m.ptsMs > t) break;
        }
        ASSERT_NE(best, nullptr);
        EXPECT_EQ(a.index[i].first, best->firstPacket) << i;
        EXPECT_GE(a.index[i].second, 1u);
    }
}

TEST_F(AsfWriterTest, FileBeingWrittenIsABroadcastFileOfWholePackets) {
    AsfWriter w;
    ASSERT_TRUE(w.Open(m_path.c_str(), {640, 480}, nullptr));
    const std::vector<uint8_t> header = ReadAll(m_path);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 30; ++i) {
        frames.push_back(Blob(static_cast<size_t>(3000 + i * 700), static_cast<uint32_t>(i)));
        ASSERT_TRUE(w.WriteVideo(i * 666'667ll, frames.back().data(), frames.back().size(), true));
    }
    // What a reader sees now, as if the writer had been killed.
    const std::vector<uint8_t> cut = ReadAll(m_path);
    const AsfFile a = Parse(cut);
    EXPECT_EQ(a.flags, 1u);
    EXPECT_EQ(a.packetsField, 0u);
    EXPECT_EQ(a.playDuration, 0u);
    EXPECT_EQ((cut.size() - a.headerSize - 50) % a.maxPacket, 0u) << "only whole packets reach the file";
    EXPECT_EQ(a.packetsRead, w.PacketCount());
    ASSERT_EQ(a.objects.count(1), 1u);
    const auto& video = a.objects.at(1);
    // Nothing older than half a second waits in memory.
    EXPECT_GE(video.size(), frames.size() - 1);
    for (size_t i = 0; i < video.size(); ++i) EXPECT_EQ(video[i].data, frames[i]);

    ASSERT_TRUE(w.Close());
    const std::vector<uint8_t> done = ReadAll(m_path);
    const AsfFile b = Parse(done);
    EXPECT_EQ(b.headerSize, a.headerSize) << "the final header is rewritten in place";
    EXPECT_EQ(b.flags, 2u);
    EXPECT_EQ(b.objects.at(1).size(), frames.size());
    EXPECT_EQ(0, std::memcmp(header.data() + 54, done.data() + 54, 16)) << "file id stays";
}

TEST_F(AsfWriterTest, RefusesCallsOutOfOrderAndBadArguments) {
    AsfWriter w;
    const uint8_t byte = 1;
    EXPECT_FALSE(w.WriteVideo(0, &byte, 1, true));
    EXPECT_FALSE(w.Close());
    EXPECT_FALSE(w.Open(L"Z:\\no\\such\\folder\\x.wmv", {320, 240}, nullptr));
    EXPECT_FALSE(w.IsOpen());
    EXPECT_FALSE(w.Open(m_path.c_str(), {0, 240}, nullptr));
    const AsfAudioFormat badAudio{44100, 0, 16};
    EXPECT_FALSE(w.Open(m_path.c_str(), {320, 240}, &badAudio));

    ASSERT_TRUE(w.Open(m_path.c_str(), {320, 240}, nullptr));
    EXPECT_FALSE(w.Open(m_path.c_str(), {320, 240}, nullptr)) << "already open";
    EXPECT_FALSE(w.WriteAudio(0, &byte, 1)) << "no audio stream";
    EXPECT_FALSE(w.WriteVideo(0, &byte, 0, true));
    EXPECT_FALSE(w.WriteVideo(0, nullptr, 1, true));
    EXPECT_FALSE(w.WriteVideo(-1, &byte, 1, true));
    EXPECT_TRUE(w.WriteVideo(0, &byte, 1, true));
    EXPECT_TRUE(w.Close());
    EXPECT_FALSE(w.Close());

    // The object can write another file, with nothing left over from the first.
    const AsfAudioFormat audio{22050, 1, 16};
    ASSERT_TRUE(w.Open(m_path.c_str(), {320, 240}, &audio));
    EXPECT_TRUE(w.WriteAudio(0, &byte, 1));
    EXPECT_TRUE(w.Close());
    const AsfFile a = Parse(ReadAll(m_path));
    EXPECT_EQ(a.objects.count(1), 0u);
    ASSERT_EQ(a.objects.count(2), 1u);
    EXPECT_EQ(a.objects.at(2).size(), 1u);
    EXPECT_FALSE(a.hasIndex) << "no key frame, no index";
}
