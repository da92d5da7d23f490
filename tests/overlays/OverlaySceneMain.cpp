// Records one scene of overlays and camera windows, built by the program's own code over a
// plain background, through the encoder library, for check_overlay_recordings.py:
//   overlay_scene <A|B|C> <file.wmv> [seconds]     (seconds 0: shown for 8 s, not recorded)
// Prints the recorded rectangle and every window's rectangle as JSON.
//   overlay_scene look <title|shadow|watermark|faded|change|camera>
// shows one dialog or the camera window with its close button for 6 s, for a screenshot.
#include "OverlayTestSupport.h"

#include "devices/CameraLayout.h"
#include "devices/CameraWindow.h"
#include "encoder/Vistrelenc.h"
#include "config/PendingOverlaySettings.h"
#include "region/TitleSetting.h"
#include "region/VideoLogo.h"
#include "region/WatermarkSetting.h"
#include "resources/ids/overlays.h"
#include "toolkit/SkinControls.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/skin/SkinTestUtil.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

const RECT kRecorded{96, 96, 736, 576};

struct SceneHost : ICameraHost {
    bool cameraOnly = false;
    HWND NotifyWindow() override { return nullptr; }
    bool IsCameraOnlyRecording() override { return cameraOnly; }
};

std::string Json(const RECT& r) {
    char s[80];
    std::snprintf(s, sizeof(s), "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return s;
}

std::string Json(const vt::CWnd* w) {
    if (!w || !w->GetSafeHwnd()) return "null";
    RECT r{};
    ::GetWindowRect(w->GetSafeHwnd(), &r);
    return Json(r);
}

// Records the rectangle for the given time on a worker, as the program's record thread
// does; 0 on success.
int Record(const RECT& rect, const std::wstring& path, int seconds) {
    SEncoderSource src{};
    src.nSourceType = SENCODER_SOURCE_RECT;
    src.rcCapture = rect;
    SENCODER_HANDLE h = SEncoderCreator(&src);
    if (!h) return 1;
    SEncoderParam p{};
    p.nVideoWidth = rect.right - rect.left;
    p.nVideoHeight = rect.bottom - rect.top;
    p.nFrameRate = 15;
    p.nVideoBitrate = 9000;
    p.nAudioChannels = 2;
    p.nAudioSampleRate = 44100;
    p.nAudioBitrate = 64;
    int rc = SEncoderSetEncodeParam(h, &p);
    if (rc == 0) rc = SEncoderSetOutputPath(h, path.c_str());
    if (rc == 0) rc = SEncoderStart(h);
    if (rc == 0) {
        ::Sleep(static_cast<DWORD>(seconds) * 1000);
        rc = SEncoderStop(h);
    }
    SEncoderClose(h);
    return rc;
}

// One window for a look, shown for a few seconds.
int Look(const std::wstring& what) {
    SelectEnglish();
    auto hold = [](HWND d) {
        PumpFor(6000);
        ::PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    };
    if (what == L"title" || what == L"shadow") {
        if (what == L"title") {
            PendingTitleSettings = std::make_unique<TitleSettings>();
            wcsncpy_s(PendingTitleSettings->szTitle, L"Holiday 2014", _TRUNCATE);
            wcsncpy_s(PendingTitleSettings->lfFont.lfFaceName, L"Liberation Sans", _TRUNCATE);
            PendingTitleSettings->lfFont.lfHeight = -16;
            PendingTitleSettings->clrNormal = RGB(200, 0, 0);
            PendingTitleSettings->clrShadow = 0x606060;
        }
        CDlgTitleSetting d;
        RunModal(d, [&](HWND h) {
            if (what == L"title") {
                Click(h, IDC_TITLE_RADIO_NORMAL);
                Click(h, IDC_GRID_CENTRE);
            }
            hold(h);
        });
    } else if (what == L"watermark" || what == L"faded") {
        PendingWatermarkSettings = std::make_unique<WatermarkSettings>();
        wcsncpy_s(PendingWatermarkSettings->szPath, WriteRedBluePicture(L"look.png", 96, 64).c_str(), _TRUNCATE);
        PendingWatermarkSettings->nZoom = what == L"faded" ? 50 : 100;
        PendingWatermarkSettings->nTransparency = what == L"faded" ? 50 : 0;
        PendingWatermarkSettings->nPosX = 100;
        CDlgWatermaskSetting d;
        RunModal(d, hold);
    } else if (what == L"change") {
        CDlgChangeTitle d;
        d.SetTitle(L"Holiday 2014");
        RunModal(d, hold);
    } else if (what == L"camera") {
        SceneHost host;
        CDisplayCameraDlg camera(&host);
        camera.SetShowCloseButton(true);
        if (!camera.Create() || !camera.SelectCamera(0)) return 3;
        ::ShowWindow(camera.GetSafeHwnd(), SW_SHOW);
        ::MoveWindow(camera.GetSafeHwnd(), 400, 250, 328, 248, TRUE);
        ::SetCursorPos(600, 350);
        ::PostMessageW(camera.GetSafeHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(200, 100));
        PumpFor(6000);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: overlay_scene A|B|C file.wmv [seconds]\n");
        return 2;
    }
    const std::wstring scene = argv[1];
    const std::wstring path = argv[2];
    const int seconds = argc > 3 ? _wtoi(argv[3]) : 3;
    ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", L"camera:Scene Cam@640x480");
    vt::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);

    if (scene == L"look") return Look(path);

    SolidWindow background(kRecorded, RGB(0, 96, 0));
    SceneHost host;
    AdvancedSettings s{};
    auto camera = std::make_unique<CDisplayCameraDlg>(&host);
    RECT recorded = kRecorded;
    RECT cameraBefore{}, cameraAfter{};

    if (scene == L"C") {
        // Camera only: its picture area is what is recorded, and it cannot move meanwhile.
        if (!camera->Create() || !camera->SelectCamera(0)) return 3;
        ::ShowWindow(camera->GetSafeHwnd(), SW_SHOW);
        ::SetForegroundWindow(camera->GetSafeHwnd());
        recorded = camera->PictureScreenRect();
        host.cameraOnly = true;
    } else {
        s.bNoteTime = s.bNoteTitle = s.bNoteWatermark = 1;
        TitleSettings& t = s.title;
        wcsncpy_s(t.szTitle, L"Vistrel Title", _TRUNCATE);
        wcsncpy_s(t.lfFont.lfFaceName, L"Liberation Sans", _TRUNCATE);
        t.lfFont.lfHeight = -32;
        t.nPosX = 50;
        t.nPosY = 0;
        WatermarkSettings& w = s.watermark;
        w.nPosX = 0;
        w.nPosY = 100;
        if (scene == L"A") {
            t.nType = 0;
            t.clrNormal = RGB(0, 0, 0);
            wcsncpy_s(w.szPath, WriteRedBluePicture(L"scene64.png", 64, 48).c_str(), _TRUNCATE);
            w.nZoom = 100;
            w.nTransparency = 0;
        } else {
            t.nType = 1;
            t.clrNormal = RGB(255, 255, 255);
            t.clrShadow = RGB(0, 0, 0);
            wcsncpy_s(w.szPath, WriteRedBluePicture(L"scene128.png", 128, 96).c_str(), _TRUNCATE);
            w.nZoom = 50;
            w.nTransparency = 50;
        }
        camera->SetShowCloseButton(true);
        if (!camera->Create() || !camera->SelectCamera(0)) return 3;
        const RECT pip = PictureInPictureRect(kRecorded);
        ::ShowWindow(camera->GetSafeHwnd(), SW_SHOW);
        ::MoveWindow(camera->GetSafeHwnd(), pip.left, pip.top, pip.right - pip.left, pip.bottom - pip.top, TRUE);
    }
    RecordingOverlays overlays = MakeRecordingOverlays(s, kRecorded);
    overlays.MakeTopmost();
    PumpFor(500);

    if (scene == L"C") {
        // A drag over the body while camera-only recording moves nothing.
        ::GetWindowRect(camera->GetSafeHwnd(), &cameraBefore);
        HWND c = camera->GetSafeHwnd();
        ::PostMessageW(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        ::PostMessageW(c, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 150));
        ::PostMessageW(c, WM_LBUTTONUP, 0, MAKELPARAM(200, 150));
        PumpFor(200);
        ::GetWindowRect(c, &cameraAfter);
    }

    int rc = 0;
    if (seconds > 0) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            rc = Record(recorded, path, seconds);
            done = true;
        });
        PumpUntil([&] { return done.load(); }, static_cast<DWORD>(seconds) * 1000 + 60000);
        worker.join();
    } else {
        PumpFor(8000);  // for a look
    }

    std::printf("{\"scene\": \"%ls\", \"result\": %d, \"recorded\": %s, \"time\": %s, \"title\": %s, "
                "\"watermark\": %s, \"camera\": %s, \"picture\": %s, \"camera_before_drag\": %s, "
                "\"camera_after_drag\": %s}\n",
                scene.c_str(), rc, Json(recorded).c_str(), Json(overlays.time.get()).c_str(),
                Json(overlays.title.get()).c_str(), Json(overlays.watermark.get()).c_str(), Json(camera.get()).c_str(),
                Json(camera->PictureScreenRect()).c_str(), Json(cameraBefore).c_str(), Json(cameraAfter).c_str());
    std::fflush(stdout);
    overlays.Destroy();
    camera.reset();
    return rc == 0 ? 0 : 1;
}
