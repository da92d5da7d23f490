// The ten exported functions: virtual devices first, then the real ones; camera handles
// through a registry so that a closed or made-up handle is recognised and refused.
#include "devices/DeviceLibrary.h"

#include "devicelib/Audio.h"
#include "devicelib/Camera.h"
#include "devicelib/Text.h"
#include "devicelib/VirtualDevices.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

using namespace devicelib;

namespace {

constexpr uint32_t kInitialVolume = 80;

struct VirtualAudioState {
    std::wstring name;
    std::vector<AudioInputLine> lines;
    uint32_t volume = kInitialVolume;   // the device's own volume when it has no lines
};

struct CameraSlot {
    std::mutex lock;                    // one call at a time on a handle
    std::unique_ptr<Camera> camera;
};

struct Library {
    std::mutex lock;
    bool parsed = false;
    std::wstring variable;
    VirtualDevices devices;
    std::vector<VirtualAudioState> audio;
    std::map<uintptr_t, std::shared_ptr<CameraSlot>> cameras;
    uintptr_t nextHandle = 0x1000;

    // Re-reads the variable; the virtual audio state starts afresh when it changed.
    void Refresh() {
        std::wstring now = VirtualDevicesVariable();
        if (parsed && now == variable) return;
        parsed = true;
        variable = now;
        devices = ParseVirtualDevices(now);
        audio.clear();
        for (const VirtualAudioDevice& d : devices.audio) {
            VirtualAudioState s;
            s.name = d.name;
            for (const std::wstring& l : d.lines) {
                AudioInputLine e{};
                CopyTruncated(e.szName, AUDIO_NAME_CHARS, l);
                e.nVolume = kInitialVolume;
                e.bSelected = s.lines.empty() ? 1 : 0;
                s.lines.push_back(e);
            }
            audio.push_back(std::move(s));
        }
    }
};

// Never destroyed: tearing down open cameras while the loader lock is held could deadlock
// on their graph threads.
Library& Lib() {
    static Library* lib = new Library();
    return *lib;
}

std::shared_ptr<CameraSlot> FindCamera(CAMERA_HANDLE handle) {
    if (!handle) return nullptr;
    Library& lib = Lib();
    std::lock_guard<std::mutex> lock(lib.lock);
    auto it = lib.cameras.find(reinterpret_cast<uintptr_t>(handle));
    return it == lib.cameras.end() ? nullptr : it->second;
}

int VirtualCameraCount() {
    Library& lib = Lib();
    std::lock_guard<std::mutex> lock(lib.lock);
    lib.Refresh();
    return static_cast<int>(lib.devices.cameras.size());
}

// A copy of virtual camera index, or false when index is not a virtual one; *virtualCount
// tells how many there are.
bool VirtualCameraAt(int index, VirtualCamera* out, int* virtualCount) {
    Library& lib = Lib();
    std::lock_guard<std::mutex> lock(lib.lock);
    lib.Refresh();
    *virtualCount = static_cast<int>(lib.devices.cameras.size());
    if (index < 0 || index >= *virtualCount) return false;
    *out = lib.devices.cameras[index];
    return true;
}

// Runs fn with the virtual audio device index under the lock, or returns false with
// *virtualCount set when index lies beyond them.
template <typename Fn>
bool WithVirtualAudio(int index, int* virtualCount, Fn fn) {
    Library& lib = Lib();
    std::lock_guard<std::mutex> lock(lib.lock);
    lib.Refresh();
    *virtualCount = static_cast<int>(lib.audio.size());
    if (index < 0 || index >= *virtualCount) return false;
    fn(lib.audio[index]);
    return true;
}

} // namespace

VISTREL_DEVICE_API int apiCameraGetCount(void) {
    try {
        long long n = static_cast<long long>(VirtualCameraCount()) + RealCameraCount();
        return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n);
    } catch (...) {
        return 0;
    }
}

