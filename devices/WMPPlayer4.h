// The media player control hosted in a child window, reached only through its typed
// interfaces (some implementations offer no IDispatch), with its play-state events.
#pragma once

#include "toolkit/Raii.h"
#include "toolkit/Wnd.h"

#include <functional>
#include <string>

struct IWMPPlayer4;
struct IWMPControls;
struct IWMPSettings;
struct IWMPMedia;
struct IConnectionPoint;
class CWMPEventSink;

class CWMPPlayer4 : public vt::CWnd {
public:
    CWMPPlayer4() noexcept;
    ~CWMPPlayer4() override;

    // Creates the host window as child id of parent and the control in it; false when the
    // control cannot be made (the window is then gone as well).
    bool Create(HWND parent, UINT id, const RECT& rc);
    // Lets go of the control's interfaces and its window.
    void Destroy();
    bool HasControl() const noexcept;

    // Called with each PlayStateChange state, on the window's thread.
    void SetPlayStateHandler(std::function<void(long)> handler) { m_onPlayState = std::move(handler); }

    // Player.
    HRESULT SetURL(const std::wstring& url);
    HRESULT Close();
    HRESULT SetEnabled(bool enabled);
    HRESULT GetFullScreen(bool& fullScreen);
    HRESULT SetFullScreen(bool fullScreen);
    HRESULT SetEnableContextMenu(bool enabled);
    HRESULT SetUiMode(const wchar_t* mode);
    HRESULT SetStretchToFit(bool stretch);
    // newMedia(path).duration; the media object is kept.
    HRESULT NewMedia(const std::wstring& path, double& duration);
    // currentMedia.duration (known once playback has begun).
    HRESULT CurrentMediaDuration(double& duration);
    // Settings.
    HRESULT SetAutoStart(bool autoStart);
    // Controls.
    HRESULT Play();
    HRESULT Stop();
    HRESULT Pause();
    HRESULT GetCurrentPosition(double& seconds);
    HRESULT SetCurrentPosition(double seconds);

private:
    friend class CWMPEventSink;
    void OnPlayStateChange(long state);
    void Unadvise();

    vt::ComPtr<IWMPPlayer4> m_player;
    vt::ComPtr<IWMPControls> m_controls;
    vt::ComPtr<IWMPSettings> m_settings;
    vt::ComPtr<IWMPMedia> m_media;
    vt::ComPtr<IConnectionPoint> m_connection;
    CWMPEventSink* m_sink = nullptr;  // one reference held while advised
    DWORD m_cookie = 0;
    std::function<void(long)> m_onPlayState;
};
