// The main window itself: controls, painting, dragging, menus, hot keys, tray, close and
// language. The recording session is in RecordingSession.cpp, player mode in PlayerMode.cpp.
#include "app/ScreenRecorderDlg.h"

#include "app/Formatting.h"
#include "app/HotKeys.h"
#include "app/RecordSetup.h"
#include "app/RecorderMessages.h"
#include "app/TrayMenuStates.h"
#include "config/Language.h"
#include "resource.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"
#include "toolkit/Trace.h"
#include "toolkit/WebAddress.h"

#include <commctrl.h>

namespace {

constexpr wchar_t kDefaultTitle[] = L"Tarn Video Recorder";
constexpr wchar_t kLabelFace[] = L"Microsoft Sans Serif";
constexpr int kTimeFontHeight = 28;
constexpr int kTimeFontWeight = 600;
constexpr COLORREF kLabelColour = RGB(31, 41, 51);
constexpr RECT kTitleRect{26, 6, 200, 20};
constexpr POINT kInfoPicture{6, 35};

bool IsMouseMessage(UINT msg) {
    return msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP;
}

} // namespace

CScreenRecorderDlg::CScreenRecorderDlg()
    : vt::CDialog(IDD_SCREENRECORDER_DIALOG), m_companions(Companions::Default()), m_api(LibraryEncoderApi()) {}

CScreenRecorderDlg::~CScreenRecorderDlg() {
    // Destroyed here, while this is still the whole object, so that OnDestroy stops the
    // record thread and the hook.
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    if (RecorderHost() == this) SetRecorderHost(nullptr);
}

// ------------------------------------------------------------------ initialisation

BOOL CScreenRecorderDlg::OnInitDialog() {
    SetRecorderHost(this);
    // The name shows even when no language file can be applied.
    ::SetWindowTextW(m_hWnd, kDefaultTitle);
    // 1. Icons and pictures; the window takes the background's size and a rounded shape.
    const HINSTANCE instance = vt::ResourceInstance();
    m_bigIcon.Reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.Reset(static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                      ::GetSystemMetrics(SM_CXSMICON),
                                                      ::GetSystemMetrics(SM_CYSMICON), 0)));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
    vt::LoadImageResource(m_background, L"", 164);
    vt::LoadImageResource(m_info, L"", 161);
    const int w = m_background.IsNull() ? 244 : m_background.GetWidth();
    const int h = m_background.IsNull() ? 168 : m_background.GetHeight();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    vt::UniqueRgn region(::CreateRoundRectRgn(0, 0, w + 1, h + 1, 9, 9));
    vt::SetWindowRegion(m_hWnd, region);

    // 2. Menus, tray icon, controls, tooltip.
    m_regionMenu.Reset(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MENU_REGION)));
    m_trayMenu.Reset(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MENU_TRAY)));
    m_tray = m_companions.createTrayIcon(::GetSubMenu(m_trayMenu.Get(), 0));
    if (m_tray) m_tray->SetNotificationWnd(m_hWnd, WM_TRAY_CALLBACK);
    CreateControls();
    m_toolTip.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                      instance, nullptr));
    if (m_toolTip) {
        ::SendMessageW(m_toolTip.Get(), TTM_ACTIVATE, TRUE, 0);
        ::SendMessageW(m_toolTip.Get(), TTM_SETTIPTEXTCOLOR, RGB(0, 0, 255), 0);
    }

    // 3. Settings.
    LoadSettings(m_settings, this);
    // 4. Update check: timer 1 looks for its result.
    if (m_settings.common.bAutoUpdate) {
        m_update = m_companions.startUpdateCheck();
        m_timerUpdate.Start(m_hWnd, TIMER_UPDATE_CHECK, 200);
    }
    // 5., 6.
    SetButtonsIdle();
    ApplyLanguage(m_settings.nLanguage);
    // 7. Hot keys.
    InstallHotKeyHook(m_hWnd);
    ApplyHotKeys();
    // 8., 9.
    PlaceWindow();
    m_shadow = m_companions.createShadow(m_hWnd);
    // Timer 2 applies the setting; switched off already, a shadow never flashes before it.
    if (m_shadow && !m_settings.common.bShowShadow) m_shadow->SetEnabled(false);
    m_timerShadow.Start(m_hWnd, TIMER_SHADOW, 200);
    return TRUE;
}

