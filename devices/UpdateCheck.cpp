#include "devices/UpdateCheck.h"

#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "config/Settings.h"
#include "devices/UpdateConfig.h"
#include "toolkit/Raii.h"
#include "toolkit/WebAddress.h"
#include "toolkit/Wnd.h"

#include <mutex>

UpdateCheckOptions UpdateCheckOptions::Defaults() {
    UpdateCheckOptions o;
    o.folder = SettingsFolder();
    o.configUrl = UpdateConfigUrl(CurrentLanguageId());
    o.programVersion = ProgramFileVersion();
    o.connected = [] {
        DWORD flags = 0;
        return ::InternetGetConnectedState(&flags, 0) != FALSE;
    };
    return o;
}

int RunUpdateWorker(const UpdateCheckOptions& options) {
    vt::UniqueInternet session = OpenInternetSession();
    if (!session || (options.connected && !options.connected())) return kUpdateNoConnection;
    const std::wstring ini = options.folder + kUpdateIniName;
    {
        HttpResponse response = OpenHttpUrl(session.Get(), options.configUrl, options.timeouts);
        if (!response) return kUpdateServerFailed;
        if (DownloadToFile(response.request.Get(), ini, nullptr) != FetchResult::Ok) return kUpdateTransferFailed;
    }
    wchar_t server[1024] = {};
    ::GetPrivateProfileStringW(kUpdateIniSection, L"Version", L"1.0.0.0", server, 1024, ini.c_str());
    const std::optional<int> order = CompareVersions(server, options.programVersion);
    if (!order) return kUpdateMalformed;
    return *order > 0 ? kUpdateNewVersion : kUpdateUpToDate;
}

// ------------------------------------------------------------------ UpdateCheck

namespace {
std::mutex g_currentLock;
std::weak_ptr<UpdateCheck> g_current;
} // namespace

std::shared_ptr<UpdateCheck> UpdateCheck::Start(UpdateCheckOptions options) {
    std::lock_guard<std::mutex> lock(g_currentLock);
    if (auto running = g_current.lock(); running && !running->Result()) return running;
    auto check = std::make_shared<UpdateCheck>(std::move(options));
    auto parameter = std::make_unique<std::shared_ptr<UpdateCheck>>(check);
    // Created suspended so that the handle is stored before the worker can end.
    check->m_thread.Reset(::CreateThread(nullptr, 0, &UpdateCheck::Worker, parameter.get(), CREATE_SUSPENDED, nullptr));
    if (!check->m_thread) return nullptr;
    parameter.release();
    g_current = check;
    ::ResumeThread(check->m_thread.Get());
    return check;
}

DWORD WINAPI UpdateCheck::Worker(void* parameter) {
    std::unique_ptr<std::shared_ptr<UpdateCheck>> owned(static_cast<std::shared_ptr<UpdateCheck>*>(parameter));
    UpdateCheck& self = **owned;
    const int code = RunUpdateWorker(self.m_options);
    self.m_result = code;
    return static_cast<DWORD>(code);
}

std::optional<int> UpdateCheck::Result() const noexcept {
    const int r = m_result.load();
    if (r < 0) return std::nullopt;
    return r;
}

// ------------------------------------------------------------------ showing the outcome

UpdateResultUi UpdateResultUi::Defaults() {
    UpdateResultUi ui;
    ui.folder = SettingsFolder();
    ui.languageId = CurrentLanguageId();
    ui.openPage = [](const std::wstring& address) { return vt::OpenWebAddress(address); };
    return ui;
}

void HandleUpdateResult(int code, HWND owner, bool showAll) {
    HandleUpdateResult(code, owner, showAll, UpdateResultUi::Defaults());
}

