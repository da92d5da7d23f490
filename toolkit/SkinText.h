// Text drawing shared by the skinned controls and the skinned windows.
#pragma once

#include <windows.h>
#include <string>

namespace vt {

// The font every skinned text uses: lfHeight = height (cell height in pixels), the weight,
// PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, the face cut to the LOGFONT's 32 units.
LOGFONTW SkinLogFont(const wchar_t* face, int height, int weight) noexcept;

// Draws text with a transparent background. Unless the format has DT_SINGLELINE: with
// lineBreak set, a text wider than the rectangle is split into two lines at the share of
// characters that fits ("\n\r" inserted), a text that fits is drawn on one line. Always
// adds DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS.
void DrawSkinText(HDC dc, const RECT& rc, const std::wstring& text, COLORREF colour, const wchar_t* face,
                  int height, int weight, UINT format, bool lineBreak);

// The text as DrawSkinText lays it out (for the measured width given); exposed for tests.
std::wstring BreakSkinText(const std::wstring& text, int rectWidth, int textWidth, bool* singleLine);

} // namespace vt
