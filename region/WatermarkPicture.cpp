#include "region/WatermarkPicture.h"

#include "toolkit/Raii.h"

#include <shlwapi.h>

#include <algorithm>
#include <vector>

using namespace Gdiplus;

bool FileExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CWatermarkPicture::Load(const std::wstring& path) {
    Reset();
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    const int64_t size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size <= 0 || size > kMaxFileBytes) return false;

    vt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    DWORD got = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())
        return false;
    file.Reset();

    vt::ComPtr<IStream> stream = vt::ComPtr<IStream>::Attach(::SHCreateMemStream(bytes.data(), got));
    if (!stream) return false;
    Bitmap source(stream.Get());
    if (source.GetLastStatus() != Ok) return false;
    const UINT w = source.GetWidth(), h = source.GetHeight();
    if (w == 0 || h == 0 || static_cast<int64_t>(w) * h > kMaxPixels) return false;

    // Decoded now, once: the stream and the file are not needed any more.
    auto copy = std::make_unique<Bitmap>(static_cast<INT>(w), static_cast<INT>(h), PixelFormat32bppPARGB);
    if (!copy || copy->GetLastStatus() != Ok) return false;
    {
        Graphics g(copy.get());
        if (g.GetLastStatus() != Ok) return false;
        g.SetCompositingMode(CompositingModeSourceCopy);
        if (g.DrawImage(&source, 0, 0, static_cast<INT>(w), static_cast<INT>(h)) != Ok) return false;
    }
    m_bitmap = std::move(copy);
    m_path = path;
    return true;
}

int CWatermarkPicture::Width() const noexcept { return m_bitmap ? static_cast<int>(m_bitmap->GetWidth()) : 0; }
int CWatermarkPicture::Height() const noexcept { return m_bitmap ? static_cast<int>(m_bitmap->GetHeight()) : 0; }

void CWatermarkPicture::Draw(Graphics& g, int x, int y, OverlaySize size, float alpha) const {
    if (!m_bitmap || size.cx <= 0 || size.cy <= 0 || alpha <= 0.0f) return;
    // Only the visible part is scaled: a large picture at its full size costs no more
    // than the few pixels that show.
    RectF clip;
    g.GetVisibleClipBounds(&clip);
    const RectF dest(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(size.cx),
                     static_cast<REAL>(size.cy));
    RectF part;
    if (!RectF::Intersect(part, dest, clip) || part.Width <= 0 || part.Height <= 0) return;
    const REAL sx = static_cast<REAL>(Width()) / dest.Width, sy = static_cast<REAL>(Height()) / dest.Height;
    ColorMatrix m = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, alpha, 0}, {0, 0, 0, 0, 1}}};
    ImageAttributes attributes;
    attributes.SetColorMatrix(&m);
    g.DrawImage(m_bitmap.get(), part, (part.X - dest.X) * sx, (part.Y - dest.Y) * sy, part.Width * sx,
                part.Height * sy, UnitPixel, &attributes);
}
