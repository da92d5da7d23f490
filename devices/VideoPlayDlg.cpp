#include "devices/VideoPlayDlg.h"

#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "devices/CameraLayout.h"
#include "resources/resource.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"
#include "toolkit/Trace.h"

#include <algorithm>

namespace {

constexpr COLORREF kTitleColour = RGB(255, 255, 255);
constexpr RECT kTitleTextRect{35, 4, 235, 22};

// The right-button menu's commands and the main window's commands they stand for.
struct MenuCommand {
    UINT item;
    UINT mainCommand;
    const wchar_t* key;
};
constexpr MenuCommand kMenuCommands[] = {
    {ID_MENU_PLAYER_OPENFILE, IDC_MAIN_OPEN_VIDEO, L"IDR_MENU_PLAYER_OPENFILE"},
    {ID_MENU_PLAYER_PLAY, IDC_MAIN_PLAY, L"IDR_MENU_PLAYER_PLAY"},
    {ID_MENU_PLAYER_PAUSE, IDC_MAIN_PAUSE, L"IDR_MENU_PLAYER_PAUSE"},
    {ID_MENU_PLAYER_STOP, IDC_MAIN_STOP, L"IDR_MENU_PLAYER_STOP"},
};

SIZE WindowSize(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

// The frame picture in nine pieces: corners as they are, edges stretched along their
// length, the centre both ways.
void DrawNinePieces(HDC dc, const vt::CImage& image, SIZE size, const RECT& m) {
    if (image.IsNull()) return;
    const int iw = image.GetWidth(), ih = image.GetHeight();
    const int sx[4] = {0, m.left, iw - m.right, iw};
    const int sy[4] = {0, m.top, ih - m.bottom, ih};
    const int dx[4] = {0, m.left, size.cx - m.right, size.cx};
    const int dy[4] = {0, m.top, size.cy - m.bottom, size.cy};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const int w = dx[col + 1] - dx[col], h = dy[row + 1] - dy[row];
            if (w <= 0 || h <= 0) continue;
            image.Draw(dc, dx[col], dy[row], w, h, sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
        }
}

} // namespace

CVideoPlayDlg::CVideoPlayDlg() : vt::CDialog(IDD_VIDEO_PLAYER) {
    m_player.SetPlayStateHandler([this](long state) { OnPlayStateChange(state); });
}

CVideoPlayDlg::~CVideoPlayDlg() {
    if (m_player.HasControl()) m_player.Stop();
    m_player.Destroy();
}

bool CVideoPlayDlg::Create(HWND mainWindow) {
    m_mainWindow = mainWindow;
    return vt::CDialog::Create(nullptr);
}

BOOL CVideoPlayDlg::OnInitDialog() {
    // 1.
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, kPlayerInitialSize.cx, kPlayerInitialSize.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetForegroundWindow(m_hWnd);
    m_cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    // 2.
    m_btnClose.SubclassDlgItem(IDC_PLAYER_CLOSE, m_hWnd);
    m_btnClose.SetStateImage(L"", 152, 3);
    m_btnMin.SubclassDlgItem(IDC_PLAYER_MINIMISE, m_hWnd);
    m_btnMin.SetStateImage(L"", 153, 3);
    m_title.SubclassDlgItem(IDC_PLAYER_TITLE, m_hWnd);
    m_title.SetTextColor(kTitleColour);
    vt::LoadImageResource(m_frame, nullptr, 184);
    vt::LoadImageResource(m_icon, nullptr, 185);
    // 3. Members a control does not implement are traced by the wrapper and passed over.
    const PlayerLayout layout = PlayerLayoutFor(kPlayerInitialSize, kPlayerInitialSize, m_btnClose.GetFrameWidth());
    if (m_player.Create(m_hWnd, IDC_PLAYER_CONTROL, layout.control)) {
        m_player.SetAutoStart(false);
        m_player.SetUiMode(L"none");
        m_player.SetEnableContextMenu(false);
        m_player.SetStretchToFit(false);
    }
    // 4.
    Centre();
    Layout();
    if (m_player.HasControl()) m_player.SetEnabled(false);
    // 5.
    m_menu.Reset(::LoadMenuW(vt::ResourceInstance(), MAKEINTRESOURCEW(IDR_MENU_PLAYER)));
    ApplyLanguage();
    return TRUE;
}

void CVideoPlayDlg::OnDestroy() {
    if (m_player.HasControl()) m_player.Stop();
    m_player.Destroy();
}

void CVideoPlayDlg::Centre() {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const SIZE size = WindowSize(m_hWnd);
    const int x = work.left + (work.right - work.left - size.cx) / 2;
    const int y = work.top + (work.bottom - work.top - size.cy) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVideoPlayDlg::Layout() {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const SIZE window = WindowSize(m_hWnd);
    const PlayerLayout l = PlayerLayoutFor({client.right, client.bottom}, window, m_btnClose.GetFrameWidth());
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(m_btnClose.GetSafeHwnd(), nullptr, l.close.x, l.close.y, 0, 0, flags);
    ::SetWindowPos(m_btnMin.GetSafeHwnd(), nullptr, l.minimise.x, l.minimise.y, 0, 0, flags);
    // The file's title between the window's own title and the buttons.
    const int titleLeft = kTitleTextRect.right + 5;
    ::SetWindowPos(m_title.GetSafeHwnd(), nullptr, titleLeft, 6, std::max(0, static_cast<int>(l.minimise.x) - 10 - titleLeft),
                   16, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_player.GetSafeHwnd())
        ::SetWindowPos(m_player.GetSafeHwnd(), nullptr, l.control.left, l.control.top, l.control.right - l.control.left,
                       l.control.bottom - l.control.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (window.cx != m_regionSize.cx || window.cy != m_regionSize.cy) {
        vt::UniqueRgn region(::CreateRoundRectRgn(0, 0, window.cx + 1, window.cy + 1, 4, 4));
        if (vt::SetWindowRegion(m_hWnd, region, false)) m_regionSize = window;
    }
}

bool CVideoPlayDlg::OnSize(UINT type, int, int) {
    if (type != SIZE_MINIMIZED && m_btnClose.GetSafeHwnd()) Layout();
    return false;
}

bool CVideoPlayDlg::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (::IsRectEmpty(&rc)) return true;
    vt::OffscreenDc off(pdc.Get(), rc);
    HDC dc = off.Get();
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    DrawNinePieces(dc, m_frame, {rc.right, rc.bottom}, kPlayerMargins);
    if (!m_icon.IsNull()) m_icon.Draw(dc, vt::RectXYWH(10, 7, m_icon.GetWidth(), m_icon.GetHeight()));
    vt::DrawSkinText(dc, kTitleTextRect, vt::WindowText(m_hWnd), kTitleColour, L"Microsoft Sans Serif", 18, 700,
                     DT_SINGLELINE, false);
    return true;
}

// ------------------------------------------------------------------ mouse and keys

bool CVideoPlayDlg::OnMouse(UINT msg, POINT pt, UINT flags) {
    POINT screen = pt;
    ::ClientToScreen(m_hWnd, &screen);
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    const POINT inWindow{screen.x - window.left, screen.y - window.top};
    switch (msg) {
    case WM_LBUTTONDOWN:
        Default();
        m_dragCode = PlayerHitTest(size, inWindow);
        m_dragStart = screen;
        m_dragRect = window;
        if (m_dragCode != 0) {
            ::SetCapture(m_hWnd);
        } else if (pt.y < kPlayerMargins.top) {
            ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
        }
        return true;
    case WM_MOUSEMOVE:
        if (m_dragCode != 0) {
            if (!(flags & MK_LBUTTON)) {
                EndDrag();  // the release went elsewhere
                return true;
            }
            RECT r{};
            if (PlayerDragRect(m_dragCode, m_dragRect, screen.x - m_dragStart.x, screen.y - m_dragStart.y, r)) {
                ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
                Layout();
                ::SetCapture(m_hWnd);
                ::InvalidateRect(m_hWnd, nullptr, FALSE);
            }
            return true;
        }
        m_cursor = ::LoadCursorW(nullptr, CameraCursorFor(PlayerHitTest(size, inWindow)));
        ::SetCursor(m_cursor);
        return true;
    case WM_LBUTTONUP:
        EndDrag();
        return true;
    case WM_RBUTTONDOWN: {
        HMENU menu = PreparedMenu();
        if (menu) ::TrackPopupMenu(menu, 0, screen.x, screen.y, 0, m_hWnd, nullptr);
        return true;
    }
    default:
        return false;
    }
}

void CVideoPlayDlg::EndDrag() {
    m_dragCode = 0;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}

bool CVideoPlayDlg::OnSetCursor(HWND hwnd, UINT hitTest, UINT) {
    if (hwnd != m_hWnd || hitTest != HTCLIENT || !m_cursor) return false;
    ::SetCursor(m_cursor);
    return true;
}

bool CVideoPlayDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        // The dialog manager would take these for OK and Cancel.
        msg->wParam = 0;
        return false;
    }
    if (msg->message != WM_LBUTTONDBLCLK || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) return false;
    bool fullScreen = false;
    m_player.GetFullScreen(fullScreen);
    if (!fullScreen && m_playState != kPlayerStopped) m_player.SetFullScreen(true);
    POINT pt{static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam))};
    ::MapWindowPoints(msg->hwnd, m_hWnd, &pt, 1);
    return pt.y >= kPlayerMargins.top;
}

