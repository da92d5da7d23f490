// Cameras through DirectShow: the video input device category lists them; an open
// camera is a graph of its capture filter and our frame sink, run on a thread of its own
// so that the graph's apartment does not depend on the caller's.
#include "devicelib/Camera.h"

#include "devicelib/FrameSink.h"
#include "devicelib/Text.h"
#include "toolkit/Raii.h"

#include <dshow.h>
#include <dvdmedia.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

namespace devicelib {
namespace {

using vt::ComPtr;

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return;
    if (mt->cbFormat && mt->pbFormat) ::CoTaskMemFree(mt->pbFormat);
    if (mt->pUnk) mt->pUnk->Release();
    ::CoTaskMemFree(mt);
}

struct MediaTypePtr {
    AM_MEDIA_TYPE* p = nullptr;
    MediaTypePtr() = default;
    MediaTypePtr(const MediaTypePtr&) = delete;
    MediaTypePtr& operator=(const MediaTypePtr&) = delete;
    ~MediaTypePtr() { DeleteMediaType(p); }
};

// COM on the calling thread for one call; an apartment the caller already has is used as it is.
class CallApartment {
public:
    CallApartment() : m_init(COINIT_MULTITHREADED) {}
    bool Ok() const { return SUCCEEDED(m_init.Result()) || m_init.Result() == RPC_E_CHANGED_MODE; }

private:
    vt::ComInit m_init;
};

std::vector<ComPtr<IMoniker>> VideoDevices() {
    std::vector<ComPtr<IMoniker>> result;
    ComPtr<ICreateDevEnum> devEnum;
    if (FAILED(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  devEnum.PutVoid())))
        return result;
    ComPtr<IEnumMoniker> monikers;
    // S_FALSE and no enumerator: the category is empty.
    if (devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0) != S_OK || !monikers)
        return result;
    for (;;) {
        ComPtr<IMoniker> m;
        if (monikers->Next(1, m.Put(), nullptr) != S_OK || !m) break;
        result.push_back(std::move(m));
        if (result.size() > 1000) break;
    }
    return result;
}

std::wstring FriendlyName(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag) return {};
    VARIANT v;
    ::VariantInit(&v);
    std::wstring name;
    if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR && v.bstrVal)
        name.assign(v.bstrVal, ::SysStringLen(v.bstrVal));
    ::VariantClear(&v);
    return name;
}

bool PinCategory(IPin* pin, GUID* category) {
    ComPtr<IKsPropertySet> props;
    if (FAILED(pin->QueryInterface(IID_IKsPropertySet, props.PutVoid())) || !props) return false;
    DWORD returned = 0;
    return SUCCEEDED(props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, category, sizeof(GUID),
                                &returned)) &&
           returned == sizeof(GUID);
}

// The capture pin: the output pin of the capture category, else the first output pin
// with stream settings, else the first output pin.
ComPtr<IPin> CapturePin(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())) || !pins) return nullptr;
    ComPtr<IPin> firstOut, firstConfigurable;
    for (int guard = 0; guard < 64; ++guard) {
        ComPtr<IPin> pin;
        if (pins->Next(1, pin.Put(), nullptr) != S_OK || !pin) break;
        PIN_DIRECTION dir;
        if (FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) continue;
        GUID category;
        if (PinCategory(pin.Get(), &category) && category == PIN_CATEGORY_CAPTURE) return pin;
        if (!firstOut) firstOut = pin;
        ComPtr<IAMStreamConfig> config;
        if (!firstConfigurable && SUCCEEDED(pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid())))
            firstConfigurable = pin;
    }
    return firstConfigurable ? firstConfigurable : firstOut;
}

bool HeaderOf(const AM_MEDIA_TYPE& mt, BITMAPINFOHEADER** bih) {
    if (!mt.pbFormat) return false;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        *bih = &reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
        return true;
    }
    if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        *bih = &reinterpret_cast<VIDEOINFOHEADER2*>(mt.pbFormat)->bmiHeader;
        return true;
    }
    return false;
}

struct Capability {
    int index;
    CameraSize size;
    bool rgb24;
};

// The video capabilities of a pin in the order the device reports them.
std::vector<Capability> Capabilities(IAMStreamConfig* config) {
    std::vector<Capability> caps;
    int count = 0, bytes = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &bytes)) || count <= 0 || bytes <= 0 || bytes > 4096)
        return caps;
    std::vector<BYTE> scc(static_cast<size_t>(bytes));
    for (int i = 0; i < count && i < 512; ++i) {
        MediaTypePtr mt;
        if (FAILED(config->GetStreamCaps(i, &mt.p, scc.data())) || !mt.p) continue;
        if (mt.p->majortype != MEDIATYPE_Video) continue;
        BITMAPINFOHEADER* bih = nullptr;
        if (!HeaderOf(*mt.p, &bih)) continue;
        int w = bih->biWidth;
        int h = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
        if (w <= 0 || h <= 0) continue;
        caps.push_back({i, {static_cast<uint32_t>(w), static_cast<uint32_t>(h)}, mt.p->subtype == MEDIASUBTYPE_RGB24});
    }
    return caps;
}

