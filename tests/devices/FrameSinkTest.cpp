// The frame sink of real cameras, fed with samples from the system's memory allocator as
// a capture pin would, and run by a real filter graph.
#include "devicelib/FrameSink.h"

#include "toolkit/Raii.h"

#include <gtest/gtest.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <cstring>
#include <vector>

namespace devicelib {
namespace {

using vt::ComPtr;

struct VideoType {
    AM_MEDIA_TYPE mt{};
    VIDEOINFOHEADER vih{};
    VideoType(int w, int h, const GUID& subtype = MEDIASUBTYPE_RGB24, WORD bits = 24) {
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = w;
        vih.bmiHeader.biHeight = h;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = bits;
        vih.bmiHeader.biCompression = BI_RGB;
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = subtype;
        mt.formattype = FORMAT_VideoInfo;
        mt.cbFormat = sizeof(vih);
        mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
    }
};

class FrameSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(m_com.Result()));
        m_sink = ComPtr<IBaseFilter>::Attach(CreateFrameSink(4, 2));
        ASSERT_TRUE(m_sink);
        ASSERT_EQ(S_OK, m_sink->FindPin(L"In", m_pin.Put()));
        ASSERT_EQ(S_OK, m_pin.As(IID_IMemInputPin, m_input));
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                           m_allocator.PutVoid()));
        ALLOCATOR_PROPERTIES want{2, 4096, 1, 0}, got{};
        ASSERT_EQ(S_OK, m_allocator->SetProperties(&want, &got));
        ASSERT_EQ(S_OK, m_allocator->Commit());
    }
    void TearDown() override {
        if (m_sink) m_sink->Stop();
        if (m_pin) m_pin->Disconnect();
        if (m_allocator) m_allocator->Decommit();
    }

    // Sends one frame whose every byte of row y is the value y + first.
    HRESULT Send(int stride, int rows, BYTE first, long length = -1) {
        ComPtr<IMediaSample> sample;
        HRESULT hr = m_allocator->GetBuffer(sample.Put(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        for (int y = 0; y < rows; ++y) std::memset(data + y * stride, first + y, stride);
        sample->SetActualDataLength(length >= 0 ? length : stride * rows);
        return m_input->Receive(sample.Get());
    }

    vt::ComInit m_com{COINIT_MULTITHREADED};
    ComPtr<IBaseFilter> m_sink;
    ComPtr<IPin> m_pin;
    ComPtr<IMemInputPin> m_input;
    ComPtr<IMemAllocator> m_allocator;
};

TEST_F(FrameSinkTest, TakesOnlyRgb24Video) {
    VideoType rgb24(4, 2), rgb32(4, 2, MEDIASUBTYPE_RGB32, 32), empty(0, 2);
    EXPECT_EQ(S_OK, m_pin->QueryAccept(&rgb24.mt));
    EXPECT_EQ(S_FALSE, m_pin->QueryAccept(&rgb32.mt));
    EXPECT_EQ(S_FALSE, m_pin->QueryAccept(&empty.mt));
    EXPECT_EQ(S_FALSE, m_pin->QueryAccept(nullptr));
    // It proposes RGB24 at the preferred size.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, m_pin->EnumMediaTypes(types.Put()));
    AM_MEDIA_TYPE* mt = nullptr;
    ASSERT_EQ(S_OK, types->Next(1, &mt, nullptr));
    EXPECT_EQ(S_OK, m_pin->QueryAccept(mt));
    ::CoTaskMemFree(mt->pbFormat);
    ::CoTaskMemFree(mt);
    EXPECT_EQ(S_FALSE, types->Next(1, &mt, nullptr));
}

TEST_F(FrameSinkTest, KeepsTheNewestFrameBottomUp) {
    // The pin itself stands in for the connecting pin.
    VideoType topDown(4, -2);           // 4 pixels: 12 bytes a row
    ASSERT_EQ(S_OK, m_pin->ReceiveConnection(m_pin.Get(), &topDown.mt));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, m_pin->ReceiveConnection(m_pin.Get(), &topDown.mt));
    ASSERT_EQ(S_OK, m_input->NotifyAllocator(m_allocator.Get(), FALSE));
    FrameFormat f;
    ASSERT_TRUE(FrameSinkFormat(m_sink.Get(), &f));
    EXPECT_EQ(4, f.width);
    EXPECT_EQ(2, f.height);
    EXPECT_EQ(12, f.stride);

    EXPECT_EQ(VFW_E_WRONG_STATE, Send(12, 2, 10));    // stopped: refused
    ASSERT_EQ(S_OK, m_sink->Run(0));
    std::vector<BYTE> frame;
    FrameCopy info;
    EXPECT_FALSE(FrameSinkTakeFrame(m_sink.Get(), 0, &frame, &info));
    ASSERT_EQ(S_OK, Send(12, 2, 10));
    ASSERT_EQ(S_OK, Send(12, 2, 20));
    ASSERT_TRUE(FrameSinkTakeFrame(m_sink.Get(), 0, &frame, &info));
    EXPECT_EQ(2u, info.sequence);
    ASSERT_EQ(24u, frame.size());
    // Top-down rows 20, 21 come out bottom row first.
    EXPECT_EQ(21, frame[0]);
    EXPECT_EQ(20, frame[12]);
    EXPECT_FALSE(FrameSinkTakeFrame(m_sink.Get(), info.sequence, &frame, &info));
    // A short sample is dropped.
    ASSERT_EQ(S_OK, Send(12, 2, 30, 10));
    EXPECT_FALSE(FrameSinkTakeFrame(m_sink.Get(), info.sequence, &frame, &info));
}

TEST_F(FrameSinkTest, RunsInAFilterGraph) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                       graph.PutVoid()));
    ASSERT_EQ(S_OK, graph->AddFilter(m_sink.Get(), L"Frames"));
    ComPtr<IMediaControl> control;
    ASSERT_EQ(S_OK, graph.As(IID_IMediaControl, control));
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    FILTER_STATE state;
    ASSERT_EQ(S_OK, m_sink->GetState(0, &state));
    EXPECT_EQ(State_Running, state);
    ASSERT_TRUE(SUCCEEDED(control->Stop()));
    ASSERT_EQ(S_OK, m_sink->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);
    EXPECT_EQ(S_OK, graph->RemoveFilter(m_sink.Get()));
}

} // namespace
} // namespace devicelib
