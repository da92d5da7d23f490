// Draws the selection overlay's scene into a back buffer the size of the screen: the
// dimmed screenshot, the true pixels inside the selection, the picking band or outline
// and handles, the size label and the magnifier. Only the parts that change between two
// scenes are composed again; the window copies those from the back buffer.
#pragma once

#include "region/SceneBoxes.h"
#include "toolkit/GdiPlus.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"

#include <string>
#include <vector>

namespace region {

// Colour of the outline, handles and picking band (0xAARRGGBB).
constexpr DWORD kFrameColour = 0xFF00AEFF;

// Black at alpha 128 over a channel value, as GDI+ blends it.
constexpr unsigned char DimChannel(unsigned c) noexcept { return static_cast<unsigned char>((c * 127 + 127) / 255); }
// ... which is exactly half of it, rounded down: four channels at a time by a shift.
constexpr bool DimIsHalf() noexcept {
    for (unsigned c = 0; c < 256; ++c)
        if (DimChannel(c) != (c >> 1)) return false;
    return true;
}
static_assert(DimIsHalf());

// The screen copied from the display into a 32-bit picture; null on failure.
vt::CImage CaptureScreen(int W, int H);

class OverlayRenderer {
public:
    OverlayRenderer() = default;
    ~OverlayRenderer();
    OverlayRenderer(const OverlayRenderer&) = delete;
    OverlayRenderer& operator=(const OverlayRenderer&) = delete;

    // Takes the screenshot (32 bits per pixel) and composes the scene over it. False when
    // the pictures cannot be made; the overlay cannot open then.
    bool Init(vt::CImage screenshot, const Scene& scene);
    bool IsReady() const noexcept { return m_ready; }
    int Width() const noexcept { return m_W; }
    int Height() const noexcept { return m_H; }

    // Composes the new scene where it differs from the one shown and returns those
    // boxes (disjoint, on the screen).
    std::vector<RECT> Show(const Scene& next);
    const Scene& Shown() const noexcept { return m_scene; }

    // The back buffer, to copy from; and its pixels (0x00RRGGBB) for tests.
    HDC Dc() const noexcept { return m_dc.Get(); }
    DWORD PixelAt(int x, int y) const noexcept;
    DWORD ScreenshotPixel(int x, int y) const noexcept;
    bool HasFont() const noexcept { return static_cast<bool>(m_font); }

private:
    void Compose(const RECT& r);
    // The screenshot into the back buffer, as it is (bright) or dimmed.
    void CopyRows(bool bright, const RECT& r);
    void Fill(const RECT& r, const RECT& clip, DWORD colour);
    void Blend(const vt::CImage& picture, POINT at, const RECT& clip);
    void DrawZoom(const RECT& box, POINT p, const RECT& clip);
    void DrawText(const std::wstring& text, const RECT& box, bool centred, const RECT& clip);
    void MakeFont();

    int m_W = 0, m_H = 0;
    bool m_ready = false;
    vt::CImage m_shot, m_back;
    vt::CImage m_plate, m_lens; // 134 size label, 135 magnifier frame
    vt::UniqueMemDc m_dc;
    vt::SelectGuard m_select;
    vt::UniqueFont m_font;
    vt::SelectGuard m_selectFont;
    Scene m_scene;
};

} // namespace region
