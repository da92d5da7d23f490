#include "app/RecordControlDlg.h"

#include "ids/record_control.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"

namespace {

constexpr UINT kBackgroundPicture = 149;
constexpr UINT kCloseButtonPicture = 158;
constexpr UINT kPauseButtonPicture = 169;
constexpr UINT kRecordButtonPicture = 170;
constexpr UINT kStopButtonPicture = 171;
constexpr UINT kCameraButtonPicture = 192;
constexpr COLORREF kTimeColour = RGB(3, 57, 93);

bool Visible(HWND h) noexcept { return h && (::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

} // namespace

CRecordControlDlg::CRecordControlDlg() noexcept : vt::CDialog(IDD_RECORD_CONTROL) {}

bool CRecordControlDlg::Create(IRecordControlHost* host, int recordObject) {
    m_host = host;
    m_recordObject = recordObject;
    return vt::CDialog::Create(nullptr);
}

BOOL CRecordControlDlg::OnInitDialog() {
    ::ShowWindow(m_hWnd, SW_HIDE);
    const LONG_PTR ex = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    if (m_background.IsNull()) vt::LoadImageResource(m_background, L"", kBackgroundPicture);
    const int w = m_background.IsNull() ? 242 : m_background.GetWidth();
    const int h = m_background.IsNull() ? 32 : m_background.GetHeight();
    vt::UniqueRgn round(::CreateRoundRectRgn(0, 0, w + 1, h + 1, 3, 3));
    vt::SetWindowRegion(m_hWnd, round, false);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, -100, w, h, SWP_HIDEWINDOW | SWP_NOACTIVATE);

    if (!m_font) {
        const LOGFONTW lf = vt::SkinLogFont(L"Microsoft Sans Serif", 17, FW_NORMAL);
        m_font.Reset(::CreateFontIndirectW(&lf));
    }
    m_time.SubclassDlgItem(IDC_BAR_TIME, m_hWnd);
    ::SendMessageW(m_time.GetSafeHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    m_time.SetTextColor(kTimeColour);
    m_time.SetText(L"00:00-0KB");
    ::MoveWindow(m_time.GetSafeHwnd(), 80, 7, 100, 17, FALSE);

    const struct {
        CNButtonEx* button;
        int id;
        UINT picture;
        int frames;
        int x, y;
    } buttons[] = {
        {&m_record, IDC_BAR_RECORD, kRecordButtonPicture, 4, 7, 4},
        {&m_pause, IDC_BAR_PAUSE, kPauseButtonPicture, 4, 7, 4},
        {&m_stop, IDC_BAR_STOP, kStopButtonPicture, 4, 44, 4},
        {&m_camera, IDC_BAR_CAMERA, kCameraButtonPicture, 4, 188, 7},
        {&m_close, IDC_BAR_CLOSE, kCloseButtonPicture, 3, 220, 9},
    };
    for (const auto& b : buttons) {
        b.button->SubclassDlgItem(b.id, m_hWnd);
        b.button->SetStateImage(L"", b.picture, b.frames);
        ::SetWindowPos(b.button->GetSafeHwnd(), nullptr, b.x, b.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Set(IDC_BAR_RECORD, true);
    Show(IDC_BAR_RECORD, true);
    Show(IDC_BAR_PAUSE, false);
    Set(IDC_BAR_STOP, false);
    // A camera takes part unless only the screen is recorded; without a camera window
    // there is nothing to toggle.
    Set(IDC_BAR_CAMERA, m_recordObject != 1 && m_host && m_host->BarHasCameraWindow());
    Settle();
    return FALSE;
}

CNButtonEx* CRecordControlDlg::Button(int id) noexcept {
    switch (id) {
    case IDC_BAR_RECORD: return &m_record;
    case IDC_BAR_PAUSE: return &m_pause;
    case IDC_BAR_STOP: return &m_stop;
    case IDC_BAR_CAMERA: return &m_camera;
    case IDC_BAR_CLOSE: return &m_close;
    default: return nullptr;
    }
}

void CRecordControlDlg::Set(int id, bool enabled) {
    // The skinned button draws by its flag; the window state takes the clicks.
    if (CNButtonEx* b = Button(id); b && *b) b->Enable(enabled);
}

void CRecordControlDlg::Show(int id, bool shown) {
    if (CNButtonEx* b = Button(id); b && *b) ::ShowWindow(b->GetSafeHwnd(), shown ? SW_SHOWNA : SW_HIDE);
}

CRecordControlDlg::ButtonState CRecordControlDlg::State(int id) const noexcept {
    const CNButtonEx* b = const_cast<CRecordControlDlg*>(this)->Button(id);
    if (!b || !*b) return {false, false};
    return {b->GetEnabledFlag() && ::IsWindowEnabled(b->GetSafeHwnd()), Visible(b->GetSafeHwnd())};
}

CRecordControlDlg::Buttons CRecordControlDlg::Snapshot() const noexcept {
    return Buttons{State(IDC_BAR_RECORD), State(IDC_BAR_PAUSE), State(IDC_BAR_STOP), State(IDC_BAR_CAMERA)};
}

void CRecordControlDlg::Restore(const Buttons& b) {
    const struct {
        int id;
        ButtonState s;
    } all[] = {{IDC_BAR_RECORD, b.record}, {IDC_BAR_PAUSE, b.pause}, {IDC_BAR_STOP, b.stop}, {IDC_BAR_CAMERA, b.camera}};
    for (const auto& a : all) {
        Set(a.id, a.s.enabled);
        Show(a.id, a.s.shown);
    }
}

void CRecordControlDlg::Settle() {
    ++m_events;
    m_settled = Snapshot();
}

void CRecordControlDlg::EnableButton(int id, bool enabled) {
    Set(id, enabled);
    Settle();
}

void CRecordControlDlg::ShowButton(int id, bool shown) {
    Show(id, shown);
    Settle();
}

void CRecordControlDlg::SetTimeText(const std::wstring& text) { m_time.SetText(text); }

bool CRecordControlDlg::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED || !m_host) return false;
    // Locals only once the host has been called: the bar may be gone by then.
    IRecordControlHost* host = m_host;
    const std::shared_ptr<bool> alive = m_alive;
    const unsigned before = m_events;
    const Buttons settled = m_settled;
    switch (LOWORD(wParam)) {
    case IDC_BAR_RECORD:
        Set(IDC_BAR_RECORD, false);
        host->BarStart();
        break;
    case IDC_BAR_PAUSE: host->BarPause(); break;
    case IDC_BAR_STOP:
        Set(IDC_BAR_STOP, false);
        host->BarStop();
        break;
    case IDC_BAR_CLOSE:
        if (host->BarIsRecording()) host->BarStop();
        host->BarRequestRemoval();
        return true;
    case IDC_BAR_CAMERA:
        if (!host->BarHasCameraWindow()) {
            // Nothing to show or hide: the button goes off instead.
            EnableButton(IDC_BAR_CAMERA, false);
            return true;
        }
        host->BarShowCamera(!host->BarIsCameraVisible());
        return true;
    default: return false;
    }
    // A command that changed nothing (the installation check said no, Continue failed,
    // the folder is missing) leaves the buttons as the session has them, not stuck off.
    if (*alive && m_events == before) Restore(settled);
    return true;
}

bool CRecordControlDlg::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(pdc.Get(), rc);
    vt::UniqueBrush black(::CreateSolidBrush(RGB(0, 0, 0)));
    ::FillRect(off.Get(), &rc, black.Get());
    if (!m_background.IsNull()) m_background.Draw(off.Get(), rc);
    return true;
}

bool CRecordControlDlg::PreTranslateMessage(MSG* msg) {
    return (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) &&
           (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}
