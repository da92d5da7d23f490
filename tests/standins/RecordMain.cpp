// Records one scene for the checks in check_recordings.py (which looks at the files with
// ffprobe and ffmpeg): standin_record <mode> <file.wmv> [seconds [width height fps kbps]].
// Modes: screen, rect, window, pause, audio, badaudio, kill, bench, paint.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <string>

#include "Session.h"
#ifdef STANDIN_VIA_LIBRARY
#include "encoder/Vistrelenc.h"
#endif

namespace {

using namespace standin_test;

// The picture the checks look for: green band on top, red left half, blue right half.
constexpr RECT kPatternRect{100, 100, 500, 400};

LRESULT CALLBACK PatternProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        auto fill = [&](RECT r, COLORREF c) {
            HBRUSH b = CreateSolidBrush(c);
            FillRect(dc, &r, b);
            DeleteObject(b);
        };
        fill(RECT{0, 40, rc.right / 2, rc.bottom}, RGB(255, 0, 0));
        fill(RECT{rc.right / 2, 40, rc.right, rc.bottom}, RGB(0, 0, 255));
        fill(RECT{0, 0, rc.right, 40}, RGB(0, 255, 0));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A full-screen moving picture for the benchmark: bars that slide and a changing colour.
LRESULT CALLBACK MovingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static int tick = 0;
    if (msg == WM_TIMER) {
        ++tick;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        for (int i = 0; i < 16; ++i) {
            int w = rc.right / 16;
            RECT r{i * w, 0, (i + 1) * w, rc.bottom};
            int c = (i * 16 + tick * 3) & 255;
            HBRUSH b = CreateSolidBrush(RGB(c, 255 - c, (c * 7) & 255));
            FillRect(dc, &r, b);
            DeleteObject(b);
        }
        RECT box{(tick * 9) % (rc.right - 200), (tick * 5) % (rc.bottom - 200), 0, 0};
        box.right = box.left + 200;
        box.bottom = box.top + 200;
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        // Lines of text that scroll, as on a real desktop.
        SetBkMode(dc, TRANSPARENT);
        for (int y = 0; y < rc.bottom; y += 18) {
            wchar_t text[160];
            int n = swprintf(text, 160, L"frame %d  line %d  The quick brown fox jumps over the lazy dog 0123456789",
                             tick, (y / 18 + tick) % 1000);
            TextOutW(dc, 10 + (y * 7 + tick * 4) % 300, y, text, n);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeWindow(const wchar_t* cls, WNDPROC proc, RECT r) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, cls, L"", WS_POPUP | WS_VISIBLE, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(hwnd);
    return hwnd;
}

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

std::wstring FirstWaveIn() {
    WAVEINCAPSW caps{};
    if (waveInGetNumDevs() == 0 || waveInGetDevCapsW(0, &caps, sizeof(caps)) != MMSYSERR_NOERROR) return L"";
    return caps.szPname;
}

#ifdef STANDIN_VIA_LIBRARY
// Through the encoder library, as the program records.
struct Recording {
    SENCODER_HANDLE h = nullptr;
    int Begin(const SessionSetup& s) {
        SEncoderSource src{};
        src.nSourceType = s.window ? SENCODER_SOURCE_WINDOW
                          : (s.rect.left || s.rect.top || s.rect.right || s.rect.bottom) ? SENCODER_SOURCE_RECT
                                                                                          : SENCODER_SOURCE_SCREEN;
        src.rcCapture = s.rect;
        src.hWnd = s.window;
        src.bAudioOn = s.audio.empty() ? 0 : 1;
        s.audio.copy(src.szAudioDevice, 63);  // the record is zeroed: the copy stays terminated
        h = SEncoderCreator(&src);
        if (!h) return -1;
        SEncoderParam p{};
        p.nVideoWidth = s.width;
        p.nVideoHeight = s.height;
        p.nFrameRate = s.fps;
        p.nVideoBitrate = s.videoKbps;
        p.nAudioChannels = 2;
        p.nAudioSampleRate = 44100;
        p.nAudioBitrate = s.audioKbps;
        SEncoderSetEncodeParam(h, &p);
        SEncoderSetOutputPath(h, s.path.c_str());
        return SEncoderStart(h);
    }
    void Pause() { SEncoderPause(h); }
    void Continue() { SEncoderContinue(h); }
    void End() {
        SEncoderStop(h);
        SEncoderClose(h);
        h = nullptr;
    }
};
#else
// Straight to the objects, the way the encoder library calls them.
struct Recording {
    Session s;
    bool com = SUCCEEDED(CoInitialize(nullptr));
    int Begin(const SessionSetup& setup) {
        HRESULT hr = s.Build(setup);
        if (FAILED(hr) && !setup.audio.empty() && _wcsicmp(setup.audio.c_str(), L"Default_Audio_Device") != 0) {
            s = Session();
            SessionSetup retry = setup;
            retry.audio = L"Default_Audio_Device";
            hr = s.Build(retry);
        }
        if (SUCCEEDED(hr)) hr = s.Start();
        return static_cast<int>(hr);
    }
    void Pause() { s.Pause(); }
    void Continue() { s.Start(); }
    void End() {
        s.Stop();
        s = Session();
        if (com) CoUninitialize();
        com = false;
    }
};
#endif

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: standin_record mode file.wmv [seconds [w h fps kbps]]\n");
        return 2;
    }
    std::wstring mode = argv[1];
    double seconds = argc > 3 ? _wtof(argv[3]) : 3.0;
    SessionSetup setup;
    setup.path = argv[2];
    setup.width = GetSystemMetrics(SM_CXSCREEN);
    setup.height = GetSystemMetrics(SM_CYSCREEN);
    if (argc > 7) {
        setup.width = _wtoi(argv[4]);
        setup.height = _wtoi(argv[5]);
        setup.fps = _wtoi(argv[6]);
        setup.videoKbps = _wtoi(argv[7]);
    }
    auto ms = [](double s) { return static_cast<DWORD>(std::lround(s * 1000)); };