void HandleUpdateResult(int code, HWND owner, bool showAll, const UpdateResultUi& ui) {
    const std::wstring caption = LoadLanguageText(L"ID_APP_NAME");
    auto show = [&](const std::wstring& text, UINT type) {
        return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    };
    switch (code) {
    case kUpdateNoConnection:
        if (showAll) show(LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR"), MB_OK);
        break;
    case kUpdateServerFailed:
        if (showAll) show(LoadLanguageText(L"ID_MSG_SERVER_LINK_ERR"), MB_OK);
        break;
    case kUpdateUpToDate:
        if (showAll) show(FormatLanguageText(LoadLanguageText(L"ID_MSG_UP_TO_DATE_VERSION"), caption), MB_OK);
        break;
    case kUpdateNewVersion: {
        if (show(LoadLanguageText(L"ID_MSG_NEW_VERSION"), MB_OKCANCEL) != IDOK) break;
        const std::wstring page = ReadUpdateValue(ui.folder + kUpdateIniName, WebsiteKey(ui.languageId));
        // Only a web address: the shell's "open" would run a program named here.
        if (vt::IsWebAddress(page) && ui.openPage) ui.openPage(page);
        break;
    }
    default:
        break;
    }
}

// ------------------------------------------------------------------ at start-up

std::unique_ptr<StartupUpdateCheck> StartupUpdateCheck::Start(UpdateCheckOptions options, DWORD waitMs,
                                                              UpdateResultUi ui) {
    std::shared_ptr<UpdateCheck> check = UpdateCheck::Start(std::move(options));
    if (!check) return nullptr;
    return std::make_unique<StartupUpdateCheck>(std::move(check), waitMs, std::move(ui));
}

StartupUpdateCheck::StartupUpdateCheck(std::shared_ptr<UpdateCheck> check, DWORD waitMs, UpdateResultUi ui)
    : m_check(std::move(check)), m_startTick(::GetTickCount()), m_waitMs(waitMs), m_ui(std::move(ui)) {}

bool StartupUpdateCheck::Poll(HWND owner) {
    if (m_over) return true;
    const std::optional<int> code = m_check->Result();
    if (!code && ::GetTickCount() - m_startTick < m_waitMs) return false;
    // Over either way; the worker, if still running, keeps its own share.
    m_over = true;
    m_check.reset();
    if (code) {
        // A copy: the box below runs messages, and the owner of this object may go meanwhile.
        const UpdateResultUi ui = m_ui;
        HandleUpdateResult(*code, owner, false, ui);
    }
    return true;
}

// ------------------------------------------------------------------ the check-now button

int RunUpdateCheckNow(HWND owner, DWORD waitMs) {
    return RunUpdateCheckNow(owner, UpdateCheckOptions::Defaults(), waitMs, UpdateResultUi::Defaults());
}

int RunUpdateCheckNow(HWND owner, const UpdateCheckOptions& options, DWORD waitMs, const UpdateResultUi& ui) {
    std::shared_ptr<UpdateCheck> check = UpdateCheck::Start(options);
    std::optional<int> code;
    if (check) {
        // Like a modal box: the user waits, the thread keeps serving its windows and hook.
        HWND root = owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
        const bool disable = root && ::IsWindowEnabled(root);
        if (disable) ::EnableWindow(root, FALSE);
        auto reenable = vt::MakeScopeExit([&] {
            if (disable) ::EnableWindow(root, TRUE);
        });
        const DWORD start = ::GetTickCount();
        bool quit = false;
        while (!(code = check->Result()) && !quit) {
            const DWORD elapsed = ::GetTickCount() - start;
            if (elapsed >= waitMs) break;
            const HANDLE thread = check->Thread();
            const DWORD r = ::MsgWaitForMultipleObjectsEx(1, &thread, waitMs - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (r != WAIT_OBJECT_0 + 1) continue;
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    ::PostQuitMessage(static_cast<int>(msg.wParam)); // for the outer loop
                    quit = true;
                    break;
                }
                vt::PumpMessage(msg);
            }
        }
        if (quit || (owner && !::IsWindow(owner))) return -1;
    }
    if (!code) {
        ::MessageBoxW(owner, LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR").c_str(),
                      LoadLanguageText(L"ID_APP_NAME").c_str(), MB_OK);
        return -1;
    }
    HandleUpdateResult(*code, owner, true, ui);
    return *code;
}
