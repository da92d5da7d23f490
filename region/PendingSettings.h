// The working copies the title and watermark dialogs edit have one owner, the settings
// store's: the advanced settings page fills and releases them.
#pragma once

#include "config/PendingOverlaySettings.h"
