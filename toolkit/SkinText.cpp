#include "toolkit/SkinText.h"

#include "toolkit/Raii.h"

#include <cwchar>

namespace vt {

LOGFONTW SkinLogFont(const wchar_t* face, int height, int weight) noexcept {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = PROOF_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    if (face) {
        // Cut, not overrun: the face field holds 31 characters and the terminator.
        const size_t n = std::wcslen(face);
        const size_t take = n < LF_FACESIZE - 1 ? n : LF_FACESIZE - 1;
        std::wmemcpy(lf.lfFaceName, face, take);
        lf.lfFaceName[take] = L'\0';
    }
    return lf;
}

std::wstring BreakSkinText(const std::wstring& text, int rectWidth, int textWidth, bool* singleLine) {
    *singleLine = false;
    if (textWidth > rectWidth && textWidth > 0 && rectWidth > 0) {
        const long long at = static_cast<long long>(text.size()) * rectWidth / textWidth - 1;
        if (at > 0 && at < static_cast<long long>(text.size())) {
            std::wstring out = text;
            out.insert(static_cast<size_t>(at), L"\n\r");
            return out;
        }
        return text;
    }
    if (textWidth <= rectWidth) *singleLine = true;
    return text;
}

void DrawSkinText(HDC dc, const RECT& rc, const std::wstring& text, COLORREF colour, const wchar_t* face,
                  int height, int weight, UINT format, bool lineBreak) {
    const LOGFONTW lf = SkinLogFont(face, height, weight);
    UniqueFont font(::CreateFontIndirectW(&lf));
    SelectGuard sel(dc, font.Get());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, colour);

    std::wstring shown = text;
    if (!(format & DT_SINGLELINE) && !text.empty() && lineBreak) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        bool single = false;
        shown = BreakSkinText(text, rc.right - rc.left, size.cx, &single);
        if (single) format |= DT_SINGLELINE;
    }
    RECT r = rc;
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &r,
                format | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

} // namespace vt
