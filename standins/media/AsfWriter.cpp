#include "AsfWriter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <random>

namespace {

struct Guid {
    uint32_t d1;
    uint16_t d2, d3;
    uint8_t d4[8];
};

constexpr Guid kHeaderObject = {0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr Guid kDataObject = {0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr Guid kSimpleIndexObject = {0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB}};
constexpr Guid kFilePropertiesObject = {0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kStreamPropertiesObject = {0xB7DC0791, 0xA9B7, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kHeaderExtensionObject = {0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kHeaderExtensionReserved = {0xABD3D211, 0xA9BA, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr Guid kCodecListObject = {0x86D15240, 0x311D, 0x11D0, {0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
constexpr Guid kCodecListReserved = {0x86D15241, 0x311D, 0x11D0, {0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
constexpr Guid kAudioMedia = {0xF8699E40, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
constexpr Guid kVideoMedia = {0xBC19EFC0, 0x5B4D, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};
constexpr Guid kNoErrorCorrection = {0x20FB5700, 0x5B55, 0x11CF, {0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B}};

constexpr uint32_t kFlagBroadcast = 0x01;
constexpr uint32_t kFlagSeekable = 0x02;
constexpr int64_t kIndexInterval = 10'000'000;  // one index entry a second

// Packet layout: error correction (3), length type and property flags (2), padding length (2),
// send time (4), duration (2), payload flags (1).
constexpr size_t kPacketHeader = 14;
// Per payload: stream (1), object number (1), offset (4), replicated length (1),
// replicated data = object size and presentation time (8), payload length (2).
constexpr size_t kPayloadHeader = 17;
constexpr int kMaxPayloads = 63;
// A packet is closed rather than given a fragment smaller than this.
constexpr size_t kMinFragment = 64;
// A packet waits at most this long (in stream time) for more data, so a recording cut off
// loses at most about this much.
constexpr uint32_t kMaxPacketAgeMs = 500;

class Buf {
public:
    std::vector<uint8_t> b;
    void U8(uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) { U8(v); U8(v >> 8); }
    void U32(uint32_t v) { U16(v); U16(v >> 16); }
    void U64(uint64_t v) { U32(static_cast<uint32_t>(v)); U32(static_cast<uint32_t>(v >> 32)); }
    void Id(const Guid& g) {
        U32(g.d1);
        U16(g.d2);
        U16(g.d3);
        b.insert(b.end(), g.d4, g.d4 + 8);
    }
    void Bytes(const void* p, size_t n) {
        const uint8_t* s = static_cast<const uint8_t*>(p);
        b.insert(b.end(), s, s + n);
    }
    void Text(const wchar_t* s) {  // counted UTF-16 with its terminator, count in characters
        const size_t n = wcslen(s) + 1;
        U16(static_cast<uint32_t>(n));
        for (size_t i = 0; i < n; ++i) U16(static_cast<uint16_t>(s[i]));
    }
    // Starts an object; EndObject fills in its size.
    size_t BeginObject(const Guid& g) {
        const size_t at = b.size();
        Id(g);
        U64(0);
        return at;
    }
    void EndObject(size_t at) {
        const uint64_t size = b.size() - at;
        for (int i = 0; i < 8; ++i) b[at + 16 + i] = static_cast<uint8_t>(size >> (8 * i));
    }
};

void Store16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Store32(uint8_t* p, uint32_t v) {
    Store16(p, v);
    Store16(p + 2, v >> 16);
}

}  // namespace

AsfWriter::~AsfWriter() {
    if (m_open) Close();
}

bool AsfWriter::IsOpen() const { return m_open; }

bool AsfWriter::Open(const wchar_t* path, const AsfVideoFormat& video, const AsfAudioFormat* audio) {
    if (m_open || !path || video.width <= 0 || video.height <= 0 || video.width > 32767 ||
        video.height > 32767) {
        return false;
    }
    if (audio && (audio->sampleRate <= 0 || audio->channels <= 0 || audio->channels > 8 ||
                  (audio->bitsPerSample != 8 && audio->bitsPerSample != 16 &&
                   audio->bitsPerSample != 24 && audio->bitsPerSample != 32))) {
        return false;
    }
    m_video = video;
    m_hasAudio = audio != nullptr;
    m_audio = audio ? *audio : AsfAudioFormat{};
    // Packets large enough that a frame of the size takes a few of them, not dozens.
    const int64_t area = static_cast<int64_t>(video.width) * video.height;
    m_packetSize = area <= 640 * 480 ? 8192 : area <= 1280 * 800 ? 16384 : 32768;

    std::random_device rd;
    for (int i = 0; i < 16; i += 4) {
        const uint32_t r = rd();
        std::memcpy(m_fileId + i, &r, 4);
    }
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    m_creationTime = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;

    try {
        m_packet.assign(m_packetSize, 0);
        m_keyFrames.clear();
        m_keyFrames.reserve(4096);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_packetUsed = 0;
    m_payloads = 0;
    m_packetCount = 0;
    std::memset(m_objectNumber, 0, sizeof m_objectNumber);
    m_videoFrames = 0;
    m_audioBytes = 0;
    m_lastVideoTime = -1;
    m_videoFrameTime = 0;
    m_audioEnd = 0;
    m_fileSize = 0;

    // Readers may open the file while it is being written.
    m_file.Reset(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) return false;
    m_open = true;
    try {
        const std::vector<uint8_t> header = BuildHeader(false);
        m_headerSize = header.size();
        if (Append(header.data(), header.size())) return true;
    } catch (const std::bad_alloc&) {
    }
    Fail();
    return false;
}

std::vector<uint8_t> AsfWriter::BuildHeader(bool final) const {
    const int64_t videoEnd = m_lastVideoTime >= 0 ? m_lastVideoTime + m_videoFrameTime : 0;
    const int64_t contentDuration = std::max(videoEnd, m_audioEnd);
    const uint64_t dataSize = 50 + m_packetCount * m_packetSize;
    uint32_t bitrate = 0;
    if (final && contentDuration > 0) {
        bitrate = static_cast<uint32_t>(std::min<uint64_t>(
            0xFFFFFFFFu, dataSize * 8 * 10'000'000 / static_cast<uint64_t>(contentDuration)));
    }

    Buf h;
    const size_t header = h.BeginObject(kHeaderObject);
    h.U32(m_hasAudio ? 5 : 4);
    h.U8(1);
    h.U8(2);

    const size_t props = h.BeginObject(kFilePropertiesObject);
    h.Bytes(m_fileId, 16);
    h.U64(final ? m_fileSize : 0);
    h.U64(m_creationTime);
    h.U64(final ? m_packetCount : 0);
    h.U64(final ? contentDuration + int64_t{kPrerollMs} * 10'000 : 0);  // play duration
    h.U64(final ? contentDuration : 0);                                 // send duration
    h.U64(kPrerollMs);
    h.U32(final ? kFlagSeekable : kFlagBroadcast);
    h.U32(m_packetSize);
    h.U32(m_packetSize);
    h.U32(bitrate);
    h.EndObject(props);

    {
        const size_t sp = h.BeginObject(kStreamPropertiesObject);
        h.Id(kVideoMedia);
        h.Id(kNoErrorCorrection);
        h.U64(0);       // time offset
        h.U32(11 + 40); // type-specific data
        h.U32(0);       // error correction data
        h.U16(kVideoStream);
        h.U32(0);
        h.U32(static_cast<uint32_t>(m_video.width));
        h.U32(static_cast<uint32_t>(m_video.height));
        h.U8(2);        // reserved flags
        h.U16(40);      // format data size: a BITMAPINFOHEADER
        h.U32(40);
        h.U32(static_cast<uint32_t>(m_video.width));
        h.U32(static_cast<uint32_t>(m_video.height));
        h.U16(1);       // planes
        h.U16(24);      // bits per pixel
        h.Bytes("MJPG", 4);
        h.U32(static_cast<uint32_t>(m_video.width * m_video.height * 3));
        h.U32(0);
        h.U32(0);
        h.U32(0);
        h.U32(0);
        h.EndObject(sp);
    }
    if (m_hasAudio) {
        const uint32_t blockAlign = static_cast<uint32_t>(m_audio.channels * m_audio.bitsPerSample / 8);
        const size_t sp = h.BeginObject(kStreamPropertiesObject);
        h.Id(kAudioMedia);
        h.Id(kNoErrorCorrection);
        h.U64(0);
        h.U32(18);      // WAVEFORMATEX
        h.U32(0);
        h.U16(kAudioStream);
        h.U32(0);
        h.U16(1);       // WAVE_FORMAT_PCM
        h.U16(static_cast<uint32_t>(m_audio.channels));
        h.U32(static_cast<uint32_t>(m_audio.sampleRate));
        h.U32(static_cast<uint32_t>(m_audio.sampleRate) * blockAlign);
        h.U16(blockAlign);
        h.U16(static_cast<uint32_t>(m_audio.bitsPerSample));
        h.U16(0);
        h.EndObject(sp);
    }

    {
        const size_t ext = h.BeginObject(kHeaderExtensionObject);
        h.Id(kHeaderExtensionReserved);
        h.U16(6);
        h.U32(0);
        h.EndObject(ext);
    }

    {
        const size_t cl = h.BeginObject(kCodecListObject);
        h.Id(kCodecListReserved);
        h.U32(m_hasAudio ? 2 : 1);
        h.U16(1);  // video
        h.Text(L"Motion JPEG");
        h.Text(L"Baseline JPEG, 4:2:0");
        h.U16(4);
        h.Bytes("MJPG", 4);
        if (m_hasAudio) {
            wchar_t desc[64];
            swprintf(desc, 64, L"%d Hz, %d channels, %d bits", m_audio.sampleRate, m_audio.channels,
                     m_audio.bitsPerSample);
            h.U16(2);  // audio
            h.Text(L"PCM");
            h.Text(desc);
            h.U16(2);
            h.U16(1);
        }
        h.EndObject(cl);
    }
    h.EndObject(header);

    // Data object header; the packets follow it.
    h.Id(kDataObject);
    h.U64(final ? dataSize : 0);
    h.Bytes(m_fileId, 16);
    h.U64(final ? m_packetCount : 0);
    h.U16(0x0101);
    return std::move(h.b);
}

void AsfWriter::StartPacket(uint32_t sendMs) {
    std::fill(m_packet.begin(), m_packet.end(), uint8_t{0});
    m_packet[0] = 0x82;  // two bytes of error correction data follow (zero)
    m_packet[3] = 0x11;  // multiple payloads, padding length as a WORD, no packet length
    m_packet[4] = 0x5D;  // BYTE replicated length, DWORD offset, BYTE object number and stream
    m_packetUsed = kPacketHeader;
    m_payloads = 0;
    m_packetSendMs = sendMs;
    m_packetStartMs = sendMs;
}

bool AsfWriter::FlushPacket() {
    if (m_payloads == 0) return true;
    Store16(&m_packet[5], static_cast<uint32_t>(m_packetSize - m_packetUsed));
    Store32(&m_packet[7], m_packetSendMs);
    m_packet[13] = static_cast<uint8_t>(0x80 | m_payloads);  // WORD payload lengths
    m_payloads = 0;
    m_packetUsed = 0;
    if (!Append(m_packet.data(), m_packet.size())) return false;
    ++m_packetCount;
    return true;
}

bool AsfWriter::WriteObject(uint8_t stream, int64_t time100ns, const uint8_t* data, size_t size, bool key) {
    if (!m_open || !data || size == 0 || size > 0xFFFFFFFFu || time100ns < 0) return false;
    // Milliseconds to the nearest, so 15 frames/s come out as 0, 67, 133, 200 ...
    const int64_t ms = (time100ns + 5'000) / 10'000 + kPrerollMs;
    if (ms > 0xFFFFFFFF) return false;
    const uint32_t pts = static_cast<uint32_t>(ms);
    const uint8_t number = m_objectNumber[stream]++;
    const uint64_t firstPacket = m_packetCount;

    size_t offset = 0;
    while (offset < size) {
        if (m_payloads == 0) StartPacket(pts);
        const size_t room = m_packetSize - m_packetUsed;
        const size_t rest = size - offset;
        if (m_payloads == kMaxPayloads || room < kPayloadHeader + std::min(rest, kMinFragment)) {
            if (!FlushPacket()) {
                Fail();
                return false;
            }
            continue;
        }
        const size_t n = std::min(rest, room - kPayloadHeader);
        uint8_t* p = m_packet.data() + m_packetUsed;
        p[0] = static_cast<uint8_t>(stream | (key ? 0x80 : 0));
        p[1] = number;
        Store32(p + 2, static_cast<uint32_t>(offset));
        p[6] = 8;
        Store32(p + 7, static_cast<uint32_t>(size));
        Store32(p + 11, pts);
        Store16(p + 15, static_cast<uint32_t>(n));
        std::memcpy(p + kPayloadHeader, data + offset, n);
        // A packet is sent no later than the earliest payload in it plays (audio may come
        // in a little behind the video).
        m_packetSendMs = std::min(m_packetSendMs, pts);
        m_packetUsed += kPayloadHeader + n;
        ++m_payloads;
        offset += n;
    }
    const uint64_t lastPacket = m_payloads > 0 ? m_packetCount : m_packetCount - 1;
    if (stream == kVideoStream && key) {
        try {
            m_keyFrames.push_back({time100ns, static_cast<uint32_t>(firstPacket),
                                   static_cast<uint16_t>(std::min<uint64_t>(lastPacket - firstPacket + 1, 0xFFFF))});
        } catch (const std::bad_alloc&) {
            // The frame is in the file; only seeking to it is lost.
        }
    }
    // A packet that will not fill soon goes out anyway, so little is lost if we are cut off.
    if (m_payloads > 0 && (m_packetSize - m_packetUsed < kPayloadHeader + kMinFragment ||
                           pts - std::min(pts, m_packetStartMs) >= kMaxPacketAgeMs)) {
        if (!FlushPacket()) {
            Fail();
            return false;
        }
    }
    return true;
}

bool AsfWriter::WriteVideo(int64_t time100ns, const void* data, size_t size, bool keyFrame) {
    if (!WriteObject(kVideoStream, time100ns, static_cast<const uint8_t*>(data), size, keyFrame)) return false;
    if (m_lastVideoTime >= 0 && time100ns > m_lastVideoTime) m_videoFrameTime = time100ns - m_lastVideoTime;
    m_lastVideoTime = std::max(m_lastVideoTime, time100ns);
    ++m_videoFrames;
    return true;
}

bool AsfWriter::WriteAudio(int64_t time100ns, const void* data, size_t size) {
    if (!m_hasAudio) return false;
    if (!WriteObject(kAudioStream, time100ns, static_cast<const uint8_t*>(data), size, true)) return false;
    m_audioBytes += size;
    const int64_t bytesPerSecond = int64_t{m_audio.sampleRate} * m_audio.channels * m_audio.bitsPerSample / 8;
    m_audioEnd = std::max(m_audioEnd, time100ns + static_cast<int64_t>(size) * 10'000'000 / bytesPerSecond);
    return true;
}

bool AsfWriter::Close() {
    if (!m_open) return false;
    bool ok = false;
    try {
        ok = Finish();
    } catch (const std::bad_alloc&) {
        // What is on disk stays a playable broadcast file.
    }
    m_file.Reset();
    m_open = false;
    return ok;
}

bool AsfWriter::Finish() {
    bool ok = FlushPacket();

    // Simple index: for each second, the last key frame at or before it.
    if (ok && !m_keyFrames.empty()) {
        const int64_t videoEnd = m_lastVideoTime + m_videoFrameTime + int64_t{kPrerollMs} * 10'000;
        const uint32_t entries = static_cast<uint32_t>(videoEnd / kIndexInterval + 1);
        Buf idx;
        const size_t at = idx.BeginObject(kSimpleIndexObject);
        idx.Bytes(m_fileId, 16);
        idx.U64(kIndexInterval);
        uint32_t maxCount = 0;
        for (const IndexPoint& k : m_keyFrames) maxCount = std::max<uint32_t>(maxCount, k.count);
        idx.U32(maxCount);
        idx.U32(entries);
        size_t k = 0;
        for (uint32_t i = 0; i < entries; ++i) {
            const int64_t t = int64_t{i} * kIndexInterval - int64_t{kPrerollMs} * 10'000;
            while (k + 1 < m_keyFrames.size() && m_keyFrames[k + 1].time100ns <= t) ++k;
            idx.U32(m_keyFrames[k].packet);
            idx.U16(m_keyFrames[k].count);
        }
        idx.EndObject(at);
        ok = Append(idx.b.data(), idx.b.size());
    }
    if (ok) {
        const std::vector<uint8_t> header = BuildHeader(true);
        ok = header.size() == m_headerSize && WriteAt(0, header.data(), header.size());
    }
    return ok;
}

bool AsfWriter::Append(const void* data, size_t size) {
    DWORD written = 0;
    if (!::WriteFile(m_file.Get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
        return false;
    }
    m_fileSize += size;
    return true;
}

bool AsfWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    if (!::SetFilePointerEx(m_file.Get(), pos, nullptr, FILE_BEGIN)) return false;
    if (!::WriteFile(m_file.Get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
        return false;
    }
    pos.QuadPart = static_cast<LONGLONG>(m_fileSize);
    return ::SetFilePointerEx(m_file.Get(), pos, nullptr, FILE_BEGIN) != 0;
}

// A write failed (disk full, file gone): what is on disk stays as a broadcast file.
void AsfWriter::Fail() {
    m_file.Reset();
    m_open = false;
}