LRESULT CVideoPlayDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CAPTURECHANGED:
        m_dragCode = 0;
        break;
    case WM_HELP:
        return TRUE;
    default:
        break;
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

// ------------------------------------------------------------------ commands

HMENU CVideoPlayDlg::PreparedMenu() {
    HMENU menu = ::GetSubMenu(m_menu.Get(), 0);
    if (!menu) return nullptr;
    const PlayerMenuStates states = PlayerMenuStatesFor(m_playState);
    auto set = [menu](UINT id, bool enabled) {
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : (MF_GRAYED | MF_DISABLED)));
    };
    set(ID_MENU_PLAYER_OPENFILE, true);
    set(ID_MENU_PLAYER_PLAY, states.play);
    set(ID_MENU_PLAYER_PAUSE, states.pause);
    set(ID_MENU_PLAYER_STOP, states.stop);
    return menu;
}

bool CVideoPlayDlg::OnCommand(WPARAM wParam, LPARAM) {
    const UINT id = LOWORD(wParam);
    switch (id) {
    case IDC_PLAYER_CLOSE:
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        return true;
    case IDC_PLAYER_MINIMISE:
        if (m_mainWindow) ::ShowWindow(m_mainWindow, SW_MINIMIZE);
        return true;
    default:
        break;
    }
    for (const MenuCommand& c : kMenuCommands)
        if (c.item == id) {
            // Posted: the main window may replace or close this player in its handler.
            if (m_mainWindow) ::PostMessageW(m_mainWindow, WM_COMMAND, c.mainCommand, 0);
            return true;
        }
    return false;
}

