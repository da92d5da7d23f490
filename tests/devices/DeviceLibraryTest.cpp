// The device library as the program sees it: through the imports of Vistrel.dll.
#include "devices/CameraLookup.h"
#include "devices/DeviceLibrary.h"

#include "toolkit/GdiPlus.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Sets VISTREL_VIRTUAL_DEVICES for one test and removes it afterwards.
class VirtualDevicesVariable {
public:
    explicit VirtualDevicesVariable(const wchar_t* value) { ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", value); }
    ~VirtualDevicesVariable() { ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", nullptr); }
};

uint32_t U32At(const void* record, size_t offset) {
    uint32_t v;
    std::memcpy(&v, static_cast<const BYTE*>(record) + offset, sizeof(v));
    return v;
}

std::wstring NameAt(const void* record, size_t offset) {
    return std::wstring(reinterpret_cast<const wchar_t*>(static_cast<const BYTE*>(record) + offset));
}

// Waits until the camera delivers a frame (virtual cameras: about 30 a second).
BYTE* WaitFrame(CAMERA_HANDLE cam, int64_t* stride, int64_t* number) {
    for (int i = 0; i < 100; ++i) {
        if (BYTE* f = CameraGetFrame(cam, stride, number)) return f;
        ::Sleep(10);
    }
    return nullptr;
}

// Saves a frame as PNG when VISTREL_FRAME_DUMP names a file, for looking at it.
void DumpFrame(BYTE* bits, int64_t stride, const BITMAPINFOHEADER& h) {
    wchar_t path[MAX_PATH];
    if (!::GetEnvironmentVariableW(L"VISTREL_FRAME_DUMP", path, MAX_PATH)) return;
    Gdiplus::Bitmap bmp(h.biWidth, h.biHeight, static_cast<INT>(stride), PixelFormat24bppRGB, bits);
    bmp.RotateFlip(Gdiplus::RotateNoneFlipY);
    CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    ASSERT_EQ(Gdiplus::Ok, bmp.Save(path, &png, nullptr));
}

TEST(DeviceRecords, LibraryFillsTheByteLayout) {
    VirtualDevicesVariable v(L"camera:Layout Cam@640x480,320x240;audio:Layout Mic[Mic,Line In]");
    CameraAttr attr{};
    ASSERT_NE(0, apiCameraGetAttr(0, &attr));
    EXPECT_EQ(L"Layout Cam", NameAt(&attr, 0));
    EXPECT_EQ(640u, U32At(&attr, 512));
    EXPECT_EQ(480u, U32At(&attr, 516));
    EXPECT_EQ(320u, U32At(&attr, 520));
    EXPECT_EQ(240u, U32At(&attr, 524));
    EXPECT_EQ(0u, U32At(&attr, 528));

    AudioDeviceInfo info{};
    ASSERT_NE(0, apiAudioCardGetDeviceInfo(0, &info));
    EXPECT_EQ(L"Layout Mic", NameAt(&info, 0));

    AudioInputLines lines{};
    ASSERT_NE(0, apiAudioCardGetInputLine(0, &lines));
    EXPECT_EQ(2u, U32At(&lines, 0));
    EXPECT_EQ(L"Mic", NameAt(&lines, 4));
    EXPECT_EQ(1u, U32At(&lines, 4 + 68));
    EXPECT_EQ(L"Line In", NameAt(&lines, 4 + 72));
    EXPECT_EQ(80u, U32At(&lines, 4 + 72 + 64));
    EXPECT_EQ(0u, U32At(&lines, 4 + 72 + 68));
}

TEST(VirtualCameras, ListedBeforeRealOnesWithTheirSizes) {
    int real = apiCameraGetCount();
    VirtualDevicesVariable v(L"camera:Test Cam@640x480,320x240; camera:Second@352x288 ;camera:Plain");
    ASSERT_EQ(real + 3, apiCameraGetCount());
    CameraAttr attr{};
    ASSERT_NE(0, apiCameraGetAttr(1, &attr));
    EXPECT_STREQ(L"Second", attr.szName);
    EXPECT_EQ(352u, attr.sizes[0].width);
    EXPECT_EQ(288u, attr.sizes[0].height);
    EXPECT_EQ(0u, attr.sizes[1].width);
    // Without sizes a camera offers two.
    CameraAttr plain{};
    ASSERT_NE(0, apiCameraGetAttr(2, &plain));
    EXPECT_STREQ(L"Plain", plain.szName);
    EXPECT_EQ(640u, plain.sizes[0].width);
    EXPECT_EQ(320u, plain.sizes[1].width);
    EXPECT_EQ(0u, plain.sizes[2].height);
}

TEST(VirtualCameras, FramesHaveTheOpenedSizeAndChange) {
    VirtualDevicesVariable v(L"camera:Test Cam@640x480,322x240");
    CAMERA_HANDLE cam = CameraOpen(0, 322, 240, 24);
    ASSERT_NE(nullptr, cam);
    BITMAPINFOHEADER h{};
    ASSERT_NE(0, CammeraGetBmpInfo(cam, &h));
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(322, h.biWidth);
    EXPECT_EQ(240, h.biHeight);         // positive: bottom row first
    EXPECT_EQ(24, h.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), h.biCompression);

    int64_t stride = 0, first = -1, second = -1;
    BYTE* f = WaitFrame(cam, &stride, &first);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(968, stride);             // 322 * 3 rounded up to a multiple of 4
    std::vector<BYTE> a(f, f + stride * 240);
    // No new frame at once.
    EXPECT_EQ(nullptr, CameraGetFrame(cam, &stride, nullptr));
    ::Sleep(40);
    f = WaitFrame(cam, &stride, &second);
    ASSERT_NE(nullptr, f);
    EXPECT_GT(second, first);
    std::vector<BYTE> b(f, f + stride * 240);
    EXPECT_NE(a, b);
    // Bars in the picture: at least six different colours on the middle row.
    std::vector<uint32_t> colours;
    const BYTE* row = f + stride * 120;
    for (int x = 0; x < 322; ++x) {
        uint32_t c = row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16;
        if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    }
    EXPECT_GE(colours.size(), 6u);
    DumpFrame(f, stride, h);
    CameraClose(cam);
}

TEST(VirtualCameras, UnlistedSizeOpensAtTheNearest) {
    VirtualDevicesVariable v(L"camera:Test Cam@320x240,640x480,1280x720");
    CAMERA_HANDLE cam = CameraOpen(0, 1260, 780, 24);
    ASSERT_NE(nullptr, cam);
    BITMAPINFOHEADER h{};
    ASSERT_NE(0, CammeraGetBmpInfo(cam, &h));
    EXPECT_EQ(1280, h.biWidth);
    EXPECT_EQ(720, h.biHeight);
    CameraClose(cam);
}

TEST(VirtualCameras, HandlesAreIndependent) {
    VirtualDevicesVariable v(L"camera:One@320x240;camera:Two@160x120");
    CAMERA_HANDLE a = CameraOpen(0, 320, 240, 24);
    CAMERA_HANDLE b = CameraOpen(1, 160, 120, 24);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    int64_t sa = 0, sb = 0;
    EXPECT_NE(nullptr, WaitFrame(a, &sa, nullptr));
    EXPECT_NE(nullptr, WaitFrame(b, &sb, nullptr));
    EXPECT_EQ(960, sa);
    EXPECT_EQ(480, sb);
    CameraClose(a);
    // b goes on after a closed.
    ::Sleep(40);
    EXPECT_NE(nullptr, WaitFrame(b, &sb, nullptr));
    CameraClose(b);
}

TEST(VirtualCameras, OpenAndCloseAHundredTimesLeaksNothing) {
    VirtualDevicesVariable v(L"camera:Test Cam@640x480");
    auto cycle = [] {
        CAMERA_HANDLE cam = CameraOpen(0, 640, 480, 24);
        ASSERT_NE(nullptr, cam);
        int64_t stride = 0;
        ASSERT_NE(nullptr, WaitFrame(cam, &stride, nullptr));
        BITMAPINFOHEADER h{};
        CammeraGetBmpInfo(cam, &h);
        CameraClose(cam);
    };
    for (int i = 0; i < 5; ++i) cycle();     // first-use allocations settle
    DWORD handlesBefore = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore));
    DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    PROCESS_MEMORY_COUNTERS_EX before{};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before),
                                       sizeof(before)));
    for (int i = 0; i < 100; ++i) cycle();
    DWORD handlesAfter = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter));
    PROCESS_MEMORY_COUNTERS_EX after{};
    ASSERT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after),
                                       sizeof(after)));
    EXPECT_LE(handlesAfter, handlesBefore + 2);
    // Wine counts no GDI objects (0 both times); Windows does.
    EXPECT_LE(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore + 2);
    // One frame is about 900 KB: a leak of any frame buffer would show many times over.
    EXPECT_LT(after.PrivateUsage, before.PrivateUsage + 2 * 1024 * 1024)
        << before.PrivateUsage << " -> " << after.PrivateUsage;
}