    if (mode == L"paint") {  // only the moving picture, for a recorder in another process
        HWND w = MakeWindow(L"StandinMoving", MovingProc,
                            RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
        SetTimer(w, 1, 40, nullptr);
        Pump(ms(seconds));
        return 0;
    }
    HWND pattern = nullptr;
    if (mode != L"bench") pattern = MakeWindow(L"StandinPattern", PatternProc, kPatternRect);
    Pump(300);

    if (mode == L"rect") {
        // An odd-sized rectangle: the encoder library makes it even (grows to the left/top).
        setup.rect = RECT{81, 61, 81 + 501, 61 + 401};
        setup.width = 501;
        setup.height = 401;
#ifndef STANDIN_VIA_LIBRARY
        setup.rect = RECT{80, 60, 81 + 501, 61 + 401};
        setup.width = 500;
        setup.height = 400;
#endif
    } else if (mode == L"window") {
        setup.window = pattern;
        setup.width = kPatternRect.right - kPatternRect.left;
        setup.height = kPatternRect.bottom - kPatternRect.top;
    } else if (mode == L"audio") {
        setup.audio = FirstWaveIn();
        if (setup.audio.empty()) {
            fwprintf(stderr, L"no capture device\n");
            return 3;
        }
    } else if (mode == L"badaudio") {
        setup.audio = L"No Such Input Device";
    }

    Recording rec;
    DWORD t0 = GetTickCount();
    int rc = rec.Begin(setup);
    if (rc != 0) {
        fwprintf(stderr, L"start failed: 0x%08X\n", static_cast<unsigned>(rc));
        return 1;
    }
    if (mode == L"pause") {
        Pump(ms(seconds / 2));
        rec.Pause();
        Pump(1000);
        rec.Continue();
        Pump(ms(seconds / 2));
    } else if (mode == L"kill") {
        Pump(ms(seconds));
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 9);  // no Stop: as if the recorder crashed
    } else {
        Pump(ms(seconds));
    }
    rec.End();
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto secs = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    wprintf(L"recorded %.2f s in %lu ms screen=%dx%d cpu=%.2f\n", seconds, GetTickCount() - t0,
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), secs(kernel) + secs(user));
    if (pattern) DestroyWindow(pattern);
    return 0;
}
