// The working copies of the title and watermark blocks that the advanced settings page
// makes from the settings record and the title and watermark dialogs edit. Process-wide,
// held here and nowhere else: the page fills them when it opens and releases them when
// it goes; a dialog that finds none makes one on OK.
#pragma once

#include "config/RecorderSettings.h"

#include <memory>

extern std::unique_ptr<TitleSettings> PendingTitleSettings;
extern std::unique_ptr<WatermarkSettings> PendingWatermarkSettings;