TEST(VirtualAudio, LinesSelectionAndVolumeRoundTrip) {
    VirtualDevicesVariable v(L"audio:Virtual Mic[Microphone, Line In ,CD Audio];audio:Plain Mic");
    unsigned int real = waveInGetNumDevs();
    ASSERT_EQ(real + 2, apiAudioCardGetDevicesNum());
    AudioDeviceInfo info{};
    ASSERT_NE(0, apiAudioCardGetDeviceInfo(1, &info));
    EXPECT_STREQ(L"Plain Mic", info.szName);

    AudioInputLines lines{};
    ASSERT_NE(0, apiAudioCardGetInputLine(0, &lines));
    ASSERT_EQ(3u, lines.nCount);
    EXPECT_STREQ(L"Line In", lines.lines[1].szName);
    EXPECT_EQ(1u, lines.lines[0].bSelected);

    AudioInputLine line = lines.lines[2];
    line.nVolume = 35;
    line.bSelected = 1;
    ASSERT_NE(0, apiAudioCardSetInputLine(0, &line));
    AudioInputLines again{};
    ASSERT_NE(0, apiAudioCardGetInputLine(0, &again));
    EXPECT_EQ(0u, again.lines[0].bSelected);
    EXPECT_EQ(1u, again.lines[2].bSelected);
    EXPECT_EQ(35u, again.lines[2].nVolume);
    EXPECT_EQ(80u, again.lines[0].nVolume);

    // All zero but the volume: the recording volume, that of the selected line.
    AudioInputLine volumeOnly{};
    volumeOnly.nVolume = 60;
    ASSERT_NE(0, apiAudioCardSetInputLine(0, &volumeOnly));
    ASSERT_NE(0, apiAudioCardGetInputLine(0, &again));
    EXPECT_EQ(60u, again.lines[2].nVolume);
    EXPECT_EQ(1u, again.lines[2].bSelected);

    // Volumes above 100 are bounded; unknown lines fail and change nothing.
    line.nVolume = 250;
    ASSERT_NE(0, apiAudioCardSetInputLine(0, &line));
    AudioInputLine unknown{};
    std::wcscpy(unknown.szName, L"Phone");
    unknown.nVolume = 5;
    EXPECT_EQ(0, apiAudioCardSetInputLine(0, &unknown));
    ASSERT_NE(0, apiAudioCardGetInputLine(0, &again));
    EXPECT_EQ(100u, again.lines[2].nVolume);

    // A device without lines has one entry: its recording volume.
    AudioInputLines single{};
    ASSERT_NE(0, apiAudioCardGetInputLine(1, &single));
    ASSERT_EQ(1u, single.nCount);
    EXPECT_STREQ(L"Plain Mic", single.lines[0].szName);
    volumeOnly.nVolume = 42;
    ASSERT_NE(0, apiAudioCardSetInputLine(1, &volumeOnly));
    ASSERT_NE(0, apiAudioCardGetInputLine(1, &single));
    EXPECT_EQ(42u, single.lines[0].nVolume);
}

