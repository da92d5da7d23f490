#include "devices/WMPPlayer4.h"

#include "toolkit/Trace.h"

#include <ocidl.h>
#include <oleauto.h>
#include <wmp.h>

namespace {

// The control and its event interface.
constexpr wchar_t kPlayerClsidText[] = L"{6BF52A52-394A-11D3-B153-00C04F79FAA6}";
constexpr GUID kPlayerEventsIid{0x6BF52A51, 0x394A, 0x11D3, {0xB1, 0x53, 0x00, 0xC0, 0x4F, 0x79, 0xFA, 0xA6}};
constexpr DISPID kPlayStateChange = 5101;

// The system's control host: window class "AtlAxWin", whose text names the control.
struct ControlHost {
    using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
    GetControlFn getControl = nullptr;
};

const ControlHost& Host() {
    static const ControlHost host = [] {
        ControlHost h;
        wchar_t folder[MAX_PATH] = {};
        const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return h;
        const std::wstring path = std::wstring(folder) + L"\\atl.dll";
        // Never freed: its window class must outlive every host window of the process.
        HMODULE atl = ::LoadLibraryW(path.c_str());
        if (!atl) {
            vt::Trace(L"Player: atl.dll not loaded (%lu)", ::GetLastError());
            return h;
        }
        using InitFn = BOOL(WINAPI*)();
        auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxWinInit")));
        auto get = reinterpret_cast<ControlHost::GetControlFn>(
            reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxGetControl")));
        if (init && get && init()) h.getControl = get;
        return h;
    }();
    return host;
}

class Bstr {
public:
    explicit Bstr(const wchar_t* s) : m_s(::SysAllocString(s)) {}
    ~Bstr() { ::SysFreeString(m_s); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const noexcept { return m_s; }

private:
    BSTR m_s;
};

// Wine's control, once a running playback has been moved, neither reaches its end nor
// returns from stop() any more (also when restarted first): there the position stays.
bool SeekingHangsControl() {
    static const bool wine =
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

VARIANT_BOOL VariantBool(bool b) noexcept { return b ? VARIANT_TRUE : VARIANT_FALSE; }

HRESULT Traced(const wchar_t* member, HRESULT hr) {
    if (FAILED(hr)) vt::Trace(L"Player: %ls failed 0x%08lx", member, static_cast<unsigned long>(hr));
    return hr;
}

} // namespace

// The control's events, as the dispatch calls of its event interface.
class CWMPEventSink final : public IDispatch {
public:
    explicit CWMPEventSink(CWMPPlayer4* owner) noexcept : m_owner(owner) {}
    void Detach() noexcept { m_owner = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kPlayerEventsIid)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = ::InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (id != kPlayStateChange || !params || params->cArgs < 1 || !params->rgvarg || !m_owner) return S_OK;
        // Sent as a signed or an unsigned 32-bit number, depending on the implementation.
        VARIANT state;
        ::VariantInit(&state);
        if (SUCCEEDED(::VariantChangeType(&state, &params->rgvarg[0], 0, VT_I4))) m_owner->OnPlayStateChange(state.lVal);
        ::VariantClear(&state);
        return S_OK;
    }

private:
    ~CWMPEventSink() = default;
    LONG m_refs = 1;
    CWMPPlayer4* m_owner;
};

CWMPPlayer4::CWMPPlayer4() noexcept = default;

CWMPPlayer4::~CWMPPlayer4() { Destroy(); }

bool CWMPPlayer4::Create(HWND parent, UINT id, const RECT& rc) {
    if (m_hWnd || !Host().getControl) return false;
    vt::CreateArgs args;
    args.className = L"AtlAxWin";
    args.title = kPlayerClsidText;
    args.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    args.rect = rc;
    args.parent = parent;
    args.id = id;
    if (!CreateEx(args)) {
        vt::Trace(L"Player: host window not created (%lu)", ::GetLastError());
        return false;
    }
    vt::ComPtr<IUnknown> unknown;
    HRESULT hr = Host().getControl(m_hWnd, unknown.Put());
    if (SUCCEEDED(hr) && unknown) hr = unknown.As(__uuidof(IWMPPlayer4), m_player);
    if (SUCCEEDED(hr) && m_player) hr = m_player->get_controls(m_controls.Put());
    if (FAILED(hr) || !m_player || !m_controls) {
        Traced(L"control", FAILED(hr) ? hr : E_NOINTERFACE);
        Destroy();
        return false;
    }
    Traced(L"settings", m_player->get_settings(m_settings.Put()));

    vt::ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(Traced(L"events", m_player.As(IID_IConnectionPointContainer, container))) &&
        SUCCEEDED(Traced(L"events", container->FindConnectionPoint(kPlayerEventsIid, m_connection.Put())))) {
        m_sink = new CWMPEventSink(this);
        if (FAILED(Traced(L"events", m_connection->Advise(m_sink, &m_cookie)))) {
            m_sink->Detach();
            m_sink->Release();
            m_sink = nullptr;
            m_connection.Reset();
        }
    }
    return true;
}

void CWMPPlayer4::Unadvise() {
    if (m_connection && m_cookie) m_connection->Unadvise(m_cookie);
    m_cookie = 0;
    m_connection.Reset();
    if (m_sink) {
        m_sink->Detach();
        m_sink->Release();
        m_sink = nullptr;
    }
}

void CWMPPlayer4::Destroy() {
    Unadvise();
    m_media.Reset();
    m_settings.Reset();
    m_controls.Reset();
    m_player.Reset();
    if (m_hWnd) DestroyWindow();
}

bool CWMPPlayer4::HasControl() const noexcept { return m_player && m_controls; }

void CWMPPlayer4::OnPlayStateChange(long state) {
    if (m_onPlayState) m_onPlayState(state);
}

HRESULT CWMPPlayer4::SetURL(const std::wstring& url) {
    if (!m_player) return E_POINTER;
    Bstr b(url.c_str());
    return Traced(L"URL", m_player->put_URL(b.Get()));
}

HRESULT CWMPPlayer4::Close() {
    return m_player ? Traced(L"close", m_player->close()) : E_POINTER;
}

HRESULT CWMPPlayer4::SetEnabled(bool enabled) {
    return m_player ? Traced(L"enabled", m_player->put_enabled(VariantBool(enabled))) : E_POINTER;
}

HRESULT CWMPPlayer4::GetFullScreen(bool& fullScreen) {
    fullScreen = false;
    if (!m_player) return E_POINTER;
    VARIANT_BOOL value = VARIANT_FALSE;
    const HRESULT hr = Traced(L"fullScreen", m_player->get_fullScreen(&value));
    fullScreen = SUCCEEDED(hr) && value != VARIANT_FALSE;
    return hr;
}

HRESULT CWMPPlayer4::SetFullScreen(bool fullScreen) {
    return m_player ? Traced(L"fullScreen", m_player->put_fullScreen(VariantBool(fullScreen))) : E_POINTER;
}

HRESULT CWMPPlayer4::SetEnableContextMenu(bool enabled) {
    return m_player ? Traced(L"enableContextMenu", m_player->put_enableContextMenu(VariantBool(enabled))) : E_POINTER;
}

HRESULT CWMPPlayer4::SetUiMode(const wchar_t* mode) {
    if (!m_player) return E_POINTER;
    Bstr b(mode);
    return Traced(L"uiMode", m_player->put_uiMode(b.Get()));
}

HRESULT CWMPPlayer4::SetStretchToFit(bool stretch) {
    return m_player ? Traced(L"stretchToFit", m_player->put_stretchToFit(VariantBool(stretch))) : E_POINTER;
}

HRESULT CWMPPlayer4::NewMedia(const std::wstring& path, double& duration) {
    duration = 0;
    m_media.Reset();
    if (!m_player) return E_POINTER;
    Bstr b(path.c_str());
    HRESULT hr = Traced(L"newMedia", m_player->newMedia(b.Get(), m_media.Put()));
    if (SUCCEEDED(hr) && m_media) hr = Traced(L"duration", m_media->get_duration(&duration));
    return hr;
}

HRESULT CWMPPlayer4::CurrentMediaDuration(double& duration) {
    duration = 0;
    if (!m_player) return E_POINTER;
    vt::ComPtr<IWMPMedia> media;
    HRESULT hr = m_player->get_currentMedia(media.Put());
    if (SUCCEEDED(hr) && !media) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = media->get_duration(&duration);
    return hr;
}

HRESULT CWMPPlayer4::SetAutoStart(bool autoStart) {
    return m_settings ? Traced(L"autoStart", m_settings->put_autoStart(VariantBool(autoStart))) : E_POINTER;
}

HRESULT CWMPPlayer4::Play() {
    return m_controls ? Traced(L"play", m_controls->play()) : E_POINTER;
}

HRESULT CWMPPlayer4::Stop() {
    return m_controls ? Traced(L"stop", m_controls->stop()) : E_POINTER;
}

HRESULT CWMPPlayer4::Pause() {
    return m_controls ? Traced(L"pause", m_controls->pause()) : E_POINTER;
}

HRESULT CWMPPlayer4::GetCurrentPosition(double& seconds) {
    seconds = 0;
    if (!m_controls) return E_POINTER;
    double value = 0;
    // S_FALSE (nothing loaded) leaves the value as it was.
    const HRESULT hr = m_controls->get_currentPosition(&value);
    if (hr == S_OK) seconds = value;
    return hr;
}

HRESULT CWMPPlayer4::SetCurrentPosition(double seconds) {
    if (SeekingHangsControl()) return Traced(L"currentPosition", E_NOTIMPL);
    return m_controls ? Traced(L"currentPosition", m_controls->put_currentPosition(seconds)) : E_POINTER;
}
