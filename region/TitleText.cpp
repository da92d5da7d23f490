#include "region/TitleText.h"

#include "region/OverlayLayout.h"
#include "toolkit/Raii.h"

#include <cwchar>

using namespace Gdiplus;

namespace {

std::unique_ptr<FontFamily> Available(FontFamily* f) {
    std::unique_ptr<FontFamily> owned(f);
    if (!owned || owned->GetLastStatus() != Ok || !owned->IsAvailable()) return nullptr;
    return owned;
}

// Near alignment both ways, no wrapping.
struct NearFormat : StringFormat {
    NearFormat() : StringFormat(StringFormatFlagsNoWrap) {
        SetAlignment(StringAlignmentNear);
        SetLineAlignment(StringAlignmentNear);
    }
};

} // namespace

std::wstring TitleTextOf(const TitleSettings& s) {
    return std::wstring(s.szTitle, wcsnlen(s.szTitle, kSettingsTextChars));
}

Color OpaqueColor(COLORREF c) noexcept {
    return Color(255, GetRValue(c), GetGValue(c), GetBValue(c));
}

std::unique_ptr<FontFamily> ResolveTitleFamily(const wchar_t* face) {
    wchar_t name[LF_FACESIZE] = L"Times New Roman";
    if (face && *face) wcsncpy_s(name, face, _TRUNCATE);
    if (auto f = Available(new FontFamily(name))) return f;
    // Some systems (Wine) have no generic sans-serif family at all.
    if (const FontFamily* generic = FontFamily::GenericSansSerif(); generic && generic->IsAvailable())
        if (auto f = Available(generic->Clone())) return f;
    // GDI always finds some face for a name; take the family it settles on.
    vt::UniqueMemDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return nullptr;
    LOGFONTW lf{};
    lf.lfHeight = -20;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(lf.lfFaceName, name, _TRUNCATE);
    Gdiplus::Font gdiFont(dc.Get(), &lf);
    if (gdiFont.GetLastStatus() != Ok) return nullptr;
    FontFamily family;
    if (gdiFont.GetFamily(&family) != Ok) return nullptr;
    return Available(family.Clone());
}

TitleFont TitleFont::Make(const TitleSettings& s) {
    TitleFont t;
    const int64_t fs = TitleFontPixels(s.lfFont.lfHeight);
    if (fs > kMaxTitlePixels) return t;
    wchar_t face[LF_FACESIZE]{};
    wcsncpy_s(face, s.lfFont.lfFaceName, _TRUNCATE);
    auto family = ResolveTitleFamily(face);
    if (!family) return t;
    auto font = std::make_unique<Gdiplus::Font>(family.get(), static_cast<REAL>(fs), FontStyleRegular, UnitPixel);
    if (font->GetLastStatus() != Ok) return t;
    t.m_family = std::move(family);
    t.m_font = std::move(font);
    t.m_em = static_cast<float>(fs);
    return t;
}

bool TitleFont::MeasureOutline(const std::wstring& text, float* w, float* h) const {
    *w = *h = 0.0f;
    if (!m_font) return false;
    if (text.empty()) return true;
    GraphicsPath path;
    const NearFormat format;
    if (path.AddString(text.c_str(), static_cast<INT>(text.size()), m_family.get(), FontStyleRegular, m_em,
                       PointF(0.0f, 0.0f), &format) != Ok)
        return false;
    RectF bounds;
    if (path.GetBounds(&bounds) != Ok) return false;
    *w = bounds.Width;
    *h = bounds.Height;
    return true;
}

void TitleFont::DrawText(Graphics& g, const std::wstring& text, PointF at, COLORREF colour) const {
    if (!m_font || text.empty()) return;
    SolidBrush brush(OpaqueColor(colour));
    const NearFormat format;
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), m_font.get(), at, &format, &brush);
}

void TitleFont::DrawShadow(Graphics& g, const std::wstring& text, PointF shadowAt, const RectF& dest,
                           COLORREF colour) const {
    const INT hw = static_cast<INT>(dest.Width) / 2, hh = static_cast<INT>(dest.Height) / 2;
    if (!m_font || hw <= 0 || hh <= 0) return;
    Bitmap half(hw, hh, PixelFormat32bppPARGB);
    if (half.GetLastStatus() != Ok) return;
    {
        Graphics hg(&half);
        hg.Clear(Color(0, 0, 0, 0));
        hg.SetTextRenderingHint(TextRenderingHintAntiAlias);
        hg.ScaleTransform(0.5f, 0.5f);
        hg.TranslateTransform(2.0f, 2.0f, MatrixOrderAppend);
        DrawText(hg, text, shadowAt, colour);
    }
    const InterpolationMode mode = g.GetInterpolationMode();
    g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
    g.DrawImage(&half, dest);
    g.SetInterpolationMode(mode);
}