TEST(CameraLookup, ByExactName) {
    {
        VirtualDevicesVariable v(L"camera:Cam 2;camera:Cam;camera:cam x");
        EXPECT_EQ(1, CameraIndexByName(L"Cam"));         // "Cam 2" begins alike but is longer
        EXPECT_EQ(0, CameraIndexByName(L"Cam 2"));
        EXPECT_EQ(2, CameraIndexByName(L"cam x"));
        EXPECT_EQ(0, CameraIndexByName(L"CAM"));         // case counts: none equal, the first
        EXPECT_EQ(0, CameraIndexByName(L"Ca"));
        EXPECT_EQ(0, CameraIndexByName(L""));
        EXPECT_EQ(0, CameraIndexByName(nullptr));
    }
    // Wine has no camera of its own.
    ASSERT_EQ(0, apiCameraGetCount());
    EXPECT_EQ(-1, CameraIndexByName(L"Cam"));
}

TEST(RealDevices, AnswerNoDeviceCleanly) {
    // Nothing virtual: what Wine offers, which is no camera at all.
    EXPECT_EQ(0, apiCameraGetCount());
    CameraAttr attr{};
    EXPECT_EQ(0, apiCameraGetAttr(0, &attr));
    EXPECT_EQ(0, attr.szName[0]);
    EXPECT_EQ(nullptr, CameraOpen(0, 640, 480, 24));

    // Audio: whatever waveIn lists, and nothing past it.
    unsigned int n = apiAudioCardGetDevicesNum();
    EXPECT_EQ(waveInGetNumDevs(), n);
    AudioDeviceInfo info{};
    EXPECT_EQ(0, apiAudioCardGetDeviceInfo(static_cast<int>(n), &info));
    AudioInputLines lines{};
    EXPECT_EQ(0, apiAudioCardGetInputLine(static_cast<int>(n), &lines));
    AudioInputLine line{};
    line.nVolume = 50;
    EXPECT_EQ(0, apiAudioCardSetInputLine(static_cast<int>(n), &line));
    for (unsigned int i = 0; i < n; ++i) {
        AudioDeviceInfo d{};
        ASSERT_NE(0, apiAudioCardGetDeviceInfo(static_cast<int>(i), &d));
        EXPECT_NE(0, d.szName[0]);
        EXPECT_LT(std::wcslen(d.szName), 32u);
        AudioInputLines l{};
        if (apiAudioCardGetInputLine(static_cast<int>(i), &l)) {
            EXPECT_LE(l.nCount, 20u);
            for (uint32_t k = 0; k < l.nCount; ++k) EXPECT_LE(l.lines[k].nVolume, 100u);
        }
    }
}

