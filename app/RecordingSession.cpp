// The recording session of the main window: Start (with Continue), Pause, Stop, the record
// thread's reports, the clock, and tidying up after a recording.
//
// One state gates every command from every source (buttons, hot keys, tray, record
// control bar, keys, close): Start only from idle (or paused, to continue), Pause only
// while recording, Stop while recording or paused, and nothing while a command is still
// with the record thread.
#include "app/ScreenRecorderDlg.h"

#include "app/Formatting.h"
#include "app/RecordSetup.h"
#include "app/RecorderMessages.h"
#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "resource.h"
#include "toolkit/Trace.h"

#include <algorithm>

// ------------------------------------------------------------------ companions

void CScreenRecorderDlg::SetUpRegionFrame(bool fullScreen, const RECT& rect, HWND window) {
    if (!m_regionFrame) m_regionFrame = m_companions.createRegionFrame();
    if (!m_regionFrame) return;
    if (!fullScreen && !m_controlBar) {
        m_controlBar = m_companions.createRecordControlBar(m_settings.video.nRecordObject);
        UpdateBarCameraButton();
    }
    const SIZE screen = ScreenSize();
    const RECT region = fullScreen ? RECT{0, 0, screen.cx, screen.cy} : rect;
    m_regionFrame->SetRegion(fullScreen, region, window, fullScreen ? nullptr : m_controlBar.get());
}

void CScreenRecorderDlg::RemoveRegionFrame() {
    m_controlBar.reset();
    m_regionFrame.reset();
}

void CScreenRecorderDlg::DestroyCameraWindow() {
    m_cameraWindow.reset();
    m_cameraIndex = -1;
    UpdateBarCameraButton();
}

void CScreenRecorderDlg::UpdateBarCameraButton() {
    // The button toggles the camera picture of a screen recording: only while there is one.
    EnableBarButton(IRecordControlBar::kCamera,
                    m_cameraWindow && (m_settings.video.nRecordObject & kRecordObjectScreenWithCamera));
}

bool CScreenRecorderDlg::CreateCameraInRect(int cameraIndex, const RECT& rect) {
    std::unique_ptr<ICameraWindow> camera = m_companions.createCameraWindow(true);
    if (!camera) return false;
    camera->SelectCamera(cameraIndex);
    camera->Show(true);
    camera->Place(rect);
    m_cameraWindow = std::move(camera);
    m_cameraIndex = cameraIndex;
    UpdateBarCameraButton();
    return true;
}

bool CScreenRecorderDlg::IsCameraWindowVisible() const {
    return m_cameraWindow && m_cameraWindow->IsVisible();
}

void CScreenRecorderDlg::ShowCameraWindow(bool show) {
    if (m_cameraWindow) m_cameraWindow->Show(show);
}

void CScreenRecorderDlg::EnableBarButton(int id, bool enabled) {
    if (m_controlBar) m_controlBar->EnableButton(id, enabled);
}

void CScreenRecorderDlg::ShowBarButton(int id, bool shown) {
    if (m_controlBar) m_controlBar->ShowButton(id, shown);
}

void CScreenRecorderDlg::DestroyRecordingCompanions() {
    RemoveRegionFrame();
    m_overlays.reset();
    DestroyCameraWindow();
}

// ------------------------------------------------------------------ Start

void CScreenRecorderDlg::StartCommand() {
    const bool resume = m_state == SessionState::Paused;
    if (!(m_state == SessionState::Idle || resume) || m_pending != Pending::None || !m_bCanOperate) return;
    // 1.
    m_bCanOperate = false;
    if (resume) {
        m_pending = Pending::Continuing;
    } else {
        m_state = SessionState::Starting;
        m_bCloseAfterRecord = false;
    }
    if (m_bPlayerMode || m_player) {
        ClosePlayer();
        SetButtonsIdle();
    }
    // 2.
    if (m_companions.runEncoderInstall(m_hWnd) != IDOK) {
        if (resume)
            m_pending = Pending::None;
        else
            m_state = SessionState::Idle;
        EnableOperation();
        return;
    }
    // 3.
    if (resume) {
        ContinueRecording();
        return;
    }
    BeginNewRecording();
}

