// The record thread: the one thread that drives the encoder library, from SEncoderCreator
// to SEncoderClose, Pause and Continue included. The user-interface thread hands it the
// records and the output path by value, then only queues commands; the thread reports
// every result by posting a message to the window.
#pragma once

#include "app/EncoderApi.h"
#include "toolkit/Raii.h"

#include <windows.h>
#include <memory>
#include <string>

struct RecordJob {
    SEncoderSource source{};
    SEncoderParam param{};
    std::wstring outputPath;
    HWND notify = nullptr;   // receives WM_RECORD_STARTED, _PAUSED, _CONTINUED, _FINISHED
    EncoderApi api{};
};

class CRecordThread {
public:
    CRecordThread() noexcept = default;
    // Asks a thread still running to stop and waits for it, bounded.
    ~CRecordThread();
    CRecordThread(const CRecordThread&) = delete;
    CRecordThread& operator=(const CRecordThread&) = delete;

    // Starts the thread; false when it could not be created.
    bool Start(RecordJob job);
    bool Running() const noexcept;

    // Commands, carried out in order by the thread. Stop takes effect at once; a failing
    // SEncoderStop is tried again every second.
    void Pause();
    void Continue();
    void Stop();

    // Waits up to ms for the thread to end, then lets go of its handle either way (a
    // thread that does not end keeps only what it owns itself). True when it ended.
    bool Join(DWORD ms);

    // How long the thread waits for a command before it looks again.
    static constexpr DWORD kPollMs = 1000;

private:
    struct Shared;
    static DWORD WINAPI ThreadProc(void* param);
    std::shared_ptr<Shared> m_shared;
    vt::UniqueKernelHandle m_thread;
};
