// One encoder instance behind an SENCODER_HANDLE: the capture source, the encode
// parameters, the output path and the Windows Media Encoder session.
#pragma once

#include "encoder/Dispatch.h"
#include "encoder/Vistrelenc.h"

#include <atomic>
#include <string>

// Step codes: step in the high 16 bits, class in the low 16 bits
// (1 creating an object failed, 2 a call failed).
namespace EncoderStep {
constexpr int ComInit = 0x00B60002;
constexpr int Start = 0x00BF0002;
constexpr int CreateProfile = 0x00E30002;
constexpr int ValidateMode = 0x00E90002;
constexpr int ProfileName = 0x00EE0002;
constexpr int ProfileDescription = 0x00F30002;
constexpr int ContentTypeVideo = 0x00FB0002;
constexpr int ContentTypeAudioVideo = 0x01030002;
constexpr int VBRMode = 0x010C0002;
constexpr int AddAudience = 0x011F0002;
constexpr int VideoCodecCount = 0x01330002;
constexpr int NoVideoCodec = 0x01390002;
constexpr int VideoCodec = 0x014D0002;
constexpr int VideoHeight = 0x015A0002;
constexpr int VideoWidth = 0x015F0002;
constexpr int VideoBufferSize = 0x01650002;
constexpr int VideoFPS = 0x016B0002;
constexpr int VideoQuality = 0x01700002;
constexpr int Validate = 0x017D0002;
constexpr int CreateEncoder = 0x01AE0001;
constexpr int SourceGroupCollection = 0x01B50002;
constexpr int QueryProfile = 0x026E0002;
constexpr int GroupProfile = 0x02730002;
constexpr int File = 0x02780002;
constexpr int LocalFileName = 0x027F0002;
constexpr int PrepareToEncode = 0x02990002;
} // namespace EncoderStep

// The encoder's identifiers.
extern const CLSID CLSID_VistrelWMEncoder;        // WMEncoder
extern const IID IID_VistrelWMEncoder2;           // IWMEncoder2
extern const IID IID_VistrelWMEncVideoSource2;    // IWMEncVideoSource2
extern const IID IID_VistrelWMEncAudioSource;     // IWMEncAudioSource
extern const CLSID CLSID_VistrelWMEncProfile2;    // WMEncProfile2
extern const IID IID_VistrelWMEncProfile2;        // IWMEncProfile2
extern const IID IID_VistrelWMEncProfile;         // IWMEncProfile

class CMSEncoder {
public:
    static constexpr const wchar_t* DefaultAudioDevice = L"Default_Audio_Device";

    CMSEncoder() noexcept;
    ~CMSEncoder();
    CMSEncoder(const CMSEncoder&) = delete;
    CMSEncoder& operator=(const CMSEncoder&) = delete;

    // False for a source type outside 0..3.
    bool SetSource(const SEncoderSource& source);
    void SetEncodeParam(const SEncoderParam& param);
    void SetOutputPath(const wchar_t* path);

    // 0, or the step code of the failing call. COM stays initialised on this thread
    // until the instance is closed (destroyed).
    int DoEncoder();
    void Pause();
    void Continue();
    void Stop();

    // Instances alive in this process; lets tests see that nothing stays behind.
    static int LiveCount() noexcept { return s_live.load(); }

    RECT m_rcCapture{};
    HWND m_hCaptureWnd = nullptr;
    std::wstring m_strVideoDevice;
    std::wstring m_strAudioDevice;
    int m_nVideoWidth = 0;
    int m_nVideoHeight = 0;
    double m_dFrameRate = 15.0;
    int m_nVideoBitrate = 1000;
    int m_nAudioChannels = 2;
    int m_nAudioSampleRate = 44100;
    int m_nAudioBitrate = 128;
    std::wstring m_strOutputPath;
    CDispatchObject m_encoder;   // IWMEncoder2
    CDispatchObject m_profile;   // IWMEncProfile2

private:
    static constexpr int Retry = -1;
    int BuildSession();
    int BuildSessionOnce();
    bool AddVideoSource(CDispatchObject& group);
    void AddAudioSource(CDispatchObject& group);
    int BuildProfile();
    int SetUpAudience(CDispatchObject& audience);

    // Successful CoInitialize calls of DoEncoder still to be undone.
    int m_nComInits = 0;
    static std::atomic<int> s_live;
};

// Frame rate in thousandths of a frame per second, as the audience takes it.
int EncoderFpsValue(double frameRate) noexcept;
