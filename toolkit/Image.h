// A picture held as a DIB section: 32 bits per pixel with premultiplied alpha when the
// source has alpha, else 24 bits. Drawn with per-pixel alpha or a stretched copy.
#pragma once

#include "toolkit/Raii.h"

namespace vt {

class CImage {
public:
    CImage() noexcept = default;
    CImage(CImage&&) noexcept = default;
    CImage& operator=(CImage&&) noexcept = default;

    bool IsNull() const noexcept { return !m_bitmap; }
    int GetWidth() const noexcept { return m_width; }
    int GetHeight() const noexcept { return m_height; }
    int GetBPP() const noexcept { return m_bpp; }
    HBITMAP GetBitmap() const noexcept { return m_bitmap.Get(); }
    // Top row first; GetPitch bytes per row.
    unsigned char* GetBits() const noexcept { return m_bits; }
    int GetPitch() const noexcept { return m_pitch; }
    // Pixel as 0xAARRGGBB (alpha 0xFF for 24-bit pictures).
    DWORD GetPixel(int x, int y) const noexcept;

    bool Create(int width, int height, int bpp) noexcept;
    void Destroy() noexcept;

    // Whole picture into dst, or a part of it (source rectangle) stretched.
    bool Draw(HDC dc, const RECT& dst) const noexcept;
    bool Draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const noexcept;

private:
    UniqueBitmap m_bitmap;
    unsigned char* m_bits = nullptr;
    int m_width = 0, m_height = 0, m_bpp = 0, m_pitch = 0;
};

// From the file when filePath is not empty, else from the program's "PNG" resource
// pngId. 32-bit pictures are premultiplied (channel * alpha / 255, integer division).
// Returns 1 on success, 0 on failure. Needs GDI+ started.
int LoadImageResource(CImage& image, const wchar_t* filePath, UINT pngId);

} // namespace vt
