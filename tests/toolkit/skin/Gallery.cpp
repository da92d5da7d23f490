// The skin at a glance: the windows' pictures with their controls in place, every button
// strip in every state, the options, sliders and flags, and every picture as it is.
// Usage: skin_gallery.exe [seconds]   (0 or none: until the window is closed)
#include "toolkit/GdiPlus.h"
#include "toolkit/Image.h"
#include "toolkit/MemDC.h"
#include "toolkit/SkinControls.h"
#include "toolkit/SkinText.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kAccent = RGB(0, 174, 255);
constexpr COLORREF kPanel = RGB(244, 246, 248);
constexpr COLORREF kText = RGB(31, 41, 51);
constexpr const wchar_t* kFace = L"Microsoft Sans Serif";

struct Text {
    RECT rc;
    std::wstring text;
    COLORREF colour;
    int height, weight;
    UINT format;
};
struct Pic {
    UINT id;
    int x, y;
};

// A window that paints a picture over its client area (stretched, or as nine pieces),
// or a flat colour, then pictures and texts at given places.
class Panel : public vt::CWnd {
public:
    Panel(HWND parent, int x, int y, int cx, int cy, UINT background, COLORREF fill = kPanel, bool nine = false)
        : m_fill(fill), m_nine(nine) {
        if (background) vt::LoadImageResource(m_background, L"", background);
        CreateEx({.style = WS_CHILD | WS_VISIBLE, .rect = vt::RectXYWH(x, y, cx, cy), .parent = parent});
    }
    void AddText(RECT rc, std::wstring text, COLORREF colour, int height, int weight, UINT format = DT_SINGLELINE) {
        m_texts.push_back({rc, std::move(text), colour, height, weight, format});
    }
    void AddPicture(UINT id, int x, int y) { m_pictures.push_back({id, x, y}); }
    HWND Hwnd() const { return m_hWnd; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_PAINT) {
            vt::PaintDc pdc(m_hWnd);
            RECT rc{};
            ::GetClientRect(m_hWnd, &rc);
            vt::OffscreenDc off(pdc.Get(), rc);
            Paint(off.Get(), rc);
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }

private:
    void Paint(HDC dc, const RECT& rc) {
        vt::UniqueBrush brush(::CreateSolidBrush(m_nine ? RGB(0, 0, 0) : m_fill));
        ::FillRect(dc, &rc, brush.Get());
        if (!m_background.IsNull()) {
            if (m_nine) {
                // Borders left 18, top 32, right 18, bottom 18, as the player draws them.
                const int L = 18, T = 32, R = 18, B = 18;
                const int sw = m_background.GetWidth(), sh = m_background.GetHeight();
                const int W = rc.right, H = rc.bottom;
                const int xs[] = {0, L, sw - R, sw}, ys[] = {0, T, sh - B, sh};
                const int xd[] = {0, L, W - R, W}, yd[] = {0, T, H - B, H};
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j)
                        m_background.Draw(dc, xd[i], yd[j], xd[i + 1] - xd[i], yd[j + 1] - yd[j], xs[i], ys[j],
                                          xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
            } else {
                m_background.Draw(dc, rc);
            }
        }
        for (const Pic& p : m_pictures) {
            vt::CImage img;
            if (vt::LoadImageResource(img, L"", p.id))
                img.Draw(dc, p.x, p.y, img.GetWidth(), img.GetHeight(), 0, 0, img.GetWidth(), img.GetHeight());
        }
        for (const Text& t : m_texts)
            vt::DrawSkinText(dc, t.rc, t.text, t.colour, kFace, t.height, t.weight, t.format, false);
    }

    vt::CImage m_background;
    COLORREF m_fill;
    bool m_nine;
    std::vector<Text> m_texts;
    std::vector<Pic> m_pictures;
};

// Keeps every control alive as long as the gallery.
std::vector<std::unique_ptr<vt::CWnd>> g_controls;
std::vector<std::unique_ptr<Panel>> g_panels;
int g_nextId = 1000;
int g_matrixBottom = 600;

Panel* AddPanel(HWND parent, int x, int y, int cx, int cy, UINT bg, COLORREF fill = kPanel, bool nine = false) {
    g_panels.push_back(std::make_unique<Panel>(parent, x, y, cx, cy, bg, fill, nine));
    return g_panels.back().get();
}

