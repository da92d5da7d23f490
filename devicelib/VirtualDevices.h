// Virtual devices from the environment variable VISTREL_VIRTUAL_DEVICES, for tests and
// demonstrations on machines without cameras or audio inputs. The syntax:
//   entries separated by ';', each "camera:NAME[@WxH,WxH...]" or "audio:NAME[[LINE,LINE...]]"
//   e.g. "camera:Test Cam@640x480,320x240;audio:Virtual Mic[Microphone,Line In]"
// A camera without sizes offers 640x480 and 320x240; at most 9 sizes, 20 lines; names are
// cut to what the records hold. Unknown or empty entries are skipped.
#pragma once

#include "devices/DeviceLibrary.h"

#include <string>
#include <string_view>
#include <vector>

namespace devicelib {

struct VirtualCamera {
    std::wstring name;
    std::vector<CameraSize> sizes;          // 1..9 entries, none zero
};

struct VirtualAudioDevice {
    std::wstring name;
    std::vector<std::wstring> lines;        // 0..20 entries
};

struct VirtualDevices {
    std::vector<VirtualCamera> cameras;
    std::vector<VirtualAudioDevice> audio;
};

VirtualDevices ParseVirtualDevices(std::wstring_view text);

// The variable's current value; empty when it is not set.
std::wstring VirtualDevicesVariable();

// The size a camera offers nearest to the one asked for: the same size when listed,
// otherwise the smallest difference in area (the earlier listed on a tie).
CameraSize NearestSize(const std::vector<CameraSize>& sizes, int width, int height);

} // namespace devicelib
