// The update check of the devices library; HandleUpdateResult comes from there too.
#include "app/seams/UpdateCheck.h"

#include "devices/UpdateCheck.h"

namespace {

class StartupCheck final : public IUpdateCheck {
public:
    explicit StartupCheck(std::unique_ptr<StartupUpdateCheck> check) : m_check(std::move(check)) {}
    bool Poll(HWND owner) override { return m_check->Poll(owner); }

private:
    std::unique_ptr<StartupUpdateCheck> m_check;
};

} // namespace

std::unique_ptr<IUpdateCheck> StartUpdateCheck() {
    std::unique_ptr<StartupUpdateCheck> check = StartupUpdateCheck::Start();
    if (!check) return nullptr;
    return std::make_unique<StartupCheck>(std::move(check));
}

void RunUpdateCheckNow(HWND owner) {
    RunUpdateCheckNow(owner, StartupUpdateCheck::kWaitMs);
}
