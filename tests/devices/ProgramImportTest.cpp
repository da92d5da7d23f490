// Vistrel.exe imports the device library under the base name Vistrel and gets the one
// beside it. It runs from a scratch copy, so that its Language folder and Settings.ini
// do not land in the build folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include "toolkit/Raii.h"

#include <initializer_list>
#include <string>

namespace {

std::wstring BinFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// The main window: a dialog of the process with the program's title (the first visible
// window may be another one of it).
struct FindWindowOf {
    DWORD pid;
    HWND found = nullptr;
    static BOOL CALLBACK Proc(HWND hwnd, LPARAM lp) {
        auto* self = reinterpret_cast<FindWindowOf*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        wchar_t cls[16] = {}, title[64] = {};
        ::GetClassNameW(hwnd, cls, 16);
        ::GetWindowTextW(hwnd, title, 64);
        if (pid == self->pid && lstrcmpW(cls, L"#32770") == 0 && lstrcmpW(title, L"Tarn Video Recorder") == 0) {
            self->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
};

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data{};
    {
        vt::UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
        if (find) do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(folder + name + L"\\");
                else
                    ::DeleteFileW((folder + name).c_str());
            } while (::FindNextFileW(find.Get(), &data));
    }
    ::RemoveDirectoryW(folder.c_str());
}

TEST(ProgramImport, VistrelExeLoadsVistrelDllFromItsFolder) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vistrel-import-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    struct Cleanup {
        std::wstring folder;
        ~Cleanup() { RemoveTree(folder); }
    } cleanup{folder};
    for (const wchar_t* file : {L"Vistrel.exe", L"Vistrel.dll", L"Vistrelenc.dll"})
        ASSERT_TRUE(::CopyFileW((BinFolder() + file).c_str(), (folder + file).c_str(), FALSE)) << file;
    std::wstring exe = folder + L"Vistrel.exe";
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi));
    vt::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    ::WaitForInputIdle(pi.hProcess, 20000);

    FindWindowOf finder{pi.dwProcessId};
    for (int i = 0; i < 200 && !finder.found; ++i) {
        ::EnumWindows(&FindWindowOf::Proc, reinterpret_cast<LPARAM>(&finder));
        if (!finder.found) ::Sleep(50);
    }

    std::wstring loadedFrom;
    vt::UniqueKernelHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pi.dwProcessId));
    if (snap) {
        MODULEENTRY32W me{sizeof(me)};
        for (BOOL ok = ::Module32FirstW(snap.Get(), &me); ok; ok = ::Module32NextW(snap.Get(), &me))
            if (_wcsicmp(me.szModule, L"Vistrel.dll") == 0) loadedFrom = me.szExePath;
    }

    // How the program ends is not this test's business: asked first, then ended.
    if (finder.found) ::PostMessageW(finder.found, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, 10000);
    }

    EXPECT_TRUE(finder.found) << "no main window";
    ASSERT_FALSE(loadedFrom.empty()) << "Vistrel.dll is not among the program's modules";
    EXPECT_EQ(0, _wcsicmp((folder + L"Vistrel.dll").c_str(), loadedFrom.c_str()));
}

} // namespace
