#include "config/QualityPresets.h"

#include "config/Settings.h"

#include <shlwapi.h>

#include <iterator>

namespace {

struct QualityPreset {
    const wchar_t* section;
    int videoBitrate;  // kbit/s
    int fps;
    int sample;        // Hz
    int audioBitrate;  // kbit/s
    int channels;
};

constexpr QualityPreset kPresets[] = {
    {L"HD", 9000, 24, 44100, 64, 2},
    {L"High", 1000, 15, 44100, 64, 2},
    {L"Medium", 500, 15, 44100, 32, 2},
    {L"Standard", 250, 5, 44100, 32, 2},
    {L"Lower", 250, 3, 22050, 16, 2},
};
constexpr int kHigh = 1;

} // namespace

void GetQualityPreset(int quality, SEncoderParam& param) {
    const QualityPreset& row = kPresets[quality >= 0 && quality < static_cast<int>(std::size(kPresets)) ? quality : kHigh];
    param.nVideoBitrate = row.videoBitrate;
    param.nFrameRate = row.fps;
    param.nAudioSampleRate = row.sample;
    param.nAudioBitrate = row.audioBitrate;
    param.nAudioChannels = row.channels;

    // Without a folder the profile functions would look in the Windows folder instead.
    const std::wstring folder = SettingsFolder();
    if (folder.empty()) return;
    const std::wstring path = folder + L"EncodeSettings.ini";
    if (!::PathFileExistsW(path.c_str())) return;

    // Once the file exists, a missing key takes these fixed numbers whatever the level.
    const wchar_t* file = path.c_str();
    param.nVideoBitrate = static_cast<int>(::GetPrivateProfileIntW(row.section, L"VideoBitrate", 1000, file));
    param.nFrameRate = static_cast<int>(::GetPrivateProfileIntW(row.section, L"Fps", 15, file));
    param.nAudioSampleRate = static_cast<int>(::GetPrivateProfileIntW(row.section, L"Sample", 44100, file));
    param.nAudioBitrate = static_cast<int>(::GetPrivateProfileIntW(row.section, L"AudioBitrate", 64, file));
    param.nAudioChannels = static_cast<int>(::GetPrivateProfileIntW(row.section, L"Channel", 2, file));
}
