// The title's font and its drawing, shared by the title overlay and the preview of the
// title settings, so that what is measured is what is drawn.
#pragma once

#include "config/RecorderSettings.h"
#include "toolkit/GdiPlus.h"

#include <memory>
#include <string>

// The one family lookup for measuring and drawing: the face (Times New Roman when
// empty), else the generic sans-serif family when the system has one, else the family
// GDI substitutes for the face; null when none of them exists.
std::unique_ptr<Gdiplus::FontFamily> ResolveTitleFamily(const wchar_t* face);

// Font and brush of a title, as the overlay and the preview draw it.
class TitleFont {
public:
    // Empty when the family cannot be resolved or the size is out of range.
    static TitleFont Make(const TitleSettings& s);

    explicit operator bool() const noexcept { return m_font != nullptr; }
    float Em() const noexcept { return m_em; }
    const Gdiplus::FontFamily* Family() const noexcept { return m_family.get(); }
    const Gdiplus::Font* Font() const noexcept { return m_font.get(); }

    // Bounds of the text's outline laid out from (0, 0); false when it cannot be measured.
    bool MeasureOutline(const std::wstring& text, float* w, float* h) const;
    // Sharp text at the point in the colour.
    void DrawText(Gdiplus::Graphics& g, const std::wstring& text, Gdiplus::PointF at, COLORREF colour) const;
    // The soft shadow: the text drawn half size (at shadowAt, then scaled by 0.5 and shifted
    // by 2) into a bitmap of half the destination, stretched over the destination.
    // Nothing when half the destination is empty.
    void DrawShadow(Gdiplus::Graphics& g, const std::wstring& text, Gdiplus::PointF shadowAt,
                    const Gdiplus::RectF& dest, COLORREF colour) const;

private:
    std::unique_ptr<Gdiplus::FontFamily> m_family;
    std::unique_ptr<Gdiplus::Font> m_font;
    float m_em = 0.0f;
};

// The title's text as stored (the field need not be terminated).
std::wstring TitleTextOf(const TitleSettings& s);
// An opaque GDI+ colour from a COLORREF.
Gdiplus::Color OpaqueColor(COLORREF c) noexcept;