TEST(BadInput, ZeroOrNullAndNoCrash) {
    VirtualDevicesVariable v(L"camera:Test Cam@320x240;audio:Mic[Line]");
    CameraAttr attr{};
    EXPECT_EQ(0, apiCameraGetAttr(-1, &attr));
    EXPECT_EQ(0, apiCameraGetAttr(1000, &attr));
    EXPECT_EQ(0, apiCameraGetAttr(0, nullptr));
    EXPECT_EQ(nullptr, CameraOpen(-1, 320, 240, 24));
    EXPECT_EQ(nullptr, CameraOpen(1000, 320, 240, 24));
    EXPECT_EQ(nullptr, CameraOpen(0, 0, 240, 24));
    EXPECT_EQ(nullptr, CameraOpen(0, 320, -240, 24));
    EXPECT_EQ(nullptr, CameraOpen(0, 320, 240, 32));

    int64_t stride = 7;
    BITMAPINFOHEADER h{};
    EXPECT_EQ(nullptr, CameraGetFrame(nullptr, &stride, nullptr));
    EXPECT_EQ(7, stride);
    EXPECT_EQ(0, CammeraGetBmpInfo(nullptr, &h));
    CameraClose(nullptr);
    CAMERA_HANDLE madeUp = reinterpret_cast<CAMERA_HANDLE>(static_cast<uintptr_t>(0xDEADBEEF));
    EXPECT_EQ(nullptr, CameraGetFrame(madeUp, &stride, nullptr));
    EXPECT_EQ(0, CammeraGetBmpInfo(madeUp, &h));
    CameraClose(madeUp);

    CAMERA_HANDLE cam = CameraOpen(0, 320, 240, 24);
    ASSERT_NE(nullptr, cam);
    EXPECT_EQ(0, CammeraGetBmpInfo(cam, nullptr));
    EXPECT_NE(nullptr, WaitFrame(cam, nullptr, nullptr));     // null out slots are allowed
    CameraClose(cam);
    EXPECT_EQ(nullptr, CameraGetFrame(cam, &stride, nullptr));
    EXPECT_EQ(0, CammeraGetBmpInfo(cam, &h));
    CameraClose(cam);                                           // twice: nothing

    AudioDeviceInfo info{};
    AudioInputLines lines{};
    AudioInputLine line{};
    EXPECT_EQ(0, apiAudioCardGetDeviceInfo(-1, &info));
    EXPECT_EQ(0, apiAudioCardGetDeviceInfo(0, nullptr));
    EXPECT_EQ(0, apiAudioCardGetInputLine(-5, &lines));
    EXPECT_EQ(0, apiAudioCardGetInputLine(0, nullptr));
    EXPECT_EQ(0, apiAudioCardGetInputLine(1000, &lines));
    EXPECT_EQ(0, apiAudioCardSetInputLine(-1, &line));
    EXPECT_EQ(0, apiAudioCardSetInputLine(0, nullptr));
    EXPECT_EQ(0, apiAudioCardSetInputLine(1000, &line));
    // A name filling the whole field without its NUL is read only up to the field's end.
    AudioInputLine full;
    std::fill(std::begin(full.szName), std::end(full.szName), L'x');
    full.nVolume = 10;
    full.bSelected = 1;
    EXPECT_EQ(0, apiAudioCardSetInputLine(0, &full));
}

