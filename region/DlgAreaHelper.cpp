#include "region/DlgAreaHelper.h"

#include "config/Language.h"
#include "ids/region.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"
#include "toolkit/SkinText.h"

#include <shlwapi.h>

#include <cwchar>

namespace {
constexpr UINT kBackgroundPicture = 176;
constexpr UINT kCloseButtonPicture = 179;
constexpr UINT kLockButtonPicture = 186;
constexpr UINT kRecordButtonPicture = 187;
constexpr UINT kLinkPicture = 188;
constexpr POINT kLinkAt{102, 29};
} // namespace

CDlgAreaHelper::CDlgAreaHelper() noexcept : vt::CDialog(IDD_AREA_HELPER) {}

bool CDlgAreaHelper::Create(HWND overlay, IAreaHelperOwner* owner, int screenWidth, int screenHeight) {
    m_owner = owner;
    m_screenWidth = screenWidth;
    m_screenHeight = screenHeight;
    return vt::CDialog::Create(overlay);
}

SIZE CDlgAreaHelper::Size() const noexcept {
    RECT rc{};
    if (m_hWnd) ::GetWindowRect(m_hWnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

BOOL CDlgAreaHelper::OnInitDialog() {
    if (m_background.IsNull()) vt::LoadImageResource(m_background, L"", kBackgroundPicture);
    if (m_link.IsNull()) vt::LoadImageResource(m_link, L"", kLinkPicture);
    const int w = m_background.IsNull() ? 204 : m_background.GetWidth();
    const int h = m_background.IsNull() ? 72 : m_background.GetHeight();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    vt::UniqueRgn round(::CreateRoundRectRgn(0, 0, w + 1, h + 1, 4, 4));
    vt::SetWindowRegion(m_hWnd, round, false);

    m_close.SubclassDlgItem(IDOK, m_hWnd);
    m_lock.SubclassDlgItem(IDC_BUTTON_AREA_LOCK, m_hWnd);
    m_record.SubclassDlgItem(IDC_BUTTON_AREA_RECORD, m_hWnd);
    m_widthLabel.SubclassDlgItem(IDC_STATIC_WIDTH, m_hWnd);
    m_heightLabel.SubclassDlgItem(IDC_STATIC_HEIGHT, m_hWnd);

    // The lock button starts unchecked: one toggle leaves the helper unlocked.
    ToggleLock();

    ::SetWindowTextW(m_hWnd, LoadLanguageText(L"IDC_STC_AREAHELPER_TITLE").c_str());
    m_widthLabel.SetText(LoadLanguageText(L"IDC_STATIC_WIDTH"));
    m_heightLabel.SetText(LoadLanguageText(L"IDC_STATIC_HEIGHT"));
    m_close.SetToolTipText(true, LoadLanguageText(L"m_btnClose"));
    m_record.SetToolTipText(true, LoadLanguageText(L"IDC_DLG_AREA_HELPER_AREA_RECORD"));

    m_close.SetStateImage(L"", kCloseButtonPicture, 3);
    m_lock.SetStateImage(L"", kLockButtonPicture, 2);
    m_record.SetStateImage(L"", kRecordButtonPicture, 4);
    return FALSE; // the focus stays where it is
}

void CDlgAreaHelper::ToggleLock() {
    if (m_lock.GetCheck()) {
        m_sizeLocked = true;
        m_lock.SetCheck(false);
        m_lock.SetToolTipText(true, LoadLanguageText(L"IDC_BUTTON_LOCK"));
    } else {
        m_sizeLocked = false;
        m_lock.SetCheck(true);
        m_lock.SetToolTipText(true, LoadLanguageText(L"IDC_BUTTON_UNLOCK"));
    }
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_EDIT_AREA_WIDTH), m_sizeLocked ? FALSE : TRUE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_EDIT_AREA_HEIGHT), m_sizeLocked ? FALSE : TRUE);
    ::InvalidateRect(m_lock.GetSafeHwnd(), nullptr, FALSE);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CDlgAreaHelper::SetField(int id, int value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", value);
    // The field's change notice comes back at once; it is ours, not the user's.
    m_settingField = true;
    ::SetDlgItemTextW(m_hWnd, id, text);
    m_settingField = false;
}

void CDlgAreaHelper::Refresh(int width, int height) {
    SetField(IDC_EDIT_AREA_WIDTH, width);
    SetField(IDC_EDIT_AREA_HEIGHT, height);
}

void CDlgAreaHelper::PutBackWidth(int width) { SetField(IDC_EDIT_AREA_WIDTH, width); }
void CDlgAreaHelper::PutBackHeight(int height) { SetField(IDC_EDIT_AREA_HEIGHT, height); }

bool CDlgAreaHelper::OnCommand(WPARAM wParam, LPARAM) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (code == EN_CHANGE && (id == IDC_EDIT_AREA_WIDTH || id == IDC_EDIT_AREA_HEIGHT)) {
        if (m_settingField || !m_owner) return true;
        wchar_t text[32] = {};
        ::GetDlgItemTextW(m_hWnd, id, text, 32);
        const int value = ::StrToIntW(text);
        if (id == IDC_EDIT_AREA_WIDTH)
            m_owner->HelperTypedWidth(value);
        else
            m_owner->HelperTypedHeight(value);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_BUTTON_AREA_LOCK: ToggleLock(); return true;
    case IDOK:
        // The helper goes first, then the overlay ends (which takes the helper with it).
        ::ShowWindow(m_hWnd, SW_HIDE);
        if (m_owner) m_owner->HelperCancel();
        return true;
    case IDC_BUTTON_AREA_RECORD:
        ::ShowWindow(m_hWnd, SW_HIDE);
        if (m_owner) m_owner->HelperRecordNow();
        return true;
    default: return false;
    }
}

bool CDlgAreaHelper::OnPaint() {
    vt::PaintDc pdc(m_hWnd);
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    vt::OffscreenDc off(pdc.Get(), rc);
    HDC dc = off.Get();
    vt::UniqueBrush black(::CreateSolidBrush(RGB(0, 0, 0)));
    ::FillRect(dc, &rc, black.Get());
    if (!m_background.IsNull()) m_background.Draw(dc, rc);
    const RECT title{26, 2, 200, 16};
    vt::DrawSkinText(dc, title, vt::WindowText(m_hWnd), RGB(0, 0, 0), L"Microsoft Sans Serif", 14, 600,
                     DT_SINGLELINE | DT_LEFT, false);
    if (m_sizeLocked && !m_link.IsNull())
        m_link.Draw(dc, vt::RectXYWH(kLinkAt.x, kLinkAt.y, m_link.GetWidth(), m_link.GetHeight()));
    return true;
}
