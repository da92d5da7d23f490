// Player mode of the main window: a recorded file opened in the built-in player, steered
// by the main window's buttons and slider.
#include "app/ScreenRecorderDlg.h"

#include "app/Formatting.h"
#include "app/RecordSetup.h"
#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "resource.h"

#include <cmath>

void CScreenRecorderDlg::OpenVideoFile() {
    if (m_state != SessionState::Idle || !m_bCanOperate || !m_companions.chooseVideoFile) return;
    const std::vector<wchar_t> filter = FileDialogFilter(LoadLanguageText(L"IDS_PLAYER_FILTER"));
    std::wstring folder = m_lastVideoPath.empty() ? std::wstring(m_settings.video.szOutDir) : m_lastVideoPath;
    if (!m_lastVideoPath.empty()) {
        const size_t slash = folder.find_last_of(L"\\/");
        if (slash != std::wstring::npos) folder.resize(slash);
    }
    std::wstring path;
    m_bCanOperate = false;
    const bool chosen = m_companions.chooseVideoFile(m_hWnd, filter.empty() ? nullptr : filter.data(), folder, path);
    EnableOperation();
    if (!chosen) return;
    ::ShowWindow(m_hWnd, SW_MINIMIZE);
    m_lastVideoPath = path;
    OpenInPlayer(path);
}

void CScreenRecorderDlg::OpenInPlayer(const std::wstring& path) {
    RemoveRegionFrame();
    DestroyCameraWindow();
    if (!m_player) m_player = m_companions.createPlayer(m_hWnd);
    bool loaded = false;
    if (m_player) {
        ::ShowWindow(m_player->Window(), SW_HIDE);
        m_timerPlayer.Stop();
        loaded = m_player->PlayFile(path);
    }
    if (!loaded) {
        m_lastVideoPath.clear();
        PlayerFailed(path);
        return;
    }
    m_lastVideoPath = path;
    m_mediaDuration = std::trunc(m_player->Duration());
    m_stcSize.SetText(LoadLanguageText(L"IDC_STC_SIZE") + vt::SizeText(path.c_str()));
    m_slider.SetValue(0);
    std::wstring name = vt::NamePartOfPath(path);
    if (const size_t dot = name.rfind(L'.'); dot != std::wstring::npos) name.resize(dot);
    m_stcFileName.SetText(name);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    ShowControl(IDC_MAIN_FILENAME_CAPTION, true);
    ShowControl(IDC_MAIN_FILENAME, true);
    RedrawInfoArea();
    EnableButton(m_btnOpenVideoFile, true);
    EnableButton(m_btnSetRegionType, false);
    EnableButton(m_btnStartRecord, false);
    EnableButton(m_btnSettings, false);
    ShowControl(IDC_MAIN_PLAY, true);
    EnableButton(m_btnPlay, true);
    ShowControl(IDC_MAIN_PAUSE, false);
    EnableButton(m_btnPause, false);
    EnableButton(m_btnStop, false);
    PlayCommand();
}

void CScreenRecorderDlg::PlayCommand() {
    if (!m_player) return;
    HWND window = m_player->Window();
    if (window && !::IsWindowVisible(window)) ::ShowWindow(window, SW_SHOWNORMAL);
    if (window) ::SetForegroundWindow(window);
    if (!m_player->Play()) {
        // A file that does not play leaves nothing half-started.
        m_player->Stop();
        if (window) ::ShowWindow(window, SW_HIDE);
        PlayerFailed(m_lastVideoPath);
        return;
    }
    // Some players know the length only once playback has begun.
    if (const double d = std::trunc(m_player->Duration()); d > 0) m_mediaDuration = d;
    m_timerPlayer.Start(m_hWnd, TIMER_PLAYER_POSITION, 1000);
    EnableButton(m_btnOpenVideoFile, true);
    EnableButton(m_btnSetRegionType, false);
    EnableButton(m_btnStartRecord, false);
    EnableButton(m_btnSettings, false);
    EnableButton(m_btnPlay, false);
    ShowControl(IDC_MAIN_PLAY, false);
    EnableButton(m_btnPause, true);
    ShowControl(IDC_MAIN_PAUSE, true);
    EnableButton(m_btnStop, true);
    m_bPlayerMode = true;
}

void CScreenRecorderDlg::ClosePlayer() {
    m_timerPlayer.Stop();
    if (m_player) m_player->Stop();
    m_player.reset();
    m_bPlayerMode = false;
}

void CScreenRecorderDlg::PlayerFailed(const std::wstring& path) {
    m_timerPlayer.Stop();
    m_bPlayerMode = false;
    ShowPosition(0);
    SetButtonsIdle();
    ShowControl(IDC_MAIN_FILENAME_CAPTION, false);
    ShowControl(IDC_MAIN_FILENAME, false);
    RedrawInfoArea();
    // No hot key or tray command runs while the box is open.
    const bool couldOperate = m_bCanOperate;
    m_bCanOperate = false;
    ShowMessage(FormatLanguageText(LoadLanguageText(L"IDS_PLAYER_OPEN_FAILED"), path), MB_OK | MB_ICONERROR);
    if (couldOperate) EnableOperation();
}

void CScreenRecorderDlg::PlayerTick() {
    if (!m_player || m_player->PlayState() == IVideoPlayer::kStopped) {
        StopCommand();
        return;
    }
    if (m_mediaDuration <= 0) m_mediaDuration = std::trunc(m_player->Duration());
    ShowPosition(m_player->CurrentPosition());
}

void CScreenRecorderDlg::SeekPlayer(int percent) {
    // An unknown length gives no place to go to.
    if (!m_player || !m_bPlayerMode || m_mediaDuration <= 0) return;
    m_player->SetCurrentPosition(m_mediaDuration * percent / 100);
    ShowPosition(m_player->CurrentPosition());
}

void CScreenRecorderDlg::ShowPosition(double position) {
    const double d = m_mediaDuration;
    // Without a length there is no place to show.
    const double p = d > 0 ? std::trunc(position) : 0;
    m_slider.SetValue(PlayerSliderPercent(p, d));
    const unsigned ps = p > 0 ? static_cast<unsigned>(p) : 0;
    const unsigned ds = d > 0 ? static_cast<unsigned>(d) : 0;
    SetTimeText(vt::TimeText(ps) + L"/" + vt::TimeText(ds));
}

void CScreenRecorderDlg::OnPlayerClosed() {
    m_timerPlayer.Stop();
    ShowPosition(0);
    SetButtonsIdle();
    ShowControl(IDC_MAIN_PAUSE, false);
    ShowControl(IDC_MAIN_PLAY, true);
    EnableButton(m_btnPlay, true);
    m_bPlayerMode = false;
}
