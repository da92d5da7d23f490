// The common page of the settings window (template 113): default record size,
// minimising, opening the file, shadow, update check and what closing the main window
// does.
#pragma once

#include "config/RecorderSettings.h"
#include "config/SettingsPage.h"
#include "config/SettingsWindowHost.h"
#include "toolkit/SkinControls.h"


class CSettingsCommonDlg : public CSettingsPage {
public:
    CSettingsCommonDlg(CommonSettings& common, ISettingsWindowHost& host, bool shadowBoxAvailable);

    void FillCommonTab();
    bool CommitCommonTab();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CommonSettings& m_common;
    ISettingsWindowHost& m_host;
    bool m_shadowBoxAvailable;
    // The stored size matches no entry: it stays unless the user picks one.
    bool m_sizeUnmatched = false;
    CTransparentStatic m_closeLabel;
};
