// Real windows for the skin tests: a parent that paints one colour and records the
// slider notices, strips written as PNG files, and pixels read back from the screen.
#pragma once

#include "toolkit/Wnd.h"

#include <string>
#include <vector>

struct SliderNotice {
    WPARAM value;
    HWND slider;
};

class TestParent : public vt::CWnd {
public:
    explicit TestParent(COLORREF colour = RGB(255, 0, 255), int cx = 320, int cy = 200);
    ~TestParent() override;
    HWND Hwnd() const noexcept { return m_hWnd; }
    std::vector<SliderNotice> notices;
    COLORREF colour;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// Runs the queued messages (and paints) of this thread.
void Pump();
// Pumps, then reads the pixel at (x, y) of the window's client area as RGB.
COLORREF PixelAt(HWND hwnd, int x, int y);

// Writes a strip: frames of frameWidth x height, each one opaque colour (0xAARRGGBB;
// alpha 0 means transparent). Returns the file's path.
std::wstring WriteStrip(const std::wstring& name, int frameWidth, int height, const std::vector<unsigned>& frames);
// Writes a picture pixel by pixel (0xAARRGGBB).
std::wstring WritePicture(const std::wstring& name, int width, int height, unsigned (*pixel)(int x, int y));
