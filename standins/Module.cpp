// Entry points of the in-process server: class objects, unloading and registration.
#include "standins/Dispatch.h"
#include "standins/Objects.h"

#include <windows.h>
#include <olectl.h>

#include <string>

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(IDispatch* (*create)()) noexcept : m_create(create) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Static objects: their life is the module's.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IDispatch* obj = m_create();
        if (!obj) return E_OUTOFMEMORY;
        HRESULT hr = obj->QueryInterface(riid, ppv);
        obj->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) ++g_locks;
        else --g_locks;
        return S_OK;
    }

private:
    IDispatch* (*m_create)();
};

ClassFactory g_encoderFactory(wmenc::NewEncoder);
ClassFactory g_profileFactory(wmenc::NewProfile);

const wchar_t kEncoderKey[] = L"SOFTWARE\\Microsoft\\Windows Media\\Encoder";
const wchar_t kEncoderVersion[] = L"9.00.00.2980";

std::wstring ClsidKey(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

LSTATUS SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    return RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterClass(const CLSID& clsid, const wchar_t* description, const std::wstring& path) {
    std::wstring key = ClsidKey(clsid);
    LSTATUS st = SetString(HKEY_CLASSES_ROOT, key, nullptr, description);
    if (st == ERROR_SUCCESS) st = SetString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, path);
    if (st == ERROR_SUCCESS)
        st = SetString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    return st == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualCLSID(clsid, wmenc::CLSID_Encoder)) return g_encoderFactory.QueryInterface(riid, ppv);
    if (IsEqualCLSID(clsid, wmenc::CLSID_Profile)) return g_profileFactory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return wmenc::g_moduleRefs == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    HRESULT hr = RegisterClass(wmenc::CLSID_Encoder, L"Windows Media Encoder (stand-in)", path);
    if (SUCCEEDED(hr)) hr = RegisterClass(wmenc::CLSID_Profile, L"Windows Media Encoder profile (stand-in)", path);
    // What the encoder installation check looks for.
    if (SUCCEEDED(hr) && SetString(HKEY_LOCAL_MACHINE, kEncoderKey, L"Version", kEncoderVersion) != ERROR_SUCCESS)
        hr = SELFREG_E_CLASS;
    return hr;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey(wmenc::CLSID_Encoder).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey(wmenc::CLSID_Profile).c_str());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kEncoderKey, L"Version");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEncoderKey);
    return S_OK;
}
