#include "encoder/MSEncoder.h"

#include "encoder/ObjectCreation.h"

#include "toolkit/Trace.h"

#include <ocidl.h>
#include <algorithm>
#include <climits>
#include <cwchar>

const CLSID CLSID_VistrelWMEncoder = {0x632B606A, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
const IID IID_VistrelWMEncoder2 = {0x632B6081, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
const IID IID_VistrelWMEncVideoSource2 = {0xC0973771, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
const IID IID_VistrelWMEncAudioSource = {0xC0973772, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
const CLSID CLSID_VistrelWMEncProfile2 = {0xA5AC04E7, 0x3E13, 0x48CE, {0xA4, 0x3F, 0x9F, 0xBA, 0x59, 0xDB, 0x15, 0x44}};
const IID IID_VistrelWMEncProfile2 = {0xC70E1CAC, 0x32D2, 0x4E22, {0xA0, 0xFF, 0x3A, 0x32, 0xE3, 0x15, 0xD0, 0x95}};
const IID IID_VistrelWMEncProfile = {0x632B6078, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};

namespace {

constexpr LONG SourceTypeAudio = 1;      // WMENC_AUDIO
constexpr LONG SourceTypeVideo = 2;      // WMENC_VIDEO
constexpr LONG VbrModeNone = 1;          // WMENC_PVM_NONE: constant bit rate
constexpr LONG FourCcWmv3 = 0x33564D57;  // 'WMV3', Windows Media Video 9
constexpr SHORT Stream0 = 0;
constexpr LONGLONG KeyFrameDistance = 30000000;  // CY raw value: 3000 ms

// Only A-Z fold; the device name is compared as the encoder's own text.
bool EqualsAsciiNoCase(const std::wstring& a, const wchar_t* b) {
    size_t n = std::wcslen(b);
    if (a.size() != n) return false;
    auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    for (size_t i = 0; i < n; ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

// Copies a fixed text field up to its NUL, never past the field's end.
template <size_t N>
std::wstring FieldText(const wchar_t (&field)[N]) {
    return std::wstring(field, wcsnlen(field, N));
}

// Moves an edge by one pixel so that the span between a and b is even.
void MakeEven(LONG& low, LONG& high) {
    long long span = static_cast<long long>(high) - low;
    if (span % 2 == 0) return;
    if (low > 0) --low;
    else --high;
}

HRESULT WriteBool(IPropertyBag* bag, const wchar_t* name) {
    CVariant v = CVariant::Bool(false);
    return bag->Write(name, const_cast<VARIANT*>(&v.Get()));
}

HRESULT WriteInt(IPropertyBag* bag, const wchar_t* name, LONG value) {
    CVariant v = CVariant::I4(value);
    return bag->Write(name, const_cast<VARIANT*>(&v.Get()));
}

} // namespace

std::atomic<int> CMSEncoder::s_live{0};

int EncoderFpsValue(double frameRate) noexcept {
    if (frameRate <= 5) return 5000;
    if (frameRate >= 30) return 30000;
    return static_cast<int>(frameRate * 1000);
}

CMSEncoder::CMSEncoder() noexcept { ++s_live; }

CMSEncoder::~CMSEncoder() {
    m_profile.Reset();
    m_encoder.Reset();
    // Undo every CoInitialize that succeeded, also when the session never got an
    // encoder object: otherwise COM stays initialised on the record thread.
    for (; m_nComInits > 0; --m_nComInits) ::CoUninitialize();
    --s_live;
}

bool CMSEncoder::SetSource(const SEncoderSource& source) {
    switch (source.nSourceType) {
    case SENCODER_SOURCE_SCREEN:
        break;
    case SENCODER_SOURCE_RECT:
        m_rcCapture = source.rcCapture;
        m_hCaptureWnd = nullptr;
        MakeEven(m_rcCapture.left, m_rcCapture.right);
        MakeEven(m_rcCapture.top, m_rcCapture.bottom);
        break;
    case SENCODER_SOURCE_WINDOW:
        m_hCaptureWnd = source.hWnd;
        break;
    case SENCODER_SOURCE_DEVICE:
        m_strVideoDevice = FieldText(source.szVideoDevice);
        break;
    default:
        return false;
    }
    if (source.bAudioOn) m_strAudioDevice = FieldText(source.szAudioDevice);
    return true;
}

void CMSEncoder::SetEncodeParam(const SEncoderParam& param) {
    if (param.nVideoWidth > 0 && param.nVideoHeight > 0) {
        m_nVideoWidth = param.nVideoWidth;
        m_nVideoHeight = param.nVideoHeight;
    }
    double fps = static_cast<double>(param.nFrameRate);
    if (fps > 0 && fps <= 30) m_dFrameRate = fps;
    if (param.nVideoBitrate > 0) m_nVideoBitrate = param.nVideoBitrate;
    if (param.nAudioChannels > 0) m_nAudioChannels = param.nAudioChannels;
    if (param.nAudioSampleRate > 0) m_nAudioSampleRate = param.nAudioSampleRate;
    if (param.nAudioBitrate > 0) m_nAudioBitrate = param.nAudioBitrate;
}

void CMSEncoder::SetOutputPath(const wchar_t* path) {
    m_strOutputPath = path ? path : L"";
}

int CMSEncoder::DoEncoder() {
    vt::Trace(L"CMSEncoder::DoEncoder IN");
    if (FAILED(::CoInitialize(nullptr))) {
        vt::Trace(L"CMSEncoder::DoEncoder FAILED!");
        return EncoderStep::ComInit;
    }
    ++m_nComInits;
    int result = BuildSession();
    if (result != 0) return result;
    if (FAILED(m_encoder.Call(L"Start"))) return EncoderStep::Start;
    vt::Trace(L"CMSEncoder::DoEncoder OUT");
    return 0;
}

int CMSEncoder::BuildSession() {
    // One rebuild at most: the audio input falls back to the default device once.
    for (int attempt = 0;; ++attempt) {
        int result = BuildSessionOnce();
        if (result != Retry) return result;
        if (attempt > 0) return EncoderStep::PrepareToEncode;
        m_profile.Reset();
        m_encoder.Reset();
    }
}

int CMSEncoder::BuildSessionOnce() {
    if (!m_encoder) {
        IDispatch* encoder = nullptr;
        if (FAILED(CreateEncoderObject(CLSID_VistrelWMEncoder, IID_VistrelWMEncoder2,
                                       reinterpret_cast<void**>(&encoder))) || !encoder) {
            return EncoderStep::CreateEncoder;
        }
        m_encoder = CDispatchObject::Attach(encoder);
    }

    CDispatchObject collection;
    if (FAILED(m_encoder.GetObjectProperty(L"SourceGroupCollection", collection))) {
        return EncoderStep::SourceGroupCollection;
    }

    // Failures while setting up the sources are not reported here; they show as a
    // failure of a later step.
    CDispatchObject group;
    CVariant groupName = CVariant::Bstr(L"SourceGroup1");
    bool sourcesOk = SUCCEEDED(collection.CallObject(L"Add", {&groupName}, group));
    if (sourcesOk) sourcesOk = AddVideoSource(group);
    if (sourcesOk && !m_strAudioDevice.empty()) AddAudioSource(group);

    int result = BuildProfile();
    if (result != 0) return result;

    CDispatchObject profile;
    if (FAILED(m_profile.Query(IID_VistrelWMEncProfile, profile))) return EncoderStep::QueryProfile;
    CVariant profileValue = CVariant::Dispatch(profile.Get());
    // Without a group there is nothing to give the profile to.
    if (!group || FAILED(group.PutProperty(L"Profile", {&profileValue}))) {
        return EncoderStep::GroupProfile;
    }

    CDispatchObject file;
    if (FAILED(m_encoder.GetObjectProperty(L"File", file))) return EncoderStep::File;
    CVariant path = CVariant::Bstr(m_strOutputPath);
    if (FAILED(file.PutProperty(L"LocalFileName", {&path}))) return EncoderStep::LocalFileName;

    vt::Trace(L"PrepareToEncode Begin");
    CVariant prepare = CVariant::Bool(true);
    if (SUCCEEDED(m_encoder.Call(L"PrepareToEncode", {&prepare}))) {
        vt::Trace(L"PrepareToEncode End");
        return 0;
    }
    vt::Trace(L"PrepareToEncode failed");
    if (m_strAudioDevice.empty() || EqualsAsciiNoCase(m_strAudioDevice, DefaultAudioDevice)) {
        return EncoderStep::PrepareToEncode;
    }
    m_strAudioDevice = DefaultAudioDevice;
    vt::Trace(L"try  Default_Audio_Device");
    return Retry;
}

bool CMSEncoder::AddVideoSource(CDispatchObject& group) {
    CDispatchObject source;
    CVariant type = CVariant::I4(SourceTypeVideo);
    if (FAILED(group.CallObject(L"AddSource", {&type}, source))) return false;
    CDispatchObject video;
    if (FAILED(source.Query(IID_VistrelWMEncVideoSource2, video))) return false;
    vt::ComPtr<IPropertyBag> bag;
    if (FAILED(video.Get()->QueryInterface(IID_IPropertyBag, bag.PutVoid())) || !bag) return false;

    CVariant empty = CVariant::Bstr(L"");
    if (!m_strVideoDevice.empty()) {
        CVariant input = CVariant::Bstr(L"Device://" + m_strVideoDevice);
        return SUCCEEDED(video.Call(L"SetInput", {&input, &empty, &empty}));
    }
    CVariant input = CVariant::Bstr(L"ScreenCap://ScreenCapture1");
    if (FAILED(video.Call(L"SetInput", {&input, &empty, &empty}))) return false;

    // Each property only after the one before it was taken.
    IPropertyBag* b = bag.Get();
    if (m_hCaptureWnd) {
        LONG low = static_cast<LONG>(static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(m_hCaptureWnd)));
        return SUCCEEDED(WriteBool(b, L"Screen")) && SUCCEEDED(WriteInt(b, L"CaptureWindow", low));
    }
    const RECT& r = m_rcCapture;
    if (r.left != 0 || r.top != 0 || r.right != 0 || r.bottom != 0) {
        return SUCCEEDED(WriteBool(b, L"Screen")) && SUCCEEDED(WriteInt(b, L"Left", r.left)) &&
               SUCCEEDED(WriteInt(b, L"Top", r.top)) && SUCCEEDED(WriteInt(b, L"Right", r.right)) &&
               SUCCEEDED(WriteInt(b, L"Bottom", r.bottom)) && SUCCEEDED(WriteBool(b, L"FlashRect"));
    }
    return SUCCEEDED(WriteBool(b, L"Screen"));
}

void CMSEncoder::AddAudioSource(CDispatchObject& group) {
    CDispatchObject source;
    CVariant type = CVariant::I4(SourceTypeAudio);
    if (FAILED(group.CallObject(L"AddSource", {&type}, source))) return;
    CDispatchObject audio;
    if (FAILED(source.Query(IID_VistrelWMEncAudioSource, audio))) return;
    std::wstring inputText = L"Device://" + m_strAudioDevice;
    CVariant input = CVariant::Bstr(inputText);
    CVariant empty = CVariant::Bstr(L"");
    if (FAILED(audio.Call(L"SetInput", {&input, &empty, &empty}))) {
        vt::Trace(L"pSrcAudio SetInput failed");
        vt::Trace(L"%ls", inputText.c_str());
    }
}

int CMSEncoder::BuildProfile() {
    m_profile.Reset();
    IDispatch* profile = nullptr;
    if (FAILED(CreateEncoderObject(CLSID_VistrelWMEncProfile2, IID_VistrelWMEncProfile2,
                                   reinterpret_cast<void**>(&profile))) || !profile) {
        return EncoderStep::CreateProfile;
    }
    m_profile = CDispatchObject::Attach(profile);

    CVariant validateMode = CVariant::Bool(true);
    if (FAILED(m_profile.PutProperty(L"ValidateMode", {&validateMode}))) return EncoderStep::ValidateMode;
    CVariant name = CVariant::Bstr(L"Custom Screen Capture Profile");
    if (FAILED(m_profile.PutProperty(L"ProfileName", {&name}))) return EncoderStep::ProfileName;
    CVariant description = CVariant::Bstr(L"A Custom Video Profile For Screen Capture");
    if (FAILED(m_profile.PutProperty(L"ProfileDescription", {&description}))) {
        return EncoderStep::ProfileDescription;
    }
    const bool audio = !m_strAudioDevice.empty();
    CVariant contentType = CVariant::I4(audio ? 17 : 16);
    if (FAILED(m_profile.PutProperty(L"ContentType", {&contentType}))) {
        return audio ? EncoderStep::ContentTypeAudioVideo : EncoderStep::ContentTypeVideo;
    }
    CVariant video = CVariant::I4(SourceTypeVideo);
    CVariant stream = CVariant::I2(Stream0);
    CVariant cbr = CVariant::I4(VbrModeNone);
    if (FAILED(m_profile.PutProperty(L"VBRMode", {&video, &stream, &cbr}))) return EncoderStep::VBRMode;

    // kbit/s to bit/s; the caller's values are only known to be positive.
    long long total = static_cast<long long>(m_nVideoBitrate) + (audio ? m_nAudioBitrate : 0);
    total = std::min<long long>(total * 1000, LONG_MAX);
    CVariant bitrate = CVariant::I4(static_cast<LONG>(total));
    CDispatchObject audience;
    if (FAILED(m_profile.CallObject(L"AddAudience", {&bitrate}, audience))) return EncoderStep::AddAudience;
    // The audience goes with this scope, on every path from here.
    return SetUpAudience(audience);
}

int CMSEncoder::SetUpAudience(CDispatchObject& audience) {
    const int fps = EncoderFpsValue(m_dFrameRate);

    CVariant count;
    if (FAILED(m_profile.GetProperty(L"VideoCodecCount", count.Put()))) return EncoderStep::VideoCodecCount;
    CVariant countI4;
    if (FAILED(::VariantChangeType(countI4.Put(), const_cast<VARIANT*>(&count.Get()), 0, VT_I4))) return EncoderStep::VideoCodecCount;
    if (countI4.Get().lVal <= 0) return EncoderStep::NoVideoCodec;

    LONG codecIndex = 0;
    CVariant video = CVariant::I4(SourceTypeVideo);
    CVariant fourcc = CVariant::I4(FourCcWmv3);
    CVariant index;
    if (SUCCEEDED(m_profile.Call(L"GetCodecIndexFromFourCC", {&video, &fourcc}, index.Put()))) {
        CVariant indexI4;
        if (SUCCEEDED(::VariantChangeType(indexI4.Put(), const_cast<VARIANT*>(&index.Get()), 0, VT_I4)) && indexI4.Get().lVal > 0) {
            codecIndex = indexI4.Get().lVal;
        }
    }

    CVariant stream = CVariant::I2(Stream0);
    CVariant codec = CVariant::I4(codecIndex);
    if (FAILED(audience.PutProperty(L"VideoCodec", {&stream, &codec}))) return EncoderStep::VideoCodec;

    // Odd image sizes fail in the encoder.
    m_nVideoWidth -= m_nVideoWidth % 2;
    m_nVideoHeight -= m_nVideoHeight % 2;
    CVariant height = CVariant::I4(m_nVideoHeight);
    if (FAILED(audience.PutProperty(L"VideoHeight", {&stream, &height}))) return EncoderStep::VideoHeight;
    CVariant width = CVariant::I4(m_nVideoWidth);
    if (FAILED(audience.PutProperty(L"VideoWidth", {&stream, &width}))) return EncoderStep::VideoWidth;
    CVariant buffer = CVariant::I4(5000);
    if (FAILED(audience.PutProperty(L"VideoBufferSize", {&stream, &buffer}))) return EncoderStep::VideoBufferSize;
    CVariant fpsValue = CVariant::I4(fps);
    if (FAILED(audience.PutProperty(L"VideoFPS", {&stream, &fpsValue}))) return EncoderStep::VideoFPS;
    CVariant quality = CVariant::I4(100);
    if (FAILED(audience.PutProperty(L"VideoCompressionQuality", {&stream, &quality}))) {
        return EncoderStep::VideoQuality;
    }
    CVariant keyFrames = CVariant::Currency(KeyFrameDistance);
    audience.PutProperty(L"VideoKeyFrameDistance", {&stream, &keyFrames});  // a failure is ignored

    if (FAILED(m_profile.Call(L"Validate"))) return EncoderStep::Validate;
    return 0;
}

void CMSEncoder::Pause() {
    if (m_encoder) m_encoder.Call(L"Pause");
}

void CMSEncoder::Continue() {
    if (m_encoder) m_encoder.Call(L"Start");
}

void CMSEncoder::Stop() {
    if (!m_encoder) return;
    CVariant prepare = CVariant::Bool(false);
    m_encoder.Call(L"PrepareToEncode", {&prepare});
    m_encoder.Call(L"Stop");
}
