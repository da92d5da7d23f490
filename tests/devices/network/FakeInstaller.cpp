// Stands in for the encoder's installers in the tests: writes the arguments it was
// started with beside itself ("<program>.args", one per line), and when started with
// the encoder's silent switch registers an encoder as the real installer would.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring text;
    for (int i = 1; i < argc; ++i) text += std::wstring(argv[i]) + L"\n";
    const HANDLE file = ::CreateFileW((std::wstring(self) + L".args").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
        ::CloseHandle(file);
    }
    if (argc > 1 && std::wstring(argv[1]) == L"/Q") {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows Media\\Encoder", 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            const wchar_t version[] = L"9.00.00.2980";
            ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof(version));
            ::RegCloseKey(key);
        }
    }
    ::LocalFree(argv);
    return 0;
}
