#include "app/RecordThread.h"

#include "app/RecorderMessages.h"
#include "toolkit/Trace.h"

#include <deque>
#include <mutex>

namespace {
enum class Command { Pause, Continue, Stop };
} // namespace

// What both threads hold: the command queue and its wake-up event. The thread keeps its
// own reference, so the block outlives an owner that stopped waiting for it.
struct CRecordThread::Shared {
    RecordJob job;
    std::mutex lock;
    std::deque<Command> commands;
    vt::UniqueKernelHandle wake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};

    void Push(Command c) {
        {
            std::lock_guard<std::mutex> guard(lock);
            commands.push_back(c);
        }
        ::SetEvent(wake.Get());
    }
    bool Pop(Command& c) {
        std::lock_guard<std::mutex> guard(lock);
        if (commands.empty()) return false;
        c = commands.front();
        commands.pop_front();
        return true;
    }
};

namespace {

void Post(HWND window, UINT msg, int code) {
    ::PostMessageW(window, msg, static_cast<WPARAM>(static_cast<unsigned>(code)), 0);
}

} // namespace

DWORD WINAPI CRecordThread::ThreadProc(void* startParam) {
    // The thread's own reference to the shared block, handed over by Start.
    std::unique_ptr<std::shared_ptr<Shared>> start(static_cast<std::shared_ptr<Shared>*>(startParam));
    const std::shared_ptr<Shared> shared = std::move(*start);
    start.reset();
    const RecordJob& job = shared->job;
    const EncoderApi& api = job.api;
    vt::Trace(L"ThreadRecord IN");

    SEncoderSource source = job.source;
    SEncoderParam param = job.param;
    SENCODER_HANDLE handle = api.Creator(&source);
    vt::Trace(L"DEBUG LIND : %d", 1);
    if (!handle) {
        Post(job.notify, WM_RECORD_STARTED, SENCODER_NULL_HANDLE);
        return 0;
    }
    vt::Trace(L"DEBUG LIND : %d pDlg->m_hRecord:0x%x", 2, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(handle)));
    int code = api.SetEncodeParam(handle, &param);
    if (code != 0) {
        vt::Trace(L"SEncoderSetEncodeParam Failed,Error Code : %d", code);
        api.Close(handle);
        Post(job.notify, WM_RECORD_STARTED, code);
        return 0;
    }
    vt::Trace(L"DEBUG LIND : %d", 3);
    code = api.SetOutputPath(handle, job.outputPath.c_str());
    if (code != 0) {
        vt::Trace(L"SEncoderSetOutputPath Failed,Error Code : %d", code);
        ::OutputDebugStringW(job.outputPath.c_str());
        api.Close(handle);
        Post(job.notify, WM_RECORD_STARTED, code);
        return 0;
    }
    vt::Trace(L"DEBUG LIND : %d", 4);
    code = api.Start(handle);
    if (code != 0) {
        vt::Trace(L"SEncoderStart Failed,Error Code : %d", code);
        api.Close(handle);
        Post(job.notify, WM_RECORD_STARTED, code);
        return 0;
    }
    vt::Trace(L"DEBUG LIND : %d", 5);
    Post(job.notify, WM_RECORD_STARTED, 0);

    bool stopping = false;
    for (;;) {
        ::WaitForSingleObject(shared->wake.Get(), kPollMs);
        Command command{};
        while (!stopping && shared->Pop(command)) {
            switch (command) {
            case Command::Pause:
                code = api.Pause(handle);
                if (code != 0) vt::Trace(L"SEncoderPause Failed,Error Code : %d", code);
                Post(job.notify, WM_RECORD_PAUSED, code);
                break;
            case Command::Continue:
                code = api.Continue(handle);
                if (code != 0) vt::Trace(L"SEncoderContinue Failed,Error Code : %d", code);
                Post(job.notify, WM_RECORD_CONTINUED, code);
                break;
            case Command::Stop:
                stopping = true;
                break;
            }
        }
        if (!stopping) continue;
        // The request is served at once; a failed stop is tried again at the next poll.
        code = api.Stop(handle);
        if (code == 0) break;
        vt::Trace(L"SEncoderStop Failed,Error Code : %d", code);
    }
    vt::Trace(L"DEBUG LIND : %d", 6);
    api.Close(handle);
    Post(job.notify, WM_RECORD_FINISHED, 0);
    return 0;
}

CRecordThread::~CRecordThread() {
    if (m_thread) {
        Stop();
        Join(5000);
    }
}

bool CRecordThread::Start(RecordJob job) {
    if (m_thread) return false;
    auto shared = std::make_shared<Shared>();
    if (!shared->wake) return false;
    shared->job = std::move(job);
    auto* param = new std::shared_ptr<Shared>(shared);
    DWORD id = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, &CRecordThread::ThreadProc, param, 0, &id);
    if (!thread) {
        delete param;
        return false;
    }
    m_thread.Reset(thread);
    m_shared = std::move(shared);
    return true;
}

bool CRecordThread::Running() const noexcept {
    return m_thread && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

void CRecordThread::Pause() {
    if (m_shared) m_shared->Push(Command::Pause);
}

void CRecordThread::Continue() {
    if (m_shared) m_shared->Push(Command::Continue);
}

void CRecordThread::Stop() {
    if (m_shared) m_shared->Push(Command::Stop);
}

bool CRecordThread::Join(DWORD ms) {
    if (!m_thread) return true;
    const bool ended = ::WaitForSingleObject(m_thread.Get(), ms) == WAIT_OBJECT_0;
    m_thread.Reset();
    m_shared.reset();
    return ended;
}
