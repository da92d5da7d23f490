// Texts the recording shows: elapsed time, file size, the file name of a recording.
#pragma once

#include <windows.h>
#include <string>

namespace vt {

// "mm:ss" below an hour, "hh:mm:ss" from then on.
std::wstring TimeText(unsigned int seconds);
// "0KB", "1KB" for 1..1023 bytes, "%dKB", "%dMB". Reads the length of a file that is
// still being written through a handle that denies nobody.
std::wstring SizeText(const wchar_t* path);
std::wstring SizeTextForBytes(unsigned long long bytes);
// "2014-12-05-09-07-03" for the given local time, or for now.
std::wstring TimeStampFileName(const SYSTEMTIME& localTime);
std::wstring TimeStampFileName();
// Text after the last backslash, else after the last slash, else the whole text.
std::wstring NamePartOfPath(const std::wstring& path);

} // namespace vt
