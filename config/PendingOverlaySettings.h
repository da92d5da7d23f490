// The working copies of the title and watermark blocks that the advanced settings page
// makes when it opens and that the title and watermark settings dialogs edit: one owner
// for the whole program, used on the user-interface thread only. Empty outside the
// settings window's life.
#pragma once

#include "config/RecorderSettings.h"

#include <optional>

std::optional<TitleSettings>& PendingTitleSettings() noexcept;
std::optional<WatermarkSettings>& PendingWatermarkSettings() noexcept;