bool CVideoPlayDlg::OnClose() {
    Stop();
    if (m_mainWindow) ::PostMessageW(m_mainWindow, kPlayerClosedMessage, 0, 0);
    ::ShowWindow(m_hWnd, SW_HIDE);
    return true;
}

void CVideoPlayDlg::ApplyLanguage() {
    m_btnClose.SetToolTipText(true, LoadLanguageText(L"m_btnClose"));
    m_btnMin.SetToolTipText(true, LoadLanguageText(L"m_btnMin"));
    ::SetWindowTextW(m_hWnd, LoadLanguageText(L"IDC_STC_PLAYER_TITLE").c_str());
    ::RedrawWindow(m_hWnd, &kTitleTextRect, nullptr, RDW_INVALIDATE);
    if (HMENU menu = ::GetSubMenu(m_menu.Get(), 0))
        for (const MenuCommand& c : kMenuCommands) {
            const UINT state = ::GetMenuState(menu, c.item, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
            ::ModifyMenuW(menu, c.item, MF_BYCOMMAND | MF_STRING | state, c.item, LoadLanguageText(c.key).c_str());
        }
}

// ------------------------------------------------------------------ playback

bool CVideoPlayDlg::PlayFile(const std::wstring& path) {
    if (!m_player.HasControl()) return false;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        vt::Trace(L"Player: no file %ls", path.c_str());
        return false;
    }
    // 1.
    Stop();
    m_path = path;
    if (FAILED(m_player.SetURL(path))) return false;
    m_reload = false;
    m_started = false;
    // 2. Often unknown (0 or less) until playback has begun.
    m_player.NewMedia(path, m_mediaDuration);
    // 3.
    Centre();
    // 4.
    m_title.SetText(FormatLanguageText(LoadLanguageText(L"IDS_PLAYER_TITLE"), PlayerFileName(path)));
    ::InvalidateRect(m_title.GetSafeHwnd(), nullptr, TRUE);
    return true;
}

bool CVideoPlayDlg::Play() {
    if (!m_player.HasControl() || m_path.empty()) return false;
    if (m_reload && FAILED(m_player.SetURL(m_path))) return false;
    m_reload = false;
    const unsigned changes = m_stateChanges;
    if (FAILED(m_player.Play())) {
        // Some controls fault on the next call after a failed play unless stopped first.
        m_player.Stop();
        m_playState = kPlayerStopped;
        return false;
    }
    // Until the control reports otherwise.
    if (m_stateChanges == changes) m_playState = kPlayerPlaying;
    m_started = true;
    return true;
}

bool CVideoPlayDlg::Pause() {
    const unsigned changes = m_stateChanges;
    if (FAILED(m_player.Pause())) return false;
    if (m_stateChanges == changes) m_playState = kPlayerPaused;
    return true;
}

void CVideoPlayDlg::Stop() {
    if (m_player.HasControl()) m_player.Stop();
    m_playState = kPlayerStopped;
}

double CVideoPlayDlg::CurrentPosition() {
    double seconds = 0;
    m_player.GetCurrentPosition(seconds);
    return seconds;
}

void CVideoPlayDlg::SetCurrentPosition(double seconds) {
    m_player.SetCurrentPosition(seconds);
}

double CVideoPlayDlg::Duration() {
    // Until this file has played, the current media may still be the one before.
    double duration = 0;
    if (m_started && SUCCEEDED(m_player.CurrentMediaDuration(duration)) && duration > 0) return duration;
    return m_mediaDuration;
}

void CVideoPlayDlg::OnPlayStateChange(long state) {
    ++m_stateChanges;
    switch (state) {
    case kPlayerStopped:
        m_playState = kPlayerStopped;
        m_player.Close();
        m_reload = true;
        break;
    case kPlayerPaused:
    case kPlayerPlaying:
        m_playState = static_cast<int>(state);
        break;
    default:
        break;
    }
}
