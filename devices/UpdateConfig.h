// The update configuration: where it comes from, which of its keys a language uses, and
// how its version compares with the program's. Free of windows and of the network.
#pragma once

#include <optional>
#include <string>

// The vendor's two update servers. The names lie under ".example", a top-level domain
// reserved never to resolve, so no build reaches a stranger's host by accident; a
// release puts the vendor's real host names here and nowhere else.
inline constexpr wchar_t kGeneralUpdateServer[] = L"update.vistrel.example";
inline constexpr wchar_t kRegionalUpdateServer[] = L"update-cn.vistrel.example"; // for language 2052
inline constexpr wchar_t kUpdateConfigPath[] = L"/download/update_Vistrel.ini";

// The local copy of the configuration, in the program's folder.
inline constexpr wchar_t kUpdateIniName[] = L"update.ini";
inline constexpr wchar_t kUpdateIniSection[] = L"Program";

// http://<server for the language>/download/update_Vistrel.ini; the other server is
// never tried.
std::wstring UpdateConfigUrl(int languageId);
// The key of the download page: Website_tw, _en, _jp or _cn (every other language: _en).
const wchar_t* WebsiteKey(int languageId);
// The key of the installers' base address: Encoder_cn for 2052, else Encoder_en.
const wchar_t* EncoderKey(int languageId);

// Compares two versions of up to four decimal parts separated by dots (runs of dots
// count as one; leading and trailing dots are ignored; missing parts are 0). Returns
// <0, 0, >0 as a is older, equal, newer than b; nothing when either is malformed (no
// part, more than four, or a character other than a digit). Parts of any length
// compare exactly.
std::optional<int> CompareVersions(const std::wstring& a, const std::wstring& b);

// The program's version text from the fixed file version's two double words:
// "a.b.c.d" when the low one is non-zero, "a.b" when only the high one is, else "1.0.0.0".
std::wstring FormatFileVersion(unsigned long high, unsigned long low);
// The file version of the running program, as above ("1.0.0.0" without a version resource).
std::wstring ProgramFileVersion();

// A value of [Program] in the given update.ini, empty when the file or the key is missing.
std::wstring ReadUpdateValue(const std::wstring& iniPath, const std::wstring& key);
