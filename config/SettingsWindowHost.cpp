#include "config/SettingsWindowHost.h"

#include "config/Language.h"
#include "config/SettingsLogic.h"

#include <shellapi.h>

bool OpenWebPage(const std::wstring& address) {
    if (!IsWebAddress(address)) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

void CSettingsWindowHostBase::RunUpdateCheckNow(HWND owner) {
    // What a check that cannot reach the server reports.
    ::MessageBoxW(owner ? ::GetAncestor(owner, GA_ROOT) : nullptr, LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR").c_str(),
                  LoadLanguageText(L"ID_APP_NAME").c_str(), MB_OK);
}
