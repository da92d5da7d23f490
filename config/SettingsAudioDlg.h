// The audio page of the settings window (template 108): device, input line, volume and
// whether sound is recorded. A line or volume chosen here reaches the audio card at once.
#pragma once

#include "config/RecorderSettings.h"
#include "config/SettingsDevices.h"
#include "config/SettingsPage.h"
#include "toolkit/SkinControls.h"

#include <memory>

// Windows 6 and later set one recording volume per device instead of per line.
bool DefaultSingleVolumeMode() noexcept;

class CSettingsAudioDlg : public CSettingsPage {
public:
    CSettingsAudioDlg(AudioSettings& audio, std::shared_ptr<ISettingsDevices> devices, bool singleVolume);

    void FillAudioTab();
    // Without any device the record's audio group is left as it was.
    bool CommitAudioTab();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ListLines();
    void UseLine();
    // Shows a volume (and puts the slider at it unless it came from there); applies it
    // to the selected device when asked.
    void ApplyVolume(int volume, bool fromSlider, bool apply);
    void SetLine(int device, const AudioInputLine& line);
    // Device index of the selected entry; -1 none.
    int SelectedDevice() const noexcept;
    int PositionOfDevice(int device) const noexcept;

    AudioSettings& m_audio;
    std::shared_ptr<ISettingsDevices> m_devices;
    bool m_singleVolume;
    CNSliderEx m_slider;
    CTransparentStatic m_labels[4];
};
