// What the title and watermark dialogs share: controls placed in pixels, texts by
// language key, and the position grid with its two sliders.
#pragma once

#include "toolkit/ControlPlace.h"
#include "toolkit/Image.h"
#include "toolkit/PaintWnd.h"
#include "toolkit/SkinControls.h"

#include <windows.h>
#include <cstdint>

using vt::ControlPlace;
using vt::PlaceControls;

// The language text of the key; a missing text leaves the template's own.
void SetTextByKey(HWND window, const wchar_t* key);
void SetItemTextByKey(HWND dialog, int id, const wchar_t* key);

// Gives the dialog's window that size (or its client area, the second) and centres it
// on the work area.
void SizeAndCentre(HWND dialog, int windowCx, int windowCy);
void SizeClientAndCentre(HWND dialog, int clientCx, int clientCy);

// A slider of the settings dialogs: picture 182, range 0..100.
bool CreateSettingsSlider(CNSliderEx& slider, HWND dialog, int id, int x, int y, int cx, int cy, int value);

// A settings dialog's preview: the sample picture (181) on a shadow-coloured ground,
// painted off screen; the derived preview draws what it shows over it.
class CSettingsPreview : public vt::CPaintWnd {
public:
    bool Attach(HWND hwnd);

protected:
    void Paint(HDC dc, const RECT& client) final;
    virtual void PaintOver(HDC dc, const RECT& client) = 0;

private:
    vt::CImage m_background;
};

// The nine position buttons (picture 180), three by three from (left, top).
class CPositionGrid {
public:
    bool Attach(HWND dialog, CNSliderEx& xSlider, CNSliderEx& ySlider, int left, int top, int pitch);
    // A grid button was pressed: selects it, sets x and y, moves and enables the sliders.
    // False (nothing changed) for another id or the button already selected.
    bool Press(int id, int32_t* x, int32_t* y);

private:
    CNOptionEx m_buttons[9];
    CNSliderEx* m_x = nullptr;
    CNSliderEx* m_y = nullptr;
};
