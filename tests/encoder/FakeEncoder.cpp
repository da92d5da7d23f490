#include "FakeEncoder.h"

#include "encoder/MSEncoder.h"

#include <ocidl.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>

namespace fake {

namespace {

// Lets a fake recognise another fake handed to it as an argument.
const IID IID_FakeObject = {0x7d1f3a52, 0x44b1, 0x4c8e, {0x9a, 0x0e, 0x51, 0x3c, 0x2b, 0x77, 0x10, 0x01}};
const IID IID_WMEncoder = {0x632B607F, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};
const IID IID_WMEncSource = {0x632B6084, 0xBBC6, 0x11D2, {0xA3, 0x29, 0x00, 0x60, 0x97, 0xC4, 0xE4, 0x76}};

World g_world;

std::string Narrow(const wchar_t* s, UINT len) {
    std::string out;
    for (UINT i = 0; i < len; ++i) out += s[i] < 128 ? static_cast<char>(s[i]) : '?';
    return out;
}

std::string Narrow(const wchar_t* s) { return Narrow(s, static_cast<UINT>(wcslen(s))); }

struct IidName {
    const IID* iid;
    const char* name;
};

std::string NameOf(REFIID iid) {
    static const IidName names[] = {
        {&IID_VistrelWMEncoder2, "IWMEncoder2"},
        {&IID_WMEncoder, "IWMEncoder"},
        {&IID_VistrelWMEncVideoSource2, "IWMEncVideoSource2"},
        {&IID_VistrelWMEncAudioSource, "IWMEncAudioSource"},
        {&IID_WMEncSource, "IWMEncSource"},
        {&IID_VistrelWMEncProfile2, "IWMEncProfile2"},
        {&IID_VistrelWMEncProfile, "IWMEncProfile"},
        {&IID_IPropertyBag, "IPropertyBag"},
        {&CLSID_VistrelWMEncoder, "WMEncoder"},
        {&CLSID_VistrelWMEncProfile2, "WMEncProfile2"},
    };
    for (const auto& n : names) {
        if (IsEqualGUID(*n.iid, iid)) return n.name;
    }
    wchar_t buf[64];
    StringFromGUID2(iid, buf, 64);
    return Narrow(buf);
}

struct Member {
    const wchar_t* name;
    WORD kind;
};

// What each kind of object answers to, with the kind of invocation it expects.
std::vector<Member> MembersOf(const std::string& kind) {
    const WORD M = DISPATCH_METHOD, G = DISPATCH_PROPERTYGET, P = DISPATCH_PROPERTYPUT;
    if (kind == "encoder")
        return {{L"Start", M}, {L"Stop", M}, {L"Pause", M}, {L"PrepareToEncode", M},
                {L"SourceGroupCollection", G}, {L"File", G}};
    if (kind == "collection") return {{L"Add", M}};
    if (kind == "group") return {{L"AddSource", M}, {L"Profile", P}};
    if (kind == "video" || kind == "audio") return {{L"SetInput", M}};
    if (kind == "file") return {{L"LocalFileName", P}};
    if (kind == "profile")
        return {{L"ValidateMode", P}, {L"ProfileName", P}, {L"ProfileDescription", P},
                {L"ContentType", P}, {L"VBRMode", P}, {L"AddAudience", M},
                {L"VideoCodecCount", G}, {L"GetCodecIndexFromFourCC", M}, {L"Validate", M}};
    if (kind == "audience")
        return {{L"VideoCodec", P}, {L"VideoWidth", P}, {L"VideoHeight", P}, {L"VideoBufferSize", P},
                {L"VideoFPS", P}, {L"VideoCompressionQuality", P}, {L"VideoKeyFrameDistance", P}};
    return {};
}

class Object final : public IDispatch, public IPropertyBag {
public:
    explicit Object(const std::string& kind)
        : m_kind(kind), m_label(g_world.NewLabel(kind)), m_members(MembersOf(kind)) {
        g_world.live.insert(m_label);
    }

