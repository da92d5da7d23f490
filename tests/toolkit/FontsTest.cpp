// The faces the windows name, as the Wine prefix of scripts/setup provides them: GDI+ finds
// them by name, and CJK text in them is drawn in a linked font, not as boxes.
#include "toolkit/GdiPlus.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace vt;

namespace {

constexpr const wchar_t* kFaces[] = {L"Arial", L"Microsoft Sans Serif", L"MS Sans Serif", L"Times New Roman",
                                     L"Tahoma"};

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// One character drawn black on white in a 32 x 32 cell; the pixels, row by row.
std::vector<DWORD> Glyph(const wchar_t* face, wchar_t ch) {
    constexpr int kSize = 32;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB};
    void* bits = nullptr;
    UniqueMemDc dc(::CreateCompatibleDC(nullptr));
    UniqueBitmap bmp(::CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueFont font(::CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                                  0, face));
    if (!bits || !font) return {};
    SelectGuard selBmp(dc.Get(), bmp.Get());
    SelectGuard selFont(dc.Get(), font.Get());
    std::memset(bits, 0xFF, kSize * kSize * 4);
    ::SetTextColor(dc.Get(), RGB(0, 0, 0));
    ::SetBkMode(dc.Get(), TRANSPARENT);
    ::TextOutW(dc.Get(), 4, 4, &ch, 1);
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    return std::vector<DWORD>(p, p + kSize * kSize);
}

int Ink(const std::vector<DWORD>& glyph) {
    int n = 0;
    for (DWORD px : glyph) n += (px & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

} // namespace

TEST(Fonts, GdiPlusFindsTheFacesTheWindowsNameByName) {
    if (!UnderWine()) GTEST_SKIP() << "checks the Wine prefix made by scripts/setup";
    for (const wchar_t* face : kFaces) {
        Gdiplus::FontFamily family(face);
        EXPECT_EQ(Gdiplus::Ok, family.GetLastStatus()) << face;
    }
    const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif();
    ASSERT_NE(nullptr, generic);
    EXPECT_EQ(Gdiplus::Ok, generic->GetLastStatus());

    // GDI: Times New Roman stays a serif face instead of falling back to a sans one.
    UniqueMemDc dc(::CreateCompatibleDC(nullptr));
    UniqueFont font(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Times New Roman"));
    SelectGuard sel(dc.Get(), font.Get());
    TEXTMETRICW tm{};
    ASSERT_TRUE(::GetTextMetricsW(dc.Get(), &tm));
    EXPECT_EQ(FF_ROMAN, tm.tmPitchAndFamily & 0xF0);
}

TEST(Fonts, CjkTextIsDrawnInEveryFaceNotAsBoxes) {
    if (!UnderWine()) GTEST_SKIP() << "checks the Wine prefix made by scripts/setup";
    // Simplified, Traditional, kana: missing glyphs would all be the same box.
    constexpr wchar_t kChars[] = {L'\x5F55', L'\x9304', L'\x3042'};
    for (const wchar_t* face : kFaces) {
        std::vector<std::vector<DWORD>> glyphs;
        for (wchar_t ch : kChars) glyphs.push_back(Glyph(face, ch));
        ASSERT_FALSE(glyphs[0].empty()) << face;
        EXPECT_GT(Ink(glyphs[0]), 20) << face;
        EXPECT_TRUE(glyphs[0] != glyphs[1] && glyphs[0] != glyphs[2] && glyphs[1] != glyphs[2])
            << face << ": the characters look the same (boxes)";
    }
}
