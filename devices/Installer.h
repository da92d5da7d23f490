// Starting a downloaded installer: only a file whose signature Windows accepts and whose
// signer is the expected publisher runs, and it runs with its silent switch.
#pragma once

#include "toolkit/Raii.h"

#include <string>

// The publisher of Windows Media Encoder and its hotfix.
inline constexpr wchar_t kEncoderPublisher[] = L"Microsoft Corporation";

enum class TrustResult {
    Trusted,
    Unreadable,     // missing, or cannot be opened for reading
    NotTrusted,     // no signature, a broken one, or one Windows does not trust
    WrongPublisher, // a valid signature of someone else
};

// A file checked by VerifyInstaller, held open with read sharing only, so that nobody
// can change it between the check and its start.
struct VerifiedFile {
    TrustResult trust = TrustResult::Unreadable;
    std::wstring publisher; // the signer's name, when there is a signature
    vt::UniqueKernelHandle handle;
};
VerifiedFile VerifyInstaller(const std::wstring& path, const std::wstring& expectedPublisher);

// Starts "<path>" argument (the quoted path first, so the program sees the argument as
// its first one). Returns the process handle; null when it did not start.
vt::UniqueKernelHandle RunInstaller(const std::wstring& path, const std::wstring& argument);
