// Late-bound (by name) COM objects: reference counting, QueryInterface over a list of
// interface ids, and IDispatch with argument checking. Every dual interface of an object
// is answered with the same IDispatch-derived pointer; callers reach members by name.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <initializer_list>
#include <string>

namespace wmenc {

// Live objects and server locks of the DLL (DllCanUnloadNow).
extern std::atomic<long> g_moduleRefs;

// Positional arguments of one Invoke, in natural order (for property puts the value is
// last). Conversions report DISP_E_TYPEMISMATCH and set the caller's argument index.
class DispArgs {
public:
    DispArgs(DISPPARAMS* params, UINT* argErr) noexcept : m_params(params), m_argErr(argErr) {}

    UINT Count() const noexcept { return m_params ? m_params->cArgs : 0; }
    // DISP_E_BADPARAMCOUNT unless min <= Count() <= max.
    HRESULT Expect(UINT min, UINT max) const noexcept;
    HRESULT Expect(UINT n) const noexcept { return Expect(n, n); }
    bool Has(UINT i) const noexcept;  // present and not a "missing optional" marker

    HRESULT Long(UINT i, LONG& out) const noexcept;
    HRESULT Bool(UINT i, bool& out) const noexcept;
    HRESULT String(UINT i, std::wstring& out) const;
    HRESULT Int64(UINT i, LONGLONG& out) const noexcept;
    // The VARIANT as passed (references followed).
    const VARIANT* Raw(UINT i) const noexcept;
    // A by-reference VARIANT out-parameter, or null.
    VARIANT* OutRef(UINT i) const noexcept;

private:
    HRESULT Convert(UINT i, VARTYPE vt, VARIANT& out) const noexcept;
    const VARIANT* At(UINT i) const noexcept;
    DISPPARAMS* m_params;
    UINT* m_argErr;
};

struct MemberName {
    const wchar_t* name;
    DISPID id;
};

// Result helpers for Invoke.
HRESULT ReturnLong(VARIANT* result, LONG v) noexcept;
HRESULT ReturnBool(VARIANT* result, bool v) noexcept;
HRESULT ReturnString(VARIANT* result, const std::wstring& v) noexcept;
HRESULT ReturnDispatch(VARIANT* result, IDispatch* v) noexcept;  // AddRefs v

inline bool IsGet(WORD flags) noexcept { return (flags & DISPATCH_PROPERTYGET) != 0; }
inline bool IsPut(WORD flags) noexcept { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
inline bool IsMethod(WORD flags) noexcept { return (flags & DISPATCH_METHOD) != 0; }

// Callers that bind a typed vtable get E_NOTIMPL from the slots past IDispatch instead of
// jumping through garbage: the x64 calling convention lets one stub stand for any signature.
struct DualStubs : IDispatch {
#define WMENC_STUB(n) virtual HRESULT STDMETHODCALLTYPE Slot##n() { return E_NOTIMPL; }
    WMENC_STUB(07) WMENC_STUB(08) WMENC_STUB(09) WMENC_STUB(10) WMENC_STUB(11) WMENC_STUB(12)
    WMENC_STUB(13) WMENC_STUB(14) WMENC_STUB(15) WMENC_STUB(16) WMENC_STUB(17) WMENC_STUB(18)
    WMENC_STUB(19) WMENC_STUB(20) WMENC_STUB(21) WMENC_STUB(22) WMENC_STUB(23) WMENC_STUB(24)
    WMENC_STUB(25) WMENC_STUB(26) WMENC_STUB(27) WMENC_STUB(28) WMENC_STUB(29) WMENC_STUB(30)
    WMENC_STUB(31) WMENC_STUB(32) WMENC_STUB(33) WMENC_STUB(34) WMENC_STUB(35) WMENC_STUB(36)
    WMENC_STUB(37) WMENC_STUB(38) WMENC_STUB(39) WMENC_STUB(40) WMENC_STUB(41) WMENC_STUB(42)
    WMENC_STUB(43) WMENC_STUB(44) WMENC_STUB(45) WMENC_STUB(46) WMENC_STUB(47) WMENC_STUB(48)
    WMENC_STUB(49) WMENC_STUB(50) WMENC_STUB(51) WMENC_STUB(52) WMENC_STUB(53) WMENC_STUB(54)
    WMENC_STUB(55) WMENC_STUB(56) WMENC_STUB(57) WMENC_STUB(58) WMENC_STUB(59) WMENC_STUB(60)
    WMENC_STUB(61) WMENC_STUB(62) WMENC_STUB(63) WMENC_STUB(64)
#undef WMENC_STUB
    virtual ~DualStubs() = default;
};

// Base of every object: derive, list the dual interface ids and the member names, and
// implement Call. Objects are created with a reference count of one.
class DispObject : public DualStubs {
public:
    DispObject(std::initializer_list<const IID*> iids, const MemberName* names, size_t nameCount) noexcept;
    ~DispObject() override;
    DispObject(const DispObject&) = delete;
    DispObject& operator=(const DispObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

protected:
    virtual HRESULT Call(DISPID id, WORD flags, const DispArgs& args, VARIANT* result) = 0;
    // Further (non-dual) interfaces of the derived object.
    virtual void* QueryExtra(REFIID) { return nullptr; }

private:
    std::atomic<ULONG> m_refs{1};
    const IID* m_iids[4] = {};
    size_t m_iidCount = 0;
    const MemberName* m_names;
    size_t m_nameCount;
};

} // namespace wmenc
