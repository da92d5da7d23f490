// Late-bound calls by name, as a caller of the encoder objects makes them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "toolkit/Raii.h"

namespace standin_test {

// An owned VARIANT.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(LONG i) { VariantInit(&v); V_VT(&v) = VT_I4; V_I4(&v) = i; }
    Var(const wchar_t* s) { VariantInit(&v); V_VT(&v) = VT_BSTR; V_BSTR(&v) = SysAllocString(s); }
    static Var Bool(bool b) { Var r; V_VT(&r.v) = VT_BOOL; V_BOOL(&r.v) = b ? VARIANT_TRUE : VARIANT_FALSE; return r; }
    static Var Short(short s) { Var r; V_VT(&r.v) = VT_I2; V_I2(&r.v) = s; return r; }
    static Var Dispatch(IDispatch* d) { Var r; V_VT(&r.v) = VT_DISPATCH; V_DISPATCH(&r.v) = d; d->AddRef(); return r; }
    Var(const Var& o) { VariantInit(&v); VariantCopy(&v, const_cast<VARIANT*>(&o.v)); }
    Var& operator=(const Var& o) { if (this != &o) VariantCopy(&v, const_cast<VARIANT*>(&o.v)); return *this; }
    ~Var() { VariantClear(&v); }
    LONG Long() const { VARIANT t; VariantInit(&t); VariantChangeType(&t, const_cast<VARIANT*>(&v), 0, VT_I4); return V_I4(&t); }
    std::wstring String() const {
        VARIANT t; VariantInit(&t);
        if (FAILED(VariantChangeType(&t, const_cast<VARIANT*>(&v), 0, VT_BSTR))) return L"";
        std::wstring s(V_BSTR(&t) ? V_BSTR(&t) : L""); VariantClear(&t); return s;
    }
    vt::ComPtr<IDispatch> Object() const {
        vt::ComPtr<IDispatch> d;
        if (V_VT(&v) == VT_DISPATCH && V_DISPATCH(&v)) { d = vt::ComPtr<IDispatch>::Attach(V_DISPATCH(&v)); d->AddRef(); }
        return d;
    }
};

// Invoke by name; args in natural order (for a put the value last).
inline HRESULT Call(IDispatch* obj, const wchar_t* name, WORD flags, std::initializer_list<Var> args,
                    Var* result = nullptr) {
    if (!obj) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> rev;
    for (auto it = args.end(); it != args.begin();) rev.push_back((--it)->v);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS dp{rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        dp.rgdispidNamedArgs = &put;
        dp.cNamedArgs = 1;
    }
    Var local;
    Var* out = result ? result : &local;
    VariantClear(&out->v);
    UINT argErr = 0;
    return obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &out->v, nullptr, &argErr);
}
inline HRESULT Method(IDispatch* o, const wchar_t* n, std::initializer_list<Var> a = {}, Var* r = nullptr) {
    return Call(o, n, DISPATCH_METHOD, a, r);
}
inline HRESULT Get(IDispatch* o, const wchar_t* n, std::initializer_list<Var> a, Var* r) {
    return Call(o, n, DISPATCH_PROPERTYGET, a, r);
}
inline HRESULT Put(IDispatch* o, const wchar_t* n, std::initializer_list<Var> a) {
    return Call(o, n, DISPATCH_PROPERTYPUT, a);
}

} // namespace standin_test