TEST(Threads, ListingOpeningAndClosingAtOnce) {
    VirtualDevicesVariable v(L"camera:A@160x120;camera:B@320x240;audio:Mic[One,Two]");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 40; ++i) {
                CameraAttr attr{};
                if (apiCameraGetCount() < 2 || !apiCameraGetAttr(i % 2, &attr)) ++failures;
                CAMERA_HANDLE cam = CameraOpen(i % 2, 160, 120, 24);
                if (!cam) {
                    ++failures;
                    continue;
                }
                int64_t stride = 0;
                CameraGetFrame(cam, &stride, nullptr);
                BITMAPINFOHEADER h{};
                if (!CammeraGetBmpInfo(cam, &h) || h.biWidth <= 0) ++failures;
                CameraClose(cam);
                AudioInputLine line{};
                std::wcscpy(line.szName, (i + t) % 2 ? L"One" : L"Two");
                line.nVolume = static_cast<uint32_t>(i);
                if (!apiAudioCardSetInputLine(0, &line)) ++failures;
                AudioInputLines lines{};
                if (!apiAudioCardGetInputLine(0, &lines) || lines.nCount != 2) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(0, failures.load());
}

TEST(Threads, CallersComApartmentIsLeftAsItWas) {
    VirtualDevicesVariable v(L"camera:A@320x240");
    auto calls = [] {
        apiCameraGetCount();
        CameraAttr attr{};
        apiCameraGetAttr(1, &attr);        // a real index: DirectShow is asked
        AudioInputLines lines{};
        apiAudioCardGetInputLine(1, &lines);
        CameraClose(CameraOpen(1, 320, 240, 24));
    };
    HRESULT afterSta = E_FAIL, afterNone = E_FAIL;
    std::thread sta([&] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        calls();
        afterSta = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);   // S_FALSE: still the same STA
        ::CoUninitialize();
        ::CoUninitialize();
    });
    sta.join();
    std::thread none([&] {
        calls();
        afterNone = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // S_OK: nothing was left behind
        if (SUCCEEDED(afterNone)) ::CoUninitialize();
    });
    none.join();
    EXPECT_EQ(S_FALSE, afterSta);
    EXPECT_EQ(S_OK, afterNone);
}

TEST(Threads, CloseWhileAnotherThreadPullsFrames) {
    VirtualDevicesVariable v(L"camera:A@320x240");
    for (int round = 0; round < 10; ++round) {
        CAMERA_HANDLE cam = CameraOpen(0, 320, 240, 24);
        ASSERT_NE(nullptr, cam);
        std::atomic<bool> closed{false};
        std::atomic<int> afterClose{0};
        std::thread puller([&] {
            for (int i = 0; i < 2000; ++i) {
                bool wasClosed = closed.load();
                int64_t stride = 0;
                BYTE* f = CameraGetFrame(cam, &stride, nullptr);
                BITMAPINFOHEADER h{};
                int got = CammeraGetBmpInfo(cam, &h);
                if (wasClosed && (f || got)) ++afterClose;
                if (wasClosed && i > 200) break;
            }
        });
        ::Sleep(5);
        CameraClose(cam);
        closed = true;
        puller.join();
        EXPECT_EQ(0, afterClose.load());
    }
}

} // namespace
