// The program's main window: a small skinned dialog at the bottom right of the work area
// that owns the settings record, the recording session and every companion window.
#pragma once

#include "app/Companions.h"
#include "app/EncoderApi.h"
#include "app/RecordThread.h"
#include "app/RecorderHost.h"
#include "config/RecorderSettings.h"
#include "config/Settings.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"
#include "toolkit/SkinControls.h"
#include "toolkit/Timer.h"

#include <memory>
#include <string>

class CScreenRecorderDlg : public vt::CDialog,
                           public IRecorderHost,
                           public ISettingsHost,
                           public ISettingsWindowHost {
public:
    // Timers of the main window.
    static constexpr UINT_PTR TIMER_UPDATE_CHECK = 1;
    static constexpr UINT_PTR TIMER_SHADOW = 2;
    static constexpr UINT_PTR TIMER_RECORD_CLOCK = 3;
    static constexpr UINT_PTR TIMER_PLAYER_POSITION = 5;
    // The waits after a recording, as timers so that the thread never blocks.
    static constexpr UINT_PTR TIMER_OPEN_AFTER_RECORD = 7;
    static constexpr UINT_PTR TIMER_SHOW_FOLDER = 8;

    CScreenRecorderDlg();
    ~CScreenRecorderDlg() override;

    // Before the window is created.
    void SetCompanions(Companions companions) { m_companions = std::move(companions); }
    void SetEncoderApi(const EncoderApi& api) { m_api = api; }

    // Language: switch and re-label the window; the language button's menu; a pick in it.
    bool ApplyLanguage(int languageId);
    void ShowLanguageMenu();
    void OnLanguageCommand(UINT id);

    // IRecorderHost
    HWND MainWindow() const override { return m_hWnd; }
    RecorderSettings& Settings() override { return m_settings; }
    SessionState State() const override { return m_state; }
    void StartCommand() override;
    void PauseCommand() override;
    void StopCommand() override;
    bool HasCameraWindow() const override { return m_cameraWindow != nullptr; }
    bool IsCameraWindowVisible() const override;
    void ShowCameraWindow(bool show) override;

    // ISettingsHost
    HWND SettingsWindow() const override { return m_hWnd; }
    void SetRegionTypeChecks(bool userDefined) override;
    void SetCaptureRect(const RECT& rect) override { m_rcRecord = rect; }

    // ISettingsWindowHost: the settings window's camera preview, shadow, update check,
    // overlay dialogs and web pages (IsCameraWindowVisible is IRecorderHost's).
    const ISettingsHost* SettingsHost() const override { return this; }
    bool CameraWindowExists() const override { return m_cameraWindow != nullptr; }
    bool CreateCameraWindow() override;
    bool SelectCamera(int deviceIndex) override;
    int CurrentCamera() const override { return m_cameraWindow ? m_cameraIndex : -1; }
    void ShowCameraWindow() override { ShowCameraWindow(true); }
    void HideCameraWindow() override { ShowCameraWindow(false); }
    void DestroyCameraWindow() override;
    void ShowShadow(bool show) override;
    void RunUpdateCheckNow(HWND owner) override;
    bool ShowTitleSettings(HWND owner) override;
    bool ShowWatermarkSettings(HWND owner) override;
    void OpenWebPage(const std::wstring& address) override;

    // The file being recorded (or recorded last).
    const std::wstring& RecordFile() const noexcept { return m_strRecordFile; }
    bool CanOperate() const noexcept { return m_bCanOperate; }

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape never end the dialog.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnMouse(UINT msg, POINT pt, UINT flags) override;
    bool OnClose() override;
    void OnDestroy() override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    enum class Pending { None, Pausing, Continuing };

    // Window
    void CreateControls();
    void SkinButton(CNButtonEx& button, int id, int x, int y, UINT png, int frames);
    void SkinLabel(CNStaticEx& label, int id, RECT rc, int height, int weight, UINT format, bool lineBreak);
    void PlaceWindow();
    void SetButtonsIdle();
    void SetButtonsStarting();
    void ShowControl(int id, bool show);
    void EnableButton(CNButtonEx& button, bool enabled);
    void RedrawInfoArea();
    void ApplyHotKeys();
    std::wstring AppName() const;
    int ShowMessage(const std::wstring& text, UINT type);
    void EndMainWindow();
    void EnableOperation();
    void CloseButton();
    void ShowFromTray();
    void TrayCallback(UINT mouseMessage);
    void TrayExit();
    void RegionTypeMenu();
    void OnFullScreenItem();
    void OnUserRegionItem();
    void OnSettingsButton();
    bool RunSettingsAndApply();
    SIZE ScreenSize() const;

    // Companions
    void SetUpRegionFrame(bool fullScreen, const RECT& rect, HWND window);
    void RemoveRegionFrame();
    bool CreateCameraInRect(int cameraIndex, const RECT& rect);
    void UpdateBarCameraButton();
    void EnableBarButton(int id, bool enabled);
    void ShowBarButton(int id, bool shown);

    // Recording session
    void BeginNewRecording();
    void ContinueRecording();
    void StartRecordThread();
    void OnRecordStarted(int code);
    void OnRecordPaused(int code);
    void OnRecordContinued(int code);
    void OnRecordFinished();
    void FinishShowFolder();
    void ClockTick();
    void DestroyRecordingCompanions();
    void FailStart(int code);

    // Player mode
    void OpenVideoFile();
    void OpenInPlayer(const std::wstring& path);
    void PlayCommand();
    void ClosePlayer();
    void PlayerFailed(const std::wstring& path);
    void PlayerTick();
    void SeekPlayer(int percent);
    void ShowPosition(double position);
    // The time label's text, its font fitted to the label.
    void SetTimeText(const std::wstring& text);
    void OnPlayerClosed();

    Companions m_companions;
    EncoderApi m_api;
    RecorderSettings m_settings{};

    // Session
    SessionState m_state = SessionState::Idle;
    Pending m_pending = Pending::None;
    bool m_instanceRunning = false;   // the encoder runs: from a good start until the file is closed
    bool m_bPause = false;
    bool m_bCanOperate = true;        // no modal step running
    bool m_bPlayerMode = false;
    bool m_bCloseAfterRecord = false;
    bool m_closeDeferred = false;     // WM_CLOSE came while it could not be served
    unsigned m_nRecordSeconds = 0;
    std::wstring m_strRecordFile;
    bool m_fileReserved = false;
    RECT m_rcRecord{};
    HWND m_hRecordWnd = nullptr;
    int m_recordSourceType = 0;
    std::unique_ptr<CRecordThread> m_recordThread;

    // Companions
    std::unique_ptr<IRegionFrame> m_regionFrame;
    std::unique_ptr<IRecordControlBar> m_controlBar;
    std::unique_ptr<ICameraWindow> m_cameraWindow;
    int m_cameraIndex = -1;  // opened in m_cameraWindow; -1 not known
    std::unique_ptr<IRecordingOverlays> m_overlays;
    std::unique_ptr<IVideoPlayer> m_player;
    std::unique_ptr<ITrayIcon> m_tray;
    std::unique_ptr<IWindowShadow> m_shadow;
    std::unique_ptr<IUpdateCheck> m_update;
    std::unique_ptr<IPopupMenu> m_languageMenu;  // while it is tracked
    std::wstring m_lastVideoPath;
    double m_mediaDuration = 0;

    // Look
    vt::CImage m_background;   // PNG 164: the window's size
    vt::CImage m_info;         // PNG 161
    vt::UniqueIcon m_bigIcon, m_smallIcon;
    vt::UniqueMenu m_regionMenu;  // 137
    vt::UniqueMenu m_trayMenu;    // 138
    vt::UniqueHwnd m_toolTip;

    CNButtonEx m_btnClose, m_btnMin, m_btnChangeLang;
    CNButtonEx m_btnOpenVideoFile, m_btnSetRegionType, m_btnStartRecord, m_btnPause, m_btnPlay, m_btnStop,
        m_btnSettings;
    CNSliderEx m_slider;
    CNStaticEx m_stcFileNameTip, m_stcFileName, m_stcTime, m_stcSize, m_stcTip;
    size_t m_timeTextLength = 0;

    vt::CTimer m_timerUpdate, m_timerShadow, m_timerClock, m_timerPlayer, m_timerOpenFile, m_timerShowFolder;
};
