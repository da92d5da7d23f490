#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace {
std::atomic<int> g_folderCount{0};
}

SettingsFolderScope::SettingsFolderScope() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_base = std::wstring(temp) + L"vt_settings_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(m_base.c_str(), nullptr);
    m_folder = m_base + L"\\" + std::to_wstring(++g_folderCount) + L"\\";
    ::CreateDirectoryW(m_folder.c_str(), nullptr);
    SetSettingsFolderOverride(m_folder);
}

SettingsFolderScope::~SettingsFolderScope() {
    SetSettingsFolderOverride(L"");
    for (const std::wstring& file : {SettingsPath(), PresetsPath()}) {
        ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(file.c_str());
    }
    ::RemoveDirectoryW(m_folder.c_str());
    // Succeeds only once the last folder is gone.
    ::RemoveDirectoryW(m_base.c_str());
}

TestSettingsHost::TestSettingsHost(HFONT font)
    : m_window(::CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr)),
      m_menu(::CreatePopupMenu()) {
    if (font) ::SendMessageW(m_window.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::AppendMenuW(m_menu.Get(), MF_STRING, kFullScreenItem, L"Full screen");
    ::AppendMenuW(m_menu.Get(), MF_STRING, kUserDefinedItem, L"Region");
}

void TestSettingsHost::SetRegionTypeChecks(bool userDefined) {
    ++checkCalls;
    ::CheckMenuItem(m_menu.Get(), kFullScreenItem, MF_BYCOMMAND | (userDefined ? MF_UNCHECKED : MF_CHECKED));
    ::CheckMenuItem(m_menu.Get(), kUserDefinedItem, MF_BYCOMMAND | (userDefined ? MF_CHECKED : MF_UNCHECKED));
}

void TestSettingsHost::SetCaptureRect(const RECT& rect) {
    ++captureRectCalls;
    captureRect = rect;
}

bool TestSettingsHost::Checked(UINT item) const {
    return (::GetMenuState(m_menu.Get(), item, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    vt::UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(f) << "cannot create the file";
    DWORD written = 0;
    if (!bytes.empty()) {
        ASSERT_TRUE(::WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
}

std::string ReadFileBytes(const std::wstring& path) {
    vt::UniqueKernelHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return {};
    std::string bytes;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(f.Get(), buf, sizeof(buf), &n, nullptr) && n > 0) bytes.append(buf, n);
    return bytes;
}

void WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    WriteFileBytes(path, bytes);
}

std::vector<std::wstring> ReadUtf16Lines(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::wstring> lines;
    if (bytes.size() < 2) return lines;
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\r') continue;
        if (c == L'\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}
