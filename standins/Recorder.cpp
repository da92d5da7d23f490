#include "standins/Recorder.h"

#include "standins/media/AsfWriter.h"
#include "standins/media/JpegEncoder.h"
#include "toolkit/Raii.h"
#include "toolkit/Trace.h"

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

namespace wmenc {

// ---------------------------------------------------------------------------------------
RecordingClock::RecordingClock() noexcept {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    m_freq = f.QuadPart;
}

int64_t RecordingClock::Ticks() const noexcept {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

void RecordingClock::Run() noexcept {
    if (m_running) return;
    m_runTicks = Ticks();
    m_running = true;
}

void RecordingClock::Hold() noexcept {
    if (!m_running) return;
    m_base = Now100ns();
    m_running = false;
}

int64_t RecordingClock::Now100ns() const noexcept {
    if (!m_running) return m_base;
    int64_t d = Ticks() - m_runTicks;
    return m_base + d / m_freq * 10000000LL + d % m_freq * 10000000LL / m_freq;
}

// ---------------------------------------------------------------------------------------
int64_t AudioPacer::Accept(int64_t frames, int64_t now100ns) noexcept {
    int64_t room = FramesAt(now100ns) - m_written;
    int64_t keep = std::clamp<int64_t>(room, 0, frames);
    m_written += keep;
    return keep;
}

int64_t AudioPacer::Padding(int64_t now100ns) noexcept {
    int64_t lag = FramesAt(now100ns) - m_written;
    if (lag <= FramesAt(m_maxLag)) return 0;
    // Leave half the allowance for data still on its way.
    int64_t pad = lag - FramesAt(m_maxLag / 2);
    m_written += pad;
    return pad;
}

int64_t AudioPacer::FinalPadding(int64_t end100ns) noexcept {
    int64_t pad = std::max<int64_t>(0, FramesAt(end100ns) - m_written);
    m_written += pad;
    return pad;
}

// ---------------------------------------------------------------------------------------
QualityControl::QualityControl(int64_t bitsPerSecond, int fpsMilli, int width, int height) noexcept {
    double fps = std::max(1, fpsMilli) / 1000.0;
    m_target = std::max<double>(1000.0, static_cast<double>(bitsPerSecond) / 8.0 / fps);
    // A first guess from the bits each pixel may have; the frames then steer it.
    double bpp = m_target * 8.0 / std::max(1, width * height);
    m_quality = bpp >= 2.0 ? 90 : bpp >= 1.0 ? 80 : bpp >= 0.5 ? 70 : bpp >= 0.25 ? 55 : 40;
    m_average = m_target;
}

void QualityControl::Update(size_t frameBytes) noexcept {
    m_average = m_seen == 0 ? static_cast<double>(frameBytes) : m_average * 0.8 + frameBytes * 0.2;
    ++m_seen;
    double ratio = m_average / m_target;
    if (ratio > 1.25) m_quality -= ratio > 2.0 ? 5 : 2;
    else if (ratio > 1.05) m_quality -= 1;
    else if (ratio < 0.8) m_quality += 1;
    m_quality = std::clamp(m_quality, 10, 95);
}

// ---------------------------------------------------------------------------------------
bool FindAudioDevice(const std::wstring& name, UINT& id) {
    if (CompareStringOrdinal(name.c_str(), -1, L"Default_Audio_Device", -1, TRUE) == CSTR_EQUAL) {
        id = WAVE_MAPPER;
        return true;
    }
    if (name.empty()) return false;
    UINT n = waveInGetNumDevs();
    for (UINT i = 0; i < n; ++i) {
        WAVEINCAPSW caps{};
        if (waveInGetDevCapsW(i, &caps, sizeof(caps)) != MMSYSERR_NOERROR) continue;
        // Device names are cut to the capability record's 31 characters.
        size_t len = wcsnlen(caps.szPname, std::size(caps.szPname));
        bool full = CompareStringOrdinal(name.c_str(), -1, caps.szPname, static_cast<int>(len), TRUE) == CSTR_EQUAL;
        bool cut = len == std::size(caps.szPname) - 1 && name.size() > len &&
                   CompareStringOrdinal(name.c_str(), static_cast<int>(len), caps.szPname,
                                        static_cast<int>(len), TRUE) == CSTR_EQUAL;
        if (full || cut) {
            id = i;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------
namespace {

struct WaveInCloser {
    void operator()(HWAVEIN h) const noexcept {
        waveInReset(h);
        waveInClose(h);
    }
};
using UniqueWaveIn = vt::UniqueHandle<vt::SimpleTraits<HWAVEIN, WaveInCloser>>;

struct Slot {
    vt::UniqueBitmap dib;
    void* bits = nullptr;
    bool busy = false;
};

struct Job {
    int slot;
    int64_t seq;
    int64_t time;
};

struct Encoded {
    int64_t time;
    std::vector<uint8_t> data;
};

struct AudioChunk {
    int64_t time;
    std::vector<uint8_t> data;
};

constexpr int kAudioBuffers = 8;
constexpr int kAudioBufferMs = 50;

} // namespace

struct Recorder::Impl {
    enum class Phase { Idle, Prepared, Running, Paused, InputsEnded };

    RecorderConfig cfg;
    Phase phase = Phase::Idle;
    bool started = false;

    std::mutex m;
    std::condition_variable cv;
    RecordingClock clock;  // guarded by m
    bool endInputs = false;
    bool captureDone = false;
    bool audioDone = false;
    bool endEncoders = false;
    int64_t endTime = 0;
    int64_t videoEnd = 0;  // end of the last captured frame

    AsfWriter writer;
    WAVEFORMATEX wfx{};
    UniqueWaveIn wave;
    vt::UniqueKernelHandle waveEvent;
    std::vector<WAVEHDR> headers;
    std::vector<std::vector<uint8_t>> buffers;

    std::vector<Slot> slots;
    std::deque<Job> jobs;
    int encoding = 0;
    std::map<int64_t, Encoded> done;
    std::deque<AudioChunk> audioQueue;
    std::atomic<int> quality{75};
    bool writeFailed = false;

    std::thread captureThread, audioThread, writerThread;
    std::vector<std::thread> encoderThreads;
    Stats stats;

    unsigned encoderCount = 2;
    double Period() const { return 10000000.0 * 1000.0 / cfg.fpsMilli; }

    HRESULT Prepare(const RecorderConfig& config);
    HRESULT Run();
    HRESULT Hold();
    void EndInputs();
    HRESULT Finish();
    void CaptureLoop();
    void AudioLoop();
    void EncodeLoop();
    void WriteLoop();
    void Release();  // closes everything without running threads
    bool VideoIdle() const { return jobs.empty() && encoding == 0 && done.empty(); }
};

HRESULT Recorder::Impl::Prepare(const RecorderConfig& config) {
    if (phase != Phase::Idle) return E_UNEXPECTED;
    cfg = config;
    if (cfg.width <= 0 || cfg.height <= 0 || (cfg.width & 1) || (cfg.height & 1) ||
        cfg.fpsMilli < 1000 || cfg.fpsMilli > 30000 || cfg.area.right <= cfg.area.left ||
        cfg.area.bottom <= cfg.area.top)
        return E_INVALIDARG;

    if (cfg.audio) {
        waveEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!waveEvent) return HRESULT_FROM_WIN32(GetLastError());
        static const int kFormats[][2] = {{44100, 2}, {44100, 1}, {48000, 2}, {48000, 1},
                                          {22050, 2}, {22050, 1}, {11025, 1}, {8000, 1}};
        MMRESULT mr = MMSYSERR_NODRIVER;
        for (const auto& f : kFormats) {
            wfx = WAVEFORMATEX{};
            wfx.wFormatTag = WAVE_FORMAT_PCM;
            wfx.nSamplesPerSec = f[0];
            wfx.nChannels = static_cast<WORD>(f[1]);
            wfx.wBitsPerSample = 16;
            wfx.nBlockAlign = static_cast<WORD>(wfx.nChannels * 2);
            wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
            HWAVEIN h = nullptr;
            mr = waveInOpen(&h, cfg.audioDevice, &wfx, reinterpret_cast<DWORD_PTR>(waveEvent.Get()), 0,
                            CALLBACK_EVENT);
            if (mr == MMSYSERR_NOERROR) {
                wave.Reset(h);
                break;
            }
        }
        if (!wave) {
            vt::Trace(L"standin_wmenc: waveInOpen failed (%u)", static_cast<unsigned>(mr));
            return HRESULT_FROM_WIN32(ERROR_DEV_NOT_EXIST);
        }
        size_t bytes = static_cast<size_t>(wfx.nAvgBytesPerSec) * kAudioBufferMs / 1000;
        bytes -= bytes % wfx.nBlockAlign;
        buffers.assign(kAudioBuffers, std::vector<uint8_t>(bytes));
        headers.assign(kAudioBuffers, WAVEHDR{});
        for (int i = 0; i < kAudioBuffers; ++i) {
            headers[i].lpData = reinterpret_cast<LPSTR>(buffers[i].data());
            headers[i].dwBufferLength = static_cast<DWORD>(bytes);
            if (waveInPrepareHeader(wave.Get(), &headers[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
                Release();
                return E_FAIL;
            }
        }
    }

    AsfVideoFormat video{cfg.width, cfg.height};
    AsfAudioFormat audio{static_cast<int>(wfx.nSamplesPerSec), wfx.nChannels, wfx.wBitsPerSample};
    SetLastError(0);
    if (!writer.Open(cfg.path.c_str(), video, cfg.audio ? &audio : nullptr)) {
        DWORD err = GetLastError();
        Release();
        return err ? HRESULT_FROM_WIN32(err) : E_FAIL;
    }

    // Frame buffers: one per encoder thread and some more, so a slow frame holds no one up.
    unsigned encoders = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
    slots.resize(encoders + 4);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cfg.width;
    bmi.bmiHeader.biHeight = -cfg.height;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    for (Slot& s : slots) {
        s.dib.Reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &s.bits, nullptr, 0));
        if (!s.dib) {
            Release();
            return E_OUTOFMEMORY;
        }
    }
    QualityControl qc(cfg.videoBitrate, cfg.fpsMilli, cfg.width, cfg.height);
    quality = qc.Quality();
    encoderCount = encoders;
    phase = Phase::Prepared;
    return S_OK;
}

void Recorder::Impl::Release() {
    if (wave) {
        waveInReset(wave.Get());  // hands every buffer back before it is unprepared
        for (WAVEHDR& h : headers) {
            if (h.dwFlags & WHDR_PREPARED) waveInUnprepareHeader(wave.Get(), &h, sizeof(WAVEHDR));
        }
    }
    headers.clear();
    wave.Reset();
    waveEvent.Reset();
    buffers.clear();
    if (writer.IsOpen()) writer.Close();
    slots.clear();
}

HRESULT Recorder::Impl::Run() {
    std::unique_lock lock(m);
    switch (phase) {
    case Phase::Running:
        return S_OK;
    case Phase::Prepared:
        break;
    case Phase::Paused:
        clock.Run();
        phase = Phase::Running;
        cv.notify_all();
        return S_OK;
    default:
        return E_UNEXPECTED;
    }
    started = true;
    phase = Phase::Running;
    clock.Run();
    lock.unlock();
    for (unsigned i = 0; i < encoderCount; ++i) encoderThreads.emplace_back([this] { EncodeLoop(); });
    writerThread = std::thread([this] { WriteLoop(); });
    captureThread = std::thread([this] { CaptureLoop(); });
    if (wave) {
        audioThread = std::thread([this] { AudioLoop(); });
    } else {
        std::lock_guard g(m);
        audioDone = true;
    }
    return S_OK;
}

HRESULT Recorder::Impl::Hold() {
    std::lock_guard lock(m);
    if (phase == Phase::Paused) return S_OK;
    if (phase != Phase::Running) return E_UNEXPECTED;
    clock.Hold();
    phase = Phase::Paused;
    cv.notify_all();
    return S_OK;
}

void Recorder::Impl::EndInputs() {
    {
        std::lock_guard lock(m);
        if (phase != Phase::Running && phase != Phase::Paused) return;
        clock.Hold();
        endTime = clock.Now100ns();
        endInputs = true;
        phase = Phase::InputsEnded;
        cv.notify_all();
    }
    if (captureThread.joinable()) captureThread.join();
    if (audioThread.joinable()) audioThread.join();
}

HRESULT Recorder::Impl::Finish() {
    if (phase == Phase::Idle) return E_UNEXPECTED;
    if (phase == Phase::Prepared) {  // prepared, never started: an empty file
        Release();
        phase = Phase::Idle;
        return S_OK;
    }
    EndInputs();
    {
        std::lock_guard lock(m);
        endEncoders = true;
        cv.notify_all();
    }
    for (std::thread& t : encoderThreads) t.join();
    encoderThreads.clear();
    if (writerThread.joinable()) writerThread.join();
    bool ok = !writeFailed;
    Release();
    stats.duration100ns = std::max(endTime, videoEnd);
    stats.framesDue = static_cast<int64_t>(std::ceil(endTime / Period() - 1e-6));
    phase = Phase::Idle;
    return ok ? S_OK : E_FAIL;
}

void Recorder::Impl::CaptureLoop() {
    vt::WindowDc screen(nullptr);
    std::vector<vt::UniqueMemDc> dcs;
    std::vector<vt::SelectGuard> selected;
    dcs.reserve(slots.size());
    selected.reserve(slots.size());
    for (Slot& s : slots) {
        dcs.emplace_back(CreateCompatibleDC(screen.Get()));
        selected.emplace_back(dcs.back().Get(), s.dib.Get());
        SetStretchBltMode(dcs.back().Get(), COLORONCOLOR);
    }
    const int areaW = cfg.area.right - cfg.area.left;
    const int areaH = cfg.area.bottom - cfg.area.top;
    const bool scale = areaW != cfg.width || areaH != cfg.height;
    const double period = Period();
    int64_t n = 0;
    int64_t seq = 0;

    std::unique_lock lock(m);
    for (;;) {
        if (endInputs) break;
        if (!clock.Running()) {
            cv.wait(lock);
            continue;
        }
        int64_t now = clock.Now100ns();
        int64_t due = std::llround(n * period);
        if (now < due) {
            cv.wait_for(lock, std::chrono::microseconds((due - now) / 10 + 1));
            continue;
        }
        // A frame a little late is still taken (back to back, so the count catches up);
        // only when capture falls far behind does it skip to the current frame.
        if (now >= due + std::llround(4 * period)) {
            n = static_cast<int64_t>(now / period);
            due = std::llround(n * period);
        }
        int free = -1;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (!slots[i].busy) {
                free = static_cast<int>(i);
                break;
            }
        }
        if (free < 0) {  // encoders are behind: this frame is dropped
            ++n;
            continue;
        }
        slots[free].busy = true;
        lock.unlock();
        HDC dc = dcs[free].Get();
        if (scale) {
            StretchBlt(dc, 0, 0, cfg.width, cfg.height, screen.Get(), cfg.area.left, cfg.area.top, areaW,
                       areaH, SRCCOPY | CAPTUREBLT);
        } else {
            BitBlt(dc, 0, 0, cfg.width, cfg.height, screen.Get(), cfg.area.left, cfg.area.top,
                   SRCCOPY | CAPTUREBLT);
        }
        GdiFlush();
        lock.lock();
        jobs.push_back(Job{free, seq++, due});
        ++n;
        videoEnd = std::llround(n * period);
        cv.notify_all();
    }
    captureDone = true;
    cv.notify_all();
    lock.unlock();
    selected.clear();
}

void Recorder::Impl::AudioLoop() {
    HWAVEIN h = wave.Get();
    const int block = wfx.nBlockAlign;
    AudioPacer pacer(static_cast<int>(wfx.nSamplesPerSec), 300 * 10000LL);
    auto push = [&](int64_t time, const uint8_t* data, size_t bytes) {
        std::lock_guard lock(m);
        audioQueue.push_back(AudioChunk{time, std::vector<uint8_t>(data, data + bytes)});
        cv.notify_all();
    };
    auto pushSilence = [&](int64_t frames) {
        int64_t start = pacer.Written() - frames;
        const int64_t chunk = wfx.nSamplesPerSec / 10;
        for (int64_t done = 0; done < frames; done += chunk) {
            int64_t f = std::min(chunk, frames - done);
            std::vector<uint8_t> zero(static_cast<size_t>(f * block));
            push(pacer.TimeOf(start + done), zero.data(), zero.size());
        }
    };
    auto now = [&] {
        std::lock_guard lock(m);
        return clock.Now100ns();
    };
    auto ending = [&] {
        std::lock_guard lock(m);
        return endInputs;
    };

    for (WAVEHDR& hdr : headers) waveInAddBuffer(h, &hdr, sizeof(WAVEHDR));
    waveInStart(h);
    size_t next = 0;
    while (!ending()) {
        WaitForSingleObject(waveEvent.Get(), 20);
        while (headers[next].dwFlags & WHDR_DONE) {
            WAVEHDR& hdr = headers[next];
            int64_t t = now();
            if (int64_t pad = pacer.Padding(t)) pushSilence(pad);
            int64_t frames = hdr.dwBytesRecorded / block;
            int64_t start = pacer.Written();
            int64_t keep = pacer.Accept(frames, t);
            if (keep > 0) push(pacer.TimeOf(start), reinterpret_cast<const uint8_t*>(hdr.lpData), keep * block);
            hdr.dwFlags &= ~WHDR_DONE;
            hdr.dwBytesRecorded = 0;
            waveInAddBuffer(h, &hdr, sizeof(WAVEHDR));
            next = (next + 1) % headers.size();
        }
        if (int64_t pad = pacer.Padding(now())) pushSilence(pad);
    }
    waveInReset(h);
    int64_t end;
    {
        // Audio ends with the last frame's display time, so both streams last as long.
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return captureDone; });
        end = std::max(endTime, videoEnd);
    }
    if (int64_t pad = pacer.FinalPadding(end)) pushSilence(pad);
    std::lock_guard lock(m);
    stats.audioFrames = pacer.Written();
    audioDone = true;
    cv.notify_all();
}

void Recorder::Impl::EncodeLoop() {
    JpegEncoder encoder;
    std::vector<uint8_t> out;
    std::unique_lock lock(m);
    for (;;) {
        cv.wait(lock, [&] { return !jobs.empty() || (endEncoders && captureDone); });
        if (jobs.empty()) break;
        Job job = jobs.front();
        jobs.pop_front();
        ++encoding;
        const uint8_t* bits = static_cast<const uint8_t*>(slots[job.slot].bits);
        lock.unlock();
        out.clear();
        bool ok = encoder.Encode(bits, cfg.width, cfg.height, cfg.width * 4, 4, quality.load(), out);
        lock.lock();
        slots[job.slot].busy = false;
        --encoding;
        // A frame that failed to encode still takes its place in the order, empty.
        done.emplace(job.seq, Encoded{job.time, ok ? std::move(out) : std::vector<uint8_t>()});
        out = std::vector<uint8_t>();
        cv.notify_all();
    }
}

void Recorder::Impl::WriteLoop() {
    QualityControl qc(cfg.videoBitrate, cfg.fpsMilli, cfg.width, cfg.height);
    int64_t nextSeq = 0;
    int64_t lastVideo = -1;
    std::unique_lock lock(m);
    for (;;) {
        auto videoReady = [&] { return done.count(nextSeq) != 0; };
        auto audioReady = [&] {
            if (audioQueue.empty()) return false;
            // Keep the streams roughly interleaved: audio waits for the video of its time.
            bool videoFinished = captureDone && VideoIdle();
            return videoFinished || audioQueue.front().time <= lastVideo + 5000000 || audioQueue.size() > 64;
        };
        auto finished = [&] { return captureDone && audioDone && VideoIdle() && audioQueue.empty(); };
        cv.wait(lock, [&] { return videoReady() || audioReady() || finished(); });
        if (videoReady()) {
            auto it = done.find(nextSeq);
            Encoded frame = std::move(it->second);
            done.erase(it);
            ++nextSeq;
            lock.unlock();
            if (!frame.data.empty()) {
                if (!writer.WriteVideo(frame.time, frame.data.data(), frame.data.size(), true)) writeFailed = true;
                qc.Update(frame.data.size());
                quality = qc.Quality();
                ++stats.framesWritten;
            }
            lastVideo = frame.time;
            lock.lock();
        } else if (audioReady()) {
            AudioChunk chunk = std::move(audioQueue.front());
            audioQueue.pop_front();
            lock.unlock();
            if (!writer.WriteAudio(chunk.time, chunk.data.data(), chunk.data.size())) writeFailed = true;
            lock.lock();
        } else if (finished()) {
            break;
        }
    }
    lock.unlock();
    if (!writer.Close()) writeFailed = true;
}

// ---------------------------------------------------------------------------------------
Recorder::Recorder() : m_impl(std::make_unique<Impl>()) {}

Recorder::~Recorder() {
    if (m_impl->phase != Impl::Phase::Idle) m_impl->Finish();
}

HRESULT Recorder::Prepare(const RecorderConfig& config) { return m_impl->Prepare(config); }
HRESULT Recorder::Run() { return m_impl->Run(); }
HRESULT Recorder::Hold() { return m_impl->Hold(); }
void Recorder::EndInputs() { m_impl->EndInputs(); }
HRESULT Recorder::Finish() { return m_impl->Finish(); }
bool Recorder::Prepared() const noexcept { return m_impl->phase != Impl::Phase::Idle; }
bool Recorder::Started() const noexcept { return m_impl->phase != Impl::Phase::Idle && m_impl->started; }
bool Recorder::Running() const noexcept { return m_impl->phase == Impl::Phase::Running; }
Recorder::Stats Recorder::LastStats() const noexcept { return m_impl->stats; }

} // namespace wmenc
