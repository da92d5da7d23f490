// LoadImageResource: premultiplication, resources against files, failures.
#include "toolkit/GdiPlus.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <string>

using namespace vt;

namespace {

constexpr UINT kRgba = 501, kRgb = 502, kBlue = 503, kEmpty = 504;

DWORD Premul(DWORD r, DWORD g, DWORD b, DWORD a) {
    return (a << 24) | ((r * a / 255) << 16) | ((g * a / 255) << 8) | (b * a / 255);
}

std::wstring SourceData(const wchar_t* name) {
    // The test program runs from build/bin; the data lies in the source tree.
    return std::wstring(VISTREL_TOOLKIT_TEST_DATA) + L"/" + name;
}

} // namespace

TEST(LoadImageResource, PremultipliesA32BitPictureExactly) {
    CImage img;
    ASSERT_EQ(LoadImageResource(img, L"", kRgba), 1);
    ASSERT_EQ(img.GetBPP(), 32);
    ASSERT_EQ(img.GetWidth(), 4);
    ASSERT_EQ(img.GetHeight(), 2);
    EXPECT_EQ(img.GetPixel(0, 0), Premul(255, 0, 0, 128));
    EXPECT_EQ(img.GetPixel(1, 0), Premul(0, 255, 0, 255));
    EXPECT_EQ(img.GetPixel(2, 0), Premul(0, 0, 255, 0));
    EXPECT_EQ(img.GetPixel(3, 0), Premul(200, 100, 50, 51)); // 40, 20, 10
    EXPECT_EQ(img.GetPixel(0, 1), Premul(10, 20, 30, 255));
    EXPECT_EQ(img.GetPixel(1, 1), Premul(255, 255, 255, 1)); // 1, 1, 1
    EXPECT_EQ(img.GetPixel(2, 1), Premul(128, 64, 32, 200)); // 100, 50, 25 (truncated)
    EXPECT_EQ(img.GetPixel(3, 1), 0u);
}

TEST(LoadImageResource, A24BitPictureIsLeftAsItIs) {
    CImage img;
    ASSERT_EQ(LoadImageResource(img, nullptr, kRgb), 1);
    EXPECT_EQ(img.GetBPP(), 24);
    EXPECT_EQ(img.GetPixel(0, 0), 0xFF010203u);
    EXPECT_EQ(img.GetPixel(1, 0), 0xFFFA8007u);
    EXPECT_EQ(img.GetPixel(2, 1), 0xFF646E78u);
}

TEST(LoadImageResource, MissingOrEmptyResourceGivesZeroAndReleasesTheOldPicture) {
    CImage img;
    ASSERT_EQ(LoadImageResource(img, L"", kBlue), 1);
    EXPECT_EQ(LoadImageResource(img, L"", 9999), 0);
    EXPECT_TRUE(img.IsNull()) << "the picture held before is released";
    EXPECT_EQ(LoadImageResource(img, L"", kEmpty), 0);
    EXPECT_EQ(LoadImageResource(img, L"Z:\\no\\such\\file.png", kBlue), 0) << "a path given is not ignored";
}

TEST(LoadImageResource, AFilePathWinsOverTheResourceNumber) {
    CImage img;
    ASSERT_EQ(LoadImageResource(img, SourceData(L"rgb_3x2.png").c_str(), kBlue), 1);
    EXPECT_EQ(img.GetWidth(), 3);
    EXPECT_EQ(img.GetPixel(0, 0), 0xFF010203u);
}

TEST(CImage, DrawsWithPerPixelAlphaOrAsACopy) {
    CImage rgba, rgb;
    ASSERT_EQ(LoadImageResource(rgba, L"", kRgba), 1);
    ASSERT_EQ(LoadImageResource(rgb, L"", kRgb), 1);
    UniqueMemDc dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -4, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueBitmap target(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    SelectGuard sel(dc.Get(), target.Get());
    RECT all{0, 0, 8, 4};
    UniqueBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
    ::FillRect(dc.Get(), &all, white.Get());
    ASSERT_TRUE(rgba.Draw(dc.Get(), RECT{0, 0, 4, 2}));
    EXPECT_EQ(::GetPixel(dc.Get(), 1, 0), RGB(0, 255, 0)) << "opaque pixel drawn as is";
    EXPECT_EQ(::GetPixel(dc.Get(), 2, 0), RGB(255, 255, 255)) << "transparent pixel leaves the background";
    ASSERT_TRUE(rgb.Draw(dc.Get(), RECT{0, 2, 6, 4}));
    EXPECT_EQ(::GetPixel(dc.Get(), 0, 2), RGB(1, 2, 3)) << "24-bit stretched copy";
    EXPECT_EQ(::GetPixel(dc.Get(), 5, 3), RGB(100, 110, 120));
}
