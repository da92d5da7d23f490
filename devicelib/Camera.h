// One open camera behind a handle: virtual (a test picture) or real (a DirectShow graph).
#pragma once

#include "devicelib/VirtualDevices.h"

#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct IBaseFilter;

namespace devicelib {

class Camera {
public:
    virtual ~Camera() = default;
    // The newest frame when one arrived since the last call, else null; see CameraGetFrame.
    virtual BYTE* GetFrame(int64_t* stride, int64_t* frameNumber) = 0;
    virtual bool Header(BITMAPINFOHEADER* header) = 0;
};

// A test picture at the listed size nearest to the one asked for.
std::unique_ptr<Camera> OpenVirtualCamera(const VirtualCamera& camera, int width, int height);

// Video capture devices through DirectShow; indices count only real devices.
int RealCameraCount();
bool RealCameraAttr(int index, CameraAttr* attr);
std::unique_ptr<Camera> OpenRealCamera(int index, int width, int height);

// The same for any capture filter: the factory runs on the camera's graph thread and
// returns a filter with one reference (or null).
using CaptureSourceFactory = std::function<IBaseFilter*()>;
std::unique_ptr<Camera> OpenCaptureSource(CaptureSourceFactory source, int width, int height);
bool CaptureSourceAttr(IBaseFilter* filter, const std::wstring& name, CameraAttr* attr);

// A header for 24-bit bottom-up frames of that size.
void FillHeader(BITMAPINFOHEADER* header, int width, int height);
inline int RowStride(int width) { return (width * 3 + 3) & ~3; }

} // namespace devicelib
