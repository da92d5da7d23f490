// The session over the fake automation objects: the real library code, with object
// creation handed to the fakes.
#include "FakeEncoder.h"
#include "TextField.h"
#include "TraceCapture.h"

#include "encoder/MSEncoder.h"
#include "encoder/ObjectCreation.h"

#include <gmock/gmock.h>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <thread>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Contains;
using ::testing::Not;

namespace {

SEncoderSource Screen(const wchar_t* audio = nullptr) {
    SEncoderSource s{};
    s.nSourceType = SENCODER_SOURCE_SCREEN;
    if (audio) {
        s.bAudioOn = 1;
        SetField(s.szAudioDevice, audio);
    }
    return s;
}

SEncoderSource Rect(LONG l, LONG t, LONG r, LONG b) {
    SEncoderSource s{};
    s.nSourceType = SENCODER_SOURCE_RECT;
    s.rcCapture = {l, t, r, b};
    return s;
}

SEncoderParam Param(int w, int h, int fps = 15, int videoKbps = 9000, int audioKbps = 64) {
    SEncoderParam p{};
    p.nVideoWidth = w;
    p.nVideoHeight = h;
    p.nFrameRate = fps;
    p.nVideoBitrate = videoKbps;
    p.nAudioChannels = 2;
    p.nAudioSampleRate = 44100;
    p.nAudioBitrate = audioKbps;
    return p;
}

struct Outcome {
    int start = -1;
    std::set<std::string> liveBeforeClose;
    std::wstring audioAfterStart;
    HRESULT comAfterClose = E_FAIL;  // CoInitialize afterwards: S_OK when balanced
    std::vector<std::string> traces;
};

class EncoderSession : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        m_previous = SetEncoderCreateInstance(&fake::CreateInstance);
    }
    void TearDown() override {
        SetEncoderCreateInstance(m_previous);
        EXPECT_TRUE(fake::TheWorld().live.empty()) << "objects left: " << fake::TheWorld().live.size();
        EXPECT_EQ(CMSEncoder::LiveCount(), 0);
    }

    // A whole recording on a thread of its own, as the record thread does it.
    // runControls: pause, continue and stop after a successful start.
    Outcome Run(const SEncoderSource& source, const SEncoderParam& param, bool runControls = false,
                bool priorMultithreaded = false) {
        Outcome o;
        TraceCapture traces;
        std::thread worker([&] {
            // A thread already in the multithreaded apartment cannot take CoInitialize.
            bool prior = priorMultithreaded && SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
            SENCODER_HANDLE h = SEncoderCreator(&source);
            ASSERT_NE(h, nullptr);
            EXPECT_EQ(SEncoderSetEncodeParam(h, &param), 0);
            EXPECT_EQ(SEncoderSetOutputPath(h, L"C:\\out\\a.wmv"), 0);
            o.start = SEncoderStart(h);
            o.liveBeforeClose = fake::TheWorld().live;
            o.audioAfterStart = static_cast<CMSEncoder*>(h)->m_strAudioDevice;
            if (o.start == 0 && runControls) {
                EXPECT_EQ(SEncoderPause(h), 0);
                EXPECT_EQ(SEncoderContinue(h), 0);
                EXPECT_EQ(SEncoderStop(h), 0);
            }
            EXPECT_EQ(SEncoderClose(h), 0);
            if (prior) CoUninitialize();
            o.comAfterClose = CoInitialize(nullptr);
            if (SUCCEEDED(o.comAfterClose)) CoUninitialize();
        });
        worker.join();
        o.traces = traces.Lines();
        return o;
    }

    static std::vector<std::string> Calls() { return fake::TheWorld().Calls(); }
    static bool Logged(const std::string& entry) {
        const auto& log = fake::TheWorld().log;
        return std::find(log.begin(), log.end(), entry) != log.end();
    }
    static std::vector<std::string> Matching(const std::string& part) {
        std::vector<std::string> out;
        for (const auto& e : fake::TheWorld().log) {
            if (e.find(part) != std::string::npos) out.push_back(e);
        }
        return out;
    }

