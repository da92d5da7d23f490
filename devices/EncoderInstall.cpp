#include "devices/EncoderInstall.h"

#include "config/Language.h"
#include "config/LanguageFormat.h"
#include "config/Settings.h"
#include "devices/EncoderDetect.h"
#include "devices/Installer.h"
#include "devices/UpdateConfig.h"
#include "toolkit/WebAddress.h"

#include "resources/ids/DownloadEncoder.h"

#include <mutex>

// The block the dialog and its worker share; whichever lets go last frees it.
struct CDlgDownLoadEncoder::Job {
    EncoderInstallOptions options;
    int status = 0;
    CancelFlag cancel;
    std::atomic<HWND> target{nullptr}; // cleared when the dialog goes
};

EncoderInstallOptions EncoderInstallOptions::Defaults() {
    EncoderInstallOptions o;
    o.folder = SettingsFolder();
    o.languageId = CurrentLanguageId();
    o.configUrl = UpdateConfigUrl(o.languageId);
    o.publisher = kEncoderPublisher;
    o.detect = [] { return DetectEncoder(); };
    o.connected = [] {
        DWORD flags = 0;
        return ::InternetGetConnectedState(&flags, 0) != FALSE;
    };
    return o;
}

namespace {

InstallOutcome Failed(InstallFailure failure, InstallItem item = InstallItem::ConfigFile) {
    return InstallOutcome{2, failure, item};
}

InstallFailure FailureOf(FetchResult r) {
    switch (r) {
    case FetchResult::OpenFailed: return InstallFailure::ServerLink;
    case FetchResult::Cancelled: return InstallFailure::Cancelled;
    default: return InstallFailure::Transfer;
    }
}

// One installation at a time: a worker the dialog left behind finishes (it stops at its
// next chunk or time-out) before the next one touches the same files.
std::mutex g_installLock;

} // namespace

InstallOutcome InstallEncoder(const EncoderInstallOptions& options, int status, const CancelFlag& cancel,
                              const std::function<void(InstallStage)>& onStage) {
    std::lock_guard<std::mutex> oneAtATime(g_installLock);
    if (cancel.IsSet()) return Failed(InstallFailure::Cancelled);
    vt::UniqueInternet session = OpenInternetSession();
    if (!session || (options.connected && !options.connected())) return Failed(InstallFailure::NoInternet);
    if (onStage) onStage(InstallStage::ReadingConfig);

    const std::wstring ini = options.folder + kUpdateIniName;
    const wchar_t* key = EncoderKey(options.languageId);
    std::wstring base = ReadUpdateValue(ini, key);
    if (base.empty()) {
        const FetchResult r = FetchUrlToFile(session.Get(), options.configUrl, ini, options.timeouts, &cancel);
        if (r != FetchResult::Ok) return Failed(FailureOf(r), InstallItem::ConfigFile);
        base = ReadUpdateValue(ini, key);
    }
    if (base.empty() || !vt::IsWebAddress(base)) return Failed(InstallFailure::NoBaseAddress);
    if (onStage) onStage(InstallStage::Installing);

    for (const InstallerItem& installer : InstallersFor(status)) {
        const InstallItem item = installer.hotfix ? InstallItem::Hotfix : InstallItem::Encoder;
        const std::wstring path = options.folder + installer.fileName;
        const std::wstring sha256 = ReadUpdateValue(ini, std::wstring(installer.fileName) + L"_SHA256");
        const FetchResult r =
            FetchUrlToFile(session.Get(), base + installer.fileName, path, options.timeouts, &cancel, sha256);
        if (r != FetchResult::Ok) return Failed(FailureOf(r), item);

        vt::UniqueKernelHandle process;
        {
            // Held open, read sharing only, until the installer has started.
            VerifiedFile file = VerifyInstaller(path, options.publisher);
            if (file.trust != TrustResult::Trusted) {
                file.handle.Reset();
                ::DeleteFileW(path.c_str());
                return Failed(InstallFailure::Refused, item);
            }
            if (cancel.IsSet()) return Failed(InstallFailure::Cancelled, item);
            process = RunInstaller(path, installer.argument);
        }
        if (!process) return Failed(InstallFailure::NotStarted, item);
        // The hotfix needs the encoder installed; cancelling stops the wait, never the installer.
        const HANDLE waits[] = {process.Get(), cancel.Handle()};
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            return Failed(InstallFailure::Cancelled, item);
    }
    return InstallOutcome{0, InstallFailure::None, InstallItem::ConfigFile};
}