void CScreenRecorderDlg::ContinueRecording() {
    // The result comes back as WM_RECORD_CONTINUED; until then other commands wait.
    if (m_recordThread) m_recordThread->Continue();
    else m_pending = Pending::None;
    EnableOperation();
}

void CScreenRecorderDlg::BeginNewRecording() {
    RecorderSettings& s = m_settings;
    const auto stopHere = [this] {
        m_state = SessionState::Idle;
        EnableOperation();
    };
    // 4. The output folder.
    const std::wstring outDir = s.video.szOutDir;
    if (!EnsureFolder(outDir)) {
        ShowMessage(FormatLanguageText(LoadLanguageText(L"IDS_CREATEDIR_FAILED"), outDir), MB_OK | MB_ICONINFORMATION);
        RunSettingsAndApply();
        stopHere();
        return;
    }
    // 5. The region.
    const int o = s.video.nRecordObject;
    if (!m_regionFrame) {
        if (o & kRecordObjectCamera) {
            const int index = m_companions.cameraIndexByName(s.video.szCameraName);
            if (index < 0) {
                if (m_cameraWindow) m_cameraWindow->Show(true);
            } else {
                if (!m_cameraWindow) m_cameraWindow = m_companions.createCameraWindow(false);
                if (m_cameraWindow) {
                    SelectCamera(index);
                    m_cameraWindow->Show(true);
                }
            }
            if (!m_cameraWindow) {
                ShowControl(IDC_MAIN_TIP, false);
                RedrawInfoArea();
                stopHere();
                return;
            }
            m_hRecordWnd = m_cameraWindow->PictureWindow();
            ::GetWindowRect(m_cameraWindow->Window(), &m_rcRecord);
            s.video.nRecordRegion = kRecordRegionUserDefined;
            SetUpRegionFrame(false, m_rcRecord, m_hRecordWnd);
        } else if (s.video.nRecordRegion == kRecordRegionFullScreen) {
            SetUpRegionFrame(true, m_rcRecord, nullptr);
            const SIZE screen = ScreenSize();
            m_rcRecord = RECT{0, 0, screen.cx, screen.cy};
        } else {
            RemoveRegionFrame();
            RegionSelectionRequest request;
            request.mainWindow = m_hWnd;
            request.preset = s.common.bUseDefaultRecordSize != 0;
            request.defaultWidth = s.common.nDefaultRecordWidth;
            request.defaultHeight = s.common.nDefaultRecordHeight;
            const RegionSelectionResult result = m_companions.runRegionSelection(request);
            if (result.code != kRegionSelectionOk && result.code != kRegionSelectionRecordNow) {
                SetButtonsIdle();
                ShowControl(IDC_MAIN_TIP, false);
                RedrawInfoArea();
                stopHere();
                return;
            }
            SetRegionTypeChecks(true);
            m_rcRecord = result.rect;
            m_hRecordWnd = result.window;
            s.video.nRecordRegion = kRecordRegionUserDefined;
            SetUpRegionFrame(false, m_rcRecord, m_hRecordWnd);
        }
    }
    // 6. The title prompt below is a modal step too: operation resumes after it.
    SetButtonsStarting();
    ShowControl(IDC_MAIN_FILENAME_CAPTION, false);
    ShowControl(IDC_MAIN_FILENAME, false);
    m_stcTip.SetText(LoadLanguageText(L"IDS_RECORD_START"));
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    ShowControl(IDC_MAIN_TIP, true);
    RedrawInfoArea();
    // 7.
    if (s.advanced.bNoteTitle) {
        std::wstring title = s.advanced.title.szTitle;
        if (m_companions.runChangeTitle(m_hWnd, title) == IDOK) {
            const size_t n = std::min(title.size(), static_cast<size_t>(kSettingsTextChars - 1));
            title.copy(s.advanced.title.szTitle, n);
            s.advanced.title.szTitle[n] = 0;
        }
    }
    // 8.
    EnableBarButton(IRecordControlBar::kRecord, false);
    EnableBarButton(IRecordControlBar::kPause, false);
    ShowBarButton(IRecordControlBar::kPause, true);
    EnableBarButton(IRecordControlBar::kStop, true);
    UpdateBarCameraButton();
    // 9.
    const SIZE screen = ScreenSize();
    RECT cameraRect{};
    const bool haveCameraRect = m_cameraWindow && ::GetWindowRect(m_cameraWindow->Window(), &cameraRect);
    m_rcRecord = FixRecordRect(m_rcRecord, s.video.nRecordRegion, o, haveCameraRect ? &cameraRect : nullptr, screen);
    const int w = m_rcRecord.right - m_rcRecord.left;
    const int h = m_rcRecord.bottom - m_rcRecord.top;
    // 10.
    if (!m_cameraWindow && w >= 100 && h >= 100 && (o & kRecordObjectScreenWithCamera)) {
        const int index = m_companions.cameraIndexByName(s.video.szCameraName);
        if (index >= 0) CreateCameraInRect(index, CameraRectInRegion(m_rcRecord));
    }
    // 11.
    m_overlays = m_companions.createOverlays(s.advanced, m_rcRecord);
    // 12.
    m_bPlayerMode = false;
    StartRecordThread();
    EnableOperation();
}

