#include "config/SettingsDlg.h"

#include "config/Language.h"
#include "config/OutputFolder.h"
#include "config/Settings.h"
#include "ids/settings.h"
#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"

#include <commctrl.h>

#include <iterator>

namespace {

constexpr int kWidth = 293, kHeight = 281;
constexpr POINT kPageOrigin{69, 26};
constexpr SIZE kPageSize{212, 219};
constexpr int kTitleStrip = 18;
constexpr wchar_t kFace[] = L"Microsoft Sans Serif";

struct PageButton {
    int id;
    int y;
    const wchar_t* key;
    SettingsPage page;
};
constexpr PageButton kPageButtons[4] = {
    {IDC_SETTINGS_PAGE_VIDEO, 26, L"IDC_BUTTON_SETVIDEO", SettingsPage::Video},
    {IDC_SETTINGS_PAGE_AUDIO, 53, L"IDC_BUTTON_SETAUDIO", SettingsPage::Audio},
    {IDC_SETTINGS_PAGE_COMMON, 80, L"IDC_BUTTON_SETCOMMON", SettingsPage::Common},
    {IDC_SETTINGS_PAGE_ADVANCED, 107, L"IDC_BUTTON_SETADVANCED", SettingsPage::Advanced},
};

std::wstring ReadUpdateIni(const wchar_t* key) {
    const std::wstring folder = SettingsFolder();
    if (folder.empty()) return {};
    const std::wstring path = folder + L"update.ini";
    wchar_t value[2048] = {};
    ::GetPrivateProfileStringW(L"Program", key, L"", value, static_cast<DWORD>(std::size(value)), path.c_str());
    return value;
}

} // namespace

bool DefaultShadowBoxAvailable() noexcept {
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return ShadowBoxAvailable(info.wProcessorArchitecture);
}

CSettingsDlg::CSettingsDlg(RecorderSettings& settings, ISettingsWindowHost& host, SettingsWindowOptions options)
    : vt::CDialog(IDD_SETTINGS), m_settings(settings), m_host(host), m_options(std::move(options)) {}

CSettingsDlg::~CSettingsDlg() {
    // The pages go before the window they live in would take them along.
    DestroyWindow();
}