enum class State { Normal, Hover, Pressed, Disabled };

CNButtonEx* AddButton(HWND parent, int x, int y, UINT png, int frames, State state = State::Normal,
                      const wchar_t* text = nullptr) {
    auto b = std::make_unique<CNButtonEx>();
    b->Create(parent, g_nextId++, x, y, 10, 10);
    b->SetStateImage(L"", png, frames);
    if (text) {
        b->SetFont(kFace, 14, 400);
        b->SetText(text);
    }
    HWND h = b->GetSafeHwnd();
    switch (state) {
    case State::Hover: ::SendMessageW(h, WM_MOUSEHOVER, 0, 0); break;
    case State::Pressed: ::SendMessageW(h, BM_SETSTATE, TRUE, 0); break;
    case State::Disabled: b->Enable(false); break;
    default: break;
    }
    CNButtonEx* raw = b.get();
    g_controls.push_back(std::move(b));
    return raw;
}

CNOptionEx* AddOption(HWND parent, int x, int y, UINT png, bool checked, const wchar_t* text = nullptr) {
    auto o = std::make_unique<CNOptionEx>();
    o->Create(parent, g_nextId++, x, y, 10, 10);
    o->SetStateImage(L"", png);
    o->SetCheck(checked);
    if (text) {
        o->SetFontFace(kFace);
        o->SetText(text);
    }
    CNOptionEx* raw = o.get();
    g_controls.push_back(std::move(o));
    return raw;
}

CNSliderEx* AddSlider(HWND parent, int x, int y, int cx, int cy, UINT png, int value) {
    auto s = std::make_unique<CNSliderEx>();
    s->Create(parent, g_nextId++, x, y, cx, cy);
    s->SetImage(L"", png);
    s->SetRange(0, 100);
    s->SetValue(value);
    CNSliderEx* raw = s.get();
    g_controls.push_back(std::move(s));
    return raw;
}

void AddLabel(HWND parent, int x, int y, int cx, int cy, const wchar_t* text, int height, int weight, UINT format,
              COLORREF colour = kText) {
    auto l = std::make_unique<CNStaticEx>();
    l->Create(parent, g_nextId++, x, y, cx, cy);
    l->SetFont(kFace, height, weight);
    l->SetFormat(format);
    l->SetTextColor(colour);
    l->SetText(text);
    g_controls.push_back(std::move(l));
}

