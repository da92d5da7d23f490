// First build: the icon never reaches the tray, so closing to the tray minimises instead.
#include "app/seams/TrayIcon.h"

namespace {

class CNoTrayIcon final : public ITrayIcon {
public:
    void SetNotificationWnd(HWND, UINT) override {}
    bool SetIcon(HICON, const std::wstring&) override { return false; }
    void SetTip(const std::wstring&) override {}
};

} // namespace

std::unique_ptr<ITrayIcon> CreateTrayIcon(HMENU) {
    return std::make_unique<CNoTrayIcon>();
}
