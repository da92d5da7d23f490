#include "config/Language.h"

#include "toolkit/Raii.h"

#include <shlwapi.h>

#include <initializer_list>
#include <mutex>

namespace {

constexpr int kDefaultLanguage = 1033;
constexpr DWORD kTextBufferLength = 1024;

// Written on the user-interface thread, read also by the download and update
// workers: one lock keeps every read whole.
struct LanguageState {
    std::mutex lock;
    std::vector<LanguageEntry> list;
    int currentId = kDefaultLanguage;
    std::wstring currentFile;
    bool selected = false;
};

LanguageState& State() {
    static LanguageState state;
    return state;
}

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

// English.ini from the embedded copy: the byte-order mark, then the resource.
void WriteDefaultLanguageFile(const std::wstring& path, HMODULE module) {
    vt::UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) return;
    static const BYTE bom[2] = {0xFF, 0xFE};
    if (size.QuadPart == 0 && !WriteAll(file.Get(), bom, sizeof(bom))) return;

    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(1033), L"OWNER_DATA");
    if (!info) return;
    const DWORD length = ::SizeofResource(module, info);
    HGLOBAL loaded = ::LoadResource(module, info);
    const BYTE* bytes = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (!bytes || length == 0) return;
    // The resource is the text without its mark; it follows the mark so that the
    // profile functions still read the file as UTF-16. A resource that brings its
    // own mark replaces ours instead of doubling it.
    LARGE_INTEGER offset{};
    offset.QuadPart = (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) ? 0 : 2;
    if (!::SetFilePointerEx(file.Get(), offset, nullptr, FILE_BEGIN)) return;
    WriteAll(file.Get(), bytes, length);
}

} // namespace

int LanguageFlagImage(int languageId) {
    for (const LanguageFlag& flag : LanguageFlagTable)
        if (flag.languageId == languageId) return flag.subImage;
    return LanguageFlagImage(kDefaultLanguage);
}

std::vector<LanguageEntry> LanguageList() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.list;
}

int CurrentLanguageId() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.currentId;
}

std::wstring CurrentLanguageFile() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.currentFile;
}

bool IsLanguageSelected() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.selected;
}

int BuildLanguageList(const std::wstring& folder) {
    if (folder.empty() || !::PathFileExistsW(folder.c_str())) return 1;
    const std::wstring base = WithBackslash(folder);
    const std::wstring pattern = base + L"*.*";

    std::vector<LanguageEntry> found;
    WIN32_FIND_DATAW data{};
    vt::UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
    if (find) {
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::wstring path = base + data.cFileName;
            const int id = static_cast<int>(
                ::GetPrivateProfileIntW(L"General Settings", L"ID", -1, path.c_str()));
            if (id != -1) found.push_back({id, path});
        } while (::FindNextFileW(find.Get(), &data));
    }

    LanguageState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.list = std::move(found);
    return 0;
}

std::wstring SelectLanguageFile(int languageId) {
    LanguageState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    std::wstring result;
    int chosen = kDefaultLanguage;
    for (int wanted : {languageId, kDefaultLanguage}) {
        for (const LanguageEntry& entry : state.list) {
            if (entry.id == wanted) {
                result = entry.path;
                chosen = wanted;
                break;
            }
        }
        if (!result.empty()) break;
    }
    state.currentId = chosen;
    state.currentFile = result;
    state.selected = true;
    return result;
}

std::wstring LoadLanguageText(const wchar_t* identifier) {
    const std::wstring file = CurrentLanguageFile();
    // An empty file name would send the profile functions to win.ini.
    if (file.empty() || !identifier || !*identifier) return std::wstring();
    wchar_t buffer[kTextBufferLength] = {};
    const DWORD n = ::GetPrivateProfileStringW(L"String", identifier, L"", buffer, kTextBufferLength,
                                               file.c_str());
    std::wstring text(buffer, n < kTextBufferLength ? n : 0);
    for (size_t at = text.find(L"\\n"); at != std::wstring::npos; at = text.find(L"\\n", at + 1))
        text.replace(at, 2, 1, L'\n');
    return text;
}

std::wstring EnsureLanguageFolder(const std::wstring& programFolder, HMODULE resourceModule) {
    const std::wstring folder = WithBackslash(programFolder) + L"Language\\";
    if (!::PathFileExistsW(folder.c_str())) ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring english = folder + L"English.ini";
    if (!::PathFileExistsW(english.c_str()))
        WriteDefaultLanguageFile(english, resourceModule ? resourceModule : ::GetModuleHandleW(nullptr));
    return folder;
}