// ------------------------------------------------------------------ the worker thread

namespace {

DWORD WINAPI InstallWorker(void* parameter) {
    std::unique_ptr<std::shared_ptr<CDlgDownLoadEncoder::Job>> owned(
        static_cast<std::shared_ptr<CDlgDownLoadEncoder::Job>*>(parameter));
    const std::shared_ptr<CDlgDownLoadEncoder::Job> job = *owned;
    auto post = [&job](InstallStage stage) {
        if (HWND target = job->target.load()) ::PostMessageW(target, WM_INSTALL_STAGE, static_cast<WPARAM>(stage), 0);
    };
    const InstallOutcome outcome = InstallEncoder(job->options, job->status, job->cancel, post);
    InstallFinished::Post(job->target.load(), std::make_unique<InstallOutcome>(outcome));
    return static_cast<DWORD>(outcome.exitCode);
}

} // namespace

// ------------------------------------------------------------------ the dialog

CDlgDownLoadEncoder::CDlgDownLoadEncoder(EncoderInstallOptions options)
    : vt::CDialog(IDD_DLG_DOWNLOAD_ENCODER), m_options(std::move(options)) {}

CDlgDownLoadEncoder::~CDlgDownLoadEncoder() { LetWorkerGo(); }

BOOL CDlgDownLoadEncoder::OnInitDialog() {
    if (const std::wstring caption = LoadLanguageText(L"ID_APP_NAME"); !caption.empty())
        ::SetWindowTextW(m_hWnd, caption.c_str());
    m_status.SubclassDlgItem(IDC_DLG_DOWNLOAD_ENCODER_STATUS, m_hWnd);
    m_status.SetFont(L"Microsoft Sans Serif", 16, 400);
    m_status.SetTextColor(RGB(0, 0, 0));
    m_status.SetFormat(0);
    // Two lines when needed: the question is wider than the dialog in every language.
    m_status.SetLineBreak(true);

    m_encoderStatus = m_options.detect ? m_options.detect() : DetectEncoder();
    if (m_encoderStatus == kEncoderReady) {
        EndDialog(IDOK); // never shown
        return TRUE;
    }
    SetStatusText(LoadLanguageText(L"IDC_DLG_DOWNLOAD_ENCODER_STA_NEED_INSTALL"));
    return TRUE;
}

bool CDlgDownLoadEncoder::OnCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return false;
    switch (LOWORD(wParam)) {
    case IDC_DLG_DOWNLOAD_ENCODER_OK:
        StartDownload();
        return true;
    case IDC_DLG_DOWNLOAD_ENCODER_CANCEL:
        BeginClose();
        return true;
    default:
        return false;
    }
}

void CDlgDownLoadEncoder::StartDownload() {
    if (m_job || m_closing) return;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DLG_DOWNLOAD_ENCODER_OK), FALSE);
    m_job = std::make_shared<Job>();
    m_job->options = m_options;
    m_job->status = m_encoderStatus;
    m_job->target = m_hWnd;
    auto parameter = std::make_unique<std::shared_ptr<Job>>(m_job);
    m_worker.Reset(::CreateThread(nullptr, 0, &InstallWorker, parameter.get(), 0, nullptr));
    if (!m_worker) {
        m_job.reset();
        EndDialog(IDCANCEL);
        return;
    }
    parameter.release(); // the worker's now
    SetStatusText(LoadLanguageText(L"IDC_DLG_DOWNLOAD_PROGRESS1"));
    m_dots.Start(m_hWnd, kDotsTimer, 500);
}

void CDlgDownLoadEncoder::SetStatusText(const std::wstring& text) {
    if (text.empty() || !m_status || !::IsWindow(m_status.GetSafeHwnd())) return;
    m_statusText = text;
    m_status.SetText(text);
}

void CDlgDownLoadEncoder::ShowDots() {
    if (!m_status) return;
    // One count for every installation dialog of the program's run.
    static unsigned s_ticks = 0;
    const unsigned n = s_ticks++ % 6;
    m_status.SetText(m_statusText + std::wstring(n, L'.'));
    ::InvalidateRect(m_status.GetSafeHwnd(), nullptr, FALSE);
    ::UpdateWindow(m_status.GetSafeHwnd());
}

