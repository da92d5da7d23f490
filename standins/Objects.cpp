#include "standins/Objects.h"

#include "standins/Dispatch.h"
#include "standins/Recorder.h"
#include "toolkit/Raii.h"
#include "toolkit/Trace.h"

#include <ocidl.h>

#include <iterator>
#include <map>
#include <new>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace wmenc {

// {632B606A-BBC6-11D2-A329-006097C4E476}
const CLSID CLSID_Encoder = {0x632B606A, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
// {A5AC04E7-3E13-48CE-A43F-9FBA59DB1544}
const CLSID CLSID_Profile = {0xA5AC04E7, 0x3E13, 0x48CE, {0xA4, 0x3F, 0x9F, 0xBA, 0x59, 0xDB, 0x15, 0x44}};

namespace {

constexpr GUID WmGuid(unsigned long d1) {
    return GUID{d1, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
}
const IID IID_Encoder = WmGuid(0x632B607F);
const IID IID_Encoder2 = WmGuid(0x632B6081);
const IID IID_GroupCollection = WmGuid(0x632B606F);
const IID IID_Group = WmGuid(0x632B6071);
const IID IID_Source = WmGuid(0x632B6084);
const IID IID_VideoSource = WmGuid(0x632B6086);
const IID IID_File = WmGuid(0x632B607B);
const IID IID_ProfileIface = WmGuid(0x632B6078);
const IID IID_VideoSource2 = {0xC0973771, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
const IID IID_AudioSource = {0xC0973772, 0x5F87, 0x456A, {0xB3, 0x1B, 0x51, 0x71, 0xC2, 0x8A, 0xC0, 0x1E}};
const IID IID_Profile2 = {0xC70E1CAC, 0x32D2, 0x4E22, {0xA0, 0xFF, 0x3A, 0x32, 0xE3, 0x15, 0xD0, 0x95}};
const IID IID_Audience = {0xBB494815, 0x9432, 0x47F2, {0x97, 0x9D, 0x94, 0xE4, 0xAE, 0x6C, 0x96, 0xCF}};
// Private: finds our own profile object behind an IDispatch handed to a source group.
const IID IID_StandinProfile = {0x5D1E7A10, 0x3C2B, 0x4F6A, {0x9E, 0x41, 0x27, 0xB8, 0x0C, 0x55, 0x13, 0x9A}};

constexpr LONG kFourccWmv3 = 0x33564D57;  // 'WMV3'
constexpr LONG kFourccMjpg = 0x47504A4D;  // 'MJPG'
constexpr LONG kSourceAudio = 1;
constexpr LONG kSourceVideo = 2;
constexpr LONG kContentVideo = 16;
constexpr LONG kContentAudioVideo = 17;
enum RunState : LONG { kStarting = 1, kRunning = 2, kPaused = 3, kStopping = 4, kStopped = 5 };

bool StartsWithNoCase(const std::wstring& s, const wchar_t* prefix, size_t n) {
    return s.size() >= n &&
           CompareStringOrdinal(s.c_str(), static_cast<int>(n), prefix, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

// ---------------------------------------------------------------------------------------
// Data shared between objects (children never hold their parents, so any release order works).

struct AudienceData {
    LONG bitrate = 0;
    LONG codec = 0;
    LONG width = 0;
    LONG height = 0;
    LONG fps = 30000;
    LONGLONG keyFrameDistance = 8000;
    LONG sharpness = 0;
    LONG quality = 75;
    LONG bufferSize = 5000;
};

struct SourceData {
    LONG type = 0;
    std::wstring input;
    // Property bag of the screen-capture plug-in, by lower-case name.
    std::map<std::wstring, LONG> props;
};

struct GroupData {
    std::wstring name;
    std::vector<std::shared_ptr<SourceData>> sources;
    vt::ComPtr<IDispatch> profile;
};

struct SessionData {
    std::vector<std::shared_ptr<GroupData>> groups;
    std::wstring localFileName;
};

std::wstring Lower(std::wstring s) {
    if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// ---------------------------------------------------------------------------------------
class AudienceObject final : public DispObject {
public:
    explicit AudienceObject(std::shared_ptr<AudienceData> d)
        : DispObject({&IID_Audience}, kNames, std::size(kNames)), m_d(std::move(d)) {}

private:
    enum : DISPID { idBitrate = 1, idCodec, idWidth, idHeight, idFps, idKey, idSharp, idQuality, idBuffer };
    static constexpr MemberName kNames[] = {
        {L"Bitrate", idBitrate}, {L"VideoCodec", idCodec}, {L"VideoWidth", idWidth},
        {L"VideoHeight", idHeight}, {L"VideoFPS", idFps}, {L"VideoKeyFrameDistance", idKey},
        {L"VideoImageSharpness", idSharp}, {L"VideoCompressionQuality", idQuality},
        {L"VideoBufferSize", idBuffer}};

    HRESULT Call(DISPID id, WORD flags, const DispArgs& a, VARIANT* result) override {
        if (id == idBitrate) {
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0, 1); FAILED(hr)) return hr;
            return ReturnLong(result, m_d->bitrate);
        }
        // Everything else is per video stream: (stream) to read, (stream, value) to write.
        LONG* field = nullptr;
        switch (id) {
        case idCodec: field = &m_d->codec; break;
        case idWidth: field = &m_d->width; break;
        case idHeight: field = &m_d->height; break;
        case idFps: field = &m_d->fps; break;
        case idSharp: field = &m_d->sharpness; break;
        case idQuality: field = &m_d->quality; break;
        case idBuffer: field = &m_d->bufferSize; break;
        default: break;
        }
        LONG stream = 0;
        if (IsPut(flags)) {
            if (HRESULT hr = a.Expect(2); FAILED(hr)) return hr;
            if (HRESULT hr = a.Long(0, stream); FAILED(hr)) return hr;
            if (stream != 0) return E_INVALIDARG;  // one video stream
            if (id == idKey) return a.Int64(1, m_d->keyFrameDistance);
            return a.Long(1, *field);
        }
        if (IsGet(flags)) {
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            if (HRESULT hr = a.Long(0, stream); FAILED(hr)) return hr;
            if (stream != 0) return E_INVALIDARG;
            if (id == idKey) {
                if (result) {
                    V_VT(result) = VT_CY;
                    V_CY(result).int64 = m_d->keyFrameDistance * 10000;
                }
                return S_OK;
            }
            return ReturnLong(result, *field);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    std::shared_ptr<AudienceData> m_d;
};

// ---------------------------------------------------------------------------------------
class ProfileObject final : public DispObject {
public:
    ProfileObject() : DispObject({&IID_Profile2, &IID_ProfileIface}, kNames, std::size(kNames)) {}

    // The values a recording takes from the profile, or a failure when they make no sense.
    HRESULT Check() const {
        if (m_audiences.empty()) return kErrProfileMismatch;
        if (m_contentType != kContentVideo && m_contentType != kContentAudioVideo) return kErrProfileMismatch;
        for (const auto& au : m_audiences) {
            if (au->bitrate <= 0 || au->width <= 0 || au->height <= 0 || (au->width & 1) || (au->height & 1) ||
                au->fps < 1000 || au->fps > 30000)
                return E_INVALIDARG;
        }
        return S_OK;
    }
    LONG ContentType() const { return m_contentType; }
    const AudienceData& FirstAudience() const { return *m_audiences.front(); }

private:
    enum : DISPID {
        idContentType = 1, idAddAudience, idValidateMode, idValidate, idVbrMode, idName, idDescription,
        idCodecCount, idEnumCodec, idCodecIndex, idAudienceCount, idAudience
    };
    static constexpr MemberName kNames[] = {
        {L"ContentType", idContentType}, {L"AddAudience", idAddAudience}, {L"ValidateMode", idValidateMode},
        {L"Validate", idValidate}, {L"VBRMode", idVbrMode}, {L"ProfileName", idName},
        {L"ProfileDescription", idDescription}, {L"VideoCodecCount", idCodecCount},
        {L"EnumVideoCodec", idEnumCodec}, {L"GetCodecIndexFromFourCC", idCodecIndex},
        {L"AudienceCount", idAudienceCount}, {L"Audience", idAudience}};

    void* QueryExtra(REFIID riid) override {
        return IsEqualIID(riid, IID_StandinProfile) ? static_cast<IDispatch*>(this) : nullptr;
    }

    static HRESULT StringProp(WORD flags, const DispArgs& a, VARIANT* result, std::wstring& field) {
        if (IsPut(flags)) {
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            return a.String(0, field);
        }
        if (IsGet(flags)) {
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnString(result, field);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT Call(DISPID id, WORD flags, const DispArgs& a, VARIANT* result) override {
        switch (id) {
        case idContentType:
            if (IsPut(flags)) {
                if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
                LONG v = 0;
                if (HRESULT hr = a.Long(0, v); FAILED(hr)) return hr;
                if (v != kContentVideo && v != kContentAudioVideo && v != 1) return E_INVALIDARG;
                m_contentType = v;
                return S_OK;
            }
            if (IsGet(flags)) {
                if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
                return ReturnLong(result, m_contentType);
            }
            return DISP_E_MEMBERNOTFOUND;
        case idAddAudience: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            LONG bitrate = 0;
            if (HRESULT hr = a.Long(0, bitrate); FAILED(hr)) return hr;
            if (bitrate <= 0) return E_INVALIDARG;
            auto d = std::make_shared<AudienceData>();
            d->bitrate = bitrate;
            m_audiences.push_back(d);
            auto obj = vt::ComPtr<IDispatch>::Attach(new AudienceObject(d));
            return ReturnDispatch(result, obj.Get());
        }
        case idValidateMode:
            if (IsPut(flags)) {
                if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
                return a.Bool(0, m_validateMode);
            }
            if (IsGet(flags)) {
                if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
                return ReturnBool(result, m_validateMode);
            }
            return DISP_E_MEMBERNOTFOUND;
        case idValidate:
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return Check();
        case idVbrMode: {
            LONG type = 0, stream = 0;
            UINT n = IsPut(flags) ? 3 : 2;
            if (!IsPut(flags) && !IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(n); FAILED(hr)) return hr;
            if (HRESULT hr = a.Long(0, type); FAILED(hr)) return hr;
            if (HRESULT hr = a.Long(1, stream); FAILED(hr)) return hr;
            if ((type != kSourceAudio && type != kSourceVideo) || stream != 0) return E_INVALIDARG;
            LONG& field = m_vbr[type - 1];
            if (IsGet(flags)) return ReturnLong(result, field);
            LONG mode = 0;
            if (HRESULT hr = a.Long(2, mode); FAILED(hr)) return hr;
            if (mode < 1 || mode > 4) return E_INVALIDARG;
            field = mode;
            return S_OK;
        }
        case idName:
            return StringProp(flags, a, result, m_name);
        case idDescription:
            return StringProp(flags, a, result, m_description);
        case idCodecCount:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnLong(result, 1);
        case idEnumCodec: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1, 2); FAILED(hr)) return hr;
            LONG index = 0;
            if (HRESULT hr = a.Long(0, index); FAILED(hr)) return hr;
            if (index != 0) return E_INVALIDARG;
            if (VARIANT* name = a.OutRef(1)) {
                VariantClear(name);
                V_VT(name) = VT_BSTR;
                V_BSTR(name) = SysAllocString(L"Windows Media Video 9");
            }
            return ReturnLong(result, kFourccWmv3);
        }
        case idCodecIndex: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(2); FAILED(hr)) return hr;
            LONG type = 0, fourcc = 0;
            if (HRESULT hr = a.Long(0, type); FAILED(hr)) return hr;
            if (HRESULT hr = a.Long(1, fourcc); FAILED(hr)) return hr;
            if (type != kSourceVideo) return kErrBadSourceType;
            // Frames go out as JPEG; the one codec also answers to the name callers ask for.
            if (fourcc != kFourccWmv3 && fourcc != kFourccMjpg) return E_INVALIDARG;
            return ReturnLong(result, 0);
        }
        case idAudienceCount:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnLong(result, static_cast<LONG>(m_audiences.size()));
        case idAudience: {
            if (!IsGet(flags) && !IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            LONG index = 0;
            if (HRESULT hr = a.Long(0, index); FAILED(hr)) return hr;
            if (index < 0 || index >= static_cast<LONG>(m_audiences.size())) return E_INVALIDARG;
            auto obj = vt::ComPtr<IDispatch>::Attach(new AudienceObject(m_audiences[index]));
            return ReturnDispatch(result, obj.Get());
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    LONG m_contentType = kContentVideo;
    bool m_validateMode = false;
    std::wstring m_name, m_description;
    LONG m_vbr[2] = {1, 1};
    std::vector<std::shared_ptr<AudienceData>> m_audiences;
};

// ---------------------------------------------------------------------------------------
class SourceObject final : public DispObject, public IPropertyBag {
public:
    explicit SourceObject(std::shared_ptr<SourceData> d)
        : DispObject(d->type == kSourceVideo
                         ? std::initializer_list<const IID*>{&IID_Source, &IID_VideoSource, &IID_VideoSource2}
                         : std::initializer_list<const IID*>{&IID_Source, &IID_AudioSource},
                     kNames, std::size(kNames)),
          m_d(std::move(d)) {}

    // IUnknown through the property bag.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return DispObject::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return DispObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return DispObject::Release(); }

    // IPropertyBag
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        auto it = m_d->props.find(Lower(name));
        if (it == m_d->props.end()) return E_INVALIDARG;
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = it->second;
        VARTYPE want = V_VT(value) == VT_EMPTY ? static_cast<VARTYPE>(VT_I4) : V_VT(value);
        VariantClear(value);
        return VariantChangeType(value, &v, 0, want);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
        if (!name || !value) return E_POINTER;
        if (m_d->type != kSourceVideo) return E_INVALIDARG;
        static const wchar_t* const kKnown[] = {L"screen", L"capturewindow", L"left", L"top",
                                                L"right", L"bottom", L"flashrect"};
        std::wstring key = Lower(name);
        bool known = false;
        for (const wchar_t* k : kKnown) known = known || key == k;
        if (!known) return E_INVALIDARG;
        VARIANT v;
        VariantInit(&v);
        if (FAILED(VariantChangeType(&v, value, 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        m_d->props[key] = V_I4(&v);
        return S_OK;
    }

private:
    enum : DISPID { idSetInput = 1, idType };
    static constexpr MemberName kNames[] = {{L"SetInput", idSetInput}, {L"Type", idType}};

    void* QueryExtra(REFIID riid) override {
        if (m_d->type == kSourceVideo && IsEqualIID(riid, IID_IPropertyBag)) return static_cast<IPropertyBag*>(this);
        return nullptr;
    }

    HRESULT Call(DISPID id, WORD flags, const DispArgs& a, VARIANT* result) override {
        if (id == idType) {
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnLong(result, m_d->type);
        }
        if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = a.Expect(1, 3); FAILED(hr)) return hr;
        std::wstring input, scheme, stream;
        if (HRESULT hr = a.String(0, input); FAILED(hr)) return hr;
        if (a.Has(1)) {
            if (HRESULT hr = a.String(1, scheme); FAILED(hr)) return hr;
        }
        if (a.Has(2)) {
            if (HRESULT hr = a.String(2, stream); FAILED(hr)) return hr;
        }
        static const wchar_t kScreen[] = L"ScreenCap://";
        static const wchar_t kDevice[] = L"Device://";
        if (m_d->type == kSourceVideo) {
            // Only the screen-capture plug-in: no camera capture here.
            if (!StartsWithNoCase(input, kScreen, std::size(kScreen) - 1) || input.size() == std::size(kScreen) - 1)
                return E_INVALIDARG;
        } else if (!StartsWithNoCase(input, kDevice, std::size(kDevice) - 1) ||
                   input.size() == std::size(kDevice) - 1) {
            return E_INVALIDARG;
        }
        m_d->input = input;
        return S_OK;
    }

    std::shared_ptr<SourceData> m_d;
};

// ---------------------------------------------------------------------------------------
class GroupObject final : public DispObject {
public:
    explicit GroupObject(std::shared_ptr<GroupData> d)
        : DispObject({&IID_Group}, kNames, std::size(kNames)), m_d(std::move(d)) {}

private:
    enum : DISPID { idAddSource = 1, idProfile, idName, idSourceCount };
    static constexpr MemberName kNames[] = {
        {L"AddSource", idAddSource}, {L"Profile", idProfile}, {L"Name", idName}, {L"SourceCount", idSourceCount}};

    HRESULT Call(DISPID id, WORD flags, const DispArgs& a, VARIANT* result) override {
        switch (id) {
        case idAddSource: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            LONG type = 0;
            if (HRESULT hr = a.Long(0, type); FAILED(hr)) return hr;
            if (type != kSourceAudio && type != kSourceVideo) return kErrBadSourceType;
            for (const auto& s : m_d->sources) {
                if (s->type == type) return kErrBadSourceType;  // one of each kind
            }
            auto d = std::make_shared<SourceData>();
            d->type = type;
            m_d->sources.push_back(d);
            auto obj = vt::ComPtr<IDispatch>::Attach(new SourceObject(d));
            return ReturnDispatch(result, obj.Get());
        }
        case idProfile:
            if (IsPut(flags)) {
                if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
                const VARIANT* v = a.Raw(0);
                IUnknown* unk = nullptr;
                if (V_VT(v) == VT_DISPATCH) unk = V_DISPATCH(v);
                else if (V_VT(v) == VT_UNKNOWN) unk = V_UNKNOWN(v);
                else if (V_VT(v) == VT_BSTR) return E_NOTIMPL;  // .prx files are not read here
                else return DISP_E_TYPEMISMATCH;
                vt::ComPtr<IDispatch> profile;
                if (!unk || FAILED(unk->QueryInterface(IID_StandinProfile, profile.PutVoid()))) return E_INVALIDARG;
                m_d->profile = std::move(profile);
                return S_OK;
            }
            if (IsGet(flags)) {
                if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
                if (!m_d->profile) return kErrNeedsProfile;
                return ReturnDispatch(result, m_d->profile.Get());
            }
            return DISP_E_MEMBERNOTFOUND;
        case idName:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnString(result, m_d->name);
        case idSourceCount:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0, 1); FAILED(hr)) return hr;
            return ReturnLong(result, static_cast<LONG>(m_d->sources.size()));
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    std::shared_ptr<GroupData> m_d;
};

class GroupCollectionObject final : public DispObject {
public:
    explicit GroupCollectionObject(std::shared_ptr<SessionData> d)
        : DispObject({&IID_GroupCollection}, kNames, std::size(kNames)), m_d(std::move(d)) {}

private:
    enum : DISPID { idAdd = 1, idCount, idItem };
    static constexpr MemberName kNames[] = {{L"Add", idAdd}, {L"Count", idCount}, {L"Item", idItem}};

    HRESULT Call(DISPID id, WORD flags, const DispArgs& a, VARIANT* result) override {
        switch (id) {
        case idAdd: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            std::wstring name;
            if (HRESULT hr = a.String(0, name); FAILED(hr)) return hr;
            if (name.empty()) return E_INVALIDARG;
            for (const auto& g : m_d->groups) {
                if (Lower(g->name) == Lower(name)) return E_INVALIDARG;
            }
            auto d = std::make_shared<GroupData>();
            d->name = name;
            m_d->groups.push_back(d);
            auto obj = vt::ComPtr<IDispatch>::Attach(new GroupObject(d));
            return ReturnDispatch(result, obj.Get());
        }
        case idCount:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnLong(result, static_cast<LONG>(m_d->groups.size()));
        case idItem: {
            if (!IsMethod(flags) && !IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            LONG index = 0;
            if (HRESULT hr = a.Long(0, index); FAILED(hr)) return hr;
            if (index < 0 || index >= static_cast<LONG>(m_d->groups.size())) return E_INVALIDARG;
            auto obj = vt::ComPtr<IDispatch>::Attach(new GroupObject(m_d->groups[index]));
            return ReturnDispatch(result, obj.Get());
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    std::shared_ptr<SessionData> m_d;
};

class FileObject final : public DispObject {
public:
    explicit FileObject(std::shared_ptr<SessionData> d)
        : DispObject({&IID_File}, kNames, std::size(kNames)), m_d(std::move(d)) {}

private:
    enum : DISPID { idLocalFileName = 1 };
    static constexpr MemberName kNames[] = {{L"LocalFileName", idLocalFileName}};

    HRESULT Call(DISPID, WORD flags, const DispArgs& a, VARIANT* result) override {
        if (IsPut(flags)) {
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            return a.String(0, m_d->localFileName);
        }
        if (IsGet(flags)) {
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return ReturnString(result, m_d->localFileName);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    std::shared_ptr<SessionData> m_d;
};

// ---------------------------------------------------------------------------------------
class EncoderObject final : public DispObject {
public:
    EncoderObject() : DispObject({&IID_Encoder, &IID_Encoder2}, kNames, std::size(kNames)) {}

    ~EncoderObject() override {
        std::lock_guard lock(m_lock);
        if (m_recorder.Prepared()) m_recorder.Finish();
    }

private:
    enum : DISPID { idStart = 1, idStop, idPause, idPrepare, idGroups, idFile, idRunState, idErrorState };
    static constexpr MemberName kNames[] = {
        {L"Start", idStart}, {L"Stop", idStop}, {L"Pause", idPause}, {L"PrepareToEncode", idPrepare},
        {L"SourceGroupCollection", idGroups}, {L"File", idFile}, {L"RunState", idRunState},
        {L"ErrorState", idErrorState}};

    HRESULT Call(DISPID id, WORD flags, const DispArgs& a, VARIANT* result) override {
        switch (id) {
        case idStart:
        case idStop:
        case idPause: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            return Note(id == idStart ? Start() : id == idStop ? Stop() : Pause());
        }
        case idPrepare: {
            if (!IsMethod(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(1); FAILED(hr)) return hr;
            bool prepare = false;
            if (HRESULT hr = a.Bool(0, prepare); FAILED(hr)) return hr;
            return Note(prepare ? Prepare() : Unprepare());
        }
        case idGroups:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            if (!m_groups) m_groups = vt::ComPtr<IDispatch>::Attach(new GroupCollectionObject(m_session));
            return ReturnDispatch(result, m_groups.Get());
        case idFile:
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            if (!m_file) m_file = vt::ComPtr<IDispatch>::Attach(new FileObject(m_session));
            return ReturnDispatch(result, m_file.Get());
        case idRunState: {
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            std::lock_guard lock(m_lock);
            return ReturnLong(result, m_state);
        }
        case idErrorState: {
            if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = a.Expect(0); FAILED(hr)) return hr;
            std::lock_guard lock(m_lock);
            return ReturnLong(result, m_error);
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    HRESULT Note(HRESULT hr) {
        if (FAILED(hr)) {
            std::lock_guard lock(m_lock);
            m_error = hr;
        }
        return hr;
    }

    // Gathers what the session set up into one recording and opens its file and inputs.
    HRESULT Prepare() {
        std::lock_guard lock(m_lock);
        if (m_state == kRunning || m_state == kPaused || m_state == kStopping) return kErrEngineRunning;
        if (m_recorder.Prepared()) return S_OK;
        if (m_session->groups.empty()) return kErrNeedsProfile;
        const GroupData& group = *m_session->groups.front();
        if (!group.profile) return kErrNeedsProfile;
        vt::ComPtr<IDispatch> p;
        group.profile->QueryInterface(IID_StandinProfile, p.PutVoid());
        const auto* profile = static_cast<const ProfileObject*>(p.Get());
        if (!profile) return kErrNeedsProfile;
        if (HRESULT hr = profile->Check(); FAILED(hr)) return hr;
        const AudienceData& au = profile->FirstAudience();

        const SourceData* video = nullptr;
        const SourceData* audio = nullptr;
        for (const auto& s : group.sources) {
            if (s->input.empty()) continue;
            (s->type == kSourceVideo ? video : audio) = s.get();
        }
        if (!video) return kErrProfileMismatch;
        if (profile->ContentType() == kContentAudioVideo && !audio) return kErrProfileMismatch;

        RecorderConfig cfg;
        auto prop = [&](const wchar_t* name) {
            auto it = video->props.find(name);
            return it == video->props.end() ? 0 : it->second;
        };
        LONG window = prop(L"capturewindow");
        RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (window != 0) {
            HWND hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));
            if (!IsWindow(hwnd) || !GetWindowRect(hwnd, &cfg.area)) return E_INVALIDARG;
        } else if (prop(L"left") || prop(L"top") || prop(L"right") || prop(L"bottom")) {
            cfg.area = RECT{prop(L"left"), prop(L"top"), prop(L"right"), prop(L"bottom")};
        } else {
            cfg.area = screen;
        }
        if (cfg.area.right <= cfg.area.left || cfg.area.bottom <= cfg.area.top) return E_INVALIDARG;
        cfg.width = au.width;
        cfg.height = au.height;
        cfg.fpsMilli = au.fps;
        cfg.videoBitrate = au.bitrate;
        if (audio && profile->ContentType() == kContentAudioVideo) {
            std::wstring name = audio->input.substr(std::size(L"Device://") - 1);
            if (!FindAudioDevice(name, cfg.audioDevice)) {
                vt::Trace(L"standin_wmenc: no audio input \"%ls\"", name.c_str());
                return HRESULT_FROM_WIN32(ERROR_DEV_NOT_EXIST);
            }
            cfg.audio = true;
        }
        if (m_session->localFileName.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        cfg.path = m_session->localFileName;
        HRESULT hr = m_recorder.Prepare(cfg);
        if (SUCCEEDED(hr)) m_state = kStopped;
        return hr;
    }

    HRESULT Unprepare() {
        std::lock_guard lock(m_lock);
        if (m_state == kRunning || m_state == kPaused) {
            // The inputs end now; Stop finishes the file.
            m_recorder.EndInputs();
            m_state = kStopping;
            return S_OK;
        }
        if (m_recorder.Prepared() && !m_recorder.Started()) m_recorder.Finish();
        return S_OK;
    }

    HRESULT Start() {
        std::lock_guard lock(m_lock);
        if (m_state == kRunning) return S_OK;
        if (!m_recorder.Prepared() || m_state == kStopping) return E_UNEXPECTED;
        HRESULT hr = m_recorder.Run();
        if (SUCCEEDED(hr)) m_state = kRunning;
        return hr;
    }

    HRESULT Pause() {
        std::lock_guard lock(m_lock);
        if (m_state == kPaused) return S_OK;
        if (m_state != kRunning) return E_UNEXPECTED;
        HRESULT hr = m_recorder.Hold();
        if (SUCCEEDED(hr)) m_state = kPaused;
        return hr;
    }

    HRESULT Stop() {
        std::lock_guard lock(m_lock);
        if (!m_recorder.Prepared()) return E_UNEXPECTED;
        HRESULT hr = m_recorder.Finish();
        m_state = kStopped;
        return hr;
    }

    std::shared_ptr<SessionData> m_session = std::make_shared<SessionData>();
    vt::ComPtr<IDispatch> m_groups;
    vt::ComPtr<IDispatch> m_file;
    // Pause and Start may come from another thread of the caller's process.
    std::mutex m_lock;
    Recorder m_recorder;
    LONG m_state = kStopped;
    LONG m_error = 0;
};

} // namespace

IDispatch* NewEncoder() { return new (std::nothrow) EncoderObject(); }
IDispatch* NewProfile() { return new (std::nothrow) ProfileObject(); }

} // namespace wmenc
