#include "devicelib/FrameSink.h"

#include "devicelib/Text.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

namespace devicelib {
namespace {

void FreeMediaTypeFields(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat && mt.pbFormat) ::CoTaskMemFree(mt.pbFormat);
    mt.cbFormat = 0;
    mt.pbFormat = nullptr;
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

HRESULT CopyMediaTypeFields(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE& src) {
    *dst = src;
    dst->pbFormat = nullptr;
    dst->cbFormat = 0;
    if (src.cbFormat && src.pbFormat) {
        dst->pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(src.cbFormat));
        if (!dst->pbFormat) return E_OUTOFMEMORY;
        std::memcpy(dst->pbFormat, src.pbFormat, src.cbFormat);
        dst->cbFormat = src.cbFormat;
    }
    if (dst->pUnk) dst->pUnk->AddRef();
    return S_OK;
}

// The bitmap header inside a video format block, or null for any other block.
const BITMAPINFOHEADER* VideoHeader(const AM_MEDIA_TYPE& mt) {
    if (!mt.pbFormat) return nullptr;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER))
        return &reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2))
        return &reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat)->bmiHeader;
    return nullptr;
}

constexpr int kMaxSide = 16384;

bool Acceptable(const AM_MEDIA_TYPE* mt, FrameFormat* format) {
    if (!mt || mt->majortype != MEDIATYPE_Video || mt->subtype != MEDIASUBTYPE_RGB24) return false;
    const BITMAPINFOHEADER* bih = VideoHeader(*mt);
    if (!bih || bih->biBitCount != 24 || bih->biCompression != BI_RGB) return false;
    int w = bih->biWidth;
    int h = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
    if (format) {
        format->width = w;
        format->height = h;
        format->stride = (w * 3 + 3) & ~3;
    }
    return true;
}

class SinkFilter;

class SinkPin final : public IPin, public IMemInputPin {
public:
    explicit SinkPin(SinkFilter& filter) : m_filter(filter) {}
    ~SinkPin() {
        if (m_connected) m_connected->Release();
        if (m_allocator) m_allocator->Release();
        FreeMediaTypeFields(m_mt);
    }

    // IUnknown: the pin lives as long as its filter.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* pmt) override {
        if (!connector || !pmt) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_connected) return VFW_E_ALREADY_CONNECTED;
        if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
        FrameFormat f;
        if (!Acceptable(pmt, &f)) return VFW_E_TYPE_NOT_ACCEPTED;
        HRESULT hr = CopyMediaTypeFields(&m_mt, *pmt);
        if (FAILED(hr)) return hr;
        const BITMAPINFOHEADER* bih = VideoHeader(m_mt);
        m_topDown = bih && bih->biHeight < 0;
        m_connected = connector;
        m_connected->AddRef();
        std::lock_guard<std::mutex> frameLock(m_frameLock);
        m_format = f;
        return S_OK;
    }
    STDMETHODIMP Disconnect() override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
        if (!m_connected) return S_FALSE;
        m_connected->Release();
        m_connected = nullptr;
        FreeMediaTypeFields(m_mt);
        m_mt = AM_MEDIA_TYPE{};
        if (m_allocator) {
            m_allocator->Release();
            m_allocator = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP ConnectedTo(IPin** pin) override {
        if (!pin) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        *pin = m_connected;
        if (!m_connected) return VFW_E_NOT_CONNECTED;
        m_connected->AddRef();
        return S_OK;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override {
        if (!pmt) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_connected) {
            *pmt = AM_MEDIA_TYPE{};
            return VFW_E_NOT_CONNECTED;
        }
        return CopyMediaTypeFields(pmt, m_mt);
    }
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override {
        if (!dir) return E_POINTER;
        *dir = PINDIR_INPUT;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR* id) override {
        if (!id) return E_POINTER;
        *id = static_cast<LPWSTR>(::CoTaskMemAlloc(sizeof(kPinName)));
        if (!*id) return E_OUTOFMEMORY;
        std::memcpy(*id, kPinName, sizeof(kPinName));
        return S_OK;
    }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override {
        return Acceptable(pmt, nullptr) ? S_OK : S_FALSE;
    }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override {
        if (!allocator) return E_POINTER;
        *allocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL) override {
        if (!allocator) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        allocator->AddRef();
        if (m_allocator) m_allocator->Release();
        m_allocator = allocator;
        return S_OK;
    }
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override {
        if (!samples || !processed) return E_POINTER;
        *processed = 0;
        for (LONG i = 0; i < count; ++i) {
            HRESULT hr = Receive(samples[i]);
            if (hr != S_OK) return hr;
            ++*processed;
        }
        return S_OK;
    }
    STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

    void SetState(FILTER_STATE s) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_state = s;
    }
    bool Format(FrameFormat* f) {
        std::lock_guard<std::mutex> lock(m_frameLock);
        if (m_format.width <= 0) return false;
        *f = m_format;
        return true;
    }
    bool TakeFrame(uint64_t last, std::vector<BYTE>* out, FrameCopy* info) {
        std::lock_guard<std::mutex> lock(m_frameLock);
        if (m_sequence <= last || m_frame.empty()) return false;
        *out = m_frame;
        info->format = m_frameFormat;
        info->sequence = m_sequence;
        return true;
    }
    int m_preferredWidth = 0;
    int m_preferredHeight = 0;

