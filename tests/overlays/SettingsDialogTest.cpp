// The title, watermark and change-title dialogs, run modally and driven from inside
// their loops; the platform dialogs answered through the replaceable table.
#include "OverlayTestSupport.h"

#include "config/PendingOverlaySettings.h"
#include "region/TitleSetting.h"
#include "region/WatermarkSetting.h"
#include "resources/ids/overlays.h"
#include "toolkit/CommonDialogs.h"
#include "toolkit/SkinControls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

// Puts a fake table in for one test and the real one back afterwards.
class FakeDialogs {
public:
    FakeDialogs() : m_saved(vt::CommonDialogs()) {}
    ~FakeDialogs() { vt::CommonDialogs() = m_saved; }

private:
    vt::CommonDialogFunctions m_saved;
};

CNSliderEx* Slider(HWND dialog, int id) { return dynamic_cast<CNSliderEx*>(vt::CWnd::FromHandle(::GetDlgItem(dialog, id))); }
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
bool Checked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

RECT ScreenRectOf(HWND dialog, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &r);
    return r;
}

// Moves a slider as the user would: its change message to the dialog.
void SlideTo(HWND dialog, int id, int value) {
    ::SendMessageW(dialog, WM_SKIN_SLIDER_CHANGED, static_cast<WPARAM>(value),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void Ok(HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDOK, 0); }
void Cancel(HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }

// Bounding box of the dark pixels in a screen rectangle (the title text in a preview).
RECT DarkBox(const RECT& area) {
    const ScreenShot shot(area);
    RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (const COLORREF c = shot.At(x, y); GetRValue(c) < 40 && GetGValue(c) < 40 && GetBValue(c) < 40) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

struct Recorded {
    CHOOSEFONTW font{};
    LOGFONTW fontIn{};
    CHOOSECOLORW colour{};
    OPENFILENAMEW open{};
    std::wstring filter;
    int calls = 0;
} g_seen;

TEST(TitleDialog, OpensWithDefaultsAndFollowsTheGrid) {
    SelectEnglish();
    PendingTitleSettings.reset();
    CDlgTitleSetting dialog;
    TitleSettings before{};
    const INT_PTR result = RunModal(dialog, [&](HWND d) {
        EXPECT_TRUE(Checked(d, IDC_TITLE_RADIO_SHADOW));
        EXPECT_FALSE(Checked(d, IDC_TITLE_RADIO_NORMAL));
        EXPECT_EQ(50, Slider(d, IDC_OVERLAY_SLIDER_X)->GetValue());
        EXPECT_EQ(0, Slider(d, IDC_OVERLAY_SLIDER_Y)->GetValue());
        EXPECT_FALSE(Enabled(d, IDC_OVERLAY_SLIDER_X));
        EXPECT_TRUE(Enabled(d, IDC_OVERLAY_SLIDER_Y));
        EXPECT_EQ(L"Title Settings", vt::WindowText(d));
        PumpFor(200);
        const RECT normal = ScreenRectOf(d, IDC_TITLE_SWATCH_NORMAL), shadow = ScreenRectOf(d, IDC_TITLE_SWATCH_SHADOW);
        EXPECT_TRUE(Near(ScreenShot(normal).At(normal.left + 5, normal.top + 5), 0, 0, 0));
        EXPECT_TRUE(Near(ScreenShot(shadow).At(shadow.left + 5, shadow.top + 5), 0x60, 0x60, 0x60));

        Click(d, IDC_TITLE_RADIO_NORMAL);
        EXPECT_FALSE(Enabled(d, IDC_TITLE_BTN_SHADOW_COLOR));
        Click(d, IDC_TITLE_RADIO_SHADOW);
        EXPECT_TRUE(Enabled(d, IDC_TITLE_BTN_SHADOW_COLOR));

        Click(d, IDC_GRID_CENTRE);
        EXPECT_EQ(50, Slider(d, IDC_OVERLAY_SLIDER_Y)->GetValue());
        EXPECT_FALSE(Enabled(d, IDC_OVERLAY_SLIDER_X) || Enabled(d, IDC_OVERLAY_SLIDER_Y));
        // Bottom left, then y moved by hand: pressing bottom left again keeps it.
        Click(d, IDC_GRID_BOTTOM_LEFT);
        EXPECT_TRUE(Enabled(d, IDC_OVERLAY_SLIDER_Y));
        EXPECT_EQ(100, Slider(d, IDC_OVERLAY_SLIDER_Y)->GetValue());
        SlideTo(d, IDC_OVERLAY_SLIDER_Y, 70);
        Click(d, IDC_GRID_BOTTOM_LEFT);
        Ok(d);
    });
    EXPECT_EQ(IDOK, result);
    ASSERT_TRUE(PendingTitleSettings) << "OK makes the working copy";
    EXPECT_EQ(1, PendingTitleSettings->nType);
    EXPECT_EQ(0, PendingTitleSettings->nPosX);
    EXPECT_EQ(70, PendingTitleSettings->nPosY);
    EXPECT_EQ(0x606060u, PendingTitleSettings->clrShadow);
    EXPECT_NE(0, PendingTitleSettings->lfFont.lfHeight) << "the radio button's font";

    // Cancel leaves the working copy as it was, byte for byte.
    std::memcpy(&before, PendingTitleSettings.get(), sizeof(before));
    TitleSettings* const kept = PendingTitleSettings.get();
    CDlgTitleSetting again;
    EXPECT_EQ(IDCANCEL, RunModal(again, [](HWND d) {
        Click(d, IDC_TITLE_RADIO_NORMAL);
        Click(d, IDC_GRID_TOP_RIGHT);
        Cancel(d);
    }));
    EXPECT_EQ(kept, PendingTitleSettings.get());
    EXPECT_EQ(0, std::memcmp(&before, kept, sizeof(before)));
    PendingTitleSettings.reset();
}

TEST(TitleDialog, FontAndColourDialogsAndThePreview) {
    FakeDialogs fake;
    g_seen = {};
    vt::CommonDialogs().chooseFont = [](LPCHOOSEFONTW cf) -> BOOL {
        g_seen.font = *cf;
        g_seen.fontIn = *cf->lpLogFont;
        LOGFONTW chosen{};
        chosen.lfHeight = -30;
        wcscpy_s(chosen.lfFaceName, L"Liberation Sans");
        *cf->lpLogFont = chosen;
        cf->rgbColors = RGB(200, 0, 0);
        return TRUE;
    };
    vt::CommonDialogs().chooseColor = [](LPCHOOSECOLORW cc) -> BOOL {
        g_seen.colour = *cc;
        ++g_seen.calls;
        if (g_seen.calls == 1) return FALSE;  // the first time the user cancels
        cc->rgbResult = RGB(0, 200, 0);
        return TRUE;
    };
    PendingTitleSettings = std::make_unique<TitleSettings>();
    TitleSettings& p = *PendingTitleSettings;
    wcscpy_s(p.szTitle, L"Preview");
    wcscpy_s(p.lfFont.lfFaceName, L"Liberation Sans");
    p.lfFont.lfHeight = -20;
    p.nType = 0;
    p.clrNormal = RGB(0, 0, 0);
    p.clrShadow = RGB(1, 2, 3);
    p.nPosX = 0;
    p.nPosY = 0;

    CDlgTitleSetting dialog;
    EXPECT_EQ(IDOK, RunModal(dialog, [&](HWND d) {
        EXPECT_TRUE(Checked(d, IDC_TITLE_RADIO_NORMAL));
        PumpFor(200);
        // The text moves with the grid: top left, then bottom right.
        const RECT preview = ScreenRectOf(d, IDC_OVERLAY_PREVIEW);
        EXPECT_EQ(183, preview.right - preview.left);
        const RECT topLeft = DarkBox(preview);
        Click(d, IDC_GRID_BOTTOM_RIGHT);
        PumpFor(100);
        const RECT bottomRight = DarkBox(preview);
        EXPECT_LT(topLeft.left, preview.left + 20);
        EXPECT_LT(topLeft.top, preview.top + 20);
        EXPECT_GT(bottomRight.right, preview.right - 20);
        EXPECT_GT(bottomRight.bottom, preview.bottom - 30);

        Click(d, IDC_TITLE_BTN_FONT);
        Click(d, IDC_TITLE_BTN_SHADOW_COLOR);
        Click(d, IDC_TITLE_BTN_COLOR);
        PumpFor(100);
        const RECT swatch = ScreenRectOf(d, IDC_TITLE_SWATCH_NORMAL);
        EXPECT_TRUE(Near(ScreenShot(swatch).At(swatch.left + 5, swatch.top + 5), 0, 200, 0)) << "the swatch repaints";
        Ok(d);
    }));
    EXPECT_EQ(static_cast<DWORD>(CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT), g_seen.font.Flags);
    EXPECT_EQ(RGB(0, 0, 0), g_seen.font.rgbColors);
    EXPECT_EQ(-20, g_seen.fontIn.lfHeight);
    EXPECT_STREQ(L"Liberation Sans", g_seen.fontIn.lfFaceName);
    EXPECT_EQ(static_cast<DWORD>(CC_RGBINIT), g_seen.colour.Flags & CC_RGBINIT);
    EXPECT_NE(nullptr, g_seen.colour.lpCustColors);
    EXPECT_EQ(-30, p.lfFont.lfHeight);
    EXPECT_EQ(RGB(0, 200, 0), p.clrNormal) << "font colour, then the colour dialog";
    EXPECT_EQ(RGB(1, 2, 3), p.clrShadow) << "a cancelled colour dialog changes nothing";
    PendingTitleSettings.reset();
}

TEST(WatermarkDialog, DefaultsPathAndPreview) {
    SelectEnglish();
    FakeDialogs fake;
    static std::wstring s_picture;
    s_picture = WriteRedBluePicture(L"dialog64.png", 64, 48);
    g_seen = {};
    vt::CommonDialogs().getOpenFileName = [](LPOPENFILENAMEW ofn) -> BOOL {
        g_seen.open = *ofn;
        const wchar_t* f = ofn->lpstrFilter;
        while (*f) f += wcslen(f) + 1;  // the list ends with an empty entry
        g_seen.filter.assign(ofn->lpstrFilter, static_cast<size_t>(f - ofn->lpstrFilter));
        wcscpy_s(ofn->lpstrFile, ofn->nMaxFile, s_picture.c_str());
        return TRUE;
    };
    PendingWatermarkSettings.reset();
    CDlgWatermaskSetting dialog;
    EXPECT_EQ(IDOK, RunModal(dialog, [&](HWND d) {
        RECT window{};
        ::GetWindowRect(d, &window);
        EXPECT_EQ(340, window.right - window.left);
        EXPECT_EQ(336, window.bottom - window.top);
        EXPECT_EQ(L"", vt::WindowText(::GetDlgItem(d, IDC_WATERMASK_EDIT_PATH)));
        EXPECT_EQ(0, Slider(d, IDC_WATERMASK_SLIDER_TRANSPARENCY)->GetValue());
        EXPECT_EQ(100, Slider(d, IDC_WATERMASK_SLIDER_ZOOM)->GetValue());
        EXPECT_EQ(100, Slider(d, IDC_OVERLAY_SLIDER_X)->GetValue());
        EXPECT_EQ(0, Slider(d, IDC_OVERLAY_SLIDER_Y)->GetValue());
        for (int id : {IDC_WATERMASK_SLIDER_TRANSPARENCY, IDC_WATERMASK_SLIDER_ZOOM, IDC_OVERLAY_SLIDER_X, IDC_OVERLAY_SLIDER_Y})
            EXPECT_TRUE(Enabled(d, id));
        // Typing into the path field changes nothing.
        HWND edit = ::GetDlgItem(d, IDC_WATERMASK_EDIT_PATH);
        ::SendMessageW(edit, WM_CHAR, L'x', 0);
        EXPECT_EQ(L"", vt::WindowText(edit));

        const RECT preview = ScreenRectOf(d, IDC_OVERLAY_PREVIEW);
        Click(d, IDC_WATERMASK_BTN_BROWSE);
        EXPECT_EQ(s_picture, vt::WindowText(edit));
        PumpFor(150);
        // Top right of the preview, at the picture's own size.
        const ScreenShot opaque(preview);
        EXPECT_TRUE(Near(opaque.At(preview.right - 3 - 64 + 10, preview.top + 3 + 24), 255, 0, 0));
        EXPECT_TRUE(Near(opaque.At(preview.right - 3 - 10, preview.top + 3 + 24), 0, 0, 255));
        Click(d, IDC_GRID_CENTRE);
        SlideTo(d, IDC_WATERMASK_SLIDER_ZOOM, 50);
        PumpFor(100);
        const int cx = (183 - 3) / 2, cy = (133 - 3) / 2;  // the centre of the inner area
        const ScreenShot half(preview);
        EXPECT_TRUE(Near(half.At(preview.left + cx - 8, preview.top + cy), 255, 0, 0));
        EXPECT_TRUE(Near(half.At(preview.left + cx + 8, preview.top + cy), 0, 0, 255));
        EXPECT_FALSE(Near(half.At(preview.left + cx - 24, preview.top + cy), 255, 0, 0)) << "half its size";
        SlideTo(d, IDC_WATERMASK_SLIDER_ZOOM, 0);
        PumpFor(100);
        EXPECT_FALSE(Near(ScreenShot(preview).At(preview.left + cx - 8, preview.top + cy), 255, 0, 0)) << "zoom 0: nothing";
        SlideTo(d, IDC_WATERMASK_SLIDER_ZOOM, 100);
        SlideTo(d, IDC_WATERMASK_SLIDER_TRANSPARENCY, 100);
        PumpFor(100);
        EXPECT_FALSE(Near(ScreenShot(preview).At(preview.left + cx - 8, preview.top + cy), 255, 0, 0)) << "invisible";
        SlideTo(d, IDC_WATERMASK_SLIDER_TRANSPARENCY, 40);
        Ok(d);
    }));
    EXPECT_EQ(static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_EXPLORER), g_seen.open.Flags);
    EXPECT_EQ(260u, g_seen.open.nMaxFile);
    const wchar_t kFilter[] = L"All Picture Files\0*.png;*.bmp;*.jpg;*.jpeg\0All Files (*.*)\0*.*\0";
    EXPECT_EQ(std::wstring(kFilter, std::size(kFilter) - 1), g_seen.filter);
    ASSERT_TRUE(PendingWatermarkSettings);
    EXPECT_EQ(s_picture, PendingWatermarkSettings->szPath);
    EXPECT_EQ(40, PendingWatermarkSettings->nTransparency);
    EXPECT_EQ(100, PendingWatermarkSettings->nZoom);
    EXPECT_EQ(50, PendingWatermarkSettings->nPosX);

    // A file that cannot be decoded shows the sample background only; Cancel keeps the copy.
    PendingWatermarkSettings->szPath[0] = L'\0';
    const WatermarkSettings before = *PendingWatermarkSettings;
    s_picture = WriteTempFile(L"broken.png", std::string(500, '\x89'));
    CDlgWatermaskSetting broken;
    EXPECT_EQ(IDCANCEL, RunModal(broken, [&](HWND d) {
        PumpFor(150);
        const RECT preview = ScreenRectOf(d, IDC_OVERLAY_PREVIEW);
        const ScreenShot sample(preview);
        Click(d, IDC_WATERMASK_BTN_BROWSE);
        PumpFor(150);
        const ScreenShot after(preview);
        int differ = 0;
        for (int y = preview.top; y < preview.bottom; y += 3)
            for (int x = preview.left; x < preview.right; x += 3) differ += sample.At(x, y) != after.At(x, y);
        EXPECT_EQ(0, differ);
        Cancel(d);
    }));
    EXPECT_EQ(0, std::memcmp(&before, PendingWatermarkSettings.get(), sizeof(before)));
    PendingWatermarkSettings.reset();
}

TEST(ChangeTitleDialog, OkTakesAtMost259TypedCharactersCancelKeepsTheTitle) {
    SelectEnglish();
    CDlgChangeTitle dialog;
    dialog.SetTitle(L"Old title");
    EXPECT_EQ(IDOK, RunModal(dialog, [](HWND d) {
        EXPECT_EQ(L"Video Title", vt::WindowText(d));
        HWND edit = ::GetDlgItem(d, IDC_CHANGE_TITLE_EDIT);
        EXPECT_EQ(L"Old title", vt::WindowText(edit));
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        for (int i = 0; i < 300; ++i) ::SendMessageW(edit, WM_CHAR, L'a' + i % 26, 0);
        Ok(d);
    }));
    EXPECT_EQ(259u, dialog.Title().size());
    EXPECT_EQ(L"abc", dialog.Title().substr(0, 3));

    CDlgChangeTitle cancelled;
    cancelled.SetTitle(L"Kept");
    EXPECT_EQ(IDCANCEL, RunModal(cancelled, [](HWND d) {
        ::SetDlgItemTextW(d, IDC_CHANGE_TITLE_EDIT, L"Changed");
        Cancel(d);
    }));
    EXPECT_EQ(L"Kept", cancelled.Title());
}

// The real platform dialogs accept what the dialogs hand them: each opens (and is
// cancelled) without an error in its parameters.
HHOOK g_hook = nullptr;
int g_opened = 0;
LRESULT CALLBACK CancelCommonDialog(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND h = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        ::GetClassNameW(h, cls, 16);
        const std::wstring caption = vt::WindowText(h);
        if (std::wstring(cls) == L"#32770" && caption != L"Title Settings" && caption != L"Watermark Settings") {
            ++g_opened;
            ::PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST(PlatformDialogs, EachOpensWithTheParametersGiven) {
    SelectEnglish();
    struct Smoke {
        int dialog;
        int button;
    } cases[] = {{IDD_SET_TITLE, IDC_TITLE_BTN_FONT}, {IDD_SET_TITLE, IDC_TITLE_BTN_COLOR},
                 {IDD_SET_WATERMASK, IDC_WATERMASK_BTN_BROWSE}};
    for (const Smoke& c : cases) {
        g_opened = 0;
        g_hook = ::SetWindowsHookExW(WH_CBT, &CancelCommonDialog, nullptr, ::GetCurrentThreadId());
        DWORD error = 1;
        auto script = [&](HWND d) {
            Click(d, c.button);
            error = ::CommDlgExtendedError();
            Cancel(d);
        };
        if (c.dialog == IDD_SET_TITLE) {
            CDlgTitleSetting d;
            RunModal(d, script);
        } else {
            CDlgWatermaskSetting d;
            RunModal(d, script);
        }
        ::UnhookWindowsHookEx(g_hook);
        EXPECT_EQ(1, g_opened) << c.button;
        EXPECT_EQ(0u, error) << c.button;
    }
    PendingTitleSettings.reset();
    PendingWatermarkSettings.reset();
}

} // namespace
