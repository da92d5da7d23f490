// Window shapes: colour-keyed and per-pixel-alpha layered windows, window regions.
#pragma once

#include "toolkit/Image.h"
#include "toolkit/Raii.h"

namespace vt {

// Makes the window layered with the colour as its transparent key: pixels of that
// colour show what is below and let the mouse through.
bool SetColorKey(HWND hwnd, COLORREF key) noexcept;

// Shows a 32-bit premultiplied picture as the layered window's whole content, at pos
// (screen) and the picture's size, with an overall alpha on top of the pixels' own.
// The window is made layered when it is not.
bool UpdateLayered(HWND hwnd, const CImage& image, POINT pos, BYTE alpha = 255) noexcept;

// Gives the region to the window. The system owns a region once it is set, so the
// owner lets go only then; on failure the region stays with the caller's owner.
bool SetWindowRegion(HWND hwnd, UniqueRgn& region, bool redraw = true) noexcept;
// Removes the window's region.
bool ClearWindowRegion(HWND hwnd, bool redraw = true) noexcept;

} // namespace vt