private:
    static constexpr wchar_t kPinName[] = L"In";
    SinkFilter& m_filter;
    std::mutex m_lock;              // connection and state
    IPin* m_connected = nullptr;
    IMemAllocator* m_allocator = nullptr;
    AM_MEDIA_TYPE m_mt{};
    bool m_topDown = false;
    FILTER_STATE m_state = State_Stopped;

    std::mutex m_frameLock;         // the newest frame and the format it has
    FrameFormat m_format;
    FrameFormat m_frameFormat;
    std::vector<BYTE> m_frame;
    uint64_t m_sequence = 0;
};

class SinkFilter final : public IBaseFilter {
public:
    SinkFilter() : m_pin(*this) {}
    ~SinkFilter() {
        if (m_clock) m_clock->Release();
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
            *ppv = static_cast<IBaseFilter*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }

    // IPersist
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = GUID_NULL;
        return S_OK;
    }
    // IMediaFilter
    STDMETHODIMP Stop() override { return SetState(State_Stopped); }
    STDMETHODIMP Pause() override { return SetState(State_Paused); }
    STDMETHODIMP Run(REFERENCE_TIME) override { return SetState(State_Running); }
    STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
        if (!state) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        *state = m_state;
        return S_OK;
    }
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override {
        std::lock_guard<std::mutex> lock(m_lock);
        if (clock) clock->AddRef();
        if (m_clock) m_clock->Release();
        m_clock = clock;
        return S_OK;
    }
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
        if (!clock) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        *clock = m_clock;
        if (m_clock) m_clock->AddRef();
        return S_OK;
    }
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override {
        if (!id || !pin) return E_POINTER;
        if (std::wcscmp(id, L"In") != 0) {
            *pin = nullptr;
            return VFW_E_NOT_FOUND;
        }
        *pin = &m_pin;
        m_pin.AddRef();
        return S_OK;
    }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
        if (!info) return E_POINTER;
        std::lock_guard<std::mutex> lock(m_lock);
        std::memset(info, 0, sizeof(*info));
        CopyTruncated(info->achName, MAX_FILTER_NAME, m_name);
        info->pGraph = m_graph;
        if (m_graph) m_graph->AddRef();
        return S_OK;
    }
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
        std::lock_guard<std::mutex> lock(m_lock);
        // Not AddRef'd: the graph holds us, not the other way round.
        m_graph = graph;
        CopyTruncated(m_name, MAX_FILTER_NAME, name ? name : L"");
        return S_OK;
    }
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    SinkPin m_pin;

private:
    HRESULT SetState(FILTER_STATE s) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_state = s;
        }
        m_pin.SetState(s);
        return S_OK;
    }

    std::atomic<ULONG> m_refs{1};
    std::mutex m_lock;
    FILTER_STATE m_state = State_Stopped;
    IReferenceClock* m_clock = nullptr;
    IFilterGraph* m_graph = nullptr;
    wchar_t m_name[MAX_FILTER_NAME] = {};
};

STDMETHODIMP SinkPin::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *ppv = static_cast<IPin*>(this);
    } else if (riid == IID_IMemInputPin) {
        *ppv = static_cast<IMemInputPin*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}
STDMETHODIMP_(ULONG) SinkPin::AddRef() { return m_filter.AddRef(); }
STDMETHODIMP_(ULONG) SinkPin::Release() { return m_filter.Release(); }

STDMETHODIMP SinkPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    std::memset(info, 0, sizeof(*info));
    info->pFilter = &m_filter;
    m_filter.AddRef();
    info->dir = PINDIR_INPUT;
    std::memcpy(info->achName, kPinName, sizeof(kPinName));
    return S_OK;
}

STDMETHODIMP SinkPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_state == State_Stopped) return VFW_E_WRONG_STATE;
        // A format change travels with the sample.
        AM_MEDIA_TYPE* changed = nullptr;
        if (sample->GetMediaType(&changed) == S_OK && changed) {
            FrameFormat f;
            bool ok = Acceptable(changed, &f);
            if (ok) {
                FreeMediaTypeFields(m_mt);
                CopyMediaTypeFields(&m_mt, *changed);
                const BITMAPINFOHEADER* bih = VideoHeader(m_mt);
                m_topDown = bih && bih->biHeight < 0;
                std::lock_guard<std::mutex> frameLock(m_frameLock);
                m_format = f;
            }
            FreeMediaTypeFields(*changed);
            ::CoTaskMemFree(changed);
            if (!ok) return VFW_E_TYPE_NOT_ACCEPTED;
        }
    }
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return S_OK;
    long length = sample->GetActualDataLength();
    bool topDown;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        topDown = m_topDown;
    }
    std::lock_guard<std::mutex> lock(m_frameLock);
    const FrameFormat f = m_format;
    size_t size = static_cast<size_t>(f.stride) * static_cast<size_t>(f.height);
    if (f.width <= 0 || length < 0 || static_cast<size_t>(length) < size) return S_OK;   // short sample: dropped
    try {
        m_frame.resize(size);
    } catch (const std::bad_alloc&) {
        return S_OK;
    }
    if (topDown) {
        for (int y = 0; y < f.height; ++y)
            std::memcpy(&m_frame[static_cast<size_t>(y) * f.stride],
                        data + static_cast<size_t>(f.height - 1 - y) * f.stride, f.stride);
    } else {
        std::memcpy(m_frame.data(), data, size);
    }
    m_frameFormat = f;
    ++m_sequence;
    return S_OK;
}

