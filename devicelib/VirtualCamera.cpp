#include "devicelib/Camera.h"

#include "toolkit/Raii.h"

#include <cstring>
#include <cwchar>
#include <new>

namespace devicelib {

void FillHeader(BITMAPINFOHEADER* header, int width, int height) {
    std::memset(header, 0, sizeof(*header));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(RowStride(width)) * static_cast<DWORD>(height);
}

namespace {

constexpr ULONGLONG kFrameMs = 33;      // about 30 frames a second

// Colour bars, B,G,R.
constexpr BYTE kBars[8][3] = {
    {255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
    {255, 0, 255}, {0, 0, 255}, {255, 0, 0}, {40, 40, 40},
};

class VirtualCameraImpl final : public Camera {
public:
    VirtualCameraImpl(std::wstring name, int width, int height)
        : m_name(std::move(name)), m_width(width), m_height(height), m_start(::GetTickCount64()) {}

    bool Init() {
        m_dc.Reset(::CreateCompatibleDC(nullptr));
        if (!m_dc) return false;
        BITMAPINFO bmi{};
        FillHeader(&bmi.bmiHeader, m_width, m_height);
        void* bits = nullptr;
        m_bitmap.Reset(::CreateDIBSection(m_dc.Get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!m_bitmap || !bits) return false;
        m_bits = static_cast<BYTE*>(bits);
        // Readable at 160x120, not a banner at 1280x720.
        int fontHeight = m_height / 14;
        fontHeight = fontHeight < 12 ? 12 : fontHeight > 30 ? 30 : fontHeight;
        m_font.Reset(::CreateFontW(-fontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                   DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
        m_selBitmap = vt::SelectGuard(m_dc.Get(), m_bitmap.Get());
        m_selFont = vt::SelectGuard(m_dc.Get(), m_font.Get());
        return true;
    }

    BYTE* GetFrame(int64_t* stride, int64_t* frameNumber) override {
        ULONGLONG index = (::GetTickCount64() - m_start) / kFrameMs;
        if (m_delivered && index <= m_last) return nullptr;
        m_delivered = true;
        m_last = index;
        Draw(index);
        if (stride) *stride = RowStride(m_width);
        if (frameNumber) *frameNumber = static_cast<int64_t>(index);
        return m_bits;
    }

    bool Header(BITMAPINFOHEADER* header) override {
        FillHeader(header, m_width, m_height);
        return true;
    }

private:
    void Draw(ULONGLONG index) {
        ::GdiFlush();
        const int stride = RowStride(m_width);
        int barWidth = m_width / 8 > 0 ? m_width / 8 : 1;
        int shift = static_cast<int>((index * 4) % static_cast<ULONGLONG>(m_width));
        BYTE* row = m_bits;
        for (int x = 0; x < m_width; ++x) {
            const BYTE* c = kBars[((x + shift) / barWidth) % 8];
            row[x * 3] = c[0];
            row[x * 3 + 1] = c[1];
            row[x * 3 + 2] = c[2];
        }
        for (int y = 1; y < m_height; ++y) std::memcpy(m_bits + static_cast<size_t>(y) * stride, row, stride);
        // A block running along the bottom shows motion even where the bars look alike.
        int block = m_height / 10 > 4 ? m_height / 10 : 4;
        int bx = static_cast<int>((index * 8) % static_cast<ULONGLONG>(m_width + block)) - block;
        for (int y = 0; y < block && y < m_height; ++y) {
            BYTE* r = m_bits + static_cast<size_t>(y) * stride;
            std::memset(r, 0, static_cast<size_t>(m_width) * 3);
            for (int x = bx < 0 ? 0 : bx; x < bx + block && x < m_width; ++x) {
                r[x * 3] = 255;
                r[x * 3 + 1] = 255;
                r[x * 3 + 2] = 255;
            }
        }
        HDC dc = m_dc.Get();
        ::SetBkMode(dc, OPAQUE);
        ::SetBkColor(dc, RGB(0, 0, 0));
        ::SetTextColor(dc, RGB(255, 255, 255));
        wchar_t info[64];
        std::swprintf(info, 64, L"Frame %llu  %dx%d", static_cast<unsigned long long>(index), m_width, m_height);
        RECT rc{4, 4, m_width - 4, m_height - 4};
        ::DrawTextW(dc, m_name.c_str(), -1, &rc, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        rc.top += tm.tmHeight + 2;
        ::DrawTextW(dc, info, -1, &rc, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        ::GdiFlush();
    }

    std::wstring m_name;
    int m_width;
    int m_height;
    ULONGLONG m_start;
    ULONGLONG m_last = 0;
    bool m_delivered = false;
    vt::UniqueMemDc m_dc;
    vt::UniqueBitmap m_bitmap;
    vt::UniqueFont m_font;
    vt::SelectGuard m_selBitmap;        // declared after the objects: deselected first
    vt::SelectGuard m_selFont;
    BYTE* m_bits = nullptr;
};

} // namespace

std::unique_ptr<Camera> OpenVirtualCamera(const VirtualCamera& camera, int width, int height) {
    CameraSize size = NearestSize(camera.sizes, width, height);
    if (size.width == 0 || size.height == 0) return nullptr;
    auto cam = std::unique_ptr<VirtualCameraImpl>(new (std::nothrow) VirtualCameraImpl(
        camera.name, static_cast<int>(size.width), static_cast<int>(size.height)));
    if (!cam || !cam->Init()) return nullptr;
    return cam;
}

} // namespace devicelib
