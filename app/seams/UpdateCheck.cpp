// First build: no update worker; nothing is shown, and a check on demand cannot connect.
#include "app/seams/UpdateCheck.h"

#include "config/Language.h"

std::unique_ptr<IUpdateCheck> StartUpdateCheck() {
    return nullptr;
}

void HandleUpdateResult(int, HWND, bool) {}

void RunUpdateCheckNow(HWND owner) {
    ::MessageBoxW(owner ? ::GetAncestor(owner, GA_ROOT) : nullptr, LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR").c_str(),
                  LoadLanguageText(L"ID_APP_NAME").c_str(), MB_OK);
}
