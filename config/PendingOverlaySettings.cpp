#include "config/PendingOverlaySettings.h"

std::unique_ptr<TitleSettings> PendingTitleSettings;
std::unique_ptr<WatermarkSettings> PendingWatermarkSettings;
