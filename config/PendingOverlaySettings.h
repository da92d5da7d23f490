// The working copies of the title and watermark blocks that the advanced settings page
// makes when it opens and that the title and watermark settings dialogs edit: one owner
// for the whole program, used on the user-interface thread only. The page fills them
// when it opens (and on restore) and releases them when it goes; a dialog that finds
// none makes one on OK.
#pragma once

#include "config/RecorderSettings.h"

#include <memory>

extern std::unique_ptr<TitleSettings> PendingTitleSettings;
extern std::unique_ptr<WatermarkSettings> PendingWatermarkSettings;