void CScreenRecorderDlg::StartRecordThread() {
    const RecorderSettings& s = m_settings;
    const SIZE screen = ::GetSystemMetrics(SM_CXSCREEN) > 0
                            ? SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}
                            : ScreenSize();
    // The capture window as it is now: a window closed or minimised since it was picked
    // gives way to the rectangle that was selected.
    const int o = s.video.nRecordObject;
    const bool cameraOnly = !(o & kRecordObjectScreen) && !(o & kRecordObjectScreenWithCamera) &&
                            (o & kRecordObjectCamera);
    const bool windowSource = cameraOnly || ((o & (kRecordObjectScreen | kRecordObjectScreenWithCamera)) &&
                                             !(o & kRecordObjectCamera) &&
                                             s.video.nRecordRegion == kRecordRegionUserDefined);
    HWND window = windowSource ? m_hRecordWnd : nullptr;
    RECT windowRect{};
    bool haveWindow = false;
    if (window && ::IsWindow(window) && !::IsIconic(window) && ::GetWindowRect(window, &windowRect)) {
        haveWindow = true;
        vt::Trace(cameraOnly ? L"UI Get Camera window hwnd :%d" : L"UI Get window hwnd :%d", HandleToLong(window));
        // The camera's picture area is a child: its window comes to the front.
        ::SetForegroundWindow(::GetAncestor(window, GA_ROOT));
        m_rcRecord = windowRect;
    }
    const RecordRecords records = FillRecords(s, m_rcRecord, haveWindow ? &windowRect : nullptr, screen);
    m_recordSourceType = records.source.nSourceType;
    if (!records.sized) {
        FailStart(SENCODER_NULL_HANDLE);
        return;
    }
    m_strRecordFile = ReserveOutputFile(s.video.szOutDir, vt::TimeStampFileName(), &m_fileReserved);

    RecordJob job;
    job.source = records.source;
    job.param = records.param;
    job.outputPath = m_strRecordFile;
    job.notify = m_hWnd;
    job.api = m_api;
    auto thread = std::make_unique<CRecordThread>();
    if (!thread->Start(std::move(job))) {
        FailStart(SENCODER_NULL_HANDLE);
        return;
    }
    m_recordThread = std::move(thread);
}

void CScreenRecorderDlg::FailStart(int code) {
    // The same road as a failure the thread reports.
    ::PostMessageW(m_hWnd, WM_RECORD_STARTED, static_cast<WPARAM>(static_cast<unsigned>(code == 0 ? 1 : code)), 0);
}