// Enumerates one media type: 24-bit RGB at the preferred size.
class OneTypeEnum final : public IEnumMediaTypes {
public:
    OneTypeEnum(int w, int h, ULONG pos) : m_w(w), m_h(h), m_pos(pos) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
            *ppv = static_cast<IEnumMediaTypes*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types) return E_POINTER;
        ULONG got = 0;
        if (count > 0 && m_pos == 0) {
            auto* mt = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
            auto* vih = static_cast<VIDEOINFOHEADER*>(::CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
            if (!mt || !vih) {
                ::CoTaskMemFree(mt);
                ::CoTaskMemFree(vih);
                return E_OUTOFMEMORY;
            }
            std::memset(mt, 0, sizeof(*mt));
            std::memset(vih, 0, sizeof(*vih));
            int w = m_w > 0 ? m_w : 320;
            int h = m_h > 0 ? m_h : 240;
            vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            vih->bmiHeader.biWidth = w;
            vih->bmiHeader.biHeight = h;
            vih->bmiHeader.biPlanes = 1;
            vih->bmiHeader.biBitCount = 24;
            vih->bmiHeader.biCompression = BI_RGB;
            vih->bmiHeader.biSizeImage = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
            mt->majortype = MEDIATYPE_Video;
            mt->subtype = MEDIASUBTYPE_RGB24;
            mt->bFixedSizeSamples = TRUE;
            mt->lSampleSize = vih->bmiHeader.biSizeImage;
            mt->formattype = FORMAT_VideoInfo;
            mt->cbFormat = sizeof(VIDEOINFOHEADER);
            mt->pbFormat = reinterpret_cast<BYTE*>(vih);
            types[0] = mt;
            got = 1;
            m_pos = 1;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        ULONG before = m_pos;
        m_pos = count + m_pos > 1 ? 1 : m_pos + count;
        return before + count <= 1 ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        m_pos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) OneTypeEnum(m_w, m_h, m_pos);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::atomic<ULONG> m_refs{1};
    int m_w, m_h;
    ULONG m_pos;
};

STDMETHODIMP SinkPin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new (std::nothrow) OneTypeEnum(m_preferredWidth, m_preferredHeight, 0);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

// Enumerates the single pin.
class OnePinEnum final : public IEnumPins {
public:
    OnePinEnum(IPin* pin, ULONG pos) : m_pin(pin), m_pos(pos) { m_pin->AddRef(); }
    ~OnePinEnum() { m_pin->Release(); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IEnumPins) {
            *ppv = static_cast<IEnumPins*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (!pins) return E_POINTER;
        ULONG got = 0;
        if (count > 0 && m_pos == 0) {
            pins[0] = m_pin;
            m_pin->AddRef();
            got = 1;
            m_pos = 1;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        ULONG before = m_pos;
        m_pos = count + m_pos > 1 ? 1 : m_pos + count;
        return before + count <= 1 ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        m_pos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) OnePinEnum(m_pin, m_pos);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::atomic<ULONG> m_refs{1};
    IPin* m_pin;
    ULONG m_pos;
};

STDMETHODIMP SinkFilter::EnumPins(IEnumPins** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = new (std::nothrow) OnePinEnum(static_cast<IPin*>(&m_pin), 0);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

} // namespace

IBaseFilter* CreateFrameSink(int preferredWidth, int preferredHeight) {
    auto* f = new (std::nothrow) SinkFilter();
    if (!f) return nullptr;
    f->m_pin.m_preferredWidth = preferredWidth;
    f->m_pin.m_preferredHeight = preferredHeight;
    return f;
}

bool FrameSinkFormat(IBaseFilter* sink, FrameFormat* format) {
    if (!sink || !format) return false;
    return static_cast<SinkFilter*>(sink)->m_pin.Format(format);
}

bool FrameSinkTakeFrame(IBaseFilter* sink, uint64_t lastSequence, std::vector<BYTE>* out, FrameCopy* info) {
    if (!sink || !out || !info) return false;
    try {
        return static_cast<SinkFilter*>(sink)->m_pin.TakeFrame(lastSequence, out, info);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace devicelib
