#include "toolkit/Image.h"

#include "toolkit/GdiPlus.h"
#include "toolkit/Wnd.h"

#include <cstring>
#include <memory>

namespace vt {

bool CImage::Create(int width, int height, int bpp) noexcept {
    Destroy();
    if (width <= 0 || height <= 0 || (bpp != 24 && bpp != 32)) return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_bitmap || !bits) {
        m_bitmap.Reset();
        return false;
    }
    m_bits = static_cast<unsigned char*>(bits);
    m_width = width;
    m_height = height;
    m_bpp = bpp;
    m_pitch = ((width * bpp + 31) / 32) * 4;
    return true;
}

void CImage::Destroy() noexcept {
    m_bitmap.Reset();
    m_bits = nullptr;
    m_width = m_height = m_bpp = m_pitch = 0;
}

DWORD CImage::GetPixel(int x, int y) const noexcept {
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const unsigned char* p = m_bits + static_cast<size_t>(y) * m_pitch + static_cast<size_t>(x) * (m_bpp / 8);
    const DWORD a = m_bpp == 32 ? p[3] : 0xFF;
    return (a << 24) | (DWORD(p[2]) << 16) | (DWORD(p[1]) << 8) | p[0];
}

bool CImage::Draw(HDC dc, const RECT& dst) const noexcept {
    return Draw(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, 0, 0, m_width, m_height);
}

bool CImage::Draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const noexcept {
    if (!m_bitmap || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return false;
    UniqueMemDc mem(::CreateCompatibleDC(dc));
    if (!mem) return false;
    SelectGuard sel(mem.Get(), m_bitmap.Get());
    if (m_bpp == 32) {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        return ::AlphaBlend(dc, x, y, w, h, mem.Get(), sx, sy, sw, sh, bf) != FALSE;
    }
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    const BOOL ok = ::StretchBlt(dc, x, y, w, h, mem.Get(), sx, sy, sw, sh, SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
    return ok != FALSE;
}

namespace {

bool FromGdiplus(CImage& image, Gdiplus::Bitmap& bmp) {
    if (bmp.GetLastStatus() != Gdiplus::Ok) return false;
    const int w = static_cast<int>(bmp.GetWidth()), h = static_cast<int>(bmp.GetHeight());
    const bool alpha = Gdiplus::IsAlphaPixelFormat(bmp.GetPixelFormat()) != FALSE;
    if (!image.Create(w, h, alpha ? 32 : 24)) return false;

    // Let GDI+ write straight into the DIB section in the format we want.
    Gdiplus::BitmapData data{};
    data.Width = static_cast<UINT>(w);
    data.Height = static_cast<UINT>(h);
    data.Stride = image.GetPitch();
    data.PixelFormat = alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    data.Scan0 = image.GetBits();
    Gdiplus::Rect rc(0, 0, w, h);
    if (bmp.LockBits(&rc, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, data.PixelFormat,
                     &data) != Gdiplus::Ok) {
        image.Destroy();
        return false;
    }
    bmp.UnlockBits(&data);

    if (alpha) {
        for (int y = 0; y < h; ++y) {
            unsigned char* p = image.GetBits() + static_cast<size_t>(y) * image.GetPitch();
            for (int x = 0; x < w; ++x, p += 4) {
                const unsigned a = p[3];
                p[0] = static_cast<unsigned char>(p[0] * a / 255);
                p[1] = static_cast<unsigned char>(p[1] * a / 255);
                p[2] = static_cast<unsigned char>(p[2] * a / 255);
            }
        }
    }
    return true;
}

} // namespace

int LoadImageResource(CImage& image, const wchar_t* filePath, UINT pngId) {
    image.Destroy();
    if (filePath && *filePath) {
        Gdiplus::Bitmap bmp(filePath);
        return FromGdiplus(image, bmp) ? 1 : 0;
    }
    HINSTANCE inst = ResourceInstance();
    HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(pngId), L"PNG");
    if (!res) return 0;
    const DWORD size = ::SizeofResource(inst, res);
    HGLOBAL loaded = ::LoadResource(inst, res);
    const void* src = loaded ? ::LockResource(loaded) : nullptr;
    if (!src || size == 0) return 0;

    UniqueHGlobal copy(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy) return 0;
    void* dst = ::GlobalLock(copy.Get());
    if (!dst) return 0;
    std::memcpy(dst, src, size);
    ::GlobalUnlock(copy.Get());

    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(copy.Get(), TRUE, stream.Put()))) return 0;
    copy.Release(); // the stream frees it now
    std::unique_ptr<Gdiplus::Bitmap> bmp(Gdiplus::Bitmap::FromStream(stream.Get()));
    return bmp && FromGdiplus(image, *bmp) ? 1 : 0;
}

} // namespace vt
