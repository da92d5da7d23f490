// Audio-card inputs: the waveIn devices, their input lines through the mixer API and,
// where the endpoint API exists (Windows 6 and later), the capture endpoint's volume as
// the device's one recording volume.
#include "devicelib/Audio.h"

#include "devicelib/Text.h"
#include "toolkit/Raii.h"

#include <windows.h>
#include <mmsystem.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace devicelib {
namespace {

using vt::ComPtr;

// The endpoint API's identifiers, kept here so no extra import library is needed.
constexpr CLSID kClsidMMDeviceEnumerator = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr IID kIidIMMDeviceEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr IID kIidIAudioEndpointVolume = {0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
constexpr PROPERTYKEY kDeviceFriendlyName = {{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
// waveInMessage queries for the endpoint of a device (mmddk.h).
constexpr UINT kDrvQueryFunctionInstanceId = 0x0800 + 17;
constexpr UINT kDrvQueryFunctionInstanceIdSize = 0x0800 + 18;

struct CloseMixer { void operator()(HMIXER h) const noexcept { ::mixerClose(h); } };
using UniqueMixer = vt::UniqueHandle<vt::SimpleTraits<HMIXER, CloseMixer>>;

class CallApartment {
public:
    CallApartment() : m_init(COINIT_MULTITHREADED) {}
    bool Ok() const { return SUCCEEDED(m_init.Result()) || m_init.Result() == RPC_E_CHANGED_MODE; }

private:
    vt::ComInit m_init;
};

bool DeviceName(int index, std::wstring* name) {
    if (index < 0 || static_cast<UINT>(index) >= ::waveInGetNumDevs()) return false;
    WAVEINCAPSW caps{};
    if (::waveInGetDevCapsW(static_cast<UINT_PTR>(index), &caps, sizeof(caps)) != MMSYSERR_NOERROR) return false;
    *name = std::wstring(FieldText(caps.szPname, MAXPNAMELEN));
    return true;
}

// ---- the endpoint ----

ComPtr<IMMDeviceEnumerator> Endpoints() {
    ComPtr<IMMDeviceEnumerator> e;
    if (FAILED(::CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_INPROC_SERVER, kIidIMMDeviceEnumerator,
                                  e.PutVoid())))
        return nullptr;
    return e;
}

std::wstring EndpointName(IMMDevice* device) {
    ComPtr<IPropertyStore> store;
    if (FAILED(device->OpenPropertyStore(STGM_READ, store.Put())) || !store) return {};
    PROPVARIANT v;
    ::PropVariantInit(&v);
    std::wstring name;
    if (SUCCEEDED(store->GetValue(kDeviceFriendlyName, &v)) && v.vt == VT_LPWSTR && v.pwszVal) name = v.pwszVal;
    ::PropVariantClear(&v);
    return name;
}

// The capture endpoint of waveIn device index: by the id the driver names, else the first
// active capture endpoint whose name begins with the device's (waveIn names are cut short).
ComPtr<IAudioEndpointVolume> EndpointVolume(int index) {
    ComPtr<IMMDeviceEnumerator> endpoints = Endpoints();
    if (!endpoints) return nullptr;
    ComPtr<IMMDevice> device;
    ULONG bytes = 0;
    HWAVEIN wave = reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(index));
    if (::waveInMessage(wave, kDrvQueryFunctionInstanceIdSize, reinterpret_cast<DWORD_PTR>(&bytes), 0) ==
            MMSYSERR_NOERROR &&
        bytes >= sizeof(wchar_t) && bytes < 4096) {
        std::vector<wchar_t> id(bytes / sizeof(wchar_t) + 1, L'\0');
        if (::waveInMessage(wave, kDrvQueryFunctionInstanceId, reinterpret_cast<DWORD_PTR>(id.data()), bytes) ==
            MMSYSERR_NOERROR)
            endpoints->GetDevice(id.data(), device.Put());
    }
    if (!device) {
        std::wstring wanted;
        if (!DeviceName(index, &wanted) || wanted.empty()) return nullptr;
        ComPtr<IMMDeviceCollection> all;
        UINT count = 0;
        if (FAILED(endpoints->EnumAudioEndpoints(eCapture, DEVICE_STATE_ACTIVE, all.Put())) || !all ||
            FAILED(all->GetCount(&count)))
            return nullptr;
        for (UINT i = 0; i < count && !device; ++i) {
            ComPtr<IMMDevice> d;
            if (FAILED(all->Item(i, d.Put())) || !d) continue;
            if (EndpointName(d.Get()).compare(0, wanted.size(), wanted) == 0) device = d;
        }
    }
    if (!device) return nullptr;
    ComPtr<IAudioEndpointVolume> volume;
    if (FAILED(device->Activate(kIidIAudioEndpointVolume, CLSCTX_INPROC_SERVER, nullptr, volume.PutVoid())))
        return nullptr;
    return volume;
}

uint32_t ToPercent(float scalar) {
    if (!(scalar > 0.0f)) return 0;
    if (scalar >= 1.0f) return 100;
    return static_cast<uint32_t>(std::lround(scalar * 100.0f));
}

// ---- the mixer ----

struct MixerLine {
    std::wstring name;          // cut to the record's field
    DWORD lineId = 0;
    DWORD volumeControl = 0;
    bool hasVolume = false;
    DWORD volumeMin = 0, volumeMax = 0;
};

struct MixerInputs {
    UniqueMixer mixer;
    DWORD destinationLine = 0;
    std::vector<MixerLine> lines;
    // The destination's multiplexer or mixer control choosing what is recorded.
    bool hasSelector = false;
    DWORD selectorControl = 0;
    DWORD selectorItems = 0;
    std::vector<DWORD> itemLineIds;     // line id of each selector item
    MixerLine master;                   // the destination's own volume
};

HMIXEROBJ Obj(const UniqueMixer& m) { return reinterpret_cast<HMIXEROBJ>(m.Get()); }

bool FindControl(const UniqueMixer& mixer, DWORD lineId, DWORD type, MIXERCONTROLW* control) {
    MIXERLINECONTROLSW lc{};
    lc.cbStruct = sizeof(lc);
    lc.dwLineID = lineId;
    lc.dwControlType = type;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof(MIXERCONTROLW);
    lc.pamxctrl = control;
    std::memset(control, 0, sizeof(*control));
    control->cbStruct = sizeof(*control);
    return ::mixerGetLineControlsW(Obj(mixer), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
}

void ReadVolumeControl(const UniqueMixer& mixer, MixerLine* line) {
    MIXERCONTROLW c;
    if (!FindControl(mixer, line->lineId, MIXERCONTROL_CONTROLTYPE_VOLUME, &c)) return;
    line->hasVolume = true;
    line->volumeControl = c.dwControlID;
    line->volumeMin = c.Bounds.dwMinimum;
    line->volumeMax = c.Bounds.dwMaximum;
}

bool OpenInputs(int index, MixerInputs* in) {
    if (index < 0 || static_cast<UINT>(index) >= ::waveInGetNumDevs()) return false;
    HMIXER h = nullptr;
    if (::mixerOpen(&h, static_cast<UINT>(index), 0, 0, MIXER_OBJECTF_WAVEIN) != MMSYSERR_NOERROR || !h) return false;
    in->mixer.Reset(h);
    MIXERLINEW dst{};
    dst.cbStruct = sizeof(dst);
    dst.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (::mixerGetLineInfoW(Obj(in->mixer), &dst, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;
    in->destinationLine = dst.dwLineID;
    in->master.lineId = dst.dwLineID;
    ReadVolumeControl(in->mixer, &in->master);
    for (DWORD s = 0; s < dst.cConnections && in->lines.size() < AUDIO_MAX_LINES; ++s) {
        MIXERLINEW src{};
        src.cbStruct = sizeof(src);
        src.dwDestination = dst.dwDestination;
        src.dwSource = s;
        if (::mixerGetLineInfoW(Obj(in->mixer), &src, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) !=
            MMSYSERR_NOERROR)
            continue;
        MixerLine line;
        line.name = std::wstring(FieldText(src.szName, MIXER_LONG_NAME_CHARS).substr(0, AUDIO_NAME_CHARS - 1));
        line.lineId = src.dwLineID;
        ReadVolumeControl(in->mixer, &line);
        in->lines.push_back(std::move(line));
    }
    MIXERCONTROLW c;
    if (FindControl(in->mixer, dst.dwLineID, MIXERCONTROL_CONTROLTYPE_MUX, &c) ||
        FindControl(in->mixer, dst.dwLineID, MIXERCONTROL_CONTROLTYPE_MIXER, &c)) {
        if (c.cMultipleItems > 0 && c.cMultipleItems <= 256) {
            std::vector<MIXERCONTROLDETAILS_LISTTEXTW> texts(c.cMultipleItems);
            MIXERCONTROLDETAILS d{};
            d.cbStruct = sizeof(d);
            d.dwControlID = c.dwControlID;
            d.cChannels = 1;
            d.cMultipleItems = c.cMultipleItems;
            d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTW);
            d.paDetails = texts.data();
            if (::mixerGetControlDetailsW(Obj(in->mixer), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) ==
                MMSYSERR_NOERROR) {
                in->hasSelector = true;
                in->selectorControl = c.dwControlID;
                in->selectorItems = c.cMultipleItems;
                for (const auto& t : texts) in->itemLineIds.push_back(t.dwParam1);
            }
        }
    }
    return true;
}

bool GetVolume(const UniqueMixer& mixer, const MixerLine& line, uint32_t* percent) {
    if (!line.hasVolume || line.volumeMax <= line.volumeMin) return false;
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = line.volumeControl;
    d.cChannels = 1;
    d.cbDetails = sizeof(value);
    d.paDetails = &value;
    if (::mixerGetControlDetailsW(Obj(mixer), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return false;
    DWORD v = value.dwValue < line.volumeMin ? line.volumeMin : value.dwValue;
    double range = static_cast<double>(line.volumeMax - line.volumeMin);
    *percent = static_cast<uint32_t>(std::lround((v - line.volumeMin) * 100.0 / range));
    if (*percent > 100) *percent = 100;
    return true;
}

bool SetVolume(const UniqueMixer& mixer, const MixerLine& line, uint32_t percent) {
    if (!line.hasVolume || line.volumeMax < line.volumeMin) return false;
    MIXERCONTROLDETAILS_UNSIGNED value{};
    value.dwValue = line.volumeMin +
                    static_cast<DWORD>(std::lround((line.volumeMax - line.volumeMin) * (percent / 100.0)));
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = line.volumeControl;
    d.cChannels = 1;        // one value for every channel
    d.cbDetails = sizeof(value);
    d.paDetails = &value;
    return ::mixerSetControlDetails(Obj(mixer), &d, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool GetSelection(const MixerInputs& in, std::vector<MIXERCONTROLDETAILS_BOOLEAN>* values) {
    if (!in.hasSelector) return false;
    values->assign(in.selectorItems, MIXERCONTROLDETAILS_BOOLEAN{});
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = in.selectorControl;
    d.cChannels = 1;
    d.cMultipleItems = in.selectorItems;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    d.paDetails = values->data();
    return ::mixerGetControlDetailsW(Obj(in.mixer), &d, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

// Makes the line the only one recorded from.
bool Select(const MixerInputs& in, DWORD lineId) {
    if (!in.hasSelector) return false;
    std::vector<MIXERCONTROLDETAILS_BOOLEAN> values(in.selectorItems);
    bool found = false;
    for (DWORD i = 0; i < in.selectorItems; ++i) {
        values[i].fValue = in.itemLineIds[i] == lineId;
        found = found || values[i].fValue;
    }
    if (!found) return false;
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = in.selectorControl;
    d.cChannels = 1;
    d.cMultipleItems = in.selectorItems;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_BOOLEAN);
    d.paDetails = values.data();
    return ::mixerSetControlDetails(Obj(in.mixer), &d, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
}

bool MixerLines(int index, AudioInputLines* out) {
    MixerInputs in;
    if (!OpenInputs(index, &in)) return false;
    std::vector<MIXERCONTROLDETAILS_BOOLEAN> selection;
    bool haveSelection = GetSelection(in, &selection);
    uint32_t n = 0;
    for (const MixerLine& line : in.lines) {
        AudioInputLine& e = out->lines[n++];
        CopyTruncated(e.szName, AUDIO_NAME_CHARS, line.name);
        GetVolume(in.mixer, line, &e.nVolume);
        if (haveSelection)
            for (DWORD i = 0; i < in.selectorItems; ++i)
                if (in.itemLineIds[i] == line.lineId && selection[i].fValue) e.bSelected = 1;
    }
    out->nCount = n;
    return true;
}

// The endpoint's volume; without an endpoint that takes it, the recording master of the mixer.
bool SetRecordingVolume(int index, uint32_t volume) {
    {
        CallApartment com;
        if (com.Ok()) {
            if (ComPtr<IAudioEndpointVolume> ev = EndpointVolume(index))
                if (SUCCEEDED(ev->SetMasterVolumeLevelScalar(static_cast<float>(volume) / 100.0f, nullptr))) return true;
        }
    }
    MixerInputs in;
    return OpenInputs(index, &in) && SetVolume(in.mixer, in.master, volume);
}

} // namespace

unsigned int RealAudioCount() {
    return ::waveInGetNumDevs();
}

bool RealAudioInfo(int index, AudioDeviceInfo* info) {
    std::wstring name;
    if (!DeviceName(index, &name)) return false;
    std::memset(info, 0, sizeof(*info));
    CopyTruncated(info->szName, AUDIO_NAME_CHARS, name);
    return true;
}

bool RealAudioLines(int index, AudioInputLines* lines) {
    std::wstring name;
    if (!DeviceName(index, &name)) return false;
    std::memset(lines, 0, sizeof(*lines));
    CallApartment com;
    if (com.Ok()) {
        if (ComPtr<IAudioEndpointVolume> volume = EndpointVolume(index)) {
            float level = 0.0f;
            if (SUCCEEDED(volume->GetMasterVolumeLevelScalar(&level))) {
                lines->nCount = 1;
                CopyTruncated(lines->lines[0].szName, AUDIO_NAME_CHARS, name);
                lines->lines[0].nVolume = ToPercent(level);
                lines->lines[0].bSelected = 1;
                return true;
            }
        }
    }
    return MixerLines(index, lines);
}

bool RealAudioSetLine(int index, const AudioInputLine& line) {
    std::wstring device;
    if (!DeviceName(index, &device)) return false;
    const uint32_t volume = line.nVolume > 100 ? 100 : line.nVolume;
    const std::wstring_view name = FieldText(line.szName, AUDIO_NAME_CHARS);
    if (name.empty()) return SetRecordingVolume(index, volume);
    MixerInputs in;
    if (OpenInputs(index, &in)) {
        for (const MixerLine& l : in.lines) {
            if (l.name != name) continue;
            bool selected = !in.hasSelector || Select(in, l.lineId);
            bool volumeSet = !l.hasVolume || SetVolume(in.mixer, l, volume);
            return selected && volumeSet;
        }
    }
    // The single entry of a device whose endpoint carries the volume.
    if (name == std::wstring_view(device).substr(0, AUDIO_NAME_CHARS - 1)) return SetRecordingVolume(index, volume);
    return false;
}

} // namespace devicelib
