// The overlay windows a recording shows inside its rectangle: date and time, title and
// watermark, as the settings switch them on.
#pragma once

#include "config/RecorderSettings.h"

#include <windows.h>
#include <memory>
#include <vector>

class IRecordingOverlays {
public:
    virtual ~IRecordingOverlays() = default;
    // Topmost again once the recording runs.
    virtual void MakeTopmost() = 0;
    // Shows the date and time overlay, when there is one.
    virtual void ShowTimeOverlay() = 0;
    // The windows made (time, title, watermark, as there are), for checks.
    virtual std::vector<HWND> Windows() const = 0;
};

// Creates, in this order, the time (NoteTime), title (NoteTitle) and watermark
// (NoteWatermark) overlays, each placed inside rect (screen pixels) or dropped when it does
// not fit. Null when none is switched on or none could be made.
std::unique_ptr<IRecordingOverlays> CreateRecordingOverlays(const AdvancedSettings& settings, const RECT& rect);
