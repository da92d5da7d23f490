#include "app/seams/WindowShadow.h"

#include "toolkit/WndShadow.h"

namespace {

class CShadowAdapter final : public IWindowShadow {
public:
    bool Create(HWND parent) { return m_shadow.Create(parent); }
    void SetEnabled(bool enabled) override { m_shadow.SetEnabled(enabled); }

private:
    vt::CWndShadow m_shadow;
};

} // namespace

bool InitialiseWindowShadow(HINSTANCE instance) {
    return vt::CWndShadow::Initialise(instance);
}

std::unique_ptr<IWindowShadow> CreateWindowShadow(HWND parent) {
    auto shadow = std::make_unique<CShadowAdapter>();
    if (!shadow->Create(parent)) return nullptr;
    return shadow;
}
