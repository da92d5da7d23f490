// The syntax of VISTREL_VIRTUAL_DEVICES and the choice of the nearest capture size.
#include "devicelib/VirtualDevices.h"

#include <gtest/gtest.h>

namespace devicelib {
namespace {

bool operator==(const CameraSize& a, const CameraSize& b) { return a.width == b.width && a.height == b.height; }

TEST(VirtualDevicesSyntax, CamerasAndAudioDevices) {
    VirtualDevices d = ParseVirtualDevices(
        L" camera:Test Cam@640x480, 320X240 ; audio:Virtual Mic[Microphone, Line In];CAMERA: Other ;audio:Bare");
    ASSERT_EQ(2u, d.cameras.size());
    EXPECT_EQ(L"Test Cam", d.cameras[0].name);
    ASSERT_EQ(2u, d.cameras[0].sizes.size());
    EXPECT_TRUE((d.cameras[0].sizes[1] == CameraSize{320, 240}));
    EXPECT_EQ(L"Other", d.cameras[1].name);
    EXPECT_EQ(2u, d.cameras[1].sizes.size());       // the default pair
    ASSERT_EQ(2u, d.audio.size());
    EXPECT_EQ(L"Virtual Mic", d.audio[0].name);
    ASSERT_EQ(2u, d.audio[0].lines.size());
    EXPECT_EQ(L"Line In", d.audio[0].lines[1]);
    EXPECT_EQ(L"Bare", d.audio[1].name);
    EXPECT_TRUE(d.audio[1].lines.empty());
}

TEST(VirtualDevicesSyntax, BadPartsAreSkipped) {
    VirtualDevices d = ParseVirtualDevices(
        L";;camera:;camera:@640x480;speaker:X;camera:Cam@0x480,640x,abc,99999x2,64x48;audio:[A];audio:M[,A,,B");
    ASSERT_EQ(1u, d.cameras.size());
    ASSERT_EQ(1u, d.cameras[0].sizes.size());
    EXPECT_TRUE((d.cameras[0].sizes[0] == CameraSize{64, 48}));
    ASSERT_EQ(1u, d.audio.size());
    ASSERT_EQ(2u, d.audio[0].lines.size());         // an unclosed list still counts
    EXPECT_EQ(L"B", d.audio[0].lines[1]);
    EXPECT_TRUE(ParseVirtualDevices(L"").cameras.empty());
}

TEST(VirtualDevicesSyntax, LimitsOfTheRecords) {
    std::wstring sizes;
    for (int i = 1; i <= 12; ++i) sizes += (i > 1 ? L"," : L"") + std::to_wstring(i * 10) + L"x10";
    std::wstring lines;
    for (int i = 1; i <= 25; ++i) lines += (i > 1 ? L"," : L"") + std::wstring(40, static_cast<wchar_t>(L'a' + i % 26));
    VirtualDevices d = ParseVirtualDevices(L"camera:" + std::wstring(300, L'c') + L"@" + sizes + L";audio:" +
                                           std::wstring(50, L'm') + L"[" + lines + L"]");
    ASSERT_EQ(1u, d.cameras.size());
    EXPECT_EQ(255u, d.cameras[0].name.size());
    ASSERT_EQ(9u, d.cameras[0].sizes.size());
    EXPECT_EQ(90u, d.cameras[0].sizes[8].width);
    ASSERT_EQ(1u, d.audio.size());
    EXPECT_EQ(31u, d.audio[0].name.size());
    ASSERT_EQ(20u, d.audio[0].lines.size());
    EXPECT_EQ(31u, d.audio[0].lines[0].size());
}

TEST(NearestCaptureSize, ExactElseClosestArea) {
    std::vector<CameraSize> s = {{320, 240}, {640, 480}, {1280, 720}};
    EXPECT_TRUE((NearestSize(s, 640, 480) == CameraSize{640, 480}));
    EXPECT_TRUE((NearestSize(s, 1260, 780) == CameraSize{1280, 720}));
    EXPECT_TRUE((NearestSize(s, 352, 288) == CameraSize{320, 240}));
    EXPECT_TRUE((NearestSize(s, 1, 1) == CameraSize{320, 240}));
    // Equal areas: the earlier listed.
    EXPECT_TRUE((NearestSize({{480, 640}, {640, 480}}, 600, 512) == CameraSize{480, 640}));
    EXPECT_TRUE((NearestSize({}, 640, 480) == CameraSize{0, 0}));
}

} // namespace
} // namespace devicelib
