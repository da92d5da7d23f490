// The region frame (corner marks of the recorded rectangle) and the record control bar
// that belongs with a rectangle. The main window owns both: it creates the frame when a
// region is set, the bar with the first frame for a rectangle, and destroys them together.
// Neither destroys itself: to go away they post WM_REMOVE_REGION_FRAME to the main window.
#pragma once

#include <windows.h>
#include <memory>
#include <string>

class IRecordControlBar {
public:
    // Control ids of the bar's buttons.
    static constexpr int kRecord = 1063;
    static constexpr int kPause = 1002;
    static constexpr int kStop = 1066;
    static constexpr int kCamera = 1087;

    virtual ~IRecordControlBar() = default;
    // The bar's window (placed by the frame), or null.
    virtual HWND Window() const = 0;
    // The clock, every tick of the recording ("00:00-0KB" before the first).
    virtual void SetTimeText(const std::wstring& text) = 0;
    // A skinned button's enabled flag and window state together.
    virtual void EnableButton(int id, bool enabled) = 0;
    virtual void ShowButton(int id, bool shown) = 0;
};

class IRegionFrame {
public:
    virtual ~IRegionFrame() = default;
    // Marks the region: the whole screen, or rect (screen pixels) with the window it was
    // taken from (may be null). A bar given here is placed beside a rectangle region.
    virtual void SetRegion(bool fullScreen, const RECT& rect, HWND window, IRecordControlBar* bar) = 0;
};

// Hidden helper window with the blink timer and the four corner windows; null on failure.
std::unique_ptr<IRegionFrame> CreateRegionFrame();
// The bar, created hidden; its camera button is enabled when recordObject is not 1 and
// the main window has a camera window.
// Its commands go to RecorderHost(). Null on failure.
std::unique_ptr<IRecordControlBar> CreateRecordControlBar(int recordObject);
