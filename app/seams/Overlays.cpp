// First build: no overlay windows.
#include "app/seams/Overlays.h"

std::unique_ptr<IRecordingOverlays> CreateRecordingOverlays(const AdvancedSettings&, const RECT&) {
    return nullptr;
}
