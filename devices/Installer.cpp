#include "devices/Installer.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

namespace {

// The simple display name of the certificate that signed the file, from the state
// WinVerifyTrust keeps between its verify and close actions.
std::wstring SignerName(HANDLE state) {
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(state);
    if (!provider) return {};
    CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert) return {};
    PCCERT_CONTEXT cert = signer->pasCertChain[0].pCert;
    const DWORD n = ::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (n <= 1) return {};
    std::vector<wchar_t> name(n);
    ::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), n);
    return name.data();
}

} // namespace

VerifiedFile VerifyInstaller(const std::wstring& path, const std::wstring& expectedPublisher) {
    VerifiedFile result;
    result.handle.Reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!result.handle) return result;

    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    file.hFile = result.handle.Get();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (status == ERROR_SUCCESS) result.publisher = SignerName(data.hWVTStateData);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    if (status != ERROR_SUCCESS) result.trust = TrustResult::NotTrusted;
    else if (result.publisher.empty() || result.publisher != expectedPublisher) result.trust = TrustResult::WrongPublisher;
    else result.trust = TrustResult::Trusted;
    return result;
}

vt::UniqueKernelHandle RunInstaller(const std::wstring& path, const std::wstring& argument) {
    // With the path only as the application name, the program would see the argument
    // as its own name and miss the silent switch.
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!argument.empty()) commandLine += L" " + argument;
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(path.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, INHERIT_CALLER_PRIORITY, nullptr,
                          nullptr, &startup, &process))
        return {};
    ::CloseHandle(process.hThread);
    return vt::UniqueKernelHandle(process.hProcess);
}
