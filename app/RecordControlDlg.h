// The record control bar: a small topmost bar beside the recorded rectangle that repeats
// Record/Continue, Pause and Stop, shows the clock, toggles the camera window and drops
// the region. It holds no recording state: the main window carries out its commands and
// sets its buttons from the session's events.
#pragma once

#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/SkinControls.h"

#include <memory>
#include <string>

// What the bar asks of the main window.
class IRecordControlHost {
public:
    virtual void BarStart() = 0; // also continues a paused recording
    virtual void BarPause() = 0;
    virtual void BarStop() = 0;
    virtual bool BarIsRecording() const = 0;
    virtual bool BarHasCameraWindow() const = 0;
    virtual bool BarIsCameraVisible() const = 0;
    virtual void BarShowCamera(bool show) = 0;
    // Remove the region frame and this bar; posted, carried out from the message loop.
    virtual void BarRequestRemoval() = 0;

protected:
    ~IRecordControlHost() = default;
};

class CRecordControlDlg : public vt::CDialog {
public:
    CRecordControlDlg() noexcept;
    ~CRecordControlDlg() override { *m_alive = false; }

    // Top-level, hidden at (0, -100) until the region frame places it. recordObject is
    // the RecordObject setting (1 screen only: no camera).
    bool Create(IRecordControlHost* host, int recordObject);

    // The main window sets the buttons from the session's state (the skinned button's
    // enabled flag and its window state together).
    void EnableButton(int id, bool enabled);
    void ShowButton(int id, bool shown);

    void SetTimeText(const std::wstring& text);

    // For the owner's checks: a button's enabled flag and visibility.
    struct ButtonState {
        bool enabled;
        bool shown;
    };
    ButtonState State(int id) const noexcept;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool PreTranslateMessage(MSG* msg) override;
    // A pop-up never closes on Enter or Esc.
    void OnOK() override {}
    void OnCancel() override {}

private:
    struct Buttons {
        ButtonState record, pause, stop, camera;
    };
    CNButtonEx* Button(int id) noexcept;
    void Set(int id, bool enabled);
    void Show(int id, bool shown);
    Buttons Snapshot() const noexcept;
    void Restore(const Buttons& b);
    void Settle(); // the session set the buttons: what a command that did nothing returns to

    IRecordControlHost* m_host = nullptr;
    // Cleared when the bar goes: a command may make the main window remove the bar
    // before it returns (the settings window opened by a failed Start, say).
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    int m_recordObject = 1;
    unsigned m_events = 0;
    Buttons m_settled{};
    vt::CImage m_background; // 149
    vt::UniqueFont m_font;
    CNButtonEx m_record, m_pause, m_stop, m_camera, m_close;
    CTransparentStatic m_time;
};
