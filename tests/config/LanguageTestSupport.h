// Files and folders for the language tests.
#pragma once

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace langtest {

// A fresh folder under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"vistrel_lang_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                 std::to_wstring(++counter) + L"\\";
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        ::CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Ends with a backslash.
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

inline std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A language file as the program expects it: UTF-16LE, byte-order mark, CRLF.
inline void WriteLanguageFile(const std::wstring& path, const std::wstring& text) {
    std::vector<unsigned char> bytes{0xFF, 0xFE};
    auto put = [&bytes](wchar_t c) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    };
    for (wchar_t c : text) {
        if (c == L'\n') put(L'\r');
        put(c);
    }
    WriteBytes(path, bytes);
}

} // namespace langtest
