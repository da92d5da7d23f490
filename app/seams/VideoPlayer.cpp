// The player window of the devices part behind the main window's player interface.
#include "app/seams/VideoPlayer.h"

#include "app/RecorderMessages.h"
#include "devices/VideoPlayDlg.h"

static_assert(kPlayerClosedMessage == WM_PLAYER_CLOSED);
static_assert(IVideoPlayer::kStopped == kPlayerStopped && IVideoPlayer::kPaused == kPlayerPaused &&
              IVideoPlayer::kPlaying == kPlayerPlaying);

namespace {

class PlayerWindow final : public IVideoPlayer {
public:
    explicit PlayerWindow(std::unique_ptr<CVideoPlayDlg> dlg) : m_dlg(std::move(dlg)) {}

    HWND Window() const override { return m_dlg->GetSafeHwnd(); }
    bool PlayFile(const std::wstring& path) override { return m_dlg->PlayFile(path); }
    bool Play() override { return m_dlg->Play(); }
    bool Pause() override { return m_dlg->Pause(); }
    void Stop() override { m_dlg->Stop(); }
    double CurrentPosition() const override { return m_dlg->CurrentPosition(); }
    void SetCurrentPosition(double seconds) override { m_dlg->SetCurrentPosition(seconds); }
    double Duration() const override { return m_dlg->Duration(); }
    int PlayState() const override { return m_dlg->PlayState(); }
    void ApplyLanguage() override { m_dlg->ApplyLanguage(); }

private:
    std::unique_ptr<CVideoPlayDlg> m_dlg;
};

} // namespace

std::unique_ptr<IVideoPlayer> CreateVideoPlayer(HWND mainWindow) {
    auto dlg = std::make_unique<CVideoPlayDlg>();
    if (!dlg->Create(mainWindow) || !dlg->HasControl()) return nullptr;
    return std::make_unique<PlayerWindow>(std::move(dlg));
}
