// The camera window: the live picture of one camera, borderless and always on top,
// moved and resized by its edges; with a close button beside it while the pointer is
// near. Inside a recorded rectangle it puts the camera into the video; in camera-only
// recording its picture area is what is recorded.
#pragma once

#include "devices/DeviceLibrary.h"
#include "toolkit/Dialog.h"
#include "toolkit/Image.h"
#include "toolkit/Raii.h"
#include "toolkit/Timer.h"

#include <memory>

// Posted to the host's window by the close button: hide the camera window (the main
// window's WM_CAMERA_HIDE).
constexpr UINT kCameraHideMessage = WM_USER + 88;

// What the camera window needs of the window that owns it.
class ICameraHost {
public:
    virtual HWND NotifyWindow() = 0;          // receives kCameraHideMessage
    virtual bool IsCameraOnlyRecording() = 0; // the window must then stay where it is
protected:
    ~ICameraHost() = default;
};

class CDlgCloseCamera : public vt::CDialog {
public:
    explicit CDlgCloseCamera(ICameraHost* host);
    bool Create() { return vt::CDialog::Create(nullptr); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnPaint() override;
    bool OnMouse(UINT msg, POINT pt, UINT flags) override;
    bool OnCommand(WPARAM, LPARAM) override { return true; }
    bool PreTranslateMessage(MSG* msg) override;

private:
    ICameraHost* m_host;
    vt::CImage m_image;
};

// The picture area: shows the last frame drawn, also when uncovered.
class CCameraPicture : public vt::CWnd {
public:
    // Draws a validated 24-bit frame (rows stride bytes apart, bottom-up when the height
    // is positive) stretched over the whole area, and keeps it.
    void ShowFrame(const BYTE* bits, int width, int height, int64_t stride);

protected:
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnPaint() override;
    bool OnSize(UINT, int, int) override;

private:
    void CopyTo(HDC dc) const;
    // The area's picture at its size.
    vt::UniqueMemDc m_dc;
    vt::UniqueBitmap m_bitmap;
    vt::SelectGuard m_select;
    SIZE m_size{};
    // The last frame as it came, top row first.
    vt::UniqueMemDc m_frameDc;
    vt::UniqueBitmap m_frameBitmap;
    vt::SelectGuard m_frameSelect;
    BYTE* m_frameBits = nullptr;
    SIZE m_frameSize{};
};

class CDisplayCameraDlg : public vt::CDialog {
public:
    static constexpr UINT_PTR kFrameTimer = 3;
    static constexpr UINT kFramePeriodMs = 66;
    static constexpr COLORREF kFrameColour = RGB(0, 174, 255);

    explicit CDisplayCameraDlg(ICameraHost* host);
    ~CDisplayCameraDlg() override;

    // Set before Create: a close button window goes with the camera window.
    void SetShowCloseButton(bool show) noexcept { m_showCloseButton = show; }
    bool Create() { return vt::CDialog::Create(nullptr); }

    // Opens the camera (unless that very camera is open already), starts the frames and
    // puts the window at the bottom-right of the screen, topmost, not shown. On failure
    // tells the user and returns false; the window stays without camera.
    bool SelectCamera(int index);

    int CameraIndex() const noexcept { return m_cameraIndex; }
    bool HasCamera() const noexcept { return m_camera != nullptr; }
    SIZE DisplaySize() const noexcept { return m_display; }
    HWND PictureWindow() const noexcept { return m_picture.GetSafeHwnd(); }
    RECT PictureScreenRect() const noexcept;
    CDlgCloseCamera* CloseButton() const noexcept { return m_close.get(); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnDestroy() override;
    bool OnEraseBkgnd(HDC dc) override;
    bool OnPaint() override;
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnMouse(UINT msg, POINT pt, UINT flags) override;
    bool OnSetCursor(HWND, UINT, UINT) override;
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool Open(int index);
    void CloseCamera();
    void DrawFrame();
    void PaintFrame(HDC dc) const;
    void ShowCloseButtonAt(const RECT& window);
    void EndDrag();

    ICameraHost* m_host;
    HCURSOR m_cursor = nullptr;
    int m_dragCode = 0;
    POINT m_dragStart{};
    RECT m_dragRect{};
    std::unique_ptr<CDlgCloseCamera> m_close;
    CCameraPicture m_picture;
    CAMERA_HANDLE m_camera = nullptr;
    int m_cameraIndex = -1;
    SIZE m_display{550, 450};
    bool m_showCloseButton = false;
    vt::CTimer m_frameTimer;
};
