// Real audio-card inputs; indices count only real devices.
#pragma once

#include "devices/DeviceLibrary.h"

namespace devicelib {

unsigned int RealAudioCount();
bool RealAudioInfo(int index, AudioDeviceInfo* info);
bool RealAudioLines(int index, AudioInputLines* lines);
bool RealAudioSetLine(int index, const AudioInputLine& line);

} // namespace devicelib
