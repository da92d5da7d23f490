// Real windows for the overlay and camera tests: waiting with a deadline, pixels read
// from the screen as the recorder reads them, a plain coloured window to put overlays
// on, modal dialogs driven from inside their loop, and the virtual devices.
#pragma once

#include "toolkit/Dialog.h"
#include "toolkit/Wnd.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Runs this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// A copy of part of the screen (screen coordinates), as BitBlt from the screen gives it.
class ScreenShot {
public:
    explicit ScreenShot(const RECT& area);
    COLORREF At(int x, int y) const;  // screen coordinates; CLR_INVALID outside
    // How many pixels of the rectangle (screen coordinates) pass the test.
    int Count(const RECT& r, const std::function<bool(COLORREF)>& test) const;

private:
    RECT m_area;
    std::vector<DWORD> m_pixels;
};

bool Near(COLORREF c, int r, int g, int b, int tolerance = 3);

// A plain window of one colour, below every topmost window.
class SolidWindow : public vt::CWnd {
public:
    SolidWindow(const RECT& rect, COLORREF colour);
    ~SolidWindow() override;

protected:
    bool OnEraseBkgnd(HDC dc) override;
    bool OnPaint() override;

private:
    COLORREF m_colour;
};

// English texts for the windows under test.
void SelectEnglish();

// Sets VISTREL_VIRTUAL_DEVICES while it lives.
class VirtualDevices {
public:
    explicit VirtualDevices(const wchar_t* value) { ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", value); }
    ~VirtualDevices() { ::SetEnvironmentVariableW(L"VISTREL_VIRTUAL_DEVICES", nullptr); }
};

// Runs the dialog modally; once it is up, script runs from inside its loop (it must
// end the dialog).
INT_PTR RunModal(vt::CDialog& dialog, std::function<void(HWND)> script, HWND owner = nullptr);

// Calls action; a message box captioned so that appears meanwhile is read and answered
// with OK. Returns its text, empty when none appeared within the time.
std::wstring AnswerMessageBox(const std::wstring& caption, const std::function<void()>& action);

// The left button pressed on a control as a click (BN_CLICKED to its dialog).
void Click(HWND dialog, int id);

// A PNG of the given size in the temporary folder: left half red, right half blue.
std::wstring WriteRedBluePicture(const std::wstring& name, int width, int height);
// A file of the given bytes in the temporary folder.
std::wstring WriteTempFile(const std::wstring& name, const std::string& bytes);

// Private bytes of the process, for leak checks.
size_t PrivateBytes();
