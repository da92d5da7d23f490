#include "region/OverlayRenderer.h"

#include <algorithm>
#include <cstring>

namespace region {

namespace {

constexpr UINT kPlatePicture = 134;
constexpr UINT kLensPicture = 135;

DWORD* Row(const vt::CImage& image, int y) noexcept {
    return reinterpret_cast<DWORD*>(image.GetBits() + static_cast<size_t>(y) * image.GetPitch());
}

} // namespace

vt::CImage CaptureScreen(int W, int H) {
    vt::CImage shot;
    if (!shot.Create(W, H, 32)) return {};
    vt::WindowDc screen(nullptr);
    vt::UniqueMemDc mem(::CreateCompatibleDC(screen.Get()));
    if (!screen || !mem) return {};
    vt::SelectGuard sel(mem.Get(), shot.GetBitmap());
    if (!::BitBlt(mem.Get(), 0, 0, W, H, screen.Get(), 0, 0, SRCCOPY)) return {};
    ::GdiFlush();
    return shot;
}

OverlayRenderer::~OverlayRenderer() {
    m_selectFont.Reset();
    m_select.Reset();
}

bool OverlayRenderer::Init(vt::CImage screenshot, const Scene& scene) {
    m_ready = false;
    if (screenshot.IsNull() || screenshot.GetBPP() != 32) return false;
    m_W = screenshot.GetWidth();
    m_H = screenshot.GetHeight();
    m_shot = std::move(screenshot);
    if (!m_back.Create(m_W, m_H, 32)) return false;

    // The back buffer starts as the dimmed screen. The dimmed copy is not kept: halving
    // the screenshot's pixels on the way costs less than touching another picture the
    // screen's size.
    CopyRows(false, RECT{0, 0, m_W, m_H});

    m_dc.Reset(::CreateCompatibleDC(nullptr));
    if (!m_dc) return false;
    m_select = vt::SelectGuard(m_dc.Get(), m_back.GetBitmap());

    // A missing picture is simply not drawn.
    vt::LoadImageResource(m_plate, L"", kPlatePicture);
    vt::LoadImageResource(m_lens, L"", kLensPicture);

    MakeFont();
    ::SetBkMode(m_dc.Get(), TRANSPARENT);
    ::SetTextColor(m_dc.Get(), RGB(255, 255, 255));

    m_scene = Scene{};
    m_ready = true;
    Show(scene);
    return true;
}

void OverlayRenderer::MakeFont() {
    m_selectFont.Reset();
    m_font.Reset();
    // Arial, 11 pixels; where it is missing, the generic sans-serif family, which GDI+
    // may not have at all (null under Wine without fonts); else GDI's stand-in for Arial.
    // The text itself is drawn by GDI: GDI+ takes some 30 times longer per string under
    // Wine, too long for every mouse move.
    std::wstring face = L"Arial";
    Gdiplus::FontFamily arial(L"Arial");
    if (arial.GetLastStatus() != Gdiplus::Ok || !arial.IsAvailable()) {
        const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif();
        wchar_t name[LF_FACESIZE] = {};
        if (generic && generic->GetLastStatus() == Gdiplus::Ok && generic->IsAvailable() &&
            generic->GetFamilyName(name) == Gdiplus::Ok && name[0])
            face = name;
    }
    LOGFONTW lf{};
    lf.lfHeight = -11; // the em in pixels, as GDI+'s 11-pixel font
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    ::lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    m_font.Reset(::CreateFontIndirectW(&lf));
    if (m_font) m_selectFont = vt::SelectGuard(m_dc.Get(), m_font.Get());
}

std::vector<RECT> OverlayRenderer::Show(const Scene& next) {
    if (!m_ready) return {};
    std::vector<RECT> boxes = ChangedBoxes(m_scene, next, m_W, m_H);
    m_scene = next;
    for (const RECT& r : boxes) Compose(r);
    return boxes;
}

DWORD OverlayRenderer::PixelAt(int x, int y) const noexcept {
    ::GdiFlush();
    return m_back.GetPixel(x, y) & 0xFFFFFF;
}

DWORD OverlayRenderer::ScreenshotPixel(int x, int y) const noexcept { return m_shot.GetPixel(x, y) & 0xFFFFFF; }

void OverlayRenderer::CopyRows(bool bright, const RECT& r) {
    const RECT c = Intersect(r, RECT{0, 0, m_W, m_H});
    if (IsEmpty(c)) return;
    const size_t count = static_cast<size_t>(region::Width(c));
    for (int y = c.top; y < c.bottom; ++y) {
        const DWORD* src = Row(m_shot, y) + c.left;
        DWORD* dst = Row(m_back, y) + c.left;
        if (bright) {
            std::memcpy(dst, src, count * 4);
        } else {
            for (size_t x = 0; x < count; ++x) dst[x] = (src[x] >> 1) & 0x007F7F7F; // DimIsHalf
        }
    }
}

void OverlayRenderer::Fill(const RECT& r, const RECT& clip, DWORD colour) {
    const RECT c = Intersect(r, clip);
    for (int y = c.top; y < c.bottom; ++y) std::fill(Row(m_back, y) + c.left, Row(m_back, y) + c.right, colour);
}

void OverlayRenderer::Blend(const vt::CImage& picture, POINT at, const RECT& clip) {
    if (picture.IsNull() || picture.GetBPP() != 32) return;
    const RECT c = Intersect(RECT{at.x, at.y, at.x + picture.GetWidth(), at.y + picture.GetHeight()}, clip);
    for (int y = c.top; y < c.bottom; ++y) {
        const unsigned char* s = reinterpret_cast<const unsigned char*>(Row(picture, y - at.y) + (c.left - at.x));
        unsigned char* d = reinterpret_cast<unsigned char*>(Row(m_back, y) + c.left);
        for (int x = c.left; x < c.right; ++x, s += 4, d += 4) {
            const unsigned keep = 255 - s[3]; // premultiplied: source + destination * (1 - alpha)
            if (keep == 255) continue;
            d[0] = static_cast<unsigned char>(s[0] + (d[0] * keep + 127) / 255);
            d[1] = static_cast<unsigned char>(s[1] + (d[1] * keep + 127) / 255);
            d[2] = static_cast<unsigned char>(s[2] + (d[2] * keep + 127) / 255);
        }
    }
}

void OverlayRenderer::DrawZoom(const RECT& box, POINT p, const RECT& clip) {
    const ZoomRange z = ZoomSource(p, m_W, m_H);
    for (int r = z.r0; r <= z.r1; ++r) {
        for (int c = z.c0; c <= z.c1; ++c) {
            const POINT o = ZoomCellOrigin(box, p, c, r);
            Fill(RECT{o.x, o.y, o.x + kZoomCell, o.y + kZoomCell}, clip, Row(m_shot, r)[c]);
        }
    }
}

void OverlayRenderer::DrawText(const std::wstring& text, const RECT& box, bool centred, const RECT& clip) {
    if (!m_font) return; // drawing failures of texts are ignored
    const RECT c = Intersect(box, clip);
    if (IsEmpty(c)) return;
    vt::DcState state(m_dc.Get());
    ::IntersectClipRect(m_dc.Get(), c.left, c.top, c.right, c.bottom);
    RECT r = box;
    const UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | (centred ? DT_CENTER | DT_VCENTER : DT_LEFT | DT_TOP);
    ::DrawTextW(m_dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, format);
    ::GdiFlush(); // the pixels are written directly next
}

void OverlayRenderer::Compose(const RECT& rIn) {
    const RECT r = Intersect(rIn, RECT{0, 0, m_W, m_H});
    if (IsEmpty(r)) return;
    const Scene& s = m_scene;

    // Dimmed screen, true pixels inside the selection.
    CopyRows(false, r);
    if (s.style != FrameStyle::None) CopyRows(true, Intersect(r, s.sel));

    if (s.style == FrameStyle::Band) {
        const RECT o = Grow(s.sel, 4);
        Fill(RECT{o.left, o.top, o.right, s.sel.top}, r, kFrameColour);
        Fill(RECT{o.left, s.sel.bottom, o.right, o.bottom}, r, kFrameColour);
        Fill(RECT{o.left, s.sel.top, s.sel.left, s.sel.bottom}, r, kFrameColour);
        Fill(RECT{s.sel.right, s.sel.top, o.right, s.sel.bottom}, r, kFrameColour);
    } else if (s.style == FrameStyle::Handles) {
        const RECT& q = s.sel;
        Fill(RECT{q.left, q.top, q.right, q.top + 1}, r, kFrameColour);
        Fill(RECT{q.left, q.bottom - 1, q.right, q.bottom}, r, kFrameColour);
        Fill(RECT{q.left, q.top, q.left + 1, q.bottom}, r, kFrameColour);
        Fill(RECT{q.right - 1, q.top, q.right, q.bottom}, r, kFrameColour);
        for (const RECT& h : Handles(q)) Fill(h, r, kFrameColour);

        // The label's place is cleared from the picture it lies on, then the plate and
        // the size go over it.
        const LabelPlace label = LabelPlacement(q);
        if (Meets(label.box, r)) {
            CopyRows(label.inside, Intersect(label.box, r));
            Blend(m_plate, POINT{label.box.left, label.box.top}, r);
            DrawText(SizeText(region::Width(q), region::Height(q)), label.box, true, r);
        }
    }

    if (s.magnifier) {
        const RECT box = MagnifierBox(s.magPoint, m_W, m_H);
        if (Meets(box, r)) {
            DrawZoom(box, s.magPoint, r);
            Blend(m_lens, POINT{box.left, box.top}, r);
            const DWORD px = m_shot.GetPixel(s.magPoint.x, s.magPoint.y);
            const POINT l1 = MagnifierTextOrigin(box, 0), l2 = MagnifierTextOrigin(box, 1);
            DrawText(MagnifierFirstLine(s), RECT{l1.x, l1.y, box.right - 3, l2.y}, false, r);
            DrawText(ColourText((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF),
                     RECT{l2.x, l2.y, box.right - 3, box.bottom - 3}, false, r);
        }
    }
}

} // namespace region
