// The settings pages' access to cameras and audio inputs through the device library.
#pragma once

#include "config/SettingsDevices.h"

#include <memory>

std::shared_ptr<ISettingsDevices> MakeLibrarySettingsDevices();
