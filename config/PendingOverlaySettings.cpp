#include "config/PendingOverlaySettings.h"

std::optional<TitleSettings>& PendingTitleSettings() noexcept {
    static std::optional<TitleSettings> pending;
    return pending;
}

std::optional<WatermarkSettings>& PendingWatermarkSettings() noexcept {
    static std::optional<WatermarkSettings> pending;
    return pending;
}
