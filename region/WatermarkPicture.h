// The watermark's picture file, decoded once into memory (the file is not kept open),
// and drawn scaled with the watermark's transparency.
#pragma once

#include "region/OverlayLayout.h"
#include "toolkit/GdiPlus.h"

#include <memory>
#include <string>

class CWatermarkPicture {
public:
    // Files larger than this, or pictures of more pixels, are not decoded.
    static constexpr int64_t kMaxFileBytes = 256ll * 1024 * 1024;
    static constexpr int64_t kMaxPixels = 40ll * 1000 * 1000;

    // False for a missing file, a folder, anything undecodable or too large; the old
    // picture is gone either way.
    bool Load(const std::wstring& path);
    void Reset() noexcept { m_bitmap.reset(); m_path.clear(); }
    bool IsNull() const noexcept { return !m_bitmap; }
    const std::wstring& Path() const noexcept { return m_path; }
    int Width() const noexcept;
    int Height() const noexcept;

    // Draws the picture scaled to size at (x, y) with the alpha factor, touching only the
    // part inside the graphics' clip.
    void Draw(Gdiplus::Graphics& g, int x, int y, OverlaySize size, float alpha) const;

private:
    std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
    std::wstring m_path;
};

// Whether a file (not a folder) exists at the path.
bool FileExists(const std::wstring& path);