void CScreenRecorderDlg::SkinButton(CNButtonEx& button, int id, int x, int y, UINT png, int frames) {
    button.SubclassDlgItem(id, m_hWnd);
    button.SetStateImage(L"", png, frames);
    ::SetWindowPos(button.GetSafeHwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CScreenRecorderDlg::SkinLabel(CNStaticEx& label, int id, RECT rc, int height, int weight, UINT format,
                                   bool lineBreak) {
    label.SubclassDlgItem(id, m_hWnd);
    label.SetFont(kLabelFace, height, weight);
    label.SetTextColor(kLabelColour);
    label.SetFormat(format);
    label.SetLineBreak(lineBreak);
    ::SetWindowPos(label.GetSafeHwnd(), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CScreenRecorderDlg::CreateControls() {
    SkinButton(m_btnClose, IDC_MAIN_CLOSE, 222, 7, 152, 3);
    SkinButton(m_btnMin, IDC_MAIN_MINIMISE, 200, 7, 153, 3);
    m_btnChangeLang.SubclassDlgItem(IDC_MAIN_LANGUAGE, m_hWnd);
    ::SetWindowPos(m_btnChangeLang.GetSafeHwnd(), nullptr, 170, 5, 22, 16, SWP_NOZORDER | SWP_NOACTIVATE);
    m_btnChangeLang.SetIconImage(L"", 177, LanguageFlagImage(CurrentLanguageId()), 4);
    SkinButton(m_btnOpenVideoFile, IDC_MAIN_OPEN_VIDEO, 6, 130, 154, 4);
    SkinButton(m_btnSetRegionType, IDC_MAIN_REGION_TYPE, 44, 130, 159, 4);
    SkinButton(m_btnStartRecord, IDC_MAIN_RECORD, 90, 130, 157, 4);
    SkinButton(m_btnPause, IDC_MAIN_PAUSE, 128, 130, 155, 4);
    SkinButton(m_btnPlay, IDC_MAIN_PLAY, 129, 130, 156, 4);
    SkinButton(m_btnStop, IDC_MAIN_STOP, 166, 130, 160, 4);
    SkinButton(m_btnSettings, IDC_MAIN_SETTINGS, 204, 130, 151, 4);

    m_slider.Create(m_hWnd, IDC_MAIN_POSITION, 7, 103, 229, 15);
    m_slider.SetImage(L"", 178);
    m_slider.SetRange(0, 100);
    ::EnableWindow(m_slider.GetSafeHwnd(), FALSE);

    SkinLabel(m_stcFileNameTip, IDC_MAIN_FILENAME_CAPTION, vt::RectXYWH(8, 35, 80, 20), 16, 400, DT_SINGLELINE, false);
    SkinLabel(m_stcFileName, IDC_MAIN_FILENAME, vt::RectXYWH(8, 60, 80, 30), 14, 400, DT_CENTER | DT_VCENTER, true);
    SkinLabel(m_stcTime, IDC_MAIN_TIME, vt::RectXYWH(94, 36, 130, 30), kTimeFontHeight, kTimeFontWeight,
              DT_SINGLELINE | DT_CENTER, false);
    SkinLabel(m_stcSize, IDC_MAIN_SIZE, vt::RectXYWH(94, 65, 130, 18), 14, 400, DT_SINGLELINE | DT_CENTER, false);
    SkinLabel(m_stcTip, IDC_MAIN_TIP, vt::RectXYWH(8, 50, 80, 20), 18, 400, DT_SINGLELINE, false);
    SetTimeText(L"00:00");
}

void CScreenRecorderDlg::SetTimeText(const std::wstring& text) {
    // Player mode's "position/length" is twice as wide as the clock the label was made for:
    // the font shrinks until the whole text fits instead of ending in an ellipsis. Figures
    // are equally wide, so only a new length is measured again.
    if (text.size() != m_timeTextLength) {
        m_timeTextLength = text.size();
        RECT rc{};
        ::GetClientRect(m_stcTime.GetSafeHwnd(), &rc);
        vt::WindowDc dc(m_stcTime.GetSafeHwnd());
        int height = kTimeFontHeight;
        for (; dc.Get() && height > kTimeFontHeight / 2; --height) {
            const LOGFONTW lf = vt::SkinLogFont(kLabelFace, height, kTimeFontWeight);
            vt::UniqueFont font(::CreateFontIndirectW(&lf));
            const HGDIOBJ old = ::SelectObject(dc.Get(), font.Get());
            SIZE size{};
            ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
            ::SelectObject(dc.Get(), old);
            if (size.cx <= rc.right - rc.left) break;
        }
        m_stcTime.SetFont(kLabelFace, height, kTimeFontWeight);
    }
    m_stcTime.SetText(text);
}

void CScreenRecorderDlg::PlaceWindow() {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    const POINT at = MainWindowPosition(work, SIZE{rc.right - rc.left, rc.bottom - rc.top});
    ::SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CScreenRecorderDlg::ApplyHotKeys() {
    HotKeys().SetKeys(m_settings.advanced.nHotkeyStart, m_settings.advanced.nHotkeyPause,
                      m_settings.advanced.nHotkeyStop);
}

SIZE CScreenRecorderDlg::ScreenSize() const {
    vt::WindowDc screen(nullptr);
    return SIZE{::GetDeviceCaps(screen.Get(), HORZRES), ::GetDeviceCaps(screen.Get(), VERTRES)};
}

// ------------------------------------------------------------------ buttons and labels

void CScreenRecorderDlg::EnableButton(CNButtonEx& button, bool enabled) {
    button.Enable(enabled);
}

void CScreenRecorderDlg::ShowControl(int id, bool show) {
    if (HWND child = ::GetDlgItem(m_hWnd, id)) ::ShowWindow(child, show ? SW_SHOWNA : SW_HIDE);
}

void CScreenRecorderDlg::SetButtonsIdle() {
    EnableButton(m_btnOpenVideoFile, true);
    EnableButton(m_btnSetRegionType, true);
    EnableButton(m_btnStartRecord, true);
    ShowControl(IDC_MAIN_PLAY, false);
    ShowControl(IDC_MAIN_PAUSE, true);
    EnableButton(m_btnPause, false);
    EnableButton(m_btnStop, false);
    EnableButton(m_btnSettings, true);
}

void CScreenRecorderDlg::SetButtonsStarting() {
    EnableButton(m_btnOpenVideoFile, false);
    EnableButton(m_btnSetRegionType, false);
    EnableButton(m_btnStartRecord, false);
    ShowControl(IDC_MAIN_PLAY, false);
    ShowControl(IDC_MAIN_PAUSE, true);
    EnableButton(m_btnPause, true);
    EnableButton(m_btnStop, true);
    EnableButton(m_btnSettings, false);
}

void CScreenRecorderDlg::RedrawInfoArea() {
    // The picture under the file name shows only while neither caption nor tip does, and
    // the labels copy what lies under them when they first draw: the window repaints
    // first, then the children over it.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

std::wstring CScreenRecorderDlg::AppName() const {
    std::wstring name = LoadLanguageText(L"ID_APP_NAME");
    return name.empty() ? std::wstring(kDefaultTitle) : name;
}

int CScreenRecorderDlg::ShowMessage(const std::wstring& text, UINT type) {
    return ::MessageBoxW(m_hWnd, text.c_str(), AppName().c_str(), type);
}

// ------------------------------------------------------------------ painting and input

bool CScreenRecorderDlg::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (::IsRectEmpty(&rc)) return true;
    vt::OffscreenDc off(pdc.Get(), rc);
    HDC dc = off.Get();
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (!m_background.IsNull()) m_background.Draw(dc, rc);
    if (!::IsWindowVisible(m_stcFileNameTip.GetSafeHwnd()) && !::IsWindowVisible(m_stcTip.GetSafeHwnd()) &&
        !m_info.IsNull())
        m_info.Draw(dc, vt::RectXYWH(kInfoPicture.x, kInfoPicture.y, m_info.GetWidth(), m_info.GetHeight()));
    vt::DrawSkinText(dc, kTitleRect, vt::WindowText(m_hWnd), RGB(255, 255, 255), kLabelFace, 14, 600,
                     DT_SINGLELINE | DT_LEFT, false);
    return true;
}

bool CScreenRecorderDlg::OnMouse(UINT msg, POINT pt, UINT) {
    // The title strip drags the window.
    if (msg == WM_LBUTTONDOWN && pt.y < 31) {
        POINT screen = pt;
        ::ClientToScreen(m_hWnd, &screen);
        ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
        return true;
    }
    return false;
}

bool CScreenRecorderDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        // Swallowed, so that the dialog manager never ends the window with them.
        if (m_state == SessionState::Idle) RemoveRegionFrame();
        return true;
    }
    if (m_toolTip && IsMouseMessage(msg->message))
        ::SendMessageW(m_toolTip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return false;
}

LRESULT CScreenRecorderDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            CloseButton();
            return 0;
        }
        break;
    case WM_HELP:
        return TRUE;
    case WM_RECORD_STARTED:
        OnRecordStarted(static_cast<int>(static_cast<unsigned>(wParam)));
        return 0;
    case WM_RECORD_FINISHED:
        OnRecordFinished();
        return 0;
    case WM_RECORD_PAUSED:
        OnRecordPaused(static_cast<int>(static_cast<unsigned>(wParam)));
        return 0;
    case WM_RECORD_CONTINUED:
        OnRecordContinued(static_cast<int>(static_cast<unsigned>(wParam)));
        return 0;
    case WM_HOTKEY_START:
        if (m_bCanOperate && !m_bPlayerMode && ::IsWindowEnabled(m_btnStartRecord.GetSafeHwnd())) StartCommand();
        return 0;
    case WM_HOTKEY_PAUSE:
        if (m_bCanOperate && !m_bPlayerMode) PauseCommand();
        return 0;
    case WM_HOTKEY_STOP:
        if (m_bCanOperate && !m_bPlayerMode &&
            (m_state == SessionState::Recording || m_state == SessionState::Paused))
            StopCommand();
        return 0;
    case WM_TRAY_CALLBACK:
        TrayCallback(static_cast<UINT>(lParam));
        return 0;
    case WM_PLAYER_CLOSED:
        OnPlayerClosed();
        return 0;
    case WM_CAMERA_HIDE:
        if (m_cameraWindow) m_cameraWindow->Show(false);
        return 0;
    case WM_REMOVE_REGION_FRAME:
        RemoveRegionFrame();
        return 0;
    case WM_SKIN_SLIDER_CHANGED:
        SeekPlayer(static_cast<int>(wParam));
        return 0;
    case WM_MEASUREITEM:
        if (auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            mis && mis->CtlType == ODT_MENU && m_languageMenu && m_languageMenu->MeasureItem(*mis))
            return TRUE;
        break;
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            dis && dis->CtlType == ODT_MENU && m_languageMenu && m_languageMenu->DrawItem(*dis))
            return TRUE;
        break;
    default:
        break;
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

bool CScreenRecorderDlg::OnCommand(WPARAM wParam, LPARAM) {
    const UINT id = LOWORD(wParam);
    if (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST) {
        OnLanguageCommand(id);
        return true;
    }
    switch (id) {
    case IDC_MAIN_CLOSE: CloseButton(); return true;
    case IDC_MAIN_MINIMISE: ::ShowWindow(m_hWnd, SW_MINIMIZE); return true;
    case IDC_MAIN_OPEN_VIDEO: OpenVideoFile(); return true;
    case IDC_MAIN_REGION_TYPE: RegionTypeMenu(); return true;
    case IDC_MAIN_RECORD: StartCommand(); return true;
    case IDC_MAIN_PAUSE: PauseCommand(); return true;
    case IDC_MAIN_STOP: StopCommand(); return true;
    case IDC_MAIN_PLAY: PlayCommand(); return true;
    case IDC_MAIN_SETTINGS: OnSettingsButton(); return true;
    case IDC_MAIN_LANGUAGE: ShowLanguageMenu(); return true;
    case ID_POPMENU_FULLSCREEN: OnFullScreenItem(); return true;
    case ID_POPMENU_REGION: OnUserRegionItem(); return true;
    case ID_MENU_TRAY_SHOWMAIN: ShowFromTray(); return true;
    case ID_MENU_TRAY_START: StartCommand(); return true;
    case ID_MENU_TRAY_PAUSE: PauseCommand(); return true;
    case ID_MENU_TRAY_STOP: StopCommand(); return true;
    case ID_MENU_TRAY_EXIT: TrayExit(); return true;
    default: return false;
    }
}

bool CScreenRecorderDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_UPDATE_CHECK:
        if (!m_update || m_update->Poll(m_hWnd)) {
            m_timerUpdate.Stop();
            m_update.reset();
        }
        return true;
    case TIMER_SHADOW:
        m_timerShadow.Stop();
        if (m_shadow) m_shadow->SetEnabled(m_settings.common.bShowShadow != 0);
        return true;
    case TIMER_RECORD_CLOCK:
        ClockTick();
        return true;
    case TIMER_PLAYER_POSITION:
        PlayerTick();
        return true;
    case TIMER_OPEN_AFTER_RECORD:
        m_timerOpenFile.Stop();
        OpenInPlayer(m_strRecordFile);
        m_timerShowFolder.Start(m_hWnd, TIMER_SHOW_FOLDER, 2000);
        return true;
    case TIMER_SHOW_FOLDER:
        m_timerShowFolder.Stop();
        FinishShowFolder();
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------------------------ region-type menu

void CScreenRecorderDlg::SetRegionTypeChecks(bool userDefined) {
    HMENU menu = ::GetSubMenu(m_regionMenu.Get(), 0);
    if (!menu) return;
    ::CheckMenuItem(menu, ID_POPMENU_FULLSCREEN, MF_BYCOMMAND | (userDefined ? MF_UNCHECKED : MF_CHECKED));
    ::CheckMenuItem(menu, ID_POPMENU_REGION, MF_BYCOMMAND | (userDefined ? MF_CHECKED : MF_UNCHECKED));
}

void CScreenRecorderDlg::RegionTypeMenu() {
    if (m_state != SessionState::Idle || !m_bCanOperate) return;
    HMENU menu = ::GetSubMenu(m_regionMenu.Get(), 0);
    RECT rc{};
    ::GetWindowRect(m_btnSetRegionType.GetSafeHwnd(), &rc);
    ::TrackPopupMenu(menu, 0, rc.left, rc.bottom + 2, 0, m_hWnd, nullptr);
}

void CScreenRecorderDlg::OnFullScreenItem() {
    if (m_state != SessionState::Idle || !m_bCanOperate) return;
    SetRegionTypeChecks(false);
    m_settings.video.nRecordRegion = kRecordRegionFullScreen;
    if (m_settings.video.nRecordObject == kRecordObjectCamera) m_settings.video.nRecordObject = kRecordObjectScreen;
    m_rcRecord = RECT{};
    m_hRecordWnd = nullptr;
    SetUpRegionFrame(true, m_rcRecord, nullptr);
    ClosePlayer();
    DestroyCameraWindow();
    if (m_settings.video.nRecordObject & kRecordObjectScreenWithCamera) {
        const int index = m_companions.cameraIndexByName(m_settings.video.szCameraName);
        const SIZE screen = ScreenSize();
        if (index >= 0 && CreateCameraInRect(index, vt::RectXYWH(screen.cx - 160, screen.cy - 120, 160, 120)))
            EnableBarButton(IRecordControlBar::kCamera, true);
    }
}

void CScreenRecorderDlg::OnUserRegionItem() {
    if (m_state != SessionState::Idle || !m_bCanOperate) return;
    const bool hadCamera = m_cameraWindow != nullptr;
    if (hadCamera) m_cameraWindow->Show(false);
    const bool hadFrame = m_regionFrame != nullptr;
    RemoveRegionFrame();
    ClosePlayer();
    m_bCanOperate = false;
    RegionSelectionRequest request;
    request.mainWindow = m_hWnd;
    request.preset = m_settings.common.bUseDefaultRecordSize != 0;
    request.defaultWidth = m_settings.common.nDefaultRecordWidth;
    request.defaultHeight = m_settings.common.nDefaultRecordHeight;
    const RegionSelectionResult result = m_companions.runRegionSelection(request);
    if (result.code == kRegionSelectionOk || result.code == kRegionSelectionRecordNow) {
        SetRegionTypeChecks(true);
        m_rcRecord = result.rect;
        m_hRecordWnd = result.window;
        m_settings.video.nRecordRegion = kRecordRegionUserDefined;
        if (m_settings.video.nRecordObject == kRecordObjectCamera) m_settings.video.nRecordObject = kRecordObjectScreen;
        SetUpRegionFrame(false, m_rcRecord, m_hRecordWnd);
        DestroyCameraWindow();
        if (result.code == kRegionSelectionOk) {
            if (m_settings.video.nRecordObject & kRecordObjectScreenWithCamera) {
                const int index = m_companions.cameraIndexByName(m_settings.video.szCameraName);
                if (index >= 0 && CreateCameraInRect(index, CameraRectInRegion(m_rcRecord)))
                    EnableBarButton(IRecordControlBar::kCamera, true);
            }
        } else {
            EnableOperation();
            StartCommand();
            return;
        }
    } else {
        if (hadCamera && m_cameraWindow) m_cameraWindow->Show(true);
        if (hadFrame) {
            if (m_settings.video.nRecordRegion == kRecordRegionUserDefined)
                SetUpRegionFrame(false, m_rcRecord, m_hRecordWnd);
            else
                SetUpRegionFrame(true, m_rcRecord, nullptr);
        }
    }
    EnableOperation();
}

// ------------------------------------------------------------------ settings

bool CScreenRecorderDlg::RunSettingsAndApply() {
    if (m_companions.runSettingsWindow(m_hWnd, m_settings, *this) != IDOK) return false;
    SetRegionTypeChecks(m_settings.video.nRecordRegion == kRecordRegionUserDefined);
    ApplyHotKeys();
    // Restoring the defaults takes the system's language: the window follows the record.
    if (m_settings.nLanguage != CurrentLanguageId() && !ApplyLanguage(m_settings.nLanguage))
        m_settings.nLanguage = CurrentLanguageId();
    if ((m_settings.video.nRecordObject & kRecordObjectCamera) && m_cameraWindow) {
        m_hRecordWnd = m_cameraWindow->PictureWindow();
        ::GetWindowRect(m_hRecordWnd, &m_rcRecord);
        m_settings.video.nRecordRegion = kRecordRegionUserDefined;
        SetUpRegionFrame(false, m_rcRecord, m_hRecordWnd);
    } else if (!(m_settings.video.nRecordObject & kRecordObjectScreenWithCamera)) {
        DestroyCameraWindow();
        m_controlBar.reset();
    }
    return true;
}

bool CScreenRecorderDlg::CreateCameraWindow() {
    if (!m_cameraWindow) {
        m_cameraWindow = m_companions.createCameraWindow(true);
        m_cameraIndex = -1;
        UpdateBarCameraButton();
    }
    return m_cameraWindow != nullptr;
}

bool CScreenRecorderDlg::SelectCamera(int deviceIndex) {
    if (!m_cameraWindow) return false;
    const bool opened = m_cameraWindow->SelectCamera(deviceIndex);
    m_cameraIndex = opened ? deviceIndex : -1;
    return opened;
}

void CScreenRecorderDlg::ShowShadow(bool show) {
    if (m_shadow) m_shadow->SetEnabled(show);
}

void CScreenRecorderDlg::RunUpdateCheckNow(HWND owner) {
    if (m_companions.checkForUpdatesNow) m_companions.checkForUpdatesNow(owner);
}

bool CScreenRecorderDlg::ShowTitleSettings(HWND owner) {
    return m_companions.runTitleSettings && m_companions.runTitleSettings(owner);
}

bool CScreenRecorderDlg::ShowWatermarkSettings(HWND owner) {
    return m_companions.runWatermarkSettings && m_companions.runWatermarkSettings(owner);
}

void CScreenRecorderDlg::OpenWebPage(const std::wstring& address) {
    vt::OpenWebAddress(address);
}

void CScreenRecorderDlg::OnSettingsButton() {
    if (m_state != SessionState::Idle || !m_bCanOperate) return;
    m_bCanOperate = false;
    RunSettingsAndApply();
    EnableOperation();
}

// ------------------------------------------------------------------ close, tray

void CScreenRecorderDlg::EnableOperation() {
    m_bCanOperate = true;
    // A close asked for while a modal step ran is served now.
    if (m_closeDeferred && m_state != SessionState::Stopping) {
        m_closeDeferred = false;
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    }
}

void CScreenRecorderDlg::EndMainWindow() {
    if (IsModal())
        EndDialog(IDOK);
    else
        PostDestroy();
}

void CScreenRecorderDlg::CloseButton() {
    if (m_settings.common.bCloseToTray) {
        // Hidden only with the icon in the tray: otherwise nothing would bring it back. An
        // icon the shell has lost since fails to change and is added afresh.
        const std::wstring tip = vt::WindowText(m_hWnd);
        if (m_tray && (m_tray->SetIcon(m_smallIcon.Get(), tip) || m_tray->SetIcon(m_smallIcon.Get(), tip)))
            ::ShowWindow(m_hWnd, SW_HIDE);
        else
            ::ShowWindow(m_hWnd, SW_MINIMIZE);
        return;
    }
    ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
}

bool CScreenRecorderDlg::OnClose() {
    vt::Trace(L"OnClose IN");
    const bool finishing = m_state == SessionState::Stopping && !m_instanceRunning;
    if (!m_bCanOperate || finishing) {
        // A modal step runs, or the last recording is still being wrapped up: later.
        m_closeDeferred = true;
    } else if (m_state != SessionState::Idle) {
        if (!m_bCloseAfterRecord) {
            const int answer = ShowMessage(LoadLanguageText(L"IDS_CLOSEAPP_WHEN_RECORD"), MB_OKCANCEL | MB_ICONQUESTION);
            if (answer == IDOK) {
                if (m_state == SessionState::Idle) {
                    // The recording ended while the question was open.
                    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
                } else if (m_state == SessionState::Stopping && !m_instanceRunning) {
                    m_closeDeferred = true;
                } else {
                    m_bCloseAfterRecord = true;
                    if (m_state == SessionState::Recording || m_state == SessionState::Paused) {
                        m_state = SessionState::Stopping;
                        m_timerClock.Stop();
                    }
                    // While starting, the thread stops as soon as the encoder runs.
                    if (m_recordThread) m_recordThread->Stop();
                }
            }
        }
    } else {
        RemoveHotKeyHook();
        RemoveRegionFrame();
        DestroyCameraWindow();
        ClosePlayer();
        SaveSettings(m_settings);
        if (m_tray) m_tray->SetIcon(nullptr, std::wstring());
        m_tray.reset();
        EndMainWindow();
    }
    vt::Trace(L"OnClose OUT");
    return true;
}

void CScreenRecorderDlg::OnDestroy() {
    // Nothing may outlive the window that the thread reports to.
    if (m_recordThread) {
        m_recordThread->Stop();
        m_recordThread->Join(5000);
        m_recordThread.reset();
    }
    m_timerUpdate.Stop();
    m_timerShadow.Stop();
    m_timerClock.Stop();
    m_timerPlayer.Stop();
    m_timerOpenFile.Stop();
    m_timerShowFolder.Stop();
    DestroyRecordingCompanions();
    ClosePlayer();
    m_shadow.reset();
    if (m_tray) m_tray->SetIcon(nullptr, std::wstring());
    m_tray.reset();
    m_update.reset();
    if (HotKeyHookInstalled()) RemoveHotKeyHook();
    // The tooltip is owned by this window and went before it: its handle is no longer ours.
    if (::IsWindow(m_toolTip.Get()))
        m_toolTip.Reset();
    else
        m_toolTip.Release();
    if (RecorderHost() == this) SetRecorderHost(nullptr);
    vt::CDialog::OnDestroy();
}

void CScreenRecorderDlg::ShowFromTray() {
    if (!::IsWindowVisible(m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    if (::IsIconic(m_hWnd)) ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    ::SetForegroundWindow(m_hWnd);
}

void CScreenRecorderDlg::TrayCallback(UINT mouseMessage) {
    // The icon shows the menu on the button's release and turns a double click into the
    // menu's first command (Show) itself; here only the items' states are set. A quick
    // second press comes as a double click, and its release shows the menu too.
    if (mouseMessage != WM_RBUTTONDOWN && mouseMessage != WM_RBUTTONDBLCLK) return;
    HMENU menu = ::GetSubMenu(m_trayMenu.Get(), 0);
    const TrayMenuStates states = TrayMenuStatesFor(m_state, m_pending != Pending::None || !m_bCanOperate);
    const auto set = [menu](UINT id, bool enabled) {
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
    };
    set(ID_MENU_TRAY_START, states.start);
    set(ID_MENU_TRAY_PAUSE, states.pause);
    set(ID_MENU_TRAY_STOP, states.stop);
}

namespace {
struct AppBoxSearch {
    HWND owner;
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK FindAppBox(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<AppBoxSearch*>(lParam);
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0 && ::GetWindow(hwnd, GW_OWNER) == search->owner &&
        !search->title.empty() && vt::WindowText(hwnd) == search->title) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

void CScreenRecorderDlg::TrayExit() {
    m_companions.endSettingsWindow();
    // A message box of ours still open is answered first (found by owner, not by title alone).
    AppBoxSearch search{m_hWnd, AppName()};
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindAppBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) ::SendMessageW(search.found, WM_CLOSE, 1, 0);
    ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
}

// ------------------------------------------------------------------ language

bool CScreenRecorderDlg::ApplyLanguage(int languageId) {
    const std::wstring path = SelectLanguageFile(languageId);
    WIN32_FIND_DATAW data{};
    vt::UniqueFindHandle find(path.empty() ? INVALID_HANDLE_VALUE : ::FindFirstFileW(path.c_str(), &data));
    if (!find) return false;
    m_settings.nLanguage = CurrentLanguageId();

    std::wstring title = LoadLanguageText(L"ID_APP_NAME");
    if (title.empty()) title = kDefaultTitle;
    ::SetWindowTextW(m_hWnd, title.c_str());
    ::RedrawWindow(m_hWnd, &kTitleRect, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    if (m_tray) m_tray->SetTip(title);

    m_btnChangeLang.SetIconIndex(LanguageFlagImage(CurrentLanguageId()));

    m_stcSize.SetText(LoadLanguageText(L"IDC_STC_SIZE") + L"0KB");
    m_stcFileNameTip.SetText(LoadLanguageText(L"IDC_STATIC_FILENAME_TIP"));

    if (HMENU region = ::GetSubMenu(m_regionMenu.Get(), 0)) {
        ::ModifyMenuW(region, ID_POPMENU_FULLSCREEN, MF_BYCOMMAND | MF_STRING, ID_POPMENU_FULLSCREEN,
                      LoadLanguageText(L"IDR_POPMENU_FULLSCREEN").c_str());
        ::ModifyMenuW(region, ID_POPMENU_REGION, MF_BYCOMMAND | MF_STRING, ID_POPMENU_REGION,
                      LoadLanguageText(L"IDR_POPMENU_REGION").c_str());
        SetRegionTypeChecks(m_settings.video.nRecordRegion == kRecordRegionUserDefined);
    }
    if (HMENU tray = ::GetSubMenu(m_trayMenu.Get(), 0)) {
        const struct {
            UINT id;
            const wchar_t* key;
        } items[] = {{ID_MENU_TRAY_SHOWMAIN, L"IDR_MENU_TRAY_SHOWMAIN"},
                     {ID_MENU_TRAY_START, L"IDR_MENU_TRAY_START"},
                     {ID_MENU_TRAY_PAUSE, L"IDR_MENU_TRAY_PAUSE"},
                     {ID_MENU_TRAY_STOP, L"IDR_MENU_TRAY_STOP"},
                     {ID_MENU_TRAY_EXIT, L"IDR_MENU_TRAY_EXIT"}};
        for (const auto& item : items) {
            const UINT state = ::GetMenuState(tray, item.id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
            ::ModifyMenuW(tray, item.id, MF_BYCOMMAND | MF_STRING | state, item.id,
                          LoadLanguageText(item.key).c_str());
        }
    }

    const struct {
        CNButtonEx* button;
        const wchar_t* key;
    } tips[] = {{&m_btnOpenVideoFile, L"m_btnOpenVideoFile"}, {&m_btnStartRecord, L"m_btnStartRecord"},
                {&m_btnSetRegionType, L"m_btnSetRegionType"}, {&m_btnPlay, L"m_btnPlay"},
                {&m_btnPause, L"m_btnPause"},                 {&m_btnStop, L"m_btnStop"},
                {&m_btnChangeLang, L"m_btnChangeLang"},       {&m_btnSettings, L"m_btnSettings"}};
    for (const auto& tip : tips) tip.button->SetToolTipText(true, LoadLanguageText(tip.key));
    m_btnChangeLang.Enable(true);

    if (m_player) m_player->ApplyLanguage();
    return true;
}

void CScreenRecorderDlg::ShowLanguageMenu() {
    const std::vector<LanguageEntry> list = LanguageList();
    if (list.empty()) return;
    std::unique_ptr<IPopupMenu> menu = m_companions.createMenu(163);
    if (!menu) return;
    for (size_t i = 0; i < list.size(); ++i) {
        wchar_t name[1024] = {};
        ::GetPrivateProfileStringW(L"General Settings", L"Language", L"", name, 1024, list[i].path.c_str());
        std::wstring text = name;
        if (text.empty()) text = vt::Format(L"Language %d", menu->ItemCount());
        const UINT id = ID_LANGUAGE_FIRST + static_cast<UINT>(i);
        menu->AppendItem(id, text, LanguageFlagImage(list[i].id));
        if (list[i].id == CurrentLanguageId()) menu->CheckItem(id, true);
        if (i + 1 < list.size()) menu->AppendSeparator();
    }
    RECT rc{};
    ::GetWindowRect(m_btnChangeLang.GetSafeHwnd(), &rc);
    // Kept while it shows, so that its items can be measured and drawn.
    m_languageMenu = std::move(menu);
    m_languageMenu->Track(m_hWnd, POINT{rc.left, rc.bottom + 2}, TPM_LEFTALIGN | TPM_TOPALIGN);
    m_languageMenu.reset();
}

void CScreenRecorderDlg::OnLanguageCommand(UINT id) {
    if (id < ID_LANGUAGE_FIRST || id > ID_LANGUAGE_LAST) return;
    const std::vector<LanguageEntry> list = LanguageList();
    const size_t index = id - ID_LANGUAGE_FIRST;
    if (index < list.size()) ApplyLanguage(list[index].id);
}
