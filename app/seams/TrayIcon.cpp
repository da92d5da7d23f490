#include "app/seams/TrayIcon.h"

#include "toolkit/TrayIcon.h"

namespace {

class CTrayIconAdapter final : public ITrayIcon {
public:
    explicit CTrayIconAdapter(HMENU menu) : m_icon(menu) {}
    void SetNotificationWnd(HWND window, UINT callbackMessage) override {
        m_icon.SetNotificationWnd(window, callbackMessage);
    }
    bool SetIcon(HICON icon, const std::wstring& tip) override { return m_icon.SetIcon(icon, tip); }
    void SetTip(const std::wstring& tip) override { m_icon.SetTip(tip); }

private:
    vt::CTrayIcon m_icon;
};

} // namespace

std::unique_ptr<ITrayIcon> CreateTrayIcon(HMENU menu) {
    return std::make_unique<CTrayIconAdapter>(menu);
}
