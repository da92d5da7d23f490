// The real-camera path (capture pin, stream capabilities, graph, frame sink, teardown)
// driven by a capture filter of our own, since Wine has no camera.
#include "devicelib/Camera.h"

#include "toolkit/Raii.h"

#include <gtest/gtest.h>
#include <dshow.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace devicelib {
namespace {

using vt::ComPtr;

std::atomic<int> g_liveFilters{0};
// Subtypes passed to SetFormat, in order, by any fake; and whether fakes refuse to connect RGB24.
std::mutex g_formatsLock;
std::vector<GUID> g_formatsSet;
std::atomic<bool> g_refuseRgb{false};

struct Cap {
    int w, h;
    GUID subtype;
};

AM_MEDIA_TYPE* NewType(const Cap& c) {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    auto* vih = static_cast<VIDEOINFOHEADER*>(::CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    std::memset(mt, 0, sizeof(*mt));
    std::memset(vih, 0, sizeof(*vih));
    bool rgb = c.subtype == MEDIASUBTYPE_RGB24;
    vih->AvgTimePerFrame = 200000;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = c.w;
    vih->bmiHeader.biHeight = c.h;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = rgb ? 24 : 16;
    vih->bmiHeader.biCompression = rgb ? BI_RGB : MAKEFOURCC('Y', 'U', 'Y', '2');
    vih->bmiHeader.biSizeImage = static_cast<DWORD>(((c.w * vih->bmiHeader.biBitCount / 8 + 3) & ~3) * c.h);
    mt->majortype = MEDIATYPE_Video;
    mt->subtype = c.subtype;
    mt->bFixedSizeSamples = TRUE;
    mt->lSampleSize = vih->bmiHeader.biSizeImage;
    mt->formattype = FORMAT_VideoInfo;
    mt->cbFormat = sizeof(VIDEOINFOHEADER);
    mt->pbFormat = reinterpret_cast<BYTE*>(vih);
    return mt;
}

void DeleteType(AM_MEDIA_TYPE* mt) {
    if (!mt) return;
    ::CoTaskMemFree(mt->pbFormat);
    ::CoTaskMemFree(mt);
}

// A capture filter with one output pin that streams RGB24 frames whose row y holds the
// byte value (frame + y) & 0xFF, about 50 a second.
class FakeCapture final : public IBaseFilter {
public:
    explicit FakeCapture(std::vector<Cap> caps) : m_caps(std::move(caps)), m_pin(*this) { ++g_liveFilters; }
    ~FakeCapture() {
        StopStreaming();
        --g_liveFilters;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
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
        if (!n) delete this;
        return n;
    }
    STDMETHODIMP GetClassID(CLSID* c) override { *c = GUID_NULL; return S_OK; }
    STDMETHODIMP Stop() override {
        StopStreaming();
        m_state = State_Stopped;
        return S_OK;
    }
    STDMETHODIMP Pause() override {
        m_state = State_Paused;
        return S_OK;
    }
    STDMETHODIMP Run(REFERENCE_TIME) override {
        m_state = State_Running;
        if (!m_thread.joinable() && m_pin.m_input) {
            m_pin.m_allocator->Commit();
            m_stop = false;
            m_thread = std::thread([this] { Stream(); });
        }
        return S_OK;
    }
    STDMETHODIMP GetState(DWORD, FILTER_STATE* s) override { *s = m_state; return S_OK; }
    STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
    STDMETHODIMP GetSyncSource(IReferenceClock** c) override { *c = nullptr; return S_OK; }
    STDMETHODIMP EnumPins(IEnumPins** e) override;
    STDMETHODIMP FindPin(LPCWSTR, IPin** p) override { *p = nullptr; return VFW_E_NOT_FOUND; }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* i) override {
        std::memset(i, 0, sizeof(*i));
        i->pGraph = m_graph;
        if (m_graph) m_graph->AddRef();
        return S_OK;
    }
    STDMETHODIMP JoinFilterGraph(IFilterGraph* g, LPCWSTR) override { m_graph = g; return S_OK; }
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    class OutPin final : public IPin, public IAMStreamConfig, public IKsPropertySet {
    public:
        explicit OutPin(FakeCapture& f) : m_f(f) {}
        ~OutPin() { DeleteType(m_format); }
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            if (riid == IID_IUnknown || riid == IID_IPin) *ppv = static_cast<IPin*>(this);
            else if (riid == IID_IAMStreamConfig) *ppv = static_cast<IAMStreamConfig*>(this);
            else if (riid == IID_IKsPropertySet) *ppv = static_cast<IKsPropertySet*>(this);
            else {
                *ppv = nullptr;
                return E_NOINTERFACE;
            }
            AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return m_f.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_f.Release(); }

        STDMETHODIMP Connect(IPin* receive, const AM_MEDIA_TYPE*) override {
            if (m_connected) return VFW_E_ALREADY_CONNECTED;
            if (!m_format) m_format = NewType(m_f.m_caps[0]);
            if (g_refuseRgb && m_format->subtype == MEDIASUBTYPE_RGB24) return VFW_E_NO_ACCEPTABLE_TYPES;
            if (FAILED(receive->ReceiveConnection(this, m_format))) return VFW_E_NO_ACCEPTABLE_TYPES;
            ComPtr<IMemInputPin> input;
            receive->QueryInterface(IID_IMemInputPin, input.PutVoid());
            ComPtr<IMemAllocator> alloc;
            if (FAILED(input->GetAllocator(alloc.Put())))
                ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator, alloc.PutVoid());
            const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(m_format->pbFormat);
            ALLOCATOR_PROPERTIES want{2, static_cast<long>(vih->bmiHeader.biSizeImage), 1, 0}, got{};
            alloc->SetProperties(&want, &got);
            input->NotifyAllocator(alloc.Get(), FALSE);
            m_connected = receive;
            m_connected->AddRef();
            m_input = input.Detach();
            m_allocator = alloc.Detach();
            return S_OK;
        }
        STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
        STDMETHODIMP Disconnect() override {
            if (!m_connected) return S_FALSE;
            m_connected->Release();
            m_connected = nullptr;
            if (m_input) m_input->Release();
            m_input = nullptr;
            if (m_allocator) {
                m_allocator->Decommit();
                m_allocator->Release();
            }
            m_allocator = nullptr;
            return S_OK;
        }
        STDMETHODIMP ConnectedTo(IPin** p) override {
            *p = m_connected;
            if (!m_connected) return VFW_E_NOT_CONNECTED;
            m_connected->AddRef();
            return S_OK;
        }
        STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
        STDMETHODIMP QueryPinInfo(PIN_INFO* i) override {
            std::memset(i, 0, sizeof(*i));
            i->pFilter = &m_f;
            m_f.AddRef();
            i->dir = PINDIR_OUTPUT;
            std::wmemcpy(i->achName, L"Capture", 8);
            return S_OK;
        }
        STDMETHODIMP QueryDirection(PIN_DIRECTION* d) override { *d = PINDIR_OUTPUT; return S_OK; }
        STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
        STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
        STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
        STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
        STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
        STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
        STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
        STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

        STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mt) override {
            const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
            DeleteType(m_format);
            m_format = NewType({vih->bmiHeader.biWidth, vih->bmiHeader.biHeight, mt->subtype});
            std::lock_guard<std::mutex> lock(g_formatsLock);
            g_formatsSet.push_back(mt->subtype);
            return S_OK;
        }
        STDMETHODIMP GetFormat(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }
        STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
            *count = static_cast<int>(m_f.m_caps.size());
            *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
            return S_OK;
        }
        STDMETHODIMP GetStreamCaps(int i, AM_MEDIA_TYPE** mt, BYTE* scc) override {
            if (i < 0 || i >= static_cast<int>(m_f.m_caps.size())) return S_FALSE;
            std::memset(scc, 0, sizeof(VIDEO_STREAM_CONFIG_CAPS));
            *mt = NewType(m_f.m_caps[i]);
            return S_OK;
        }

        STDMETHODIMP Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
        STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD bytes, DWORD* returned) override {
            if (set != AMPROPSETID_Pin || id != AMPROPERTY_PIN_CATEGORY || bytes < sizeof(GUID)) return E_PROP_ID_UNSUPPORTED;
            *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
            if (returned) *returned = sizeof(GUID);
            return S_OK;
        }
        STDMETHODIMP QuerySupported(REFGUID, DWORD, DWORD*) override { return E_NOTIMPL; }

        FakeCapture& m_f;
        AM_MEDIA_TYPE* m_format = nullptr;
        IPin* m_connected = nullptr;
        IMemInputPin* m_input = nullptr;
        IMemAllocator* m_allocator = nullptr;
    };

    std::vector<Cap> m_caps;
    OutPin m_pin;

