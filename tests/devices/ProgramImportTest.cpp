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

// A copy of the program in a folder of its own (no Language folder, no Settings.ini).
struct ScratchProgram {
    std::wstring folder;
    ScratchProgram() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"vistrel-import-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(s_next++) + L"\\";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (const wchar_t* file : {L"Vistrel.exe", L"Vistrel.dll", L"Vistrelenc.dll"})
            copied = ::CopyFileW((BinFolder() + file).c_str(), (folder + file).c_str(), FALSE) && copied;
    }
    ~ScratchProgram() { RemoveTree(folder); }
    // Starts a copy and waits for its main window.
    bool Start(PROCESS_INFORMATION& pi, HWND& window) {
        const std::wstring exe = folder + L"Vistrel.exe";
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si{sizeof(si)};
        if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
            return false;
        ::WaitForInputIdle(pi.hProcess, 20000);
        FindWindowOf finder{pi.dwProcessId};
        for (int i = 0; i < 200 && !finder.found; ++i) {
            ::EnumWindows(&FindWindowOf::Proc, reinterpret_cast<LPARAM>(&finder));
            if (!finder.found) ::Sleep(50);
        }
        window = finder.found;
        return true;
    }
    // Asks the program to close; ends it when it does not. Returns its exit code.
    static DWORD Close(const PROCESS_INFORMATION& pi, HWND window) {
        if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
            ::TerminateProcess(pi.hProcess, 1);
            ::WaitForSingleObject(pi.hProcess, 10000);
        }
        DWORD code = 1;
        ::GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
    bool copied = true;
    static inline int s_next = 0;
};

std::string FileStart(const std::wstring& path, size_t n) {
    vt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(n, '\0');
    DWORD read = 0;
    if (!file || !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(n), &read, nullptr)) return {};
    bytes.resize(read);
    return bytes;
}

TEST(ProgramImport, VistrelExeLoadsVistrelDllFromItsFolder) {
    ScratchProgram program;
    ASSERT_TRUE(program.copied);
    PROCESS_INFORMATION pi{};
    HWND window = nullptr;
    ASSERT_TRUE(program.Start(pi, window));
    vt::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);

    std::wstring loadedFrom;
    vt::UniqueKernelHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pi.dwProcessId));
    if (snap) {
        MODULEENTRY32W me{sizeof(me)};
        for (BOOL ok = ::Module32FirstW(snap.Get(), &me); ok; ok = ::Module32NextW(snap.Get(), &me))
            if (_wcsicmp(me.szModule, L"Vistrel.dll") == 0) loadedFrom = me.szExePath;
    }
    ScratchProgram::Close(pi, window);

    EXPECT_TRUE(window) << "no main window";
    ASSERT_FALSE(loadedFrom.empty()) << "Vistrel.dll is not among the program's modules";
    EXPECT_EQ(0, _wcsicmp((program.folder + L"Vistrel.dll").c_str(), loadedFrom.c_str()));
}

// Start-up in a bare folder: two copies run side by side; each makes the Language folder
// with English.ini and writes Settings.ini when it closes, and ends with 0.
TEST(ProgramStartUp, TwoCopiesRunAndLeaveTheirFiles) {
    ScratchProgram program;
    ASSERT_TRUE(program.copied);
    PROCESS_INFORMATION a{}, b{};
    HWND first = nullptr, second = nullptr;
    ASSERT_TRUE(program.Start(a, first));
    vt::UniqueKernelHandle pa(a.hProcess), ta(a.hThread);
    ASSERT_TRUE(program.Start(b, second));
    vt::UniqueKernelHandle pb(b.hProcess), tb(b.hThread);
    EXPECT_TRUE(first && second && first != second);
    EXPECT_EQ(0u, ScratchProgram::Close(b, second));
    EXPECT_EQ(0u, ScratchProgram::Close(a, first));

    const std::string english = FileStart(program.folder + L"Language\\English.ini", 64);
    ASSERT_GT(english.size(), 2u);
    EXPECT_EQ("\xFF\xFE", english.substr(0, 2));
    EXPECT_EQ("\xFF\xFE", FileStart(program.folder + L"Settings.ini", 2));

    // What the program asks of the system.
    vt::UniqueModule image(::LoadLibraryExW((program.folder + L"Vistrel.exe").c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(image);
    HRSRC info = ::FindResourceW(image.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_TRUE(info);
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(image.Get(), info)));
    const std::string manifest(data, ::SizeofResource(image.Get(), info));
    for (const char* needle : {"requireAdministrator", "Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                               "processorArchitecture=\"amd64\"", ">true</dpiAware>"})
        EXPECT_NE(std::string::npos, manifest.find(needle)) << needle;
}

} // namespace
