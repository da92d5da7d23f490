// Real input, pumping and pixels for the region windows' tests and benchmark.
#pragma once

#include "toolkit/Image.h"
#include "toolkit/Wnd.h"

#include <functional>
#include <string>

namespace rt {

// Runs this thread's messages for ms milliseconds (a message wait, so that Wine puts the
// windows' pixels on the display).
void PumpFor(DWORD ms);
// Pumps until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Real input through SendInput, pumped after each event.
void MoveMouse(int x, int y);
void LeftDown(int x, int y);
void LeftUp(int x, int y);
void RightClick(int x, int y);
void Drag(POINT from, POINT to, int steps);
void PressKey(WORD vk);

// A screen pixel as RGB (0x00RRGGBB), after a pumped message wait.
DWORD ScreenPixel(int x, int y);
// The whole screen at once, after a pumped message wait (GetPixel gives 0xAARRGGBB).
vt::CImage Screen();
// R = x & 255, G = y & 255, B = the high bits of both: every pixel tells where it is.
vt::CImage CodedScreenshot(int W, int H);
inline DWORD CodedPixel(int x, int y) {
    return (static_cast<DWORD>(x & 255) << 16) | (static_cast<DWORD>(y & 255) << 8) |
           static_cast<DWORD>(((x >> 8) & 15) | (((y >> 8) & 15) << 4));
}
// Saves the screen for a look when VISTREL_REVIEW_DIR is set (a BMP file of that name).
void SaveScreenForReview(const wchar_t* name);

// A top-level window (or child) that paints one colour.
class ColourWindow : public vt::CWnd {
public:
    ColourWindow(COLORREF colour, const RECT& rect, HWND parent = nullptr, DWORD style = WS_POPUP | WS_VISIBLE,
                 DWORD exStyle = 0);
    HWND Hwnd() const noexcept { return m_hWnd; }
    COLORREF colour;

protected:
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
};

} // namespace rt
