// The selection overlay: a modal, topmost window over the whole screen that shows the
// screen frozen and dimmed, and lets the user pick a window or draw, move and resize a
// rectangle. The state machine (SelectionModel) and the drawing (OverlayRenderer) live
// apart from the window; this is the glue.
#pragma once

#include "region/DlgAreaHelper.h"
#include "region/OverlayRenderer.h"
#include "region/SelectionModel.h"
#include "toolkit/Dialog.h"
#include "toolkit/Timer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CDlgAddScreen : public vt::CDialog, private IAreaHelperOwner {
public:
    // The screen's pixels at opening; the default copies the display.
    using ScreenSource = std::function<vt::CImage(int W, int H)>;

    CDlgAddScreen();
    ~CDlgAddScreen() override;

    // The preset rectangle: min(w, W) by min(h, H), centred. A caller that opens with it
    // chosen also sets the preset flag and clears the chosen window.
    void SetDefaultRegion(int width, int height) noexcept { m_model.SetDefaultRegion(width, height); }
    void SetPreset(bool preset) noexcept { m_model.SetPreset(preset); }
    void SetChosenWindow(HWND window) noexcept { m_model.SetChosenWindow(window); }
    void SetScreenSource(ScreenSource source) { m_source = std::move(source); }

    // Runs the overlay over the owner (the main window, hidden meanwhile): 1 accepted,
    // 1101 record now, 2 cancelled (also when it cannot open).
    INT_PTR Run(HWND owner);

    // After the run: the rectangle (unchanged also when empty) and the picked window.
    RECT GetSelection() const noexcept { return m_model.Selection(); }
    HWND GetChosenWindow() const noexcept { return m_model.ChosenWindow(); }

    // Copies from the back buffer to the window, for the performance bound.
    struct CopyStats {
        std::uint64_t pixels = 0;        // all copies
        std::uint64_t stepPixels = 0;    // the last input step's copies
        int copies = 0;
        int fullScreenCopies = 0;
        int fullScreenOutsidePaint = 0;  // on an input step (only typed sizes may)
        RECT stepBound{};                // what the last step may copy at most
    };
    const CopyStats& Stats() const noexcept { return m_stats; }
    const region::SelectionModel& Model() const noexcept { return m_model; }
    const region::OverlayRenderer& Renderer() const noexcept { return m_renderer; }
    HWND HelperWindow() const noexcept { return m_helper.GetSafeHwnd(); }
    // Milliseconds from the start of the run to the first paint.
    DWORD OpeningMilliseconds() const noexcept { return m_openedIn; }

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnTimer(UINT_PTR id) override;
    bool OnMouse(UINT msg, POINT pt, UINT flags) override;
    bool OnSetCursor(HWND hwnd, UINT hitTest, UINT mouseMsg) override;
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override { Finish(region::kResultAccept); }
    void OnCancel() override { Finish(region::kResultCancel); }

private:
    void HelperCancel() override;
    void HelperRecordNow() override;
    void HelperTypedWidth(int value) override;
    void HelperTypedHeight(int value) override;

    // Draws what changed, copies it to the window and does what the step asks.
    void Apply(const region::Effects& e);
    void CopyToWindow(const std::vector<RECT>& boxes);
    void Count(const RECT& r, bool painting);
    // Shows the main window again, then ends the run.
    void Finish(int result);
    void RestoreOwner();
    void PlaceHelper();
    void ApplyCursor();
    std::optional<region::PickResult> PickAt(POINT p);

    region::SelectionModel m_model;
    region::OverlayRenderer m_renderer;
    CDlgAreaHelper m_helper;
    ScreenSource m_source;
    region::Picker m_picker = [this](POINT p) { return PickAt(p); };
    vt::CTimer m_presetTimer;
    HWND m_owner = nullptr;
    bool m_ownerHidden = false;
    bool m_captured = false;
    bool m_finished = false;
    CopyStats m_stats;
    DWORD m_runStart = 0;
    DWORD m_openedIn = 0;
};