private:
    void Stream() {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(m_pin.m_format->pbFormat);
        const int stride = (vih->bmiHeader.biWidth * 3 + 3) & ~3;
        const int rows = vih->bmiHeader.biHeight;
        for (int frame = 0; !m_stop; ++frame) {
            ComPtr<IMediaSample> sample;
            if (FAILED(m_pin.m_allocator->GetBuffer(sample.Put(), nullptr, nullptr, 0))) break;
            BYTE* data = nullptr;
            sample->GetPointer(&data);
            for (int y = 0; y < rows; ++y) std::memset(data + y * stride, (frame + y) & 0xFF, stride);
            sample->SetActualDataLength(stride * rows);
            m_pin.m_input->Receive(sample.Get());
            sample.Reset();
            ::Sleep(20);
        }
    }
    void StopStreaming() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_pin.m_allocator) m_pin.m_allocator->Decommit();
    }

    std::atomic<ULONG> m_refs{1};
    std::atomic<bool> m_stop{false};
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;
    std::thread m_thread;
};

class OnePin final : public IEnumPins {
public:
    explicit OnePin(IPin* p) : m_p(p) { m_p->AddRef(); }
    ~OnePin() { m_p->Release(); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IEnumPins) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_refs;
        if (!n) delete this;
        return n;
    }
    STDMETHODIMP Next(ULONG n, IPin** pins, ULONG* got) override {
        ULONG k = 0;
        if (n && !m_done) {
            pins[0] = m_p;
            m_p->AddRef();
            k = 1;
            m_done = true;
        }
        if (got) *got = k;
        return k == n ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { m_done = true; return S_OK; }
    STDMETHODIMP Reset() override { m_done = false; return S_OK; }
    STDMETHODIMP Clone(IEnumPins**) override { return E_NOTIMPL; }

private:
    std::atomic<ULONG> m_refs{1};
    IPin* m_p;
    bool m_done = false;
};

STDMETHODIMP FakeCapture::EnumPins(IEnumPins** e) {
    *e = new OnePin(static_cast<IPin*>(&m_pin));
    return S_OK;
}

const std::vector<Cap> kCaps = {
    {640, 480, MEDIASUBTYPE_YUY2},
    {640, 480, MEDIASUBTYPE_RGB24},
    {320, 240, MEDIASUBTYPE_RGB24},
    {1280, 720, MEDIASUBTYPE_RGB24},
};

// The format the graph thread set on the fake, read when it is created.
struct Observed {
    std::mutex lock;
    FakeCapture* filter = nullptr;
};

CaptureSourceFactory Factory(Observed* seen, std::vector<Cap> caps = kCaps) {
    return [seen, caps]() -> IBaseFilter* {
        auto* f = new FakeCapture(caps);
        if (seen) {
            std::lock_guard<std::mutex> lock(seen->lock);
            seen->filter = f;
        }
        return f;
    };
}

BYTE* WaitFrame(Camera& cam, int64_t* stride, int64_t* number) {
    for (int i = 0; i < 200; ++i) {
        if (BYTE* f = cam.GetFrame(stride, number)) return f;
        ::Sleep(10);
    }
    return nullptr;
}

TEST(CaptureGraph, SizesInReportedOrderWithoutRepeats) {
    vt::ComInit com;
    ComPtr<IBaseFilter> f = ComPtr<IBaseFilter>::Attach(new FakeCapture(kCaps));
    CameraAttr attr{};
    ASSERT_TRUE(CaptureSourceAttr(f.Get(), L"Fake Camera", &attr));
    EXPECT_STREQ(L"Fake Camera", attr.szName);
    EXPECT_EQ(640u, attr.sizes[0].width);
    EXPECT_EQ(320u, attr.sizes[1].width);
    EXPECT_EQ(1280u, attr.sizes[2].width);
    EXPECT_EQ(720u, attr.sizes[2].height);
    EXPECT_EQ(0u, attr.sizes[3].width);
}

