#include "devices/LibrarySettingsDevices.h"

namespace {

class LibraryDevices final : public ISettingsDevices {
public:
    int CameraCount() override { return apiCameraGetCount(); }
    bool CameraAttributes(int index, CameraAttr& attr) override { return apiCameraGetAttr(index, &attr) != 0; }
    unsigned AudioDeviceCount() override { return apiAudioCardGetDevicesNum(); }
    bool AudioDeviceInfo(int index, ::AudioDeviceInfo& info) override {
        return apiAudioCardGetDeviceInfo(index, &info) != 0;
    }
    bool AudioInputLines(int device, ::AudioInputLines& lines) override {
        return apiAudioCardGetInputLine(device, &lines) != 0;
    }
    bool SetAudioInputLine(int device, const AudioInputLine& line) override {
        return apiAudioCardSetInputLine(device, &line) != 0;
    }
};

} // namespace

std::shared_ptr<ISettingsDevices> MakeLibrarySettingsDevices() { return std::make_shared<LibraryDevices>(); }
