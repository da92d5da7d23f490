// Benchmark, not a test: the main window recording through the real encoder library (the
// stand-in must be registered). Measures, over several recordings,
//   - Stop command -> file closed (SEncoderClose returned), and the library's own share
//     (SEncoderStop + SEncoderClose);
//   - the longest stall of the user-interface thread during a start and during a stop
//     (until the folder shows), seen by a watcher that sends WM_NULL with a timeout.
// Run: scripts/wine-exec build/bin/app_bench.exe [recordings]
// Each stop opens the real file browser (its start is part of the stop's stall); the
// browser windows stay open until Wine is ended.
#include "AppTestSupport.h"

#include "app/ScreenRecorderDlg.h"
#include "config/Language.h"
#include "resource.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/Paths.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER v;
        ::QueryPerformanceFrequency(&v);
        return v;
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// The library's calls, timed.
std::atomic<double> g_stopBegin{0}, g_stopEnd{0}, g_closeBegin{0}, g_closeEnd{0};
int TimedStop(SENCODER_HANDLE h) {
    g_stopBegin = Now();
    const int r = SEncoderStop(h);
    g_stopEnd = Now();
    return r;
}
int TimedClose(SENCODER_HANDLE h) {
    g_closeBegin = Now();
    const int r = SEncoderClose(h);
    g_closeEnd = Now();
    return r;
}

// Sends WM_NULL every 10 ms and keeps the longest wait since the last Take().
class StallWatcher {
public:
    explicit StallWatcher(HWND window) : m_window(window), m_thread([this] { Run(); }) {}
    ~StallWatcher() {
        m_stop = true;
        m_thread.join();
    }
    double Take() { return m_longest.exchange(0); }

private:
    void Run() {
        while (!m_stop) {
            const double start = Now();
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(m_window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            const double waited = Now() - start;
            double old = m_longest.load();
            while (waited > old && !m_longest.compare_exchange_weak(old, waited)) {}
            ::Sleep(10);
        }
    }
    HWND m_window;
    std::atomic<bool> m_stop{false};
    std::atomic<double> m_longest{0};
    std::thread m_thread;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
    vt::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    ::OleInitialize(nullptr);
    apptest::TempFolder temp;
    SetSettingsFolderOverride(temp.Path());
    BuildLanguageList(vt::ProgramFolder() + L"Language\\");

    EncoderApi api = LibraryEncoderApi();
    api.Stop = &TimedStop;
    api.Close = &TimedClose;
    Companions companions = Companions::Default();
    auto dlg = std::make_unique<CScreenRecorderDlg>();
    dlg->SetCompanions(companions);
    dlg->SetEncoderApi(api);
    if (!dlg->Create(nullptr)) return 1;
    ::ShowWindow(dlg->GetSafeHwnd(), SW_SHOW);
    RecorderSettings& s = dlg->Settings();
    s.video.nRecordRegion = kRecordRegionFullScreen;
    s.common.bMinWindow = 0;
    s.audio.bRecordSystemVoice = 0;
    wcscpy_s(s.video.szOutDir, (temp.Path() + L"out").c_str());

    StallWatcher watcher(dlg->GetSafeHwnd());
    std::vector<double> stopToClosed, ownStop, startStall, stopStall;
    for (int i = 0; i < runs; ++i) {
        apptest::Pump(300);
        watcher.Take();
        const double commandAt = Now();
        ::SendMessageW(dlg->GetSafeHwnd(), WM_COMMAND, IDC_MAIN_RECORD, 0);
        const double commandTook = Now() - commandAt;
        if (!apptest::PumpUntil([&] { return dlg->State() == SessionState::Recording; }, 15000)) {
            std::printf("run %d: the recording did not start\n", i + 1);
            return 1;
        }
        startStall.push_back(watcher.Take());
        apptest::Pump(2000);
        watcher.Take();
        g_closeEnd = 0;
        const double stopAt = Now();
        ::SendMessageW(dlg->GetSafeHwnd(), WM_COMMAND, IDC_MAIN_STOP, 0);
        if (!apptest::PumpUntil([&] { return dlg->State() == SessionState::Idle; }, 15000)) {
            std::printf("run %d: the recording did not end\n", i + 1);
            return 1;
        }
        stopStall.push_back(watcher.Take());
        stopToClosed.push_back(g_closeEnd - stopAt);
        ownStop.push_back((g_stopEnd - g_stopBegin) + (g_closeEnd - g_closeBegin));
        std::printf("run %d: stop->closed %.1f ms (library %.1f ms), longest stall: start %.1f ms (the start "
                    "command itself %.1f ms), stop %.1f ms\n",
                    i + 1, stopToClosed.back(), ownStop.back(), startStall.back(), commandTook, stopStall.back());
        std::fflush(stdout);
    }
    const auto report = [](const char* what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%-34s median %7.1f ms  max %7.1f ms\n", what, v[v.size() / 2], v.back());
    };
    std::vector<double> overhead;
    for (size_t i = 0; i < stopToClosed.size(); ++i) overhead.push_back(stopToClosed[i] - ownStop[i]);
    report("stop -> file closed", stopToClosed);
    report("  of which the library", ownStop);
    report("  of which the program", overhead);
    report("longest UI stall during a start", startStall);
    report("longest UI stall during a stop", stopStall);
    dlg.reset();
    SetSettingsFolderOverride(L"");
    ::OleUninitialize();
    return 0;
}
