#include "app/Formatting.h"
#include "toolkit/Raii.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vt;

namespace {

std::wstring TempFilePath(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

void WriteBytes(const std::wstring& path, size_t count) {
    UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f);
    std::vector<char> data(count, 'x');
    DWORD written = 0;
    if (count) {
        ASSERT_TRUE(::WriteFile(f.Get(), data.data(), static_cast<DWORD>(count), &written, nullptr));
    }
}

} // namespace

TEST(TimeText, MinutesBelowAnHourHoursFromThenOn) {
    EXPECT_EQ(TimeText(0), L"00:00");
    EXPECT_EQ(TimeText(61), L"01:01");
    EXPECT_EQ(TimeText(3599), L"59:59");
    EXPECT_EQ(TimeText(3600), L"01:00:00");
    EXPECT_EQ(TimeText(36000 + 62), L"10:01:02");
    EXPECT_EQ(TimeText(360000), L"100:00:00");
}

TEST(SizeText, Thresholds) {
    EXPECT_EQ(SizeTextForBytes(0), L"0KB");
    EXPECT_EQ(SizeTextForBytes(1), L"1KB");
    EXPECT_EQ(SizeTextForBytes(500), L"1KB");
    EXPECT_EQ(SizeTextForBytes(1023), L"1KB");
    EXPECT_EQ(SizeTextForBytes(1536), L"1KB");
    EXPECT_EQ(SizeTextForBytes(1048575), L"1023KB");
    EXPECT_EQ(SizeTextForBytes(5u * 1048576), L"5MB");
}

TEST(SizeText, ReadsRealFiles) {
    const std::wstring path = TempFilePath(L"vistrel_size_test.bin");
    WriteBytes(path, 0);
    EXPECT_EQ(SizeText(path.c_str()), L"0KB");
    WriteBytes(path, 500);
    EXPECT_EQ(SizeText(path.c_str()), L"1KB");
    WriteBytes(path, 5 * 1048576);
    EXPECT_EQ(SizeText(path.c_str()), L"5MB");
    ::DeleteFileW(path.c_str());
    EXPECT_EQ(SizeText(path.c_str()), L"0KB") << "a missing file counts as empty";
    EXPECT_EQ(SizeText(nullptr), L"0KB");
}

TEST(SizeText, FileStillOpenForWritingByAnotherHandle) {
    const std::wstring path = TempFilePath(L"vistrel_size_open.bin");
    // The writer shares reading only, as a recorder holding its output would.
    UniqueKernelHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                            0, nullptr));
    ASSERT_TRUE(writer);
    std::vector<char> data(3 * 1048576 + 10, 'y');
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(SizeText(path.c_str()), L"3MB");
    ASSERT_TRUE(::WriteFile(writer.Get(), data.data(), 1048576, &written, nullptr));
    EXPECT_EQ(SizeText(path.c_str()), L"4MB");
    writer.Reset();
    ::DeleteFileW(path.c_str());
}

TEST(TimeStampFileName, FixedTime) {
    SYSTEMTIME t{};
    t.wYear = 2014;
    t.wMonth = 12;
    t.wDay = 5;
    t.wHour = 9;
    t.wMinute = 7;
    t.wSecond = 3;
    EXPECT_EQ(TimeStampFileName(t), L"2014-12-05-09-07-03");
    t.wYear = 999;
    EXPECT_EQ(TimeStampFileName(t), L" 999-12-05-09-07-03");
    EXPECT_EQ(TimeStampFileName().size(), 19u);
}

TEST(NamePartOfPath, SeparatorsAndNone) {
    EXPECT_EQ(NamePartOfPath(L"C:\\Videos\\a\\2014-12-05.wmv"), L"2014-12-05.wmv");
    EXPECT_EQ(NamePartOfPath(L"C:/Videos/b.wmv"), L"b.wmv");
    EXPECT_EQ(NamePartOfPath(L"C:\\x/y\\z.wmv"), L"z.wmv") << "a backslash wins over a later slash";
    EXPECT_EQ(NamePartOfPath(L"C:/x\\y/z.wmv"), L"y/z.wmv");
    EXPECT_EQ(NamePartOfPath(L"plain.wmv"), L"plain.wmv");
    EXPECT_EQ(NamePartOfPath(L"C:\\dir\\"), L"");
    EXPECT_EQ(NamePartOfPath(L""), L"");
}
