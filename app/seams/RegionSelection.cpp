// First build: no selection overlay yet; the selection is cancelled.
#include "app/seams/RegionSelection.h"

RegionSelectionResult RunRegionSelection(const RegionSelectionRequest&) {
    return RegionSelectionResult{};
}