BOOL CSettingsDlg::OnInitDialog() {
    if (m_background.IsNull()) vt::LoadImageResource(m_background, nullptr, 150);
    const int width = m_background.IsNull() ? kWidth : m_background.GetWidth();
    const int height = m_background.IsNull() ? kHeight : m_background.GetHeight();
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextW(m_hWnd, LoadLanguageText(L"IDC_STC_ADVANCEDSET_TITLE").c_str());

    m_close.SubclassDlgItem(IDC_SETTINGS_CLOSE, m_hWnd);
    m_close.SetStateImage(nullptr, 179, 3);
    ::SetWindowPos(m_close.GetSafeHwnd(), nullptr, 275, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_close.SetToolTipText(true, LoadLanguageText(L"IDC_BTN_WND_SET_CLOSE"));

    for (int i = 0; i < 4; ++i) {
        CNOptionEx& button = m_pageButtons[i];
        button.SubclassDlgItem(kPageButtons[i].id, m_hWnd);
        button.SetStateImage(nullptr, 172, 2);
        button.SetFont(kFace, 14, 400);
        ::SetWindowPos(button.GetSafeHwnd(), nullptr, 4, kPageButtons[i].y, 62, 22, SWP_NOZORDER | SWP_NOACTIVATE);
        button.SetText(LoadLanguageText(kPageButtons[i].key));
    }

    // Each page edits its own run of the record's fields.
    m_video = std::make_unique<CSettingsVideoDlg>(m_settings.video, m_host, m_options.devices);
    m_audio = std::make_unique<CSettingsAudioDlg>(m_settings.audio, m_options.devices, m_options.singleVolume);
    m_common = std::make_unique<CSettingsCommonDlg>(m_settings.common, m_host, m_options.shadowBoxAvailable);
    m_advanced = std::make_unique<CSettingsAdvancedDlg>(m_settings.advanced, m_host);
    m_advanced->AttachAdvancedTab();
    for (SettingsPage page : {SettingsPage::Video, SettingsPage::Audio, SettingsPage::Common, SettingsPage::Advanced}) {
        CSettingsPage* p = Page(page);
        p->SetBackground(&m_background, kPageOrigin);
        p->Create(m_hWnd);
        ::SetWindowPos(p->GetSafeHwnd(), nullptr, kPageOrigin.x, kPageOrigin.y, kPageSize.cx, kPageSize.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
    ShowPage(PageForSelectTab(m_settings.nSelectTab), false);

    HWND restore = ::GetDlgItem(m_hWnd, IDCANCEL);
    ::SetWindowPos(restore, nullptr, width - 112, height - 28, 104, 24, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextW(restore, LoadLanguageText(L"ID_WND_SET_BTN_DEFAULT").c_str());
    HWND link = ::GetDlgItem(m_hWnd, IDC_SETTINGS_LINK);
    ::SetWindowPos(link, nullptr, 10, height - 24, 160, 20, SWP_NOZORDER | SWP_NOACTIVATE);
    const LOGFONTW linkFont = vt::SkinLogFont(kFace, 14, 400);
    m_linkFont.Reset(::CreateFontIndirectW(&linkFont));
    ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.Get()), FALSE);
    ::SetWindowTextW(link, (std::wstring(L"<a>") + kVendorLinkText + L"</a>").c_str());
    return TRUE;
}

CSettingsPage* CSettingsDlg::Page(SettingsPage page) const noexcept {
    switch (page) {
    case SettingsPage::Audio: return m_audio.get();
    case SettingsPage::Common: return m_common.get();
    case SettingsPage::Advanced: return m_advanced.get();
    default: return m_video.get();
    }
}

SettingsPage CSettingsDlg::VisiblePage() const noexcept {
    for (SettingsPage page : {SettingsPage::Audio, SettingsPage::Common, SettingsPage::Advanced})
        if (CSettingsPage* p = Page(page); p && ::IsWindowVisible(p->GetSafeHwnd())) return page;
    return SettingsPage::Video;
}

void CSettingsDlg::ShowPage(SettingsPage page, bool checkFolder) {
    if (!m_video) return;
    if (checkFolder && page != SettingsPage::Video && ::IsWindowVisible(m_video->GetSafeHwnd()) &&
        !m_video->CheckOutputFolder())
        return;
    for (const PageButton& b : kPageButtons) m_pageButtons[&b - kPageButtons].SetCheck(b.page == page);
    // The new page first, so that the window never shows none.
    ::ShowWindow(Page(page)->GetSafeHwnd(), SW_SHOW);
    for (const PageButton& b : kPageButtons)
        if (b.page != page) ::ShowWindow(Page(b.page)->GetSafeHwnd(), SW_HIDE);
}

void CSettingsDlg::CommitSettings() {
    if (!m_video) return;
    // A folder that will fail is checked on the video page, so that the user sees the
    // field the message is about.
    if (VisiblePage() != SettingsPage::Video) {
        const std::wstring folder = TrimFolderText(vt::WindowText(::GetDlgItem(m_video->GetSafeHwnd(), IDC_VIDEO_FOLDER)));
        if (FolderTextHasInvalidChars(folder) || !FolderExists(folder)) ShowPage(SettingsPage::Video, false);
    }
    if (!m_video->CheckOutputFolder()) return;
    m_video->CancelCameraListing();
    if (m_host.CameraWindowExists()) m_host.DestroyCameraWindow();
    m_video->CommitVideoTab();
    m_audio->CommitAudioTab();
    m_common->CommitCommonTab();
    m_advanced->CommitAdvancedTab();
    m_settings.nSelectTab = SelectTabForPage(VisiblePage());
    EndDialog(IDOK);
}

void CSettingsDlg::RestoreDefaults() {
    if (!m_video) return;
    // Cancel is the default: Esc, Alt+F4 or an Enter in the question keeps everything.
    const int answer = ::MessageBoxW(m_hWnd, LoadLanguageText(L"ID_MSG_ENSURE_SET_DEFAULT").c_str(),
                                     AppName().c_str(), MB_OKCANCEL | MB_DEFBUTTON2);
    if (answer != IDOK) return;
    ResetSettingsToDefaults(m_settings, m_host.SettingsHost());
    m_video->FillVideoTab();
    m_audio->FillAudioTab();
    m_common->FillCommonTab();
    m_advanced->AttachAdvancedTab();
    m_advanced->FillAdvancedTab();
    // The shadow follows the restored setting at once, as its box does.
    m_host.ShowShadow(m_settings.common.bShowShadow != 0);
    ShowPage(PageForSelectTab(m_settings.nSelectTab), false);
}

void CSettingsDlg::OpenVendorSite() {
    const std::wstring value = ReadUpdateIni(WebsiteKeyForLanguage(CurrentLanguageId()));
    m_host.OpenWebPage(VendorAddress(value));
}

void CSettingsDlg::EndWithoutCommit() {
    if (!m_hWnd) return;
    if (m_video) m_video->CancelCameraListing();
    EndDialog(0);
}

bool CSettingsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    // The dialog manager sends Enter on a page's focused button here, with that button's
    // id: it belongs to the page.
    if (HWND control = reinterpret_cast<HWND>(lParam); control && ::GetParent(control) != m_hWnd) {
        ::SendMessageW(::GetParent(control), WM_COMMAND, wParam, lParam);
        return true;
    }
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (lParam && code != BN_CLICKED) return false;
    switch (id) {
    case IDOK:
    case IDC_SETTINGS_CLOSE:
        CommitSettings();
        return true;
    case IDCANCEL:
        RestoreDefaults();
        return true;
    default:
        break;
    }
    for (const PageButton& b : kPageButtons) {
        if (b.id == id) {
            ShowPage(b.page, true);
            return true;
        }
    }
    return false;
}

bool CSettingsDlg::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->idFrom != IDC_SETTINGS_LINK) return false;
    if (header->code != NM_CLICK && header->code != NM_RETURN) return false;
    OpenVendorSite();
    *result = 0;
    return true;
}

