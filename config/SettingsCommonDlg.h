// The common page of the settings window (template 113): default record size,
// minimising, opening the file, shadow, update check and what closing the main window
// does.
#pragma once

#include "config/RecorderSettings.h"
#include "config/SettingsPage.h"
#include "config/SettingsWindowHost.h"
#include "toolkit/SkinControls.h"
#include "toolkit/Timer.h"

#include <cstdint>

class CSettingsCommonDlg : public CSettingsPage {
public:
    CSettingsCommonDlg(CommonSettings& common, ISettingsWindowHost& host, bool shadowBoxAvailable,
                       unsigned updateWaitMs);
    ~CSettingsCommonDlg() override;

    void FillCommonTab();
    bool CommitCommonTab();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void StartUpdateCheck();
    void PollUpdateCheck();
    // Lets go of a check still running: its Internet handles are closed, so it ends soon.
    void AbandonUpdateCheck() noexcept;

    CommonSettings& m_common;
    ISettingsWindowHost& m_host;
    bool m_shadowBoxAvailable;
    unsigned m_updateWaitMs;
    // The stored size matches no entry: it stays unless the user picks one.
    bool m_sizeUnmatched = false;
    vt::UniqueKernelHandle m_updateWorker;
    uint64_t m_updateStarted = 0;
    vt::CTimer m_updateTimer;
    CTransparentStatic m_closeLabel;
};
