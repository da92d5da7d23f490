// ASF (.wmv container) muxer for MJPG video and PCM audio, written while recording.
// The header goes out first in broadcast form and every packet reaches the file as soon as
// it is full, so a recording cut off at any moment still plays up to its last packet;
// Close rewrites the header with the final counts and appends a simple index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/Raii.h"

struct AsfVideoFormat { int width; int height; };                 // MJPG, 24 bpp
struct AsfAudioFormat { int sampleRate; int channels; int bitsPerSample; };  // PCM

class AsfWriter {   // not thread-safe: one writer thread
public:
    AsfWriter() = default;
    ~AsfWriter();
    AsfWriter(const AsfWriter&) = delete;
    AsfWriter& operator=(const AsfWriter&) = delete;

    bool Open(const wchar_t* path, const AsfVideoFormat& video, const AsfAudioFormat* audio /*null: none*/);
    // Times are presentation times from the start of the recording.
    bool WriteVideo(int64_t time100ns, const void* data, size_t size, bool keyFrame);
    bool WriteAudio(int64_t time100ns, const void* data, size_t size);
    bool Close();   // final header: counts, duration, index
    bool IsOpen() const;

    // Statistics of the file being written (or the last one closed).
    uint64_t PacketCount() const { return m_packetCount; }
    uint64_t VideoFrames() const { return m_videoFrames; }
    uint64_t AudioBytes() const { return m_audioBytes; }
    uint32_t PacketSize() const { return m_packetSize; }

    static constexpr uint32_t kPrerollMs = 3000;
    static constexpr uint8_t kVideoStream = 1;
    static constexpr uint8_t kAudioStream = 2;

private:
    struct IndexPoint { int64_t time100ns; uint32_t packet; uint16_t count; };

    std::vector<uint8_t> BuildHeader(bool final) const;
    bool Finish();
    bool WriteObject(uint8_t stream, int64_t time100ns, const uint8_t* data, size_t size, bool key);
    void StartPacket(uint32_t sendMs);
    bool FlushPacket();
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    bool Append(const void* data, size_t size);
    void Fail();

    vt::UniqueKernelHandle m_file;
    bool m_open = false;
    bool m_hasAudio = false;
    AsfVideoFormat m_video{};
    AsfAudioFormat m_audio{};
    uint8_t m_fileId[16] = {};
    uint64_t m_creationTime = 0;
    uint32_t m_packetSize = 0;
    uint64_t m_headerSize = 0;       // header object plus data object header
    uint64_t m_fileSize = 0;         // bytes written so far

    // The packet being filled.
    std::vector<uint8_t> m_packet;
    size_t m_packetUsed = 0;
    int m_payloads = 0;
    uint32_t m_packetSendMs = 0;     // earliest presentation time in it
    uint32_t m_packetStartMs = 0;    // presentation time of its first payload
    uint64_t m_packetCount = 0;

    uint8_t m_objectNumber[3] = {};
    uint64_t m_videoFrames = 0;
    uint64_t m_audioBytes = 0;
    int64_t m_lastVideoTime = -1;
    int64_t m_videoFrameTime = 0;    // interval of the last two frames: the last one's length
    int64_t m_audioEnd = 0;
    int64_t m_maxSendTime = 0;
    std::vector<IndexPoint> m_keyFrames;
};