void AddPlainLabel(HWND parent, int x, int y, int cx, int cy, const wchar_t* text, COLORREF colour, HFONT font) {
    auto l = std::make_unique<CTransparentStatic>();
    l->Create(parent, g_nextId++, x, y, cx, cy, text);
    ::SendMessageW(l->GetSafeHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    l->SetTextColor(colour);
    g_controls.push_back(std::move(l));
}

vt::UniqueFont g_labelFont;

class Gallery : public vt::CWnd {
public:
    std::vector<Text> texts;
    std::vector<Pic> pictures;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_PAINT) {
            vt::PaintDc pdc(m_hWnd);
            RECT rc{};
            ::GetClientRect(m_hWnd, &rc);
            vt::OffscreenDc off(pdc.Get(), rc);
            HDC dc = off.Get();
            vt::UniqueBrush brush(::CreateSolidBrush(RGB(214, 219, 224)));
            ::FillRect(dc, &rc, brush.Get());
            for (const Pic& p : pictures) {
                vt::CImage img;
                if (vt::LoadImageResource(img, L"", p.id))
                    img.Draw(dc, p.x, p.y, img.GetWidth(), img.GetHeight(), 0, 0, img.GetWidth(), img.GetHeight());
            }
            for (const Text& t : texts)
                vt::DrawSkinText(dc, t.rc, t.text, t.colour, kFace, t.height, t.weight, t.format, false);
            return 0;
        }
        if (msg == WM_DESTROY) ::PostQuitMessage(0);
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

void Caption(Gallery& g, int x, int y, const std::wstring& text, int width = 300) {
    g.texts.push_back({RECT{x, y, x + width, y + 16}, text, kText, 14, 700, DT_SINGLELINE});
}
void Note(Gallery& g, int x, int y, const std::wstring& text, int width = 120) {
    g.texts.push_back({RECT{x, y, x + width, y + 14}, text, RGB(70, 80, 90), 12, 400, DT_SINGLELINE});
}

void BuildMockups(Gallery& g, HWND gw) {
    // Main window (picture 164 and its control table).
    Caption(g, 10, 8, L"Main window (164, 161)");
    Panel* main = AddPanel(gw, 10, 26, 244, 168, 164);
    main->AddPicture(161, 6, 35);
    main->AddText(RECT{26, 6, 200, 20}, L"Vistrel", RGB(255, 255, 255), 14, 600);
    HWND m = main->Hwnd();
    AddButton(m, 222, 7, 152, 3);
    AddButton(m, 200, 7, 153, 3);
    {
        auto lang = AddButton(m, 170, 5, 0, 0);
        ::SetWindowPos(lang->GetSafeHwnd(), nullptr, 0, 0, 22, 16, SWP_NOMOVE | SWP_NOZORDER);
        lang->SetIconImage(L"", 177, 2, 4);
    }
    AddButton(m, 6, 130, 154, 4);
    AddButton(m, 44, 130, 159, 4, State::Hover);
    AddButton(m, 90, 130, 157, 4, State::Disabled);
    AddButton(m, 128, 130, 155, 4);
    AddButton(m, 166, 130, 160, 4);
    AddButton(m, 204, 130, 151, 4);
    AddSlider(m, 7, 103, 229, 15, 178, 35);
    AddLabel(m, 94, 36, 130, 30, L"00:12:45", 28, 600, DT_SINGLELINE | DT_CENTER);
    AddLabel(m, 94, 65, 130, 18, L"Size: 24.6MB", 14, 400, DT_SINGLELINE | DT_CENTER);

    // Record control bar (149).
    Caption(g, 10, 202, L"Record control bar (149)");
    Panel* bar = AddPanel(gw, 10, 220, 242, 32, 149);
    HWND b = bar->Hwnd();
    AddButton(b, 7, 4, 169, 4);
    AddButton(b, 44, 4, 171, 4);
    AddPlainLabel(b, 84, 8, 96, 17, L"00:12:45-24MB", RGB(3, 57, 93), g_labelFont.Get());
    AddButton(b, 188, 7, 192, 4);
    AddButton(b, 220, 9, 158, 3);

    // Area helper (176, 188).
    Caption(g, 10, 260, L"Area helper (176, 188)");
    Panel* area = AddPanel(gw, 10, 278, 204, 72, 176);
    area->AddText(RECT{26, 2, 200, 16}, L"Region size", RGB(0, 0, 0), 14, 600);
    area->AddPicture(188, 102, 29);
    HWND a = area->Hwnd();
    AddButton(a, 187, 4, 179, 3);
    AddPlainLabel(a, 10, 26, 48, 16, L"Width:", kText, g_labelFont.Get());
    AddPlainLabel(a, 10, 49, 48, 16, L"Height:", kText, g_labelFont.Get());
    for (int y : {23, 46}) {
        HWND e = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", y == 23 ? L"640" : L"480",
                                   WS_CHILD | WS_VISIBLE | ES_NUMBER, 61, y, 36, 20, a, nullptr, nullptr, nullptr);
        ::SendMessageW(e, WM_SETFONT, reinterpret_cast<WPARAM>(g_labelFont.Get()), FALSE);
    }
    AddOption(a, 114, 36, 186, false);
    AddButton(a, 148, 28, 187, 4);

    // Player frame (184 in nine pieces, 185).
    Caption(g, 10, 360, L"Player window (184, 185)");
    Panel* player = AddPanel(gw, 10, 378, 300, 190, 184, 0, true);
    player->AddPicture(185, 10, 7);
    player->AddText(RECT{35, 4, 235, 22}, L"Player - 2026-12-07.wmv", RGB(255, 255, 255), 18, 700);
    AddButton(player->Hwnd(), 300 - 14 - 10, 7, 152, 3);
    AddButton(player->Hwnd(), 300 - 28 - 20, 7, 153, 3);

    // Region selection over a screen (181 as the screen, 134, 135, 189).
    Caption(g, 10, 576, L"Selection (134, 135), camera close (189)");
    Panel* screen = AddPanel(gw, 10, 594, 300, 190, 181);
    screen->AddPicture(134, 30, 12);
    screen->AddText(RECT{30, 12, 102, 32}, L"320 x 240", RGB(255, 255, 255), 13, 400, DT_SINGLELINE | DT_CENTER);
    screen->AddPicture(135, 160, 40);
    screen->AddText(RECT{163, 132, 290, 144}, L"320 x 240", RGB(255, 255, 255), 11, 400);
    screen->AddText(RECT{163, 146, 290, 158}, L"RGB:(120,200,245)", RGB(255, 255, 255), 11, 400);
    screen->AddPicture(189, 10, 150);

    // Settings window (150) with its page buttons and the preview parts.
    Caption(g, 320, 8, L"Settings window (150, 172, 179, 180, 181, 182)");
    Panel* set = AddPanel(gw, 320, 26, 293, 281, 150);
    set->AddText(RECT{25, 1, 200, 18}, L"Settings", RGB(0, 0, 0), 14, 400);
    HWND s = set->Hwnd();
    AddButton(s, 275, 5, 179, 3);
    const wchar_t* pages[] = {L"Video", L"Audio", L"Common", L"Advanced"};
    for (int i = 0; i < 4; ++i) AddOption(s, 4, 26 + 27 * i, 172, i == 0, pages[i]);
    Panel* preview = AddPanel(s, 84, 34, 181, 131, 181);
    preview->AddText(RECT{0, 0, 181, 40}, L"My Title", RGB(31, 41, 51), 22, 700, DT_SINGLELINE | DT_CENTER);
    AddSlider(s, 84, 180, 86, 14, 182, 30);
    AddSlider(s, 84, 210, 86, 14, 182, 70);
    for (int i = 0; i < 9; ++i) AddOption(s, 200 + 20 * (i % 3), 176 + 20 * (i / 3), 180, i == 4);
    HWND def = ::CreateWindowExW(0, L"BUTTON", L"Defaults", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 254, 80, 22,
                                 s, nullptr, nullptr, nullptr);
    ::SendMessageW(def, WM_SETFONT, reinterpret_cast<WPARAM>(g_labelFont.Get()), FALSE);
}