    const std::string& Label() const { return m_label; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_FakeObject)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        bool known = false;
        if (m_kind == "encoder") known = IsEqualIID(iid, IID_VistrelWMEncoder2) || IsEqualIID(iid, IID_WMEncoder);
        if (m_kind == "profile")
            known = IsEqualIID(iid, IID_VistrelWMEncProfile2) || IsEqualIID(iid, IID_VistrelWMEncProfile);
        if (m_kind == "video")
            known = IsEqualIID(iid, IID_VistrelWMEncVideoSource2) || IsEqualIID(iid, IID_IPropertyBag) ||
                    IsEqualIID(iid, IID_WMEncSource);
        if (m_kind == "audio")
            known = IsEqualIID(iid, IID_VistrelWMEncAudioSource) || IsEqualIID(iid, IID_WMEncSource);
        std::string entry = m_label + ".QI " + NameOf(iid);
        g_world.log.push_back(entry);
        if (!known || g_world.ShouldFail(entry)) return E_NOINTERFACE;
        if (IsEqualIID(iid, IID_IPropertyBag)) *out = static_cast<IPropertyBag*>(this);
        else *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_refs;
        if (n == 0) {
            g_world.log.push_back("~" + m_label);
            g_world.live.erase(m_label);
            delete this;
        }
        return n;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1) return E_INVALIDARG;
        for (size_t i = 0; i < m_members.size(); ++i) {
            if (_wcsicmp(m_members[i].name, names[0]) == 0) {
                ids[0] = static_cast<DISPID>(i + 1);
                std::string key = m_label + "." + Narrow(names[0]);
                auto it = std::find_if(g_world.resolved.begin(), g_world.resolved.end(),
                                       [&](const auto& p) { return p.first == key; });
                if (it == g_world.resolved.end()) g_world.resolved.push_back({key, 1});
                else ++it->second;
                return S_OK;
            }
        }
        g_world.log.push_back(m_label + ".UNKNOWN " + Narrow(names[0]));
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override {
        if (id < 1 || static_cast<size_t>(id) > m_members.size()) return DISP_E_MEMBERNOTFOUND;
        const Member& m = m_members[id - 1];
        std::string name = Narrow(m.name);
        std::string prefix = flags == DISPATCH_PROPERTYGET ? "get " : flags == DISPATCH_PROPERTYPUT ? "put " : "";
        std::string args;
        for (UINT i = params->cArgs; i > 0; --i) {
            if (!args.empty()) args += ", ";
            args += Describe(params->rgvarg[i - 1]);
        }
        std::string key = m_label + "." + prefix + name;
        if (flags != m.kind) {
            g_world.log.push_back(key + " WRONG KIND");
            return DISP_E_MEMBERNOTFOUND;
        }
        bool namedOk = flags == DISPATCH_PROPERTYPUT
                           ? params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT
                           : params->cNamedArgs == 0;
        g_world.log.push_back(key + "(" + args + ")" + (namedOk ? "" : " BAD NAMED ARGS"));
        if (g_world.ShouldFail(key)) return g_world.failure;
        if (result) VariantInit(result);

        std::string made;
        if (name == "SourceGroupCollection") made = "collection";
        else if (name == "File") made = "file";
        else if (name == "Add") made = "group";
        else if (name == "AddAudience") made = "audience";
        else if (name == "AddSource") made = (params->cArgs == 1 && params->rgvarg[0].lVal == 1) ? "audio" : "video";
        if (!made.empty()) {
            if (!result) return E_POINTER;
            result->vt = VT_DISPATCH;
            result->pdispVal = static_cast<IDispatch*>(new Object(made));
        } else if (name == "VideoCodecCount" && result) {
            result->vt = VT_I4;
            result->lVal = g_world.codecCount;
        } else if (name == "GetCodecIndexFromFourCC" && result) {
            if (g_world.codecIndexAsI2) {
                result->vt = VT_I2;
                result->iVal = static_cast<SHORT>(g_world.codecIndex);
            } else {
                result->vt = VT_I4;
                result->lVal = g_world.codecIndex;
            }
        }
        return S_OK;
    }

