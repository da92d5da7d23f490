// The region selection overlay (region/DlgAddScreen).
#include "app/seams/RegionSelection.h"

#include "region/DlgAddScreen.h"

RegionSelectionResult RunRegionSelection(const RegionSelectionRequest& request) {
    CDlgAddScreen overlay;
    if (request.preset) {
        overlay.SetDefaultRegion(request.defaultWidth, request.defaultHeight);
        overlay.SetPreset(true);
        overlay.SetChosenWindow(nullptr);
    }
    // The overlay hides its owner, the main window, while it runs and shows it again.
    const INT_PTR code = overlay.Run(request.mainWindow);
    RegionSelectionResult result;
    result.code = code == kRegionSelectionOk || code == kRegionSelectionRecordNow ? code : kRegionSelectionCancel;
    result.rect = overlay.GetSelection();
    result.window = overlay.GetChosenWindow();
    return result;
}