VISTREL_DEVICE_API int apiCameraGetAttr(int index, CameraAttr* attr) {
    if (!attr || index < 0) return 0;
    try {
        VirtualCamera cam;
        int virtualCount = 0;
        if (VirtualCameraAt(index, &cam, &virtualCount)) {
            std::memset(attr, 0, sizeof(*attr));
            CopyTruncated(attr->szName, CAMERA_NAME_CHARS, cam.name);
            for (size_t i = 0; i < cam.sizes.size() && i < CAMERA_MAX_SIZES; ++i) attr->sizes[i] = cam.sizes[i];
            return 1;
        }
        return RealCameraAttr(index - virtualCount, attr) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

VISTREL_DEVICE_API CAMERA_HANDLE CameraOpen(int index, int width, int height, int bitsPerPixel) {
    if (index < 0 || width <= 0 || height <= 0 || bitsPerPixel != 24) return nullptr;
    try {
        auto slot = std::make_shared<CameraSlot>();
        VirtualCamera cam;
        int virtualCount = 0;
        if (VirtualCameraAt(index, &cam, &virtualCount))
            slot->camera = OpenVirtualCamera(cam, width, height);
        else
            slot->camera = OpenRealCamera(index - virtualCount, width, height);
        if (!slot->camera) return nullptr;
        Library& lib = Lib();
        std::lock_guard<std::mutex> lock(lib.lock);
        uintptr_t id = lib.nextHandle++;
        lib.cameras.emplace(id, std::move(slot));
        return reinterpret_cast<CAMERA_HANDLE>(id);
    } catch (...) {
        return nullptr;
    }
}

VISTREL_DEVICE_API BYTE* CameraGetFrame(CAMERA_HANDLE camera, int64_t* stride, int64_t* frameNumber) {
    try {
        std::shared_ptr<CameraSlot> slot = FindCamera(camera);
        if (!slot) return nullptr;
        std::lock_guard<std::mutex> lock(slot->lock);
        return slot->camera ? slot->camera->GetFrame(stride, frameNumber) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

VISTREL_DEVICE_API int CammeraGetBmpInfo(CAMERA_HANDLE camera, BITMAPINFOHEADER* header) {
    if (!header) return 0;
    try {
        std::shared_ptr<CameraSlot> slot = FindCamera(camera);
        if (!slot) return 0;
        std::lock_guard<std::mutex> lock(slot->lock);
        BITMAPINFOHEADER h;
        if (!slot->camera || !slot->camera->Header(&h)) return 0;
        *header = h;
        return 1;
    } catch (...) {
        return 0;
    }
}

VISTREL_DEVICE_API void CameraClose(CAMERA_HANDLE camera) {
    if (!camera) return;
    try {
        std::shared_ptr<CameraSlot> slot;
        {
            Library& lib = Lib();
            std::lock_guard<std::mutex> lock(lib.lock);
            auto it = lib.cameras.find(reinterpret_cast<uintptr_t>(camera));
            if (it == lib.cameras.end()) return;
            slot = std::move(it->second);
            lib.cameras.erase(it);
        }
        // Waits for a call still running on the handle, then ends the camera outside the
        // library's lock, so other handles go on meanwhile.
        std::unique_ptr<Camera> ending;
        {
            std::lock_guard<std::mutex> lock(slot->lock);
            ending = std::move(slot->camera);
        }
        ending.reset();
    } catch (...) {
    }
}

VISTREL_DEVICE_API unsigned int apiAudioCardGetDevicesNum(void) {
    try {
        int virtualCount = 0;
        WithVirtualAudio(-1, &virtualCount, [](VirtualAudioState&) {});
        return static_cast<unsigned int>(virtualCount) + RealAudioCount();
    } catch (...) {
        return 0;
    }
}

VISTREL_DEVICE_API int apiAudioCardGetDeviceInfo(int index, AudioDeviceInfo* info) {
    if (!info || index < 0) return 0;
    try {
        int virtualCount = 0;
        if (WithVirtualAudio(index, &virtualCount, [info](VirtualAudioState& s) {
                std::memset(info, 0, sizeof(*info));
                CopyTruncated(info->szName, AUDIO_NAME_CHARS, s.name);
            }))
            return 1;
        return RealAudioInfo(index - virtualCount, info) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

VISTREL_DEVICE_API int apiAudioCardGetInputLine(int deviceIndex, AudioInputLines* lines) {
    if (!lines || deviceIndex < 0) return 0;
    try {
        int virtualCount = 0;
        if (WithVirtualAudio(deviceIndex, &virtualCount, [lines](VirtualAudioState& s) {
                std::memset(lines, 0, sizeof(*lines));
                if (s.lines.empty()) {
                    // Like a device of Windows 6 and later: one entry, the device's volume.
                    lines->nCount = 1;
                    CopyTruncated(lines->lines[0].szName, AUDIO_NAME_CHARS, s.name);
                    lines->lines[0].nVolume = s.volume;
                    lines->lines[0].bSelected = 1;
                    return;
                }
                lines->nCount = static_cast<uint32_t>(s.lines.size());
                for (size_t i = 0; i < s.lines.size(); ++i) lines->lines[i] = s.lines[i];
            }))
            return 1;
        return RealAudioLines(deviceIndex - virtualCount, lines) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

VISTREL_DEVICE_API int apiAudioCardSetInputLine(int deviceIndex, const AudioInputLine* line) {
    if (!line || deviceIndex < 0) return 0;
    try {
        const AudioInputLine entry = *line;
        const uint32_t volume = entry.nVolume > 100 ? 100 : entry.nVolume;
        const std::wstring_view name = FieldText(entry.szName, AUDIO_NAME_CHARS);
        int virtualCount = 0;
        bool ok = false;
        if (WithVirtualAudio(deviceIndex, &virtualCount, [&](VirtualAudioState& s) {
                if (name.empty() || (s.lines.empty() && name == s.name)) {
                    // The recording volume: that of the line recorded from.
                    ok = true;
                    if (s.lines.empty()) {
                        s.volume = volume;
                        return;
                    }
                    for (AudioInputLine& l : s.lines)
                        if (l.bSelected) l.nVolume = volume;
                    return;
                }
                for (AudioInputLine& l : s.lines) {
                    if (FieldText(l.szName, AUDIO_NAME_CHARS) != name) continue;
                    for (AudioInputLine& other : s.lines) other.bSelected = 0;
                    l.bSelected = 1;
                    l.nVolume = volume;
                    ok = true;
                    return;
                }
            }))
            return ok ? 1 : 0;
        return RealAudioSetLine(deviceIndex - virtualCount, entry) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