    STDMETHODIMP Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_NOTIMPL; }
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
        std::string key = m_label + ".Write " + Narrow(name);
        g_world.log.push_back(key + "=" + Describe(*value));
        return g_world.ShouldFail(key) ? g_world.failure : S_OK;
    }

private:
    std::string m_kind;
    std::string m_label;
    std::vector<Member> m_members;
    std::atomic<ULONG> m_refs{1};
};

} // namespace

bool World::ShouldFail(const std::string& key) {
    auto it = std::find_if(seen.begin(), seen.end(), [&](const auto& p) { return p.first == key; });
    int n = it == seen.end() ? (seen.push_back({key, 1}), 1) : ++it->second;
    for (const auto& f : failures) {
        if (f.key == key && (f.occurrence == 0 || f.occurrence == n)) return true;
    }
    return false;
}

std::string World::NewLabel(const std::string& kind) {
    auto it = std::find_if(labels.begin(), labels.end(), [&](const auto& p) { return p.first == kind; });
    int n = it == labels.end() ? (labels.push_back({kind, 1}), 1) : ++it->second;
    return kind + std::to_string(n);
}

std::vector<std::string> World::Calls() const {
    std::vector<std::string> out;
    for (const auto& e : log) {
        if (e[0] != '~') out.push_back(e);
    }
    return out;
}

std::vector<std::string> World::Releases() const {
    std::vector<std::string> out;
    for (const auto& e : log) {
        if (e[0] == '~') out.push_back(e);
    }
    return out;
}

int World::Resolved(const std::string& key) const {
    for (const auto& p : resolved) {
        if (p.first == key) return p.second;
    }
    return 0;
}

World& TheWorld() { return g_world; }

void Reset() { g_world = World(); }

std::string Describe(const VARIANT& v) {
    char buf[64];
    switch (v.vt) {
    case VT_I4: std::snprintf(buf, sizeof buf, "i4:%ld", static_cast<long>(v.lVal)); return buf;
    case VT_I2: std::snprintf(buf, sizeof buf, "i2:%d", v.iVal); return buf;
    case VT_BOOL: std::snprintf(buf, sizeof buf, "bool:%d", v.boolVal); return buf;
    case VT_CY: std::snprintf(buf, sizeof buf, "cy:%lld", static_cast<long long>(v.cyVal.int64)); return buf;
    case VT_BSTR: {
        std::string text(1, '\'');
        if (v.bstrVal) text += Narrow(v.bstrVal, SysStringLen(v.bstrVal));
        text += '\'';
        return text;
    }
    case VT_DISPATCH: {
        IDispatch* self = nullptr;
        if (v.pdispVal && SUCCEEDED(v.pdispVal->QueryInterface(IID_FakeObject, reinterpret_cast<void**>(&self)))) {
            std::string label = static_cast<Object*>(self)->Label();
            self->Release();
            label.insert(0, "disp:");
            return label;
        }
        return "disp:?";
    }
    default: std::snprintf(buf, sizeof buf, "vt:%d", v.vt); return buf;
    }
}

HRESULT STDAPICALLTYPE CreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                      LPVOID* out) {
    *out = nullptr;
    std::string cls = NameOf(clsid);
    char ctx[32];
    std::snprintf(ctx, sizeof ctx, " ctx=%lu", static_cast<unsigned long>(context));
    g_world.log.push_back("Create " + cls + " " + NameOf(iid) + ctx + (outer ? " OUTER" : ""));
    if (g_world.ShouldFail("Create " + cls)) return REGDB_E_CLASSNOTREG;
    std::string kind = IsEqualCLSID(clsid, CLSID_VistrelWMEncoder)       ? "encoder"
                       : IsEqualCLSID(clsid, CLSID_VistrelWMEncProfile2) ? "profile"
                                                                         : "";
    if (kind.empty()) return REGDB_E_CLASSNOTREG;
    Object* o = new Object(kind);
    // QueryInterface is logged like any call; creation asks it silently.
    size_t before = g_world.log.size();
    HRESULT hr = o->QueryInterface(iid, out);
    g_world.log.resize(before);
    o->Release();
    return hr;
}

} // namespace fake
