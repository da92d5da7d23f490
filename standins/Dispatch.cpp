#include "standins/Dispatch.h"

#include <cwctype>
#include <iterator>

namespace wmenc {

std::atomic<long> g_moduleRefs{0};

namespace {

bool SameName(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::towlower(*a) != std::towlower(*b)) return false;
    }
    return *a == *b;
}

} // namespace

HRESULT DispArgs::Expect(UINT min, UINT max) const noexcept {
    UINT n = Count();
    return (n < min || n > max) ? DISP_E_BADPARAMCOUNT : S_OK;
}

const VARIANT* DispArgs::At(UINT i) const noexcept {
    UINT n = Count();
    if (i >= n) return nullptr;
    // Invoke passes the arguments last first.
    const VARIANT* v = &m_params->rgvarg[n - 1 - i];
    while (v && V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    return v;
}

bool DispArgs::Has(UINT i) const noexcept {
    const VARIANT* v = At(i);
    return v && !(V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND);
}

const VARIANT* DispArgs::Raw(UINT i) const noexcept { return At(i); }

VARIANT* DispArgs::OutRef(UINT i) const noexcept {
    UINT n = Count();
    if (i >= n) return nullptr;
    VARIANT* v = &m_params->rgvarg[n - 1 - i];
    return V_VT(v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(v) : nullptr;
}

HRESULT DispArgs::Convert(UINT i, VARTYPE vt, VARIANT& out) const noexcept {
    const VARIANT* v = At(i);
    if (!v) return DISP_E_BADPARAMCOUNT;
    VariantInit(&out);
    HRESULT hr = VariantChangeType(&out, const_cast<VARIANT*>(v), 0, vt);
    if (FAILED(hr)) {
        if (m_argErr) *m_argErr = Count() - 1 - i;
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT DispArgs::Long(UINT i, LONG& out) const noexcept {
    VARIANT v;
    HRESULT hr = Convert(i, VT_I4, v);
    if (SUCCEEDED(hr)) out = V_I4(&v);
    return hr;
}

HRESULT DispArgs::Bool(UINT i, bool& out) const noexcept {
    VARIANT v;
    HRESULT hr = Convert(i, VT_BOOL, v);
    if (SUCCEEDED(hr)) out = V_BOOL(&v) != VARIANT_FALSE;
    return hr;
}

HRESULT DispArgs::Int64(UINT i, LONGLONG& out) const noexcept {
    const VARIANT* raw = At(i);
    if (raw && V_VT(raw) == VT_CY) {  // WMENC_LONGLONG travels as a currency
        out = V_CY(raw).int64 / 10000;
        return S_OK;
    }
    VARIANT v;
    HRESULT hr = Convert(i, VT_I8, v);
    if (SUCCEEDED(hr)) out = V_I8(&v);
    return hr;
}

HRESULT DispArgs::String(UINT i, std::wstring& out) const {
    VARIANT v;
    HRESULT hr = Convert(i, VT_BSTR, v);
    if (SUCCEEDED(hr)) {
        out.assign(V_BSTR(&v) ? V_BSTR(&v) : L"", V_BSTR(&v) ? SysStringLen(V_BSTR(&v)) : 0);
        VariantClear(&v);
    }
    return hr;
}

HRESULT ReturnLong(VARIANT* result, LONG v) noexcept {
    if (result) {
        V_VT(result) = VT_I4;
        V_I4(result) = v;
    }
    return S_OK;
}

HRESULT ReturnBool(VARIANT* result, bool v) noexcept {
    if (result) {
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = v ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
}

HRESULT ReturnString(VARIANT* result, const std::wstring& v) noexcept {
    if (!result) return S_OK;
    BSTR b = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
    if (!b) return E_OUTOFMEMORY;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = b;
    return S_OK;
}

HRESULT ReturnDispatch(VARIANT* result, IDispatch* v) noexcept {
    if (!v) return E_POINTER;
    if (!result) return S_OK;
    v->AddRef();
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = v;
    return S_OK;
}

DispObject::DispObject(std::initializer_list<const IID*> iids, const MemberName* names,
                       size_t nameCount) noexcept
    : m_names(names), m_nameCount(nameCount) {
    for (const IID* iid : iids) {
        if (m_iidCount < std::size(m_iids)) m_iids[m_iidCount++] = iid;
    }
    ++g_moduleRefs;
}

DispObject::~DispObject() { --g_moduleRefs; }

HRESULT DispObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    bool ours = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch);
    for (size_t i = 0; !ours && i < m_iidCount; ++i) ours = IsEqualIID(riid, *m_iids[i]);
    if (ours) {
        *ppv = static_cast<IDispatch*>(this);
    } else if (void* extra = QueryExtra(riid)) {
        *ppv = extra;
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG DispObject::AddRef() { return ++m_refs; }

ULONG DispObject::Release() {
    ULONG n = --m_refs;
    if (n == 0) delete this;
    return n;
}

HRESULT DispObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT DispObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    ids[0] = DISPID_UNKNOWN;
    if (names[0]) {
        for (size_t i = 0; i < m_nameCount; ++i) {
            if (SameName(names[0], m_names[i].name)) {
                ids[0] = m_names[i].id;
                break;
            }
        }
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // Parameter names are not known.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT DispObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO*, UINT* argErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS empty{};
    if (!params) params = &empty;
    if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
    // The only named argument there is: the value of a property put.
    if (params->cNamedArgs > 1 ||
        (params->cNamedArgs == 1 && (!params->rgdispidNamedArgs ||
                                     params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
        return DISP_E_NONAMEDARGS;
    if (IsPut(flags) && params->cArgs == 0) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    DispArgs args(params, argErr);
    bool known = false;
    for (size_t i = 0; i < m_nameCount && !known; ++i) known = m_names[i].id == id;
    if (!known) return DISP_E_MEMBERNOTFOUND;
    return Call(id, flags, args, result);
}

} // namespace wmenc