TEST(CaptureGraph, OpensAtTheRequestedSizeAndDeliversFrames) {
    Observed seen;
    std::unique_ptr<Camera> cam = OpenCaptureSource(Factory(&seen), 320, 240);
    ASSERT_TRUE(cam);
    BITMAPINFOHEADER h{};
    ASSERT_TRUE(cam->Header(&h));
    EXPECT_EQ(320, h.biWidth);
    EXPECT_EQ(240, h.biHeight);
    EXPECT_EQ(24, h.biBitCount);
    int64_t stride = 0, first = 0, second = 0;
    BYTE* f = WaitFrame(*cam, &stride, &first);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(960, stride);
    // Bottom-up as sent: row y one above row y - 1.
    EXPECT_EQ(static_cast<BYTE>(f[0] + 1), f[stride]);
    EXPECT_EQ(static_cast<BYTE>(f[0] + 239), f[stride * 239 + 959]);
    EXPECT_EQ(nullptr, cam->GetFrame(&stride, &second));
    ::Sleep(30);
    ASSERT_NE(nullptr, WaitFrame(*cam, &stride, &second));
    EXPECT_GT(second, first);
    cam.reset();
    EXPECT_EQ(0, g_liveFilters.load());     // the graph went with its thread
}

TEST(CaptureGraph, ChoosesTheNearestSizeAndPrefersRgb24) {
    Observed seen;
    std::unique_ptr<Camera> cam = OpenCaptureSource(Factory(&seen), 1260, 780);
    ASSERT_TRUE(cam);
    BITMAPINFOHEADER h{};
    ASSERT_TRUE(cam->Header(&h));
    EXPECT_EQ(1280, h.biWidth);
    EXPECT_EQ(720, h.biHeight);
    cam.reset();

    cam = OpenCaptureSource(Factory(&seen), 640, 480);
    ASSERT_TRUE(cam);
    {
        std::lock_guard<std::mutex> lock(seen.lock);
        ASSERT_NE(nullptr, seen.filter);
        ASSERT_NE(nullptr, seen.filter->m_pin.m_format);
        EXPECT_TRUE(seen.filter->m_pin.m_format->subtype == MEDIASUBTYPE_RGB24);
    }
    ASSERT_TRUE(cam->Header(&h));
    EXPECT_EQ(640, h.biWidth);
    cam.reset();
    EXPECT_EQ(0, g_liveFilters.load());
}

TEST(CaptureGraph, TriesEachFormatOfTheSizeRgb24First) {
    g_refuseRgb = true;
    g_formatsSet.clear();
    std::vector<Cap> caps = {{640, 480, MEDIASUBTYPE_YUY2}, {320, 240, MEDIASUBTYPE_RGB24}, {640, 480, MEDIASUBTYPE_RGB24}};
    EXPECT_FALSE(OpenCaptureSource(Factory(nullptr, caps), 640, 480));
    g_refuseRgb = false;
    std::lock_guard<std::mutex> lock(g_formatsLock);
    ASSERT_EQ(2u, g_formatsSet.size());
    EXPECT_TRUE(g_formatsSet[0] == MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(g_formatsSet[1] == MEDIASUBTYPE_YUY2);
    EXPECT_EQ(0, g_liveFilters.load());
}

TEST(CaptureGraph, FailuresAreCleanAndNothingLeaks) {
    EXPECT_FALSE(OpenCaptureSource([]() -> IBaseFilter* { return nullptr; }, 320, 240));
    EXPECT_FALSE(OpenCaptureSource(nullptr, 320, 240));
    // A camera offering only a format the sink cannot take (and no converter in between).
    EXPECT_FALSE(OpenCaptureSource(Factory(nullptr, {{640, 480, MEDIASUBTYPE_YUY2}}), 640, 480));
    EXPECT_EQ(0, g_liveFilters.load());

    for (int i = 0; i < 3; ++i) OpenCaptureSource(Factory(nullptr), 320, 240).reset();
    DWORD before = 0, after = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &before);
    for (int i = 0; i < 30; ++i) {
        std::unique_ptr<Camera> cam = OpenCaptureSource(Factory(nullptr), 320, 240);
        ASSERT_TRUE(cam);
        int64_t stride = 0;
        ASSERT_NE(nullptr, WaitFrame(*cam, &stride, nullptr));
    }
    ::GetProcessHandleCount(::GetCurrentProcess(), &after);
    EXPECT_LE(after, before + 2);
    EXPECT_EQ(0, g_liveFilters.load());
}

} // namespace
} // namespace devicelib
