// How the settings pages reach cameras and audio-card inputs: the device library in the
// program, other lists in tests. The camera calls are made on the camera-listing
// worker, so an implementation must allow them from any thread; the worker holds a
// reference, so the object lives until the worker is done with it.
#pragma once

#include "devices/DeviceLibrary.h"

#include <memory>

class ISettingsDevices {
public:
    virtual ~ISettingsDevices() = default;

    // Below 1: no camera.
    virtual int CameraCount() = 0;
    // False: the camera is left out of the list.
    virtual bool CameraAttributes(int index, CameraAttr& attr) = 0;

    virtual unsigned AudioDeviceCount() = 0;
    virtual bool AudioDeviceInfo(int index, ::AudioDeviceInfo& info) = 0;
    // False (or a count of 0): the device has no lines to offer.
    virtual bool AudioInputLines(int device, ::AudioInputLines& lines) = 0;
    virtual bool SetAudioInputLine(int device, const AudioInputLine& line) = 0;
};