private:
    EncoderCreateInstanceFn m_previous = nullptr;
};

TEST_F(EncoderSession, WholeScreenWithAudioCallsEverythingInOrder) {
    Outcome o = Run(Screen(L"Line In"), Param(1365, 767, 24, 9000, 64), true);
    EXPECT_EQ(o.start, 0);
    EXPECT_THAT(Calls(), ElementsAreArray({
        "Create WMEncoder IWMEncoder2 ctx=1",
        "encoder1.get SourceGroupCollection()",
        "collection1.Add('SourceGroup1')",
        "group1.AddSource(i4:2)",
        "video1.QI IWMEncVideoSource2",
        "video1.QI IPropertyBag",
        "video1.SetInput('ScreenCap://ScreenCapture1', '', '')",
        "video1.Write Screen=bool:0",
        "group1.AddSource(i4:1)",
        "audio1.QI IWMEncAudioSource",
        "audio1.SetInput('Device://Line In', '', '')",
        "Create WMEncProfile2 IWMEncProfile2 ctx=1",
        "profile1.put ValidateMode(bool:-1)",
        "profile1.put ProfileName('Custom Screen Capture Profile')",
        "profile1.put ProfileDescription('A Custom Video Profile For Screen Capture')",
        "profile1.put ContentType(i4:17)",
        "profile1.put VBRMode(i4:2, i2:0, i4:1)",
        "profile1.AddAudience(i4:9064000)",
        "profile1.get VideoCodecCount()",
        "profile1.GetCodecIndexFromFourCC(i4:2, i4:861293911)",
        "audience1.put VideoCodec(i2:0, i4:2)",
        "audience1.put VideoHeight(i2:0, i4:766)",
        "audience1.put VideoWidth(i2:0, i4:1364)",
        "audience1.put VideoBufferSize(i2:0, i4:5000)",
        "audience1.put VideoFPS(i2:0, i4:24000)",
        "audience1.put VideoCompressionQuality(i2:0, i4:100)",
        "audience1.put VideoKeyFrameDistance(i2:0, cy:30000000)",
        "profile1.Validate()",
        "profile1.QI IWMEncProfile",
        "group1.put Profile(disp:profile1)",
        "encoder1.get File()",
        "file1.put LocalFileName('C:\\out\\a.wmv')",
        "encoder1.PrepareToEncode(bool:-1)",
        "encoder1.Start()",
        "encoder1.Pause()",
        "encoder1.Start()",
        "encoder1.PrepareToEncode(bool:0)",
        "encoder1.Stop()",
    }));
    EXPECT_THAT(o.traces, ElementsAre("CMSEncoder::DoEncoder IN", "PrepareToEncode Begin",
                                      "PrepareToEncode End", "CMSEncoder::DoEncoder OUT"));
    // The session keeps only the encoder and the profile; close lets the profile go first.
    EXPECT_EQ(o.liveBeforeClose, (std::set<std::string>{"encoder1", "profile1"}));
    auto releases = fake::TheWorld().Releases();
    ASSERT_GE(releases.size(), 2u);
    EXPECT_EQ(releases[releases.size() - 2], "~profile1");
    EXPECT_EQ(releases.back(), "~encoder1");
    EXPECT_EQ(o.comAfterClose, S_OK);
    // Each name is looked up once per object, also when it is used again (Start).
    for (const auto& p : fake::TheWorld().resolved) EXPECT_EQ(p.second, 1) << p.first;
    EXPECT_EQ(fake::TheWorld().Resolved("encoder1.Start"), 1);
}

