// Whether Windows Media Encoder 9 (and, on 32-bit Windows 6 and later, its hotfix
// KB929182) is installed, and which installers bring what is missing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Results of DetectEncoder.
enum EncoderStatus : int {
    kEncoderReady = 0,           // nothing to install
    kEncoderMissing32 = 1,       // 32-bit Windows, encoder missing or older than 9
    kEncoderMissing64 = 2,       // 64-bit Windows, encoder missing or older than 9
    kHotfixMissing = 3,          // 32-bit Windows 6+, encoder present, hotfix missing
    kEncoderAndHotfixMissing = 4 // 32-bit Windows 6+, both missing
};

// What the check reads from the system; tests hand in their own.
struct EncoderSystem {
    std::function<bool()> is64Bit;          // native processor AMD64 or IA64
    std::function<bool()> isWindows6OrLater;
    // The encoder key's "Version" string; nothing when the key or a string value is missing.
    std::function<std::optional<std::wstring>(bool is64Bit)> encoderVersion;
    std::function<bool()> hotfixKeyExists;
};
// The running system: registry keys opened for reading values only (64-bit view on
// 64-bit Windows), every key closed again.
EncoderSystem RealEncoderSystem();

// Whether an encoder "Version" value names version 9 or later: it holds a "." and the
// number before the first one is at least 9 ("9.00.00.2980" yes; "8.0" and "9" no).
bool EncoderVersionPresent(const std::wstring& version);

int DetectEncoder(const EncoderSystem& system);
int DetectEncoder();

// One installer: its file name on the server and in the program's folder, its silent
// switch, and whether it is the hotfix.
struct InstallerItem {
    const wchar_t* fileName;
    const wchar_t* argument;
    bool hotfix;
};
// The installers for a status, in the order they run (none for 0 or unknown values).
std::vector<InstallerItem> InstallersFor(int status);
