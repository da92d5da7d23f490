#include "region/VideoLogo.h"

#include "region/WatermarkPicture.h"
#include "resources/ids/overlays.h"
#include "toolkit/Layered.h"
#include "toolkit/MemDC.h"
#include "toolkit/Trace.h"

#include <cwchar>

using namespace Gdiplus;

CDlgVideoLogo::CDlgVideoLogo() : vt::CDialog(IDD_VIDEO_LOGO) {}
CDlgVideoLogo::~CDlgVideoLogo() = default;

bool CDlgVideoLogo::Create() { return vt::CDialog::Create(nullptr); }

BOOL CDlgVideoLogo::OnInitDialog() {
    ::ShowWindow(m_hWnd, SW_HIDE);
    const LONG_PTR ex = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, -100, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    return FALSE;
}

bool CDlgVideoLogo::SetTitle(const TitleSettings& title) {
    m_title = title;
    m_titleFont = TitleFont::Make(title);
    m_kind = kOverlayTitle;
    return static_cast<bool>(m_titleFont);
}

bool CDlgVideoLogo::SetWatermark(const WatermarkSettings& watermark) {
    m_watermark = watermark;
    m_kind = kOverlayWatermark;
    m_composed.Reset();
    m_picture = std::make_unique<CWatermarkPicture>();
    return m_picture->Load(std::wstring(watermark.szPath, wcsnlen(watermark.szPath, kSettingsTextChars)));
}

void CDlgVideoLogo::SetTime() {
    m_kind = kOverlayTime;
    m_timeFont.Reset(::CreateFontW(-18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, L"Times New Roman"));
}

OverlaySize CDlgVideoLogo::GetOverlaySize() {
    OverlaySize size = kEmptyOverlaySize;
    switch (m_kind) {
    case kOverlayWatermark:
        size = m_picture ? WatermarkOverlaySize(m_watermark.nZoom, m_picture->Width(), m_picture->Height())
                         : OverlaySize{};
        break;
    case kOverlayTime: {
        vt::UniqueMemDc dc(::CreateCompatibleDC(nullptr));
        HGDIOBJ font = m_timeFont ? static_cast<HGDIOBJ>(m_timeFont.Get()) : ::GetStockObject(DEFAULT_GUI_FONT);
        vt::SelectGuard select(dc.Get(), font);
        const std::wstring text = CurrentTimeText();
        SIZE extent{};
        if (dc && ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent))
            size = {extent.cx, extent.cy};
        else
            size = {};
        break;
    }
    case kOverlayTitle: {
        float w = 0, h = 0;
        if (m_titleFont && m_titleFont.MeasureOutline(TitleTextOf(m_title), &w, &h))
            size = TitleOverlaySize(TitleFontPixels(m_title.lfFont.lfHeight), w, h);
        else
            size = {};
        break;
    }
    default:
        break;
    }
    if ((m_kind == kOverlayTitle || m_kind == kOverlayTime) && size.cx > 0 && size.cy > 0 && m_hWnd) {
        vt::UniqueRgn rgn(::CreateRoundRectRgn(0, 0, size.cx + 1, size.cy + 1, 3, 3));
        vt::SetWindowRegion(m_hWnd, rgn, false);
    }
    m_size = size;
    return size;
}

bool CDlgVideoLogo::ComposeWatermark(OverlaySize size) {
    // Scaled once, with its transparency over the grey; every paint is then one copy.
    if (!m_picture || m_picture->IsNull()) return false;
    vt::WindowDc screen(nullptr);
    vt::UniqueMemDc dc(::CreateCompatibleDC(screen.Get()));
    vt::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
    if (!dc || !bitmap) return false;
    {
        vt::SelectGuard select(dc.Get(), bitmap.Get());
        Graphics g(dc.Get());
        if (g.GetLastStatus() != Ok) return false;
        SolidBrush grey(OpaqueColor(kBackground));
        g.FillRectangle(&grey, 0, 0, size.cx, size.cy);
        g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(PixelOffsetModeHalf);
        m_picture->Draw(g, 0, 0, size, WatermarkAlpha(m_watermark.nTransparency));
    }
    m_composed = std::move(bitmap);
    m_picture.reset();
    return true;
}

bool CDlgVideoLogo::PlaceIn(const RECT& recorded) {
    if (!m_hWnd) return false;
    const OverlaySize size = GetOverlaySize();
    const int x = m_kind == kOverlayTitle ? m_title.nPosX : m_watermark.nPosX;
    const int y = m_kind == kOverlayTitle ? m_title.nPosY : m_watermark.nPosY;
    const std::optional<POINT> at = PlaceOverlay(m_kind, size, recorded, x, y);
    if (!at) return false;
    if (m_kind == kOverlayWatermark && !ComposeWatermark(size)) return false;
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    ::MoveWindow(m_hWnd, at->x, at->y, size.cx, size.cy, TRUE);
    return true;
}