TEST_F(EncoderSession, WithoutAudioTheProfileIsVideoOnly) {
    Outcome o = Run(Screen(), Param(1280, 800, 15, 9000, 64));
    EXPECT_EQ(o.start, 0);
    EXPECT_TRUE(Logged("profile1.put ContentType(i4:16)"));
    EXPECT_TRUE(Logged("profile1.AddAudience(i4:9000000)"));
    EXPECT_FALSE(Logged("group1.AddSource(i4:1)"));
    EXPECT_TRUE(Logged("audience1.put VideoFPS(i2:0, i4:15000)"));
}

TEST_F(EncoderSession, AudioOnWithAnEmptyNameHasNoAudioStream) {
    SEncoderSource s = Screen(L"");
    Outcome o = Run(s, Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_FALSE(Logged("group1.AddSource(i4:1)"));
    EXPECT_TRUE(Logged("profile1.put ContentType(i4:16)"));
}

TEST_F(EncoderSession, RectangleWritesItsEdgesThenFlashRect) {
    Outcome o = Run(Rect(100, 100, 740, 580), Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_THAT(Matching(".Write "), ElementsAre("video1.Write Screen=bool:0", "video1.Write Left=i4:100",
                                                 "video1.Write Top=i4:100", "video1.Write Right=i4:740",
                                                 "video1.Write Bottom=i4:580", "video1.Write FlashRect=bool:0"));
    EXPECT_TRUE(Logged("audience1.put VideoWidth(i2:0, i4:640)"));
    EXPECT_TRUE(Logged("audience1.put VideoHeight(i2:0, i4:480)"));
}

TEST_F(EncoderSession, OddRectangleFromTheProgramIsCapturedAsGivenAtAnEvenVideoSize) {
    // The program passes (10,10,811,611) with 801 x 601; the rectangle grows, the video shrinks.
    Outcome o = Run(Rect(10, 10, 811, 611), Param(801, 601));
    EXPECT_EQ(o.start, 0);
    EXPECT_THAT(Matching(".Write "), ElementsAre("video1.Write Screen=bool:0", "video1.Write Left=i4:9",
                                                 "video1.Write Top=i4:9", "video1.Write Right=i4:811",
                                                 "video1.Write Bottom=i4:611", "video1.Write FlashRect=bool:0"));
    EXPECT_TRUE(Logged("audience1.put VideoWidth(i2:0, i4:800)"));
    EXPECT_TRUE(Logged("audience1.put VideoHeight(i2:0, i4:600)"));
}

TEST_F(EncoderSession, WindowWritesTheLow32BitsOfItsHandle) {
    SEncoderSource s{};
    s.nSourceType = SENCODER_SOURCE_WINDOW;
    s.hWnd = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x0000000180000005ull));
    Outcome o = Run(s, Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_THAT(Matching(".Write "),
                ElementsAre("video1.Write Screen=bool:0", "video1.Write CaptureWindow=i4:-2147483643"));
}

TEST_F(EncoderSession, DeviceSourceWritesNoProperties) {
    SEncoderSource s{};
    s.nSourceType = SENCODER_SOURCE_DEVICE;
    SetField(s.szVideoDevice, L"USB Camera");
    Outcome o = Run(s, Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_TRUE(Logged("video1.SetInput('Device://USB Camera', '', '')"));
    EXPECT_TRUE(Matching(".Write ").empty());
}

TEST_F(EncoderSession, FrameRateBecomesThousandthsWithinFiveToThirty) {
    const std::pair<int, const char*> cases[] = {
        {1, "i4:5000"}, {3, "i4:5000"}, {5, "i4:5000"}, {6, "i4:6000"}, {24, "i4:24000"}, {30, "i4:30000"}};
    for (const auto& c : cases) {
        fake::Reset();
        Outcome o = Run(Screen(), Param(640, 480, c.first));
        EXPECT_EQ(o.start, 0);
        EXPECT_TRUE(Logged(std::string("audience1.put VideoFPS(i2:0, ") + c.second + ")")) << c.first;
    }
    EXPECT_EQ(EncoderFpsValue(29.9999), 29999);
}

TEST_F(EncoderSession, CodecIndexFallsBackToZero) {
    fake::TheWorld().codecIndex = -1;
    EXPECT_EQ(Run(Screen(), Param(640, 480)).start, 0);
    EXPECT_TRUE(Logged("audience1.put VideoCodec(i2:0, i4:0)"));

    fake::Reset();
    fake::TheWorld().Fail("profile1.GetCodecIndexFromFourCC");
    EXPECT_EQ(Run(Screen(), Param(640, 480)).start, 0);
    EXPECT_TRUE(Logged("audience1.put VideoCodec(i2:0, i4:0)"));

    // Whatever integer type the index comes back as.
    fake::Reset();
    fake::TheWorld().codecIndex = 3;
    fake::TheWorld().codecIndexAsI2 = true;
    EXPECT_EQ(Run(Screen(), Param(640, 480)).start, 0);
    EXPECT_TRUE(Logged("audience1.put VideoCodec(i2:0, i4:3)"));
}

TEST_F(EncoderSession, KeyFrameDistanceFailureIsIgnored) {
    fake::TheWorld().Fail("audience1.put VideoKeyFrameDistance");
    Outcome o = Run(Screen(), Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_TRUE(Logged("profile1.Validate()"));
}

TEST_F(EncoderSession, SourceSetupFailuresAreNotReported) {
    // A refused property stops the later ones and the audio source, and the build goes on.
    fake::TheWorld().Fail("video1.Write Left");
    SEncoderSource withAudio = Rect(100, 100, 740, 580);
    withAudio.bAudioOn = 1;
    SetField(withAudio.szAudioDevice, L"Mic");
    Outcome o = Run(withAudio, Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_THAT(Matching(".Write "), ElementsAre("video1.Write Screen=bool:0", "video1.Write Left=i4:100"));
    EXPECT_FALSE(Logged("group1.AddSource(i4:1)"));
    EXPECT_TRUE(Logged("profile1.put ContentType(i4:17)"));

    fake::Reset();
    fake::TheWorld().Fail("video1.SetInput");
    o = Run(Screen(L"Mic"), Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_TRUE(Matching(".Write ").empty());
    EXPECT_FALSE(Logged("group1.AddSource(i4:1)"));

    fake::Reset();
    fake::TheWorld().Fail("video1.QI IPropertyBag");
    o = Run(Screen(), Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_FALSE(Logged("video1.SetInput('ScreenCap://ScreenCapture1', '', '')"));

    // Without a group the profile has nowhere to go.
    fake::Reset();
    fake::TheWorld().Fail("collection1.Add");
    o = Run(Screen(L"Mic"), Param(640, 480));
    EXPECT_EQ(o.start, EncoderStep::GroupProfile);
    EXPECT_FALSE(Logged("group1.AddSource(i4:2)"));
    EXPECT_EQ(o.comAfterClose, S_OK);
}

TEST_F(EncoderSession, AudioSetInputFailureIsTracedWithTheInput) {
    fake::TheWorld().Fail("audio1.SetInput");
    Outcome o = Run(Screen(L"Mic"), Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_THAT(o.traces, ElementsAre("CMSEncoder::DoEncoder IN", "pSrcAudio SetInput failed", "Device://Mic",
                                      "PrepareToEncode Begin", "PrepareToEncode End", "CMSEncoder::DoEncoder OUT"));
}

TEST_F(EncoderSession, NamedAudioThatCannotBePreparedIsRetriedOnceWithTheDefault) {
    fake::TheWorld().Fail("encoder1.PrepareToEncode");
    Outcome o = Run(Screen(L"Mic"), Param(640, 480));
    EXPECT_EQ(o.start, 0);
    EXPECT_EQ(o.audioAfterStart, L"Default_Audio_Device");
    EXPECT_THAT(o.traces, ElementsAre("CMSEncoder::DoEncoder IN", "PrepareToEncode Begin", "PrepareToEncode failed",
                                      "try  Default_Audio_Device", "PrepareToEncode Begin", "PrepareToEncode End",
                                      "CMSEncoder::DoEncoder OUT"));
    EXPECT_THAT(Matching("Create WMEncoder"), ElementsAre("Create WMEncoder IWMEncoder2 ctx=1",
                                                          "Create WMEncoder IWMEncoder2 ctx=1"));
    EXPECT_TRUE(Logged("audio2.SetInput('Device://Default_Audio_Device', '', '')"));
    EXPECT_TRUE(Logged("encoder2.Start()"));
    // The first encoder and its profile are gone before the second is made.
    const auto& log = fake::TheWorld().log;
    auto second = std::find(log.begin(), log.end(), "encoder2.get SourceGroupCollection()");
    EXPECT_NE(std::find(log.begin(), second, "~profile1"), second);
    EXPECT_NE(std::find(log.begin(), second, "~encoder1"), second);
    EXPECT_EQ(o.liveBeforeClose, (std::set<std::string>{"encoder2", "profile2"}));
    EXPECT_EQ(o.comAfterClose, S_OK);
}

TEST_F(EncoderSession, FailedRetryAndDefaultOrNoAudioGiveThePrepareCode) {
    fake::TheWorld().Fail("encoder1.PrepareToEncode");
    fake::TheWorld().Fail("encoder2.PrepareToEncode");
    Outcome o = Run(Screen(L"Mic"), Param(640, 480));
    EXPECT_EQ(o.start, EncoderStep::PrepareToEncode);
    EXPECT_EQ(Matching("Create WMEncoder").size(), 2u);
    EXPECT_EQ(o.comAfterClose, S_OK);

    for (const wchar_t* name : {L"default_audio_device", L"DEFAULT_Audio_DEVICE", L"Default_Audio_Device"}) {
        fake::Reset();
        fake::TheWorld().Fail("encoder1.PrepareToEncode");
        o = Run(Screen(name), Param(640, 480));
        EXPECT_EQ(o.start, EncoderStep::PrepareToEncode);
        EXPECT_EQ(Matching("Create WMEncoder").size(), 1u);
        EXPECT_THAT(o.traces, Not(Contains("try  Default_Audio_Device")));
    }

    fake::Reset();
    fake::TheWorld().Fail("encoder1.PrepareToEncode");
    o = Run(Screen(), Param(640, 480));
    EXPECT_EQ(o.start, EncoderStep::PrepareToEncode);
    EXPECT_EQ(Matching("Create WMEncoder").size(), 1u);

    // The fresh encoder of the retry cannot be made: COM is still undone on close.
    fake::Reset();
    fake::TheWorld().Fail("encoder1.PrepareToEncode");
    fake::TheWorld().Fail("Create WMEncoder", 2);
    o = Run(Screen(L"Mic"), Param(640, 480));
    EXPECT_EQ(o.start, EncoderStep::CreateEncoder);
    EXPECT_EQ(o.comAfterClose, S_OK);
}

struct StepCase {
    const char* fail;  // null: set up by the case itself
    bool audio;
    int code;
};

class EncoderStepCodes : public EncoderSession, public ::testing::WithParamInterface<StepCase> {};

TEST_P(EncoderStepCodes, FailingCallGivesItsCodeAndCloseCleansUp) {
    const StepCase& c = GetParam();
    bool priorMultithreaded = false;
    if (c.fail) fake::TheWorld().Fail(c.fail);
    else if (c.code == EncoderStep::NoVideoCodec) fake::TheWorld().codecCount = 0;
    else if (c.code == EncoderStep::ComInit) priorMultithreaded = true;

    Outcome o = Run(c.audio ? Screen(L"Mic") : Screen(), Param(640, 480), false, priorMultithreaded);
    EXPECT_EQ(o.start, c.code);
    ASSERT_FALSE(o.traces.empty());
    EXPECT_EQ(o.traces.front(), "CMSEncoder::DoEncoder IN");
    EXPECT_THAT(o.traces, Not(Contains("CMSEncoder::DoEncoder OUT")));
    EXPECT_EQ(o.comAfterClose, S_OK);

    auto calls = Calls();
    if (c.code == EncoderStep::ComInit) {
        EXPECT_THAT(o.traces, ElementsAre("CMSEncoder::DoEncoder IN", "CMSEncoder::DoEncoder FAILED!"));
        EXPECT_TRUE(calls.empty());
        return;
    }
    // Nothing is called after the failing call, and what was made stays for close.
    ASSERT_FALSE(calls.empty());
    if (c.fail) {
        EXPECT_EQ(calls.back().rfind(c.fail, 0), 0u) << calls.back();
    }
    if (c.code != EncoderStep::CreateEncoder) {
        EXPECT_TRUE(o.liveBeforeClose.count("encoder1"));
    }
    EXPECT_FALSE(o.liveBeforeClose.count("audience1"));
    bool profileMade = std::find(calls.begin(), calls.end(), "Create WMEncProfile2 IWMEncProfile2 ctx=1") != calls.end();
    if (profileMade && c.code != EncoderStep::CreateProfile) {
        EXPECT_TRUE(o.liveBeforeClose.count("profile1"));
    }
}

INSTANTIATE_TEST_SUITE_P(All, EncoderStepCodes, ::testing::Values(
    StepCase{nullptr, false, EncoderStep::ComInit},
    StepCase{"encoder1.Start", false, EncoderStep::Start},
    StepCase{"Create WMEncProfile2", false, EncoderStep::CreateProfile},
    StepCase{"profile1.put ValidateMode", false, EncoderStep::ValidateMode},
    StepCase{"profile1.put ProfileName", false, EncoderStep::ProfileName},
    StepCase{"profile1.put ProfileDescription", false, EncoderStep::ProfileDescription},
    StepCase{"profile1.put ContentType", false, EncoderStep::ContentTypeVideo},
    StepCase{"profile1.put ContentType", true, EncoderStep::ContentTypeAudioVideo},
    StepCase{"profile1.put VBRMode", false, EncoderStep::VBRMode},
    StepCase{"profile1.AddAudience", false, EncoderStep::AddAudience},
    StepCase{"profile1.get VideoCodecCount", false, EncoderStep::VideoCodecCount},
    StepCase{nullptr, false, EncoderStep::NoVideoCodec},
    StepCase{"audience1.put VideoCodec", false, EncoderStep::VideoCodec},
    StepCase{"audience1.put VideoHeight", false, EncoderStep::VideoHeight},
    StepCase{"audience1.put VideoWidth", false, EncoderStep::VideoWidth},
    StepCase{"audience1.put VideoBufferSize", false, EncoderStep::VideoBufferSize},
    StepCase{"audience1.put VideoFPS", false, EncoderStep::VideoFPS},
    StepCase{"audience1.put VideoCompressionQuality", false, EncoderStep::VideoQuality},
    StepCase{"profile1.Validate", false, EncoderStep::Validate},
    StepCase{"Create WMEncoder", false, EncoderStep::CreateEncoder},
    StepCase{"encoder1.get SourceGroupCollection", false, EncoderStep::SourceGroupCollection},
    StepCase{"profile1.QI IWMEncProfile", false, EncoderStep::QueryProfile},
    StepCase{"group1.put Profile", false, EncoderStep::GroupProfile},
    StepCase{"encoder1.get File", false, EncoderStep::File},
    StepCase{"file1.put LocalFileName", false, EncoderStep::LocalFileName},
    StepCase{"encoder1.PrepareToEncode", false, EncoderStep::PrepareToEncode}),
    [](const ::testing::TestParamInfo<StepCase>& info) {
        char name[32];
        std::snprintf(name, sizeof name, "Code%08X", static_cast<unsigned>(info.param.code));
        return std::string(name);
    });

} // namespace