void CScreenRecorderDlg::OnRecordStarted(int code) {
    if (m_state != SessionState::Starting) return;
    const bool ok = code == 0;
    m_bPause = false;
    ShowControl(IDC_MAIN_TIP, false);
    if (ok) {
        m_state = SessionState::Recording;
        m_instanceRunning = true;
        if (m_overlays) m_overlays->MakeTopmost();
        m_nRecordSeconds = 0;
        m_timerClock.Start(m_hWnd, TIMER_RECORD_CLOCK, 1000);
        if (m_recordSourceType == SENCODER_SOURCE_SCREEN) RemoveRegionFrame();
        if (m_settings.common.bMinWindow) ::ShowWindow(m_hWnd, SW_MINIMIZE);
        m_stcFileName.SetText(vt::NamePartOfPath(m_strRecordFile));
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        ShowControl(IDC_MAIN_FILENAME_CAPTION, true);
        ShowControl(IDC_MAIN_FILENAME, true);
        RedrawInfoArea();
        EnableBarButton(IRecordControlBar::kRecord, false);
        ShowBarButton(IRecordControlBar::kRecord, false);
        EnableBarButton(IRecordControlBar::kPause, true);
        ShowBarButton(IRecordControlBar::kPause, true);
        EnableBarButton(IRecordControlBar::kStop, true);
        if (m_overlays) m_overlays->ShowTimeOverlay();
        // Closing was asked for while the recording started: it ends at once.
        if (m_bCloseAfterRecord) {
            m_state = SessionState::Stopping;
            m_timerClock.Stop();
            if (m_recordThread) m_recordThread->Stop();
        }
        return;
    }

    m_state = SessionState::Idle;
    if (m_recordThread) {
        m_recordThread->Join(2000);
        m_recordThread.reset();
    }
    if (m_fileReserved) {
        ::DeleteFileW(m_strRecordFile.c_str());
        m_fileReserved = false;
    }
    DestroyRecordingCompanions();
    ShowControl(IDC_MAIN_FILENAME_CAPTION, false);
    ShowControl(IDC_MAIN_TIP, false);
    // Idle before the message, so that nothing can start twice meanwhile.
    SetButtonsIdle();
    RedrawInfoArea();
    if (m_bCloseAfterRecord) {
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    std::wstring text = LoadLanguageText(FailureMessageKey(code).c_str());
    if (text.empty() || text == L"???") text = LoadLanguageText(L"0005");
    ShowMessage(text, MB_OK | MB_ICONINFORMATION);
    if (m_closeDeferred && m_bCanOperate) EnableOperation();
}

// ------------------------------------------------------------------ clock

void CScreenRecorderDlg::ClockTick() {
    if (!m_instanceRunning || m_state != SessionState::Recording) return;
    ++m_nRecordSeconds;
    const std::wstring time = vt::TimeText(m_nRecordSeconds);
    SetTimeText(time);
    m_stcSize.SetText(LoadLanguageText(L"IDC_STC_SIZE") + vt::SizeText(m_strRecordFile.c_str()));
    if (m_controlBar) m_controlBar->SetTimeText(time);
}

// ------------------------------------------------------------------ Pause, Continue

void CScreenRecorderDlg::PauseCommand() {
    if (m_bPlayerMode) {
        // A player that cannot pause goes on playing, and the buttons stay as they are.
        if (m_player && m_player->Pause()) {
            m_timerPlayer.Stop();
            ShowControl(IDC_MAIN_PAUSE, false);
            EnableButton(m_btnPause, false);
            ShowControl(IDC_MAIN_PLAY, true);
            EnableButton(m_btnPlay, true);
        }
        return;
    }
    if (m_state != SessionState::Recording || m_pending != Pending::None || !m_recordThread) return;
    m_pending = Pending::Pausing;
    m_recordThread->Pause();
}

void CScreenRecorderDlg::OnRecordPaused(int code) {
    if (m_pending != Pending::Pausing) return;
    m_pending = Pending::None;
    if (code != 0 || m_state != SessionState::Recording) return;
    m_timerClock.Stop();
    m_bPause = true;
    m_state = SessionState::Paused;
    EnableButton(m_btnPause, false);
    EnableButton(m_btnStartRecord, true);
    EnableBarButton(IRecordControlBar::kRecord, true);
    ShowBarButton(IRecordControlBar::kRecord, true);
    ShowBarButton(IRecordControlBar::kPause, false);
}

void CScreenRecorderDlg::OnRecordContinued(int code) {
    if (m_pending != Pending::Continuing) return;
    m_pending = Pending::None;
    if (code != 0 || m_state != SessionState::Paused) return;
    m_timerClock.Start(m_hWnd, TIMER_RECORD_CLOCK, 1000);
    EnableButton(m_btnPause, true);
    EnableButton(m_btnStartRecord, false);
    EnableBarButton(IRecordControlBar::kRecord, false);
    ShowBarButton(IRecordControlBar::kRecord, false);
    EnableBarButton(IRecordControlBar::kPause, true);
    ShowBarButton(IRecordControlBar::kPause, true);
    m_bPause = false;
    m_state = SessionState::Recording;
}

// ------------------------------------------------------------------ Stop

void CScreenRecorderDlg::StopCommand() {
    if (m_bPlayerMode) {
        if (m_player) m_player->Stop();
        m_timerPlayer.Stop();
        ShowPosition(0);
        ShowControl(IDC_MAIN_PAUSE, false);
        EnableButton(m_btnPause, false);
        ShowControl(IDC_MAIN_PLAY, true);
        EnableButton(m_btnPlay, true);
        return;
    }
    if ((m_state != SessionState::Recording && m_state != SessionState::Paused) || m_pending != Pending::None ||
        !m_recordThread)
        return;
    m_state = SessionState::Stopping;
    m_recordThread->Stop();
    m_timerClock.Stop();
    EnableButton(m_btnStop, false);
    EnableButton(m_btnPause, false);
    // A paused recording must not be continued while its file is being closed.
    EnableButton(m_btnStartRecord, false);
    EnableBarButton(IRecordControlBar::kRecord, false);
    EnableBarButton(IRecordControlBar::kPause, false);
    EnableBarButton(IRecordControlBar::kStop, false);
}

void CScreenRecorderDlg::OnRecordFinished() {
    if (!m_instanceRunning) return;
    m_instanceRunning = false;
    m_fileReserved = false;
    m_timerClock.Stop();
    if (m_recordThread) {
        m_recordThread->Join(2000);
        m_recordThread.reset();
    }
    // 1.
    if (m_bCloseAfterRecord) {
        m_state = SessionState::Idle;
        DestroyRecordingCompanions();
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    m_state = SessionState::Stopping;
    // 2.
    m_bPause = false;
    m_stcSize.SetText(LoadLanguageText(L"IDC_STC_SIZE") + vt::SizeText(m_strRecordFile.c_str()));
    SetButtonsIdle();
    // 3.
    if (::IsIconic(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOWNA);
    // 4.
    ShowBarButton(IRecordControlBar::kRecord, true);
    ShowBarButton(IRecordControlBar::kPause, false);
    EnableBarButton(IRecordControlBar::kStop, false);
    DestroyRecordingCompanions();
    ShowControl(IDC_MAIN_FILENAME_CAPTION, false);
    ShowControl(IDC_MAIN_FILENAME, false);
    RedrawInfoArea();
    // 5., 6.: waits as timers; the session counts as stopping until the folder shows.
    if (m_settings.common.bOpenFileAfterRecord)
        m_timerOpenFile.Start(m_hWnd, TIMER_OPEN_AFTER_RECORD, 1000);
    else
        m_timerShowFolder.Start(m_hWnd, TIMER_SHOW_FOLDER, 2000);
}

void CScreenRecorderDlg::FinishShowFolder() {
    // 6. The path quoted: a comma in it would end the /select argument.
    if (m_companions.openFileBrowser) m_companions.openFileBrowser(L"/select,\"" + m_strRecordFile + L"\"");
    // 7.
    if (!::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOW);
    if (::IsIconic(m_hWnd)) ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    ::SetForegroundWindow(m_hWnd);
    if (m_state == SessionState::Stopping) m_state = SessionState::Idle;
    if (m_closeDeferred && m_bCanOperate) EnableOperation();
}
