#include "config/SettingsPage.h"

#include "config/Language.h"

#include <algorithm>

LRESULT CSettingsPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORDLG) {
        LRESULT r = 0;
        if (msg != WM_CTLCOLORDLG && ReflectToChild(msg, wParam, lParam, &r)) return r;
        // Plain check boxes, radio buttons and labels stand on the page's own colour.
        if (!m_brush) {
            COLORREF colour = ::GetSysColor(COLOR_WINDOW);
            if (m_picture && !m_picture->IsNull()) {
                RECT rc{};
                ::GetClientRect(m_hWnd, &rc);
                const DWORD argb = m_picture->GetPixel(m_offset.x + rc.right / 2, m_offset.y + rc.bottom / 2);
                colour = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
            }
            m_brush.Reset(::CreateSolidBrush(colour));
        }
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        const bool disabled = lParam && !::IsWindowEnabled(reinterpret_cast<HWND>(lParam));
        ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(m_brush.Get());
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

bool CSettingsPage::OnEraseBkgnd(HDC dc) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    if (m_picture && !m_picture->IsNull()) {
        m_picture->Draw(dc, 0, 0, rc.right, rc.bottom, m_offset.x, m_offset.y, rc.right, rc.bottom);
    } else {
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
    }
    return true;
}

void CSettingsPage::Place(const ControlPlace* places, size_t count) const {
    vt::PlaceControls(m_hWnd, places, count);
}

void CSettingsPage::SetCaptions(const ControlCaption* captions, size_t count) const {
    for (size_t i = 0; i < count; ++i)
        ::SetDlgItemTextW(m_hWnd, captions[i].id, LoadLanguageText(captions[i].key).c_str());
}

int CSettingsPage::Message(const std::wstring& text, UINT flags) const {
    return ::MessageBoxW(Root(), text.c_str(), AppName().c_str(), flags);
}

std::wstring AppName() { return LoadLanguageText(L"ID_APP_NAME"); }

namespace combo {

void Fill(HWND box, const std::vector<std::wstring>& texts) {
    ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& t : texts) ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
}

int Count(HWND box) noexcept {
    const LRESULT n = ::SendMessageW(box, CB_GETCOUNT, 0, 0);
    return n > 0 ? static_cast<int>(n) : 0;
}

int Selection(HWND box) noexcept {
    const LRESULT n = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    return n >= 0 ? static_cast<int>(n) : -1;
}

void Select(HWND box, int index) noexcept { ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::wstring Text(HWND box, int index) {
    if (index < 0) return {};
    const LRESULT n = ::SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got =
        ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::vector<std::wstring> Texts(HWND box) {
    std::vector<std::wstring> texts;
    const int n = Count(box);
    for (int i = 0; i < n; ++i) texts.push_back(Text(box, i));
    return texts;
}

} // namespace combo