bool CDlgDownLoadEncoder::OnTimer(UINT_PTR id) {
    if (id == kDotsTimer) {
        ShowDots();
        return true;
    }
    if (id == kClosingTimer) {
        if (!WorkerRunning() || ::GetTickCount() - m_closingSince >= kCloseWaitMs) FinishClose();
        return true;
    }
    return false;
}

LRESULT CDlgDownLoadEncoder::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INSTALL_STAGE) {
        if (!m_closing) {
            SetStatusText(static_cast<InstallStage>(wParam) == InstallStage::ReadingConfig
                              ? LoadLanguageText(L"IDC_DLG_DOWNLOAD_PROGRESS4")
                              : LoadLanguageText(L"IDC_DLG_DOWNLOAD_PROGRESS3"));
        }
        return 0;
    }
    if (msg == InstallFinished::kId) {
        if (auto outcome = InstallFinished::Take(lParam)) OnFinished(*outcome);
        return 0;
    }
    return vt::CDialog::WindowProc(msg, wParam, lParam);
}

void CDlgDownLoadEncoder::OnFinished(const InstallOutcome& outcome) {
    if (outcome.exitCode == 0) {
        m_dots.Stop();
        m_closingTimer.Stop();
        // The installers ran; only what is on the system now decides.
        const int status = m_options.detect ? m_options.detect() : DetectEncoder();
        EndDialog(status == kEncoderReady ? IDOK : IDCANCEL);
        return;
    }
    if (m_closing) {
        FinishClose();
        return;
    }
    // The dots go on behind the message until the user closes the dialog.
    ShowFailure(outcome);
}

void CDlgDownLoadEncoder::ShowFailure(const InstallOutcome& outcome) {
    std::wstring text;
    auto itemName = [&outcome] {
        switch (outcome.item) {
        case InstallItem::Encoder: return LoadLanguageText(L"IDC_DLG_DOWNLOAD_ENCODER");
        case InstallItem::Hotfix: return LoadLanguageText(L"IDC_DLG_DOWNLOAD_ENCODER_KB");
        default: return LoadLanguageText(L"IDC_DLG_DOWNLOAD_CFG_FILE");
        }
    };
    switch (outcome.failure) {
    case InstallFailure::NoInternet: text = LoadLanguageText(L"ID_MSG_INTERNET_LINK_ERR"); break;
    case InstallFailure::ServerLink: text = LoadLanguageText(L"ID_MSG_SERVER_LINK_ERR"); break;
    case InstallFailure::Transfer:
    case InstallFailure::NotStarted:
        text = FormatLanguageText(LoadLanguageText(L"IDC_DLG_DOWNLOAD_PROFRESS2"), itemName());
        break;
    case InstallFailure::Refused:
        text = FormatLanguageText(LoadLanguageText(L"IDC_DLG_DOWNLOAD_NOT_TRUSTED"), itemName());
        break;
    default: return; // no address to download from, or cancelled: nothing to tell
    }
    ::MessageBoxW(m_hWnd, text.c_str(), LoadLanguageText(L"ID_APP_NAME").c_str(), MB_OK);
}

bool CDlgDownLoadEncoder::WorkerRunning() const {
    return m_worker && ::WaitForSingleObject(m_worker.Get(), 0) == WAIT_TIMEOUT;
}

void CDlgDownLoadEncoder::BeginClose() {
    if (m_closing) return;
    if (!WorkerRunning()) {
        FinishClose();
        return;
    }
    // Ask the worker to stop and give it a moment, without holding up the thread.
    m_closing = true;
    m_job->cancel.Set();
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DLG_DOWNLOAD_ENCODER_OK), FALSE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_DLG_DOWNLOAD_ENCODER_CANCEL), FALSE);
    m_closingSince = ::GetTickCount();
    m_closingTimer.Start(m_hWnd, kClosingTimer, 100);
}

void CDlgDownLoadEncoder::FinishClose() {
    m_closing = true;
    m_dots.Stop();
    m_closingTimer.Stop();
    EndDialog(IDCANCEL);
}

void CDlgDownLoadEncoder::LetWorkerGo() {
    if (m_job) {
        m_job->target = nullptr;
        m_job->cancel.Set();
    }
    // A worker still running keeps its share of the job and ends by itself.
    m_worker.Reset();
    m_job.reset();
}

void CDlgDownLoadEncoder::OnDestroy() {
    m_dots.Stop();
    m_closingTimer.Stop();
    LetWorkerGo();
    vt::CDialog::OnDestroy();
}
