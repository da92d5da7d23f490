// The recording behind the encoder object: screen frames on a steady clock, JPEG encoding
// on worker threads, audio from waveIn kept to the recording clock, one ASF writer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wmenc {

// Recording time: runs only while recording, so a pause leaves no gap in the file.
class RecordingClock {
public:
    RecordingClock() noexcept;
    void Run() noexcept;           // start or resume
    void Hold() noexcept;          // pause
    bool Running() const noexcept { return m_running; }
    int64_t Now100ns() const noexcept;  // recording time so far

private:
    int64_t Ticks() const noexcept;
    int64_t m_freq;
    int64_t m_base = 0;      // recording time at the last Run, in 100 ns
    int64_t m_runTicks = 0;  // counter at the last Run
    bool m_running = false;
};

// How much of what an audio device delivers goes into the file: whatever runs ahead of
// the recording clock is dropped, a device that falls far behind is padded with silence.
class AudioPacer {
public:
    AudioPacer(int sampleRate, int64_t maxLag100ns) noexcept
        : m_rate(sampleRate), m_maxLag(maxLag100ns) {}
    // Frames (samples per channel) of a delivered buffer of `frames` to keep at clock `now`.
    int64_t Accept(int64_t frames, int64_t now100ns) noexcept;
    // Silent frames to insert before the next data at `now`, when the device lags too far.
    int64_t Padding(int64_t now100ns) noexcept;
    // Silent frames that bring the stream exactly to `end` (the end of the recording).
    int64_t FinalPadding(int64_t end100ns) noexcept;
    int64_t Written() const noexcept { return m_written; }
    int64_t TimeOf(int64_t frame) const noexcept { return frame * 10000000LL / m_rate; }

private:
    int64_t FramesAt(int64_t t100ns) const noexcept { return t100ns * m_rate / 10000000LL; }
    int m_rate;
    int64_t m_maxLag;
    int64_t m_written = 0;
};

// JPEG quality that brings frames to the size a bit rate allows.
class QualityControl {
public:
    QualityControl(int64_t bitsPerSecond, int fpsMilli, int width, int height) noexcept;
    int Quality() const noexcept { return m_quality; }
    void Update(size_t frameBytes) noexcept;

private:
    double m_target;   // bytes per frame
    double m_average;  // running average of frame sizes
    int m_quality;
    int m_seen = 0;
};

struct RecorderConfig {
    RECT area{};              // screen pixels to capture
    int width = 0;            // frame size in the file (even)
    int height = 0;
    int fpsMilli = 15000;     // frames per second × 1000
    int64_t videoBitrate = 1000000;  // bit/s
    bool audio = false;
    UINT audioDevice = WAVE_MAPPER;
    std::wstring path;
};

class Recorder {
public:
    Recorder();
    ~Recorder();  // finishes a running recording
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Opens the audio device and creates the file; nothing runs yet.
    HRESULT Prepare(const RecorderConfig& config);
    HRESULT Run();     // start, or resume after Hold
    HRESULT Hold();    // pause
    void EndInputs();  // stop capture and audio at the current recording time
    HRESULT Finish();  // EndInputs, then encode what is left and finish the file
    bool Prepared() const noexcept;
    bool Started() const noexcept;
    bool Running() const noexcept;

    struct Stats {
        int64_t framesDue = 0;      // frames the clock asked for
        int64_t framesWritten = 0;
        int64_t audioFrames = 0;
        int64_t duration100ns = 0;
    };
    Stats LastStats() const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// waveIn device id for a name; "Default_Audio_Device" is the mapper. False: no such device.
bool FindAudioDevice(const std::wstring& name, UINT& id);

} // namespace wmenc
