// The settings window (template 106): four page buttons, one page shown at a time, a
// close button that confirms, a restore-defaults button and the vendor's link. It edits
// the main window's record in place; nothing is written to disk here.
#pragma once

#include "config/RecorderSettings.h"
#include "config/SettingsAdvancedDlg.h"
#include "config/SettingsAudioDlg.h"
#include "config/SettingsCommonDlg.h"
#include "config/SettingsDevices.h"
#include "config/SettingsLogic.h"
#include "config/SettingsVideoDlg.h"
#include "config/SettingsWindowHost.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/SkinControls.h"

#include <memory>

// The native processor architecture offers the shadow box (32-bit systems only).
bool DefaultShadowBoxAvailable() noexcept;

struct SettingsWindowOptions {
    // Cameras and audio inputs; none when null.
    std::shared_ptr<ISettingsDevices> devices;
    bool singleVolume = DefaultSingleVolumeMode();
    bool shadowBoxAvailable = DefaultShadowBoxAvailable();
};

class CSettingsDlg : public vt::CDialog {
public:
    CSettingsDlg(RecorderSettings& settings, ISettingsWindowHost& host, SettingsWindowOptions options);
    ~CSettingsDlg() override;

    // Ends the window (result 0) without writing the pages into the record.
    void EndWithoutCommit();

    // The page shown; Video when the window is not open.
    SettingsPage VisiblePage() const noexcept;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnMouse(UINT msg, POINT pt, UINT flags) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    void OnOK() override { CommitSettings(); }
    void OnCancel() override { RestoreDefaults(); }

private:
    // Shows a page; leaving the video page first checks the output folder when asked.
    void ShowPage(SettingsPage page, bool checkFolder);
    void CommitSettings();
    void RestoreDefaults();
    void OpenVendorSite();
    CSettingsPage* Page(SettingsPage page) const noexcept;

    RecorderSettings& m_settings;
    ISettingsWindowHost& m_host;
    SettingsWindowOptions m_options;
    vt::CImage m_background;
    vt::UniqueFont m_linkFont;
    CNButtonEx m_close;
    CNOptionEx m_pageButtons[4];
    std::unique_ptr<CSettingsVideoDlg> m_video;
    std::unique_ptr<CSettingsAudioDlg> m_audio;
    std::unique_ptr<CSettingsCommonDlg> m_common;
    std::unique_ptr<CSettingsAdvancedDlg> m_advanced;
};
