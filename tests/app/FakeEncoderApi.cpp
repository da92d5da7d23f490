#include "FakeEncoderApi.h"

#include "toolkit/Raii.h"

#include <mutex>

namespace fakeapi {

namespace {

struct State {
    std::mutex lock;
    Config config;
    std::vector<Call> calls;
    SEncoderSource source{};
    SEncoderParam param{};
    std::wstring path;
    int stopsFailed = 0;
    vt::UniqueKernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

State& S() {
    static State state;
    return state;
}

int g_instance = 0;
SENCODER_HANDLE const kHandle = &g_instance;

// Logs the call; true when this step is the one to fail.
bool Log(const char* name) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.calls.push_back({name, ::GetCurrentThreadId()});
    return s.config.failStep == name;
}

int FailCode() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().config.failCode;
}

SENCODER_HANDLE Creator(const SEncoderSource* source) {
    const bool fail = Log("Creator");
    bool hold = false;
    {
        std::lock_guard<std::mutex> guard(S().lock);
        S().source = *source;
        hold = S().config.holdCreator;
    }
    if (hold) ::WaitForSingleObject(S().release.Get(), 30000);
    return fail ? nullptr : kHandle;
}
int SetEncodeParam(SENCODER_HANDLE, const SEncoderParam* param) {
    const bool fail = Log("SetEncodeParam");
    std::lock_guard<std::mutex> guard(S().lock);
    S().param = *param;
    return fail ? S().config.failCode : 0;
}
int SetOutputPath(SENCODER_HANDLE, const wchar_t* path) {
    const bool fail = Log("SetOutputPath");
    std::lock_guard<std::mutex> guard(S().lock);
    S().path = path ? path : L"";
    return fail ? S().config.failCode : 0;
}
int Start(SENCODER_HANDLE) { return Log("Start") ? FailCode() : 0; }
int Pause(SENCODER_HANDLE) {
    Log("Pause");
    std::lock_guard<std::mutex> guard(S().lock);
    return S().config.pauseCode;
}
int Continue(SENCODER_HANDLE) { return Log("Continue") ? FailCode() : 0; }
int Stop(SENCODER_HANDLE) {
    Log("Stop");
    bool hold = false;
    {
        std::lock_guard<std::mutex> guard(S().lock);
        hold = S().config.holdStop;
        if (S().stopsFailed < S().config.stopFailures) {
            ++S().stopsFailed;
            return 0x00AA0002;
        }
    }
    if (hold) ::WaitForSingleObject(S().release.Get(), 30000);
    return 0;
}
int Close(SENCODER_HANDLE) {
    Log("Close");
    return 0;
}

} // namespace

void Reset(const Config& config) {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    s.config = config;
    s.calls.clear();
    s.source = SEncoderSource{};
    s.param = SEncoderParam{};
    s.path.clear();
    s.stopsFailed = 0;
    ::ResetEvent(s.release.Get());
}

const EncoderApi& Api() {
    static const EncoderApi api{&Creator, &SetEncodeParam, &SetOutputPath, &Start, &Pause, &Continue, &Stop, &Close};
    return api;
}

std::vector<Call> Calls() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().calls;
}

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const Call& c : Calls()) names.push_back(c.name);
    return names;
}

int Count(const std::string& name) {
    int n = 0;
    for (const Call& c : Calls()) n += c.name == name;
    return n;
}

SEncoderSource LastSource() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().source;
}

SEncoderParam LastParam() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().param;
}

std::wstring LastPath() {
    std::lock_guard<std::mutex> guard(S().lock);
    return S().path;
}

void Release() { ::SetEvent(S().release.Get()); }

} // namespace fakeapi
