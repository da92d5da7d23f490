// The region selection overlay: the user picks or draws the rectangle to record.
#pragma once

#include <windows.h>

// Results of the modal run.
constexpr INT_PTR kRegionSelectionOk = IDOK;           // 1
constexpr INT_PTR kRegionSelectionRecordNow = 1101;    // accepted, and record at once
constexpr INT_PTR kRegionSelectionCancel = IDCANCEL;   // 2

struct RegionSelectionRequest {
    HWND mainWindow = nullptr;  // hidden while the overlay shows, shown again after
    bool preset = false;        // open with a default-size rectangle already chosen
    int defaultWidth = 0;       // with preset: min(width, screen) x min(height, screen), centred
    int defaultHeight = 0;
};

struct RegionSelectionResult {
    INT_PTR code = kRegionSelectionCancel;
    RECT rect{};                // screen pixels, right and bottom exclusive; may be empty
    HWND window = nullptr;      // the window whose rectangle was picked, or null
};

// Runs the overlay modally over the primary screen.
RegionSelectionResult RunRegionSelection(const RegionSelectionRequest& request);
