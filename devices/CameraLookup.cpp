#include "devices/CameraLookup.h"

#include "devices/DeviceLibrary.h"

#include <cwchar>

int CameraIndexByName(const wchar_t* cameraName) {
    int count = apiCameraGetCount();
    if (count < 1) return -1;
    if (!cameraName) return 0;
    size_t wanted = std::wcslen(cameraName);
    for (int i = 0; i < count; ++i) {
        CameraAttr attr{};
        if (!apiCameraGetAttr(i, &attr)) continue;
        // A name that fills the field without its NUL is taken at the field's length.
        size_t length = wcsnlen(attr.szName, CAMERA_NAME_CHARS);
        if (length == wanted && std::wmemcmp(attr.szName, cameraName, length) == 0) return i;
    }
    return 0;
}
