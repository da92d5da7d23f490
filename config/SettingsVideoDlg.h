// The video page of the settings window (template 107): output folder, region,
// quality, format, what is recorded and the camera with its preview.
#pragma once

#include "config/RecorderSettings.h"
#include "config/SettingsDevices.h"
#include "config/SettingsPage.h"
#include "config/SettingsWindowHost.h"
#include "toolkit/PostResult.h"
#include "toolkit/SkinControls.h"

#include <memory>
#include <string>
#include <vector>

struct CameraListingState;

struct CameraListEntry {
    int index;          // device index
    std::wstring name;
};

class CSettingsVideoDlg : public CSettingsPage {
public:
    // Posted by the camera-listing worker with what it found.
    using CamerasListed = vt::ResultMsg<WM_APP + 35, std::vector<CameraListEntry>>;

    CSettingsVideoDlg(VideoSettings& video, ISettingsWindowHost& host, std::shared_ptr<ISettingsDevices> devices);
    ~CSettingsVideoDlg() override;

    // Folder, region and list selections from the record (the record-object boxes and
    // the camera list stay as they are).
    void FillVideoTab();
    // The output-folder check; false (after telling the user, with the edit focused)
    // when the folder is unusable.
    bool CheckOutputFolder();
    // Writes the controls into the record; the camera fields only once the cameras are
    // listed.
    bool CommitVideoTab();
    // The result of a listing still running is no longer wanted; the worker is left to
    // end by itself.
    void CancelCameraListing() noexcept;
    bool CamerasReady() const noexcept { return m_ready; }
    void FocusFolder() const noexcept;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;

private:
    void StartCameraListing();
    void ApplyCameraList(const std::vector<CameraListEntry>& cameras);
    void Browse();
    void OnScreenBox();
    void OnCameraBox();
    void OnPreviewButton();
    void OnCameraChosen();
    // Creates the camera window when needed, opens the chosen camera and shows it.
    void OpenPreview();
    void SetPreviewText(bool open);
    int ChosenCamera() const noexcept;
    bool CameraListEmpty() const noexcept;

    VideoSettings& m_video;
    ISettingsWindowHost& m_host;
    std::shared_ptr<ISettingsDevices> m_devices;
    std::shared_ptr<CameraListingState> m_listing;
    bool m_ready = false;
    CNButtonEx m_browse;
    CTransparentStatic m_labels[5];
};