ComPtr<IBaseFilter> BindDevice(int index, std::wstring* name) {
    std::vector<ComPtr<IMoniker>> devices = VideoDevices();
    if (index < 0 || static_cast<size_t>(index) >= devices.size()) return nullptr;
    if (name) *name = FriendlyName(devices[index].Get());
    ComPtr<IBaseFilter> filter;
    if (FAILED(devices[index]->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid()))) return nullptr;
    return filter;
}

class RealCameraImpl final : public Camera {
public:
    RealCameraImpl(CaptureSourceFactory source, int width, int height)
        : m_source(std::move(source)), m_width(width), m_height(height) {}
    ~RealCameraImpl() override {
        if (m_thread) {
            ::SetEvent(m_stop.Get());
            ::WaitForSingleObject(m_thread.Get(), INFINITE);
        }
    }

    bool Start() {
        m_stop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_ready.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!m_stop || !m_ready) return false;
        m_thread.Reset(::CreateThread(nullptr, 0, &RealCameraImpl::ThreadProc, this, 0, nullptr));
        if (!m_thread) return false;
        ::WaitForSingleObject(m_ready.Get(), INFINITE);
        if (!m_running) {
            ::WaitForSingleObject(m_thread.Get(), INFINITE);
            m_thread.Reset();
        }
        return m_running;
    }

    BYTE* GetFrame(int64_t* stride, int64_t* frameNumber) override {
        FrameCopy info;
        if (!FrameSinkTakeFrame(m_sink, m_sequence, &m_frame, &info)) return nullptr;
        m_sequence = info.sequence;
        m_format = info.format;
        if (stride) *stride = info.format.stride;
        if (frameNumber) *frameNumber = static_cast<int64_t>(info.sequence);
        return m_frame.data();
    }

    bool Header(BITMAPINFOHEADER* header) override {
        FrameFormat f = m_format;
        if (f.width <= 0 && !FrameSinkFormat(m_sink, &f)) return false;
        FillHeader(header, f.width, f.height);
        return true;
    }

