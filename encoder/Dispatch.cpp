#include "encoder/Dispatch.h"

#include <oleauto.h>

CVariant CVariant::I4(LONG value) noexcept {
    CVariant v;
    v.m_v.vt = VT_I4;
    v.m_v.lVal = value;
    return v;
}

CVariant CVariant::I2(SHORT value) noexcept {
    CVariant v;
    v.m_v.vt = VT_I2;
    v.m_v.iVal = value;
    return v;
}

CVariant CVariant::Bool(bool value) noexcept {
    CVariant v;
    v.m_v.vt = VT_BOOL;
    v.m_v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

CVariant CVariant::Bstr(const std::wstring& text) noexcept {
    CVariant v;
    BSTR b = ::SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    if (b) {
        v.m_v.vt = VT_BSTR;
        v.m_v.bstrVal = b;
    }
    return v;
}

CVariant CVariant::Currency(LONGLONG raw) noexcept {
    CVariant v;
    v.m_v.vt = VT_CY;
    v.m_v.cyVal.int64 = raw;
    return v;
}

CVariant CVariant::Dispatch(IDispatch* object) noexcept {
    CVariant v;
    v.m_v.vt = VT_DISPATCH;
    v.m_v.pdispVal = object;
    if (object) object->AddRef();
    return v;
}

HRESULT CDispatchObject::Resolve(const wchar_t* name, DISPID* id) {
    std::lock_guard<std::mutex> lock(m_idsLock);
    for (const auto& entry : m_ids) {
        if (entry.first == name) {
            *id = entry.second;
            return S_OK;
        }
    }
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = m_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
    if (FAILED(hr)) return hr;
    m_ids.emplace_back(name, *id);
    return S_OK;
}

HRESULT CDispatchObject::Invoke(const wchar_t* name, WORD kind,
                                std::initializer_list<const CVariant*> args, VARIANT* result) {
    if (!m_object) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = Resolve(name, &id);
    if (FAILED(hr)) return hr;

    // Invoke wants the last argument first; the variants stay owned by the caller.
    std::vector<VARIANTARG> reversed;
    reversed.reserve(args.size());
    for (auto it = args.end(); it != args.begin();) {
        --it;
        if (!*it) return E_POINTER;
        reversed.push_back((*it)->Get());
    }
    for (const VARIANTARG& a : reversed) {
        if (a.vt == VT_EMPTY) return E_OUTOFMEMORY;  // a BSTR that could not be made
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (kind == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    CVariant ignored;
    VARIANT* out = result ? result : ignored.Put();
    if (result) ::VariantClear(result);
    EXCEPINFO info{};
    UINT argErr = 0;
    hr = m_object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, out, &info, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        if (FAILED(info.scode)) hr = info.scode;
    }
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    return hr;
}

HRESULT CDispatchObject::Call(const wchar_t* name, std::initializer_list<const CVariant*> args,
                              VARIANT* result) {
    return Invoke(name, DISPATCH_METHOD, args, result);
}

HRESULT CDispatchObject::GetProperty(const wchar_t* name, VARIANT* result) {
    return Invoke(name, DISPATCH_PROPERTYGET, {}, result);
}

HRESULT CDispatchObject::PutProperty(const wchar_t* name,
                                     std::initializer_list<const CVariant*> argsThenValue) {
    return Invoke(name, DISPATCH_PROPERTYPUT, argsThenValue, nullptr);
}

HRESULT CDispatchObject::FromVariant(const VARIANT& v, CDispatchObject& out) {
    out.Reset();
    if (v.vt == VT_DISPATCH && v.pdispVal) {
        v.pdispVal->AddRef();
        out = Attach(v.pdispVal);
        return S_OK;
    }
    if (v.vt == VT_UNKNOWN && v.punkVal) {
        IDispatch* d = nullptr;
        HRESULT hr = v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
        if (FAILED(hr)) return hr;
        out = Attach(d);
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CDispatchObject::CallObject(const wchar_t* name, std::initializer_list<const CVariant*> args,
                                    CDispatchObject& out) {
    out.Reset();
    CVariant result;
    HRESULT hr = Call(name, args, result.Put());
    if (FAILED(hr)) return hr;
    return FromVariant(result.Get(), out);
}

HRESULT CDispatchObject::GetObjectProperty(const wchar_t* name, CDispatchObject& out) {
    out.Reset();
    CVariant result;
    HRESULT hr = GetProperty(name, result.Put());
    if (FAILED(hr)) return hr;
    return FromVariant(result.Get(), out);
}

HRESULT CDispatchObject::Query(const IID& iid, CDispatchObject& out) const {
    out.Reset();
    if (!m_object) return E_POINTER;
    IDispatch* d = nullptr;
    // A dual interface's pointer is an IDispatch pointer as well.
    HRESULT hr = m_object->QueryInterface(iid, reinterpret_cast<void**>(&d));
    if (FAILED(hr)) return hr;
    if (!d) return E_NOINTERFACE;
    out = Attach(d);
    return S_OK;
}
