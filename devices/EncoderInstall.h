// Encoder installation: the dialog that runs before every recording, and the worker that
// fetches the installers from the update server, checks them and runs them.
#pragma once

#include "devices/Download.h"
#include "toolkit/Dialog.h"
#include "toolkit/PostResult.h"
#include "toolkit/SkinControls.h"
#include "toolkit/Timer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// What the installation works with; tests replace the parts that reach the system.
struct EncoderInstallOptions {
    std::wstring folder;     // update.ini and the installers; ends with a backslash
    int languageId = 1033;
    std::wstring configUrl;  // where update.ini comes from when it names no installers
    std::wstring publisher;  // the signer an installer must have
    HttpTimeouts timeouts;
    std::function<int()> detect;     // DetectEncoder
    std::function<bool()> connected; // InternetGetConnectedState

    // The program folder (or the settings override), the language in force, the update
    // server for it, the encoder's publisher and the real system.
    static EncoderInstallOptions Defaults();
};

// How far the worker got (shown by the dialog as status text).
enum class InstallStage { ReadingConfig, Installing };
// Why the worker ended without installing.
enum class InstallFailure { None, NoInternet, NoBaseAddress, ServerLink, Transfer, Refused, NotStarted, Cancelled };
enum class InstallItem { ConfigFile, Encoder, Hotfix };

struct InstallOutcome {
    int exitCode = 2; // 0 when every installer ran to its end
    InstallFailure failure = InstallFailure::None;
    InstallItem item = InstallItem::ConfigFile; // the item that failed
};

// The worker's body, free of windows: fetches update.ini when it names no base address,
// then downloads, verifies, starts and waits for each installer of the status in turn.
InstallOutcome InstallEncoder(const EncoderInstallOptions& options, int status, const CancelFlag& cancel,
                              const std::function<void(InstallStage)>& onStage);

// Messages of the worker to the dialog (posted only).
constexpr UINT WM_INSTALL_STAGE = WM_APP + 40; // wParam: InstallStage
using InstallFinished = vt::ResultMsg<WM_APP + 41, InstallOutcome>;

// Modal: DoModal returns IDOK when the encoder is installed (at once when nothing is
// missing, or after the installers ran and the check finds it), else IDCANCEL.
class CDlgDownLoadEncoder : public vt::CDialog {
public:
    explicit CDlgDownLoadEncoder(EncoderInstallOptions options = EncoderInstallOptions::Defaults());
    ~CDlgDownLoadEncoder() override;

    static constexpr UINT_PTR kDotsTimer = 1;
    static constexpr UINT_PTR kClosingTimer = 2;
    // How long closing waits for the worker before leaving it to end by itself.
    static constexpr DWORD kCloseWaitMs = 5000;

    struct Job;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override {}
    void OnCancel() override { BeginClose(); }
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void StartDownload();
    void SetStatusText(const std::wstring& text);
    void ShowDots();
    void OnFinished(const InstallOutcome& outcome);
    void ShowFailure(const InstallOutcome& outcome);
    void BeginClose();
    void FinishClose();
    bool WorkerRunning() const;
    void LetWorkerGo();

    EncoderInstallOptions m_options;
    CNStaticEx m_status;
    std::wstring m_statusText;
    int m_encoderStatus = 0;
    std::shared_ptr<Job> m_job;
    vt::UniqueKernelHandle m_worker;
    vt::CTimer m_dots;
    vt::CTimer m_closingTimer;
    DWORD m_closingSince = 0;
    bool m_closing = false;
};
