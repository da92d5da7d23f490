#include "region/DialogSupport.h"

#include "config/Language.h"
#include "region/OverlayLayout.h"

void SetTextByKey(HWND window, const wchar_t* key) {
    const std::wstring text = LoadLanguageText(key);
    if (!text.empty()) ::SetWindowTextW(window, text.c_str());
}

void SetItemTextByKey(HWND dialog, int id, const wchar_t* key) {
    if (HWND c = ::GetDlgItem(dialog, id)) SetTextByKey(c, key);
}

void SizeAndCentre(HWND dialog, int cx, int cy) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - cx) / 2;
    const int y = work.top + (work.bottom - work.top - cy) / 2;
    ::SetWindowPos(dialog, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeClientAndCentre(HWND dialog, int clientCx, int clientCy) {
    RECT r{0, 0, clientCx, clientCy};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    SizeAndCentre(dialog, r.right - r.left, r.bottom - r.top);
}

bool CreateSettingsSlider(CNSliderEx& slider, HWND dialog, int id, int x, int y, int cx, int cy, int value) {
    if (!slider.Create(dialog, id, x, y, cx, cy)) return false;
    slider.SetImage(nullptr, 182);
    slider.SetRange(0, 100);
    slider.SetValue(value);
    return true;
}

bool CPositionGrid::Attach(HWND dialog, CNSliderEx& xSlider, CNSliderEx& ySlider, int left, int top, int pitch) {
    m_x = &xSlider;
    m_y = &ySlider;
    bool ok = true;
    for (int i = 0; i < 9; ++i) {
        CNOptionEx& b = m_buttons[i];
        ok = b.SubclassDlgItem(kPositionGrid[i].id, dialog) && ok;
        b.SetStateImage(nullptr, 180, 2);
        if (HWND h = b.GetSafeHwnd()) ::MoveWindow(h, left + (i % 3) * pitch, top + (i / 3) * pitch, 16, 16, FALSE);
    }
    return ok;
}

bool CPositionGrid::Press(int id, int32_t* x, int32_t* y) {
    const GridCell* cell = FindGridCell(id);
    if (!cell) return false;
    const int index = static_cast<int>(cell - kPositionGrid);
    if (m_buttons[index].GetCheck()) return false;
    for (CNOptionEx& b : m_buttons) b.SetCheck(false);
    m_buttons[index].SetCheck(true);
    *x = cell->x;
    *y = cell->y;
    if (m_x && m_y) {
        m_x->SetValue(cell->x);
        m_y->SetValue(cell->y);
        ::EnableWindow(m_x->GetSafeHwnd(), cell->xSliderEnabled);
        ::EnableWindow(m_y->GetSafeHwnd(), cell->ySliderEnabled);
    }
    return true;
}

bool CSettingsPreview::Attach(HWND hwnd) {
    if (!vt::CWnd::Attach(hwnd)) return false;
    vt::LoadImageResource(m_background, nullptr, 181);
    return true;
}

void CSettingsPreview::Paint(HDC dc, const RECT& client) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
    if (!m_background.IsNull())
        m_background.Draw(dc, 1, 1, m_background.GetWidth(), m_background.GetHeight(), 0, 0,
                          m_background.GetWidth(), m_background.GetHeight());
    PaintOver(dc, client);
}