void CDlgVideoLogo::StartRefresh() {
    if (m_kind == kOverlayTime || m_kind == kOverlayWatermark) m_refresh.Start(m_hWnd, kRefreshTimer, 1000);
}

void CDlgVideoLogo::MakeTopmost() {
    if (m_hWnd) ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool CDlgVideoLogo::OnTimer(UINT_PTR id) {
    if (id != kRefreshTimer) return false;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return true;
}

bool CDlgVideoLogo::PreTranslateMessage(MSG* msg) {
    // No overlay closes from the keyboard.
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}

bool CDlgVideoLogo::OnPaint() {
    {
        vt::PaintDc pdc(m_hWnd);
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        vt::OffscreenDc off(pdc.Get(), client);
        Paint(off.Get(), client);
    }
    // Other topmost windows must not stay above the overlay, unless the user works in
    // one of the overlay's own pop-ups.
    if (::GetForegroundWindow() != ::GetLastActivePopup(m_hWnd)) MakeTopmost();
    return true;
}

void CDlgVideoLogo::Paint(HDC dc, const RECT& client) {
    vt::UniqueBrush grey(::CreateSolidBrush(kBackground));
    ::FillRect(dc, &client, grey.Get());
    const int w = client.right - client.left, h = client.bottom - client.top;
    switch (m_kind) {
    case kOverlayTitle: {
        if (!m_titleFont) break;
        const std::wstring text = TitleTextOf(m_title);
        Graphics g(dc);
        if (m_title.nType == 0) {
            m_titleFont.DrawText(g, text, PointF(1, 1), m_title.clrNormal);
            break;
        }
        const RectF all(0, 0, static_cast<REAL>(w), static_cast<REAL>(h));
        LinearGradientBrush gradient(all, Color(0xFF0000FF), Color(0xFFF0F8FF), 90.0f);
        g.FillRectangle(&gradient, all);
        m_titleFont.DrawShadow(g, text, PointF(1, 1), all, m_title.clrShadow);
        g.SetTextRenderingHint(TextRenderingHintAntiAlias);
        m_titleFont.DrawText(g, text, PointF(1, 1), m_title.clrNormal);
        break;
    }
    case kOverlayTime: {
        vt::DcState state(dc);
        ::SelectObject(dc, m_timeFont ? static_cast<HGDIOBJ>(m_timeFont.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::SetBkMode(dc, TRANSPARENT);
        const std::wstring text = CurrentTimeText();
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        RECT r{1, 1, extent.cx + 2, extent.cy + 2};
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_TOP | DT_NOPREFIX);
        break;
    }
    case kOverlayWatermark:
        if (m_composed) {
            vt::UniqueMemDc mem(::CreateCompatibleDC(dc));
            vt::SelectGuard select(mem.Get(), m_composed.Get());
            ::BitBlt(dc, 0, 0, m_size.cx, m_size.cy, mem.Get(), 0, 0, SRCCOPY);
        }
        break;
    default:
        break;
    }
}

void RecordingOverlays::MakeTopmost() {
    for (auto* w : {time.get(), title.get(), watermark.get()})
        if (w) w->MakeTopmost();
}

void RecordingOverlays::ShowTimeOverlay() {
    if (time) ::ShowWindow(time->GetSafeHwnd(), SW_SHOWNA);
}

void RecordingOverlays::Destroy() {
    time.reset();
    title.reset();
    watermark.reset();
}

RecordingOverlays MakeRecordingOverlays(const AdvancedSettings& s, const RECT& recorded) {
    RecordingOverlays o;
    auto make = [&](auto&& setContent, const wchar_t* what) -> std::unique_ptr<CDlgVideoLogo> {
        auto w = std::make_unique<CDlgVideoLogo>();
        if (!w->Create()) return nullptr;
        if (!setContent(*w) || !w->PlaceIn(recorded)) {
            vt::Trace(L"Overlay left out: %s", what);
            return nullptr;
        }
        w->StartRefresh();
        return w;
    };
    if (s.bNoteTime)
        o.time = make(
            [](CDlgVideoLogo& w) {
                w.SetTime();
                return true;
            },
            L"time");
    // An empty title would only put an empty box into the video.
    if (s.bNoteTitle && !TitleTextOf(s.title).empty())
        o.title = make([&](CDlgVideoLogo& w) { return w.SetTitle(s.title); }, L"title");
    if (s.bNoteWatermark)
        o.watermark = make([&](CDlgVideoLogo& w) { return w.SetWatermark(s.watermark); }, L"watermark");
    return o;
}
