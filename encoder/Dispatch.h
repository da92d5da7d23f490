// Automation calls by member name. The encoder's interfaces are all dual, but their
// DISPIDs are published nowhere, so every member is reached through GetIDsOfNames.
#pragma once

#include "toolkit/Raii.h"

#include <oaidl.h>
#include <initializer_list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Owns one VARIANT (and the BSTR or interface in it).
class CVariant {
public:
    CVariant() noexcept { ::VariantInit(&m_v); }
    ~CVariant() { ::VariantClear(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    CVariant(CVariant&& o) noexcept : m_v(o.m_v) { ::VariantInit(&o.m_v); }
    CVariant& operator=(CVariant&& o) noexcept {
        if (this != &o) {
            ::VariantClear(&m_v);
            m_v = o.m_v;
            ::VariantInit(&o.m_v);
        }
        return *this;
    }

    static CVariant I4(LONG value) noexcept;
    static CVariant I2(SHORT value) noexcept;
    static CVariant Bool(bool value) noexcept;
    static CVariant Bstr(const std::wstring& text) noexcept;    // VT_EMPTY when out of memory
    static CVariant Currency(LONGLONG raw) noexcept;            // CY.int64 = raw
    static CVariant Dispatch(IDispatch* object) noexcept;       // adds a reference

    const VARIANT& Get() const noexcept { return m_v; }
    VARIANT* Put() noexcept { ::VariantClear(&m_v); return &m_v; }

private:
    VARIANT m_v;
};

// One automation object; each member name is resolved once and remembered.
class CDispatchObject {
public:
    CDispatchObject() = default;
    explicit CDispatchObject(vt::ComPtr<IDispatch> object) noexcept : m_object(std::move(object)) {}
    // Takes over a reference the caller holds.
    static CDispatchObject Attach(IDispatch* object) noexcept {
        return CDispatchObject(vt::ComPtr<IDispatch>::Attach(object));
    }
    CDispatchObject(CDispatchObject&& o) noexcept
        : m_object(std::move(o.m_object)), m_ids(std::move(o.m_ids)) {}
    CDispatchObject& operator=(CDispatchObject&& o) noexcept {
        if (this != &o) {
            m_object = std::move(o.m_object);
            m_ids = std::move(o.m_ids);
        }
        return *this;
    }

    explicit operator bool() const noexcept { return static_cast<bool>(m_object); }
    IDispatch* Get() const noexcept { return m_object.Get(); }
    void Reset() noexcept {
        m_object.Reset();
        m_ids.clear();
    }

    // Arguments in the order the member declares them (reversed for Invoke here).
    HRESULT Call(const wchar_t* name, std::initializer_list<const CVariant*> args = {},
                 VARIANT* result = nullptr);
    HRESULT GetProperty(const wchar_t* name, VARIANT* result);
    // Parameters first, the value last.
    HRESULT PutProperty(const wchar_t* name, std::initializer_list<const CVariant*> argsThenValue);

    // Calls that hand back an object.
    HRESULT CallObject(const wchar_t* name, std::initializer_list<const CVariant*> args,
                       CDispatchObject& out);
    HRESULT GetObjectProperty(const wchar_t* name, CDispatchObject& out);
    // Another interface of the same object (every one of them dual).
    HRESULT Query(const IID& iid, CDispatchObject& out) const;

    // The object in a VARIANT result (VT_DISPATCH, or VT_UNKNOWN that knows IDispatch).
    static HRESULT FromVariant(const VARIANT& v, CDispatchObject& out);

private:
    HRESULT Resolve(const wchar_t* name, DISPID* id);
    HRESULT Invoke(const wchar_t* name, WORD kind, std::initializer_list<const CVariant*> args,
                   VARIANT* result);

    vt::ComPtr<IDispatch> m_object;
    // Pause and Continue may come from another thread than the rest of the session.
    std::mutex m_idsLock;
    std::vector<std::pair<std::wstring, DISPID>> m_ids;
};
