// The video player window: a skinned, frameless, resizable top-level window around the
// media player control, steered by the main window. Its right-button menu hands Open,
// Play, Pause and Stop to the main window's commands.
#pragma once

#include "devices/PlayerLogic.h"
#include "devices/WMPPlayer4.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"
#include "toolkit/SkinControls.h"

#include <string>

// Posted to the main window when the user closes the player (the main window's
// WM_PLAYER_CLOSED).
constexpr UINT kPlayerClosedMessage = WM_USER + 80;

class CVideoPlayDlg : public vt::CDialog {
public:
    CVideoPlayDlg();
    ~CVideoPlayDlg() override;

    // Hidden and top-level; mainWindow receives the player's messages and commands.
    bool Create(HWND mainWindow);
    // The control could be made.
    bool HasControl() const noexcept { return m_player.HasControl(); }

    // Loads a file without playing it; false when it is missing or the control refuses it.
    bool PlayFile(const std::wstring& path);
    // False when playback does not start; the control is then stopped.
    bool Play();
    // False when the control cannot pause.
    bool Pause();
    void Stop();
    double CurrentPosition();
    void SetCurrentPosition(double seconds);
    // Seconds; 0 or less while unknown.
    double Duration();
    int PlayState() const noexcept { return m_playState; }
    const std::wstring& FilePath() const noexcept { return m_path; }
    void ApplyLanguage();

    // The right-button menu with its items set for the play state.
    HMENU PreparedMenu();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnMouse(UINT msg, POINT pt, UINT flags) override;
    bool OnSetCursor(HWND hwnd, UINT hitTest, UINT mouseMsg) override;
    bool OnClose() override;
    void OnDestroy() override;
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    void Centre();
    void OnPlayStateChange(long state);
    void EndDrag();

    HWND m_mainWindow = nullptr;
    std::wstring m_path;
    CWMPPlayer4 m_player;
    double m_mediaDuration = 0;   // of the media as loaded
    int m_playState = kPlayerStopped;
    unsigned m_stateChanges = 0;  // play-state events so far
    bool m_reload = false;        // the media was closed when it stopped
    bool m_started = false;       // the file has played since it was loaded
    vt::UniqueMenu m_menu;
    vt::CImage m_frame;   // PNG 184, nine pieces
    vt::CImage m_icon;    // PNG 185
    int m_dragCode = 0;
    HCURSOR m_cursor = nullptr;
    POINT m_dragStart{};
    RECT m_dragRect{};
    SIZE m_regionSize{};
    CTransparentStatic m_title;  // 1064: the file's title
    CNButtonEx m_btnClose, m_btnMin;
};
