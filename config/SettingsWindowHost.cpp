#include "config/SettingsWindowHost.h"

#include "config/SettingsLogic.h"

#include <shellapi.h>

bool OpenWebPage(const std::wstring& address) {
    if (!IsWebAddress(address)) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}
