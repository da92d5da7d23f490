// The exported records and their checks, with no encoder involved.
#include "TextField.h"
#include "encoder/MSEncoder.h"

#include <gmock/gmock.h>
#include <cwchar>

namespace {

CMSEncoder* Instance(SENCODER_HANDLE h) { return static_cast<CMSEncoder*>(h); }

struct Closer {
    SENCODER_HANDLE h;
    ~Closer() { if (h) SEncoderClose(h); }
};

TEST(EncoderCreator, AcceptsTheFourSourceTypesOnly) {
    for (int type = 0; type <= 3; ++type) {
        SEncoderSource s{};
        s.nSourceType = type;
        Closer c{SEncoderCreator(&s)};
        ASSERT_NE(c.h, nullptr) << type;
        CMSEncoder* e = Instance(c.h);
        EXPECT_EQ(e->m_dFrameRate, 15.0);
        EXPECT_EQ(e->m_nVideoBitrate, 1000);
        EXPECT_EQ(e->m_nAudioChannels, 2);
        EXPECT_EQ(e->m_nAudioSampleRate, 44100);
        EXPECT_EQ(e->m_nAudioBitrate, 128);
        EXPECT_EQ(e->m_nVideoWidth, 0);
        EXPECT_EQ(e->m_nVideoHeight, 0);
        EXPECT_TRUE(e->m_strOutputPath.empty());
        EXPECT_FALSE(e->m_encoder);
        EXPECT_FALSE(e->m_profile);
    }
    for (int type : {4, -1}) {
        SEncoderSource s{};
        s.nSourceType = type;
        EXPECT_EQ(SEncoderCreator(&s), nullptr) << type;
    }
    EXPECT_EQ(SEncoderCreator(nullptr), nullptr);
    EXPECT_EQ(CMSEncoder::LiveCount(), 0);
}

TEST(EncoderCreator, ReadsOnlyTheFieldsOfItsType) {
    SEncoderSource s{};
    s.rcCapture = {1, 2, 3, 4};
    s.hWnd = reinterpret_cast<HWND>(0x1234);
    SetField(s.szVideoDevice, L"Camera");

    s.nSourceType = SENCODER_SOURCE_SCREEN;
    Closer screen{SEncoderCreator(&s)};
    EXPECT_EQ(Instance(screen.h)->m_rcCapture.right, 0);
    EXPECT_EQ(Instance(screen.h)->m_hCaptureWnd, nullptr);
    EXPECT_TRUE(Instance(screen.h)->m_strVideoDevice.empty());

    s.nSourceType = SENCODER_SOURCE_WINDOW;
    Closer window{SEncoderCreator(&s)};
    EXPECT_EQ(Instance(window.h)->m_hCaptureWnd, s.hWnd);
    EXPECT_EQ(Instance(window.h)->m_rcCapture.left, 0);

    s.nSourceType = SENCODER_SOURCE_DEVICE;
    Closer device{SEncoderCreator(&s)};
    EXPECT_EQ(Instance(device.h)->m_strVideoDevice, L"Camera");
    EXPECT_EQ(Instance(device.h)->m_hCaptureWnd, nullptr);

    // A name that fills its whole field is taken up to the field's end.
    for (auto& ch : s.szVideoDevice) ch = L'x';
    Closer full{SEncoderCreator(&s)};
    EXPECT_EQ(Instance(full.h)->m_strVideoDevice.size(), 260u);
}

TEST(EncoderCreator, RectangleBecomesEven) {
    struct Case { RECT in, out; };
    const Case cases[] = {
        {{0, 0, 801, 601}, {0, 0, 800, 600}},
        {{10, 10, 811, 611}, {9, 9, 811, 611}},
        {{100, 100, 740, 580}, {100, 100, 740, 580}},
        {{0, 5, 3, 6}, {0, 4, 2, 6}},
    };
    for (const Case& c : cases) {
        SEncoderSource s{};
        s.nSourceType = SENCODER_SOURCE_RECT;
        s.rcCapture = c.in;
        s.hWnd = reinterpret_cast<HWND>(0x1234);
        Closer h{SEncoderCreator(&s)};
        const RECT& r = Instance(h.h)->m_rcCapture;
        EXPECT_EQ(r.left, c.out.left);
        EXPECT_EQ(r.top, c.out.top);
        EXPECT_EQ(r.right, c.out.right);
        EXPECT_EQ(r.bottom, c.out.bottom);
        EXPECT_EQ(Instance(h.h)->m_hCaptureWnd, nullptr);
    }
}

TEST(EncoderCreator, AudioNameOnlyWhenAudioIsOn) {
    SEncoderSource s{};
    SetField(s.szAudioDevice, L"Line In");
    Closer off{SEncoderCreator(&s)};
    EXPECT_TRUE(Instance(off.h)->m_strAudioDevice.empty());
    s.bAudioOn = 1;
    Closer on{SEncoderCreator(&s)};
    EXPECT_EQ(Instance(on.h)->m_strAudioDevice, L"Line In");
    for (auto& ch : s.szAudioDevice) ch = L'y';
    Closer full{SEncoderCreator(&s)};
    EXPECT_EQ(Instance(full.h)->m_strAudioDevice.size(), 64u);
}

TEST(EncoderSetEncodeParam, KeepsImplausibleValuesOut) {
    SEncoderSource s{};
    Closer h{SEncoderCreator(&s)};
    CMSEncoder* e = Instance(h.h);
    SEncoderParam p{};
    for (int fps : {0, 31, -5}) {
        p.nFrameRate = fps;
        EXPECT_EQ(SEncoderSetEncodeParam(h.h, &p), 0);
        EXPECT_EQ(e->m_dFrameRate, 15.0) << fps;
    }
    p.nFrameRate = 30;
    SEncoderSetEncodeParam(h.h, &p);
    EXPECT_EQ(e->m_dFrameRate, 30.0);
    p.nFrameRate = 31;
    SEncoderSetEncodeParam(h.h, &p);
    EXPECT_EQ(e->m_dFrameRate, 30.0);  // the earlier accepted value stays

    p.nVideoWidth = 0;
    p.nVideoHeight = 600;
    SEncoderSetEncodeParam(h.h, &p);
    EXPECT_EQ(e->m_nVideoWidth, 0);
    EXPECT_EQ(e->m_nVideoHeight, 0);
    p.nVideoWidth = 1365;
    p.nVideoHeight = 767;
    SEncoderSetEncodeParam(h.h, &p);
    EXPECT_EQ(e->m_nVideoWidth, 1365);  // rounded only when the profile is built
    EXPECT_EQ(e->m_nVideoHeight, 767);

    p = SEncoderParam{};
    p.nVideoBitrate = -1;
    p.nAudioChannels = 0;
    p.nAudioSampleRate = -44100;
    SEncoderSetEncodeParam(h.h, &p);
    EXPECT_EQ(e->m_nVideoBitrate, 1000);
    EXPECT_EQ(e->m_nAudioChannels, 2);
    EXPECT_EQ(e->m_nAudioSampleRate, 44100);
    EXPECT_EQ(e->m_nAudioBitrate, 128);
    p.nVideoBitrate = 9000;
    p.nAudioChannels = 1;
    p.nAudioSampleRate = 22050;
    p.nAudioBitrate = 64;
    SEncoderSetEncodeParam(h.h, &p);
    EXPECT_EQ(e->m_nVideoBitrate, 9000);
    EXPECT_EQ(e->m_nAudioChannels, 1);
    EXPECT_EQ(e->m_nAudioSampleRate, 22050);
    EXPECT_EQ(e->m_nAudioBitrate, 64);

    EXPECT_EQ(SEncoderSetEncodeParam(nullptr, &p), SENCODER_PARAM_NULL_HANDLE);
}

TEST(EncoderSetOutputPath, NullStoresTheEmptyPath) {
    SEncoderSource s{};
    Closer h{SEncoderCreator(&s)};
    EXPECT_EQ(SEncoderSetOutputPath(h.h, L"C:\\Videos\\a.wmv"), 0);
    EXPECT_EQ(Instance(h.h)->m_strOutputPath, L"C:\\Videos\\a.wmv");
    EXPECT_EQ(SEncoderSetOutputPath(h.h, nullptr), 0);
    EXPECT_TRUE(Instance(h.h)->m_strOutputPath.empty());
}

} // namespace

namespace {

// Outside the calling order, but an instance without an encoder must not fall over.
TEST(EncoderControls, WithoutAStartedEncoderDoNothing) {
    SEncoderSource s{};
    SENCODER_HANDLE h = SEncoderCreator(&s);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SEncoderPause(h), 0);
    EXPECT_EQ(SEncoderContinue(h), 0);
    EXPECT_EQ(SEncoderStop(h), 0);
    EXPECT_EQ(SEncoderClose(h), 0);
    EXPECT_EQ(CMSEncoder::LiveCount(), 0);
}

} // namespace