bool CSettingsDlg::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return true;
    vt::OffscreenDc off(pdc.Get(), rc);
    HDC dc = off.Get();
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
    if (!m_background.IsNull()) m_background.Draw(dc, rc);
    vt::DrawSkinText(dc, RECT{25, 1, 200, kTitleStrip}, vt::WindowText(m_hWnd), RGB(0, 0, 0), kFace, 14, 400, DT_LEFT,
                     true);
    return true;
}

bool CSettingsDlg::OnMouse(UINT msg, POINT pt, UINT) {
    if (msg != WM_LBUTTONDOWN || pt.y >= kTitleStrip) return false;
    // Dragged as by a caption.
    POINT screen = pt;
    ::ClientToScreen(m_hWnd, &screen);
    ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
    return true;
}

LRESULT CSettingsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_HELP:
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        LRESULT r = 0;
        if (ReflectToChild(msg, wParam, lParam, &r)) return r;
        // The link and the restore button stand on the bottom strip of the picture. The
        // link deletes the brush it is given, so it gets the DC's own.
        COLORREF colour = ::GetSysColor(COLOR_BTNFACE);
        if (!m_background.IsNull()) {
            const DWORD argb = m_background.GetPixel(10, m_background.GetHeight() - 14);
            colour = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
        }
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetDCBrushColor(dc, colour);
        return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
    }
    default:
        return vt::CDialog::WindowProc(msg, wParam, lParam);
    }
}

void CSettingsDlg::PostNcDestroy() {
    // The page windows are gone with this one; their objects (and the working copies of
    // the advanced page) go now.
    m_video.reset();
    m_audio.reset();
    m_common.reset();
    m_advanced.reset();
}
