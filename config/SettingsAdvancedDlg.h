// The advanced page of the settings window (template 109): the three hot keys, the
// overlays shown while recording with their settings dialogs, and the title text.
#pragma once

#include "config/HotKeyEdit.h"
#include "config/RecorderSettings.h"
#include "config/SettingsPage.h"
#include "config/SettingsWindowHost.h"
#include "toolkit/SkinControls.h"

class CSettingsAdvancedDlg : public CSettingsPage {
public:
    CSettingsAdvancedDlg(AdvancedSettings& advanced, ISettingsWindowHost& host);
    // The working copies go with the page.
    ~CSettingsAdvancedDlg() override;

    // Fresh working copies of the record's title and watermark blocks for the dialogs.
    void AttachAdvancedTab();
    void FillAdvancedTab();
    bool CommitAdvancedTab();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnKeyTyped(CHotKeyEdit& edit);
    void EnableOverlayControls();

    AdvancedSettings& m_advanced;
    ISettingsWindowHost& m_host;
    CHotKeyEdit m_keys[3];
    CTransparentStatic m_labels[5];
};