void BuildStates(Gallery& g, HWND gw) {
    const int x0 = 640;
    Caption(g, x0, 8, L"Buttons: normal, hover, pressed, disabled");
    struct Row {
        UINT id;
        int frames;
        const wchar_t* name;
        bool band;
    };
    const Row rows[] = {
        {154, 4, L"154 open", false},   {159, 4, L"159 region", false},  {157, 4, L"157 record", false},
        {155, 4, L"155 pause", false},  {156, 4, L"156 play", false},    {160, 4, L"160 stop", false},
        {151, 4, L"151 settings", false}, {170, 4, L"170 bar record", false}, {169, 4, L"169 bar pause", false},
        {171, 4, L"171 bar stop", false}, {192, 4, L"192 bar camera", false}, {187, 4, L"187 area record", false},
        {158, 3, L"158 bar close", false}, {179, 3, L"179 small close", false}, {152, 3, L"152 close", true},
        {153, 3, L"153 minimise", true},
    };
    int y = 28;
    for (const Row& r : rows) {
        vt::CImage img;
        vt::LoadImageResource(img, L"", r.id);
        const int fw = img.GetWidth() / r.frames, fh = img.GetHeight();
        Note(g, x0, y + (fh + 6) / 2 - 7, r.name);
        Panel* p = AddPanel(gw, x0 + 110, y, 4 * (fw + 12) + 4, fh + 6, 0, r.band ? kAccent : kPanel);
        for (int f = 0; f < r.frames; ++f)
            AddButton(p->Hwnd(), 8 + f * (fw + 12), 3, r.id, r.frames, static_cast<State>(f));
        y += fh + 8;
    }
    g_matrixBottom = y;

    const int x1 = 1000;
    Caption(g, x1, 8, L"Options: unchecked, checked");
    y = 28;
    for (UINT id : {172u, 180u, 186u}) {
        Note(g, x1, y + 8, id == 172 ? L"172 page" : id == 180 ? L"180 grid" : L"186 lock");
        Panel* p = AddPanel(gw, x1 + 70, y, 170, 30, 0);
        AddOption(p->Hwnd(), 6, 4, id, false, id == 172 ? L"Audio" : nullptr);
        AddOption(p->Hwnd(), 90, 4, id, true, id == 172 ? L"Video" : nullptr);
        y += 36;
    }
    Caption(g, x1, y + 4, L"Sliders: 0, 50, 100");
    y += 24;
    for (UINT id : {178u, 182u}) {
        Note(g, x1, y + 18, id == 178 ? L"178 slider" : L"182 small");
        Panel* p = AddPanel(gw, x1 + 70, y, 170, 58, 0);
        int sy = 4;
        for (int v : {0, 50, 100}) {
            AddSlider(p->Hwnd(), 6, sy, 158, id == 178 ? 15 : 14, id, v);
            sy += 18;
        }
        y += 64;
    }
    Caption(g, x1, y + 4, L"Flags (177 button, 163 menu)");
    y += 24;
    Panel* flags = AddPanel(gw, x1, y, 240, 52, 0, RGB(255, 255, 255));
    for (int i = 0; i < 4; ++i) {
        auto f = AddButton(flags->Hwnd(), 8 + i * 30, 4, 0, 0);
        ::SetWindowPos(f->GetSafeHwnd(), nullptr, 0, 0, 22, 16, SWP_NOMOVE | SWP_NOZORDER);
        f->SetIconImage(L"", 177, i, 4);
    }
    flags->AddPicture(163, 8, 26);
    y += 58;
    Caption(g, x1, y + 4, L"Labels");
    y += 24;
    Panel* labels = AddPanel(gw, x1, y, 240, 64, 0, RGB(255, 255, 255));
    AddLabel(labels->Hwnd(), 6, 2, 120, 40, L"A label too wide for one line breaks", 14, 400, 0);
    auto wrap = static_cast<CNStaticEx*>(g_controls.back().get());
    wrap->SetLineBreak(true);
    AddLabel(labels->Hwnd(), 130, 2, 104, 20, L"Ellipsis when it does not fit", 14, 400, DT_SINGLELINE);
    AddPlainLabel(labels->Hwnd(), 6, 44, 220, 16, L"Transparent static over the panel", RGB(3, 57, 93),
                  g_labelFont.Get());

    // Every picture as it is (the backgrounds are in the windows on the left).
    const int px = 640;
    int py = g_matrixBottom + 24;
    Caption(g, px, py - 20, L"Pictures as stored");
    int x = px;
    int rowH = 0;
    for (UINT id : {151u, 152u, 153u, 154u, 155u, 156u, 157u, 158u, 159u, 160u, 161u, 163u, 169u, 170u, 171u, 172u,
                    177u, 178u, 179u, 180u, 182u, 185u, 186u, 187u, 188u, 189u, 192u, 134u}) {
        vt::CImage img;
        if (!vt::LoadImageResource(img, L"", id)) continue;
        if (x + img.GetWidth() > 1270) {
            x = px;
            py += rowH + 16;
            rowH = 0;
        }
        g.pictures.push_back({id, x, py + 12});
        Note(g, x, py, std::to_wstring(id), 40);
        x += std::max(img.GetWidth(), 24) + 10;
        rowH = std::max(rowH, img.GetHeight() + 12);
    }
}

} // namespace

int main(int argc, char** argv) {
    vt::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;
    {
        const LOGFONTW lf = vt::SkinLogFont(kFace, 14, 400);
        g_labelFont.Reset(::CreateFontIndirectW(&lf));
    }
    Gallery gallery;
    // Built hidden and shown at once, as a dialog is: the controls copy their parents'
    // pixels at their first paint, which must come after their parents'.
    gallery.CreateEx({.title = L"Vistrel skin gallery", .style = WS_POPUP, .rect = vt::RectXYWH(0, 0, 1280, 800)});
    BuildMockups(gallery, gallery.GetSafeHwnd());
    BuildStates(gallery, gallery.GetSafeHwnd());
    ::ShowWindow(gallery.GetSafeHwnd(), SW_SHOW);
    if (seconds > 0) ::SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd) break;
        if (!vt::CWnd::PreTranslateChain(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    g_controls.clear();
    g_panels.clear();
    return 0;
}