private:
    static DWORD WINAPI ThreadProc(void* self) {
        static_cast<RealCameraImpl*>(self)->Run();
        return 0;
    }

    void Run() {
        vt::ComInit com(COINIT_MULTITHREADED);
        ComPtr<IGraphBuilder> graph;
        ComPtr<IMediaControl> control;
        ComPtr<IBaseFilter> sink;
        if (SUCCEEDED(com.Result()) && Build(graph, control, sink)) {
            m_sink = sink.Get();
            m_running = true;
            ::SetEvent(m_ready.Get());
            ::WaitForSingleObject(m_stop.Get(), INFINITE);
            control->Stop();
        } else {
            ::SetEvent(m_ready.Get());
        }
        // Everything of the graph goes on this thread, before its apartment ends.
        if (graph) {
            std::vector<ComPtr<IBaseFilter>> filters;
            ComPtr<IEnumFilters> list;
            if (SUCCEEDED(graph->EnumFilters(list.Put())) && list) {
                for (int guard = 0; guard < 64; ++guard) {
                    ComPtr<IBaseFilter> f;
                    if (list->Next(1, f.Put(), nullptr) != S_OK || !f) break;
                    filters.push_back(std::move(f));
                }
            }
            for (auto& f : filters) graph->RemoveFilter(f.Get());
        }
        control.Reset();
        graph.Reset();
        sink.Reset();
    }

    bool Build(ComPtr<IGraphBuilder>& graph, ComPtr<IMediaControl>& control, ComPtr<IBaseFilter>& sink) {
        ComPtr<IBaseFilter> source = ComPtr<IBaseFilter>::Attach(m_source ? m_source() : nullptr);
        if (!source) return false;
        if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                      graph.PutVoid())))
            return false;
        if (FAILED(graph->AddFilter(source.Get(), L"Camera"))) return false;
        ComPtr<IPin> out = CapturePin(source.Get());
        if (!out) return false;

        int w = m_width, h = m_height;
        // The formats at the nearest size, RGB24 first: it saves a converter.
        std::vector<int> candidates;
        ComPtr<IAMStreamConfig> config;
        if (SUCCEEDED(out->QueryInterface(IID_IAMStreamConfig, config.PutVoid())) && config) {
            std::vector<Capability> caps = Capabilities(config.Get());
            if (!caps.empty()) {
                std::vector<CameraSize> sizes;
                for (const Capability& c : caps) sizes.push_back(c.size);
                CameraSize want = NearestSize(sizes, m_width, m_height);
                for (int pass = 0; pass < 2; ++pass)
                    for (const Capability& c : caps)
                        if (c.size.width == want.width && c.size.height == want.height && c.rgb24 == (pass == 0))
                            candidates.push_back(c.index);
                w = static_cast<int>(want.width);
                h = static_cast<int>(want.height);
            }
        }

        sink = ComPtr<IBaseFilter>::Attach(CreateFrameSink(w, h));
        if (!sink || FAILED(graph->AddFilter(sink.Get(), L"Frames"))) return false;
        ComPtr<IPin> in;
        if (FAILED(sink->FindPin(L"In", in.Put())) || !in) return false;
        // Connect lets the graph put a decoder or colour converter in between when needed;
        // a format that finds none gives way to the next.
        bool connected = false;
        std::vector<BYTE> scc(4096);
        for (size_t i = 0; i < candidates.size() && !connected; ++i) {
            MediaTypePtr mt;
            if (FAILED(config->GetStreamCaps(candidates[i], &mt.p, scc.data())) || !mt.p) continue;
            if (FAILED(config->SetFormat(mt.p))) continue;
            connected = SUCCEEDED(graph->Connect(out.Get(), in.Get()));
        }
        if (!connected && candidates.empty()) connected = SUCCEEDED(graph->Connect(out.Get(), in.Get()));
        if (!connected) return false;
        if (FAILED(graph->QueryInterface(IID_IMediaControl, control.PutVoid())) || !control) return false;
        HRESULT hr = control->Run();
        if (hr == S_FALSE) {
            OAFilterState state;
            hr = control->GetState(5000, &state);
        }
        return SUCCEEDED(hr);
    }

    const CaptureSourceFactory m_source;
    const int m_width;
    const int m_height;
    vt::UniqueKernelHandle m_stop;
    vt::UniqueKernelHandle m_ready;
    vt::UniqueKernelHandle m_thread;
    // Set by the graph thread before m_ready; valid while that thread waits for m_stop.
    std::atomic<IBaseFilter*> m_sink{nullptr};
    std::atomic<bool> m_running{false};
    std::vector<BYTE> m_frame;
    uint64_t m_sequence = 0;
    FrameFormat m_format;
};

} // namespace

int RealCameraCount() {
    CallApartment com;
    if (!com.Ok()) return 0;
    return static_cast<int>(VideoDevices().size());
}

bool RealCameraAttr(int index, CameraAttr* attr) {
    CallApartment com;
    if (!com.Ok() || index < 0) return false;
    std::wstring name;
    ComPtr<IBaseFilter> filter = BindDevice(index, &name);
    return filter && CaptureSourceAttr(filter.Get(), name, attr);
}

bool CaptureSourceAttr(IBaseFilter* filter, const std::wstring& name, CameraAttr* attr) {
    if (!filter || !attr) return false;
    std::memset(attr, 0, sizeof(*attr));
    CopyTruncated(attr->szName, CAMERA_NAME_CHARS, name);
    ComPtr<IPin> out = CapturePin(filter);
    ComPtr<IAMStreamConfig> config;
    if (out && SUCCEEDED(out->QueryInterface(IID_IAMStreamConfig, config.PutVoid())) && config) {
        int n = 0;
        for (const Capability& c : Capabilities(config.Get())) {
            bool seen = false;
            for (int i = 0; i < n; ++i)
                seen = seen || (attr->sizes[i].width == c.size.width && attr->sizes[i].height == c.size.height);
            if (seen) continue;
            attr->sizes[n++] = c.size;
            if (n == CAMERA_MAX_SIZES) break;
        }
    }
    return true;
}

std::unique_ptr<Camera> OpenCaptureSource(CaptureSourceFactory source, int width, int height) {
    auto cam = std::unique_ptr<RealCameraImpl>(new (std::nothrow) RealCameraImpl(std::move(source), width, height));
    if (!cam || !cam->Start()) return nullptr;
    return cam;
}

std::unique_ptr<Camera> OpenRealCamera(int index, int width, int height) {
    if (index < 0) return nullptr;
    return OpenCaptureSource([index]() -> IBaseFilter* { return BindDevice(index, nullptr).Detach(); }, width, height);
}

} // namespace devicelib
