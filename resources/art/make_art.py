#!/usr/bin/python3
"""Draws every picture of the program: the PNG state strips, backgrounds and marks in
this folder, and the program icon (../icons/Vistrel.ico).

The PNGs are committed, so building never runs this. To redraw them after a change:

    /usr/bin/python3 resources/art/make_art.py

(Debian's python3 with python3-pil.) One look throughout: light panels, dark text, the
accent blue 0x00AEFF, hover lighter, pressed darker, disabled greyed. Shapes are drawn
at four times the size and averaged down, so edges are smooth but land on whole pixels.
"""

import io
import os
import struct

from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
ICON_PATH = os.path.join(HERE, "..", "icons", "Vistrel.ico")
S = 4  # supersampling factor

# Palette
ACCENT = (0, 174, 255)
ACCENT_LIGHT = (64, 196, 255)
ACCENT_DARK = (0, 134, 204)
ACCENT_DEEP = (0, 110, 170)
ACCENT_TINT = (221, 243, 255)
PANEL = (244, 246, 248)
PANEL_DARK = (233, 237, 241)
WHITE = (255, 255, 255)
TEXT = (31, 41, 51)
GLYPH = (60, 74, 87)
BORDER = (201, 210, 219)
FRAME = (143, 161, 176)
LINE = (220, 226, 232)
GREY = (188, 196, 204)
GREY_FACE = (238, 241, 244)
RED = (229, 72, 77)
RED_LIGHT = (240, 106, 110)
RED_DARK = (196, 52, 58)


def rgba(c, a=255):
    return (c[0], c[1], c[2], a)


# ---------------------------------------------------------------- drawing helpers

class Pic:
    """A supersampled RGBA canvas addressed in final pixels."""

    def __init__(self, w, h, bg=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * S, h * S), bg if len(bg) == 4 else rgba(bg))
        self.d = ImageDraw.Draw(self.img)

    def rect(self, x0, y0, x1, y1, fill):
        """Fills pixels x0..x1-1, y0..y1-1."""
        self.d.rectangle([x0 * S, y0 * S, x1 * S - 1, y1 * S - 1], fill=fill if len(fill) == 4 else rgba(fill))

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1):
        f = None if fill is None else (fill if len(fill) == 4 else rgba(fill))
        o = None if outline is None else (outline if len(outline) == 4 else rgba(outline))
        self.d.rounded_rectangle([x0 * S, y0 * S, x1 * S - 1, y1 * S - 1], radius=max(0, r * S),
                                 fill=f, outline=o, width=int(width * S))

    def circle(self, cx, cy, r, fill=None, outline=None, width=1):
        f = None if fill is None else (fill if len(fill) == 4 else rgba(fill))
        o = None if outline is None else (outline if len(outline) == 4 else rgba(outline))
        self.d.ellipse([(cx - r) * S, (cy - r) * S, (cx + r) * S - 1, (cy + r) * S - 1], fill=f, outline=o,
                       width=int(width * S))

    def poly(self, pts, fill):
        self.d.polygon([(x * S, y * S) for x, y in pts], fill=fill if len(fill) == 4 else rgba(fill))

    def line(self, pts, fill, width=1):
        self.d.line([(x * S, y * S) for x, y in pts], fill=fill if len(fill) == 4 else rgba(fill),
                    width=int(width * S))

    def paste(self, other, x, y):
        self.img.alpha_composite(other.img, (x * S, y * S))

    def final(self):
        return self.img.resize((self.w, self.h), Image.BOX)


def save(img, name, opaque=False):
    path = os.path.join(HERE, name)
    if opaque:
        img = img.convert("RGB")
    img.save(path, optimize=True)


def strip(frames):
    """Frames side by side (all of one size)."""
    w, h = frames[0].size
    out = Image.new("RGBA", (w * len(frames), h), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        out.paste(f, (i * w, 0))
    return out


# ---------------------------------------------------------------- glyphs
# Each glyph draws centred in a box (x0, y0, x1, y1) of final pixels with one colour.

def g_folder(p, b, c):
    x0, y0, x1, y1 = b
    w, h = x1 - x0, y1 - y0
    fx0, fy0 = x0 + w * 0.18, y0 + h * 0.26
    fx1, fy1 = x1 - w * 0.18, y1 - h * 0.24
    p.rrect(fx0, fy0, fx0 + w * 0.28, fy0 + h * 0.14, 1, fill=c)
    p.rrect(fx0, fy0 + h * 0.09, fx1, fy1, 1.5, fill=c)
    p.rect(fx0 + 1.5, fy0 + h * 0.22, fx1 - 1.5, fy0 + h * 0.22 + 1.2, rgba(WHITE, 200))


def g_region(p, b, c):
    x0, y0, x1, y1 = b
    w, h = x1 - x0, y1 - y0
    rx0, ry0, rx1, ry1 = x0 + w * 0.14, y0 + h * 0.27, x0 + w * 0.66, y1 - h * 0.27
    # dashed selection frame
    step = 3
    x = rx0
    while x < rx1:
        p.rect(x, ry0, min(x + 2, rx1), ry0 + 1.5, c)
        p.rect(x, ry1 - 1.5, min(x + 2, rx1), ry1, c)
        x += step
    y = ry0
    while y < ry1:
        p.rect(rx0, y, rx0 + 1.5, min(y + 2, ry1), c)
        p.rect(rx1 - 1.5, y, rx1, min(y + 2, ry1), c)
        y += step
    # corner handles
    for hx, hy in ((rx0, ry0), (rx1, ry0), (rx0, ry1), (rx1, ry1)):
        p.rect(hx - 1.5, hy - 1.5, hx + 1.5, hy + 1.5, c)
    # drop-down arrow
    ax, ay = x1 - w * 0.2, (y0 + y1) / 2
    p.poly([(ax - 3.5, ay - 1.5), (ax + 3.5, ay - 1.5), (ax, ay + 2.5)], c)


def g_dot(p, b, c, scale=0.26):
    x0, y0, x1, y1 = b
    r = min(x1 - x0, y1 - y0) * scale
    p.circle((x0 + x1) / 2, (y0 + y1) / 2, r, fill=c)


def g_pause(p, b, c, scale=1.0):
    x0, y0, x1, y1 = b
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hh = min(x1 - x0, y1 - y0) * 0.25 * scale
    bw = hh * 0.62
    gap = hh * 0.45
    p.rrect(cx - gap - bw, cy - hh, cx - gap, cy + hh, 0.8, fill=c)
    p.rrect(cx + gap, cy - hh, cx + gap + bw, cy + hh, 0.8, fill=c)


def g_play(p, b, c):
    x0, y0, x1, y1 = b
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hh = min(x1 - x0, y1 - y0) * 0.27
    p.poly([(cx - hh * 0.7, cy - hh), (cx + hh * 0.95, cy), (cx - hh * 0.7, cy + hh)], c)


def g_stop(p, b, c, scale=1.0):
    x0, y0, x1, y1 = b
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hh = min(x1 - x0, y1 - y0) * 0.21 * scale
    p.rrect(cx - hh, cy - hh, cx + hh, cy + hh, 1, fill=c)


def g_gear(p, b, c):
    import math
    x0, y0, x1, y1 = b
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    r_out = min(x1 - x0, y1 - y0) * 0.31
    r_in = r_out * 0.72
    pts = []
    teeth = 8
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4)
        r = r_out if (i % 4) in (1, 2) else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    p.poly(pts, c)
    p.circle(cx, cy, r_out * 0.34, fill=(0, 0, 0, 0))


def g_cross(p, b, c, width=1.6):
    x0, y0, x1, y1 = b
    p.line([(x0, y0), (x1, y1)], c, width)
    p.line([(x0, y1), (x1, y0)], c, width)


def g_minus(p, b, c, width=1.6):
    x0, y0, x1, y1 = b
    cy = (y0 + y1) / 2 + 2
    p.rect(x0, cy - width / 2, x1, cy + width / 2, c)


def g_camera(p, b, c):
    x0, y0, x1, y1 = b
    w, h = x1 - x0, y1 - y0
    bx0, by0, bx1, by1 = x0 + w * 0.2, y0 + h * 0.3, x0 + w * 0.63, y1 - h * 0.3
    p.rrect(bx0, by0, bx1, by1, 1.5, fill=c)
    p.poly([(bx1 + 0.5, (by0 + by1) / 2 - 1), (x1 - w * 0.2, by0), (x1 - w * 0.2, by1),
            (bx1 + 0.5, (by0 + by1) / 2 + 1)], c)


def g_padlock(p, b, c, open_):
    x0, y0, x1, y1 = b
    w = x1 - x0
    cx = (x0 + x1) / 2
    # body
    p.rrect(cx - 5.5, y0 + 8, cx + 5.5, y0 + 15.5, 1.5, fill=c)
    # shackle: an arch of 1.8 pixels; open, it is lifted out of the body on the left
    lift = 2 if open_ else 0
    sx0, sx1 = cx - 4, cx + 4
    col = rgba(c) if len(c) == 3 else c
    p.d.arc([sx0 * S, (y0 + 2 - lift) * S, sx1 * S, (y0 + 10 - lift) * S], 180, 360, fill=col, width=int(1.8 * S))
    p.rect(sx1 - 1.8, y0 + 6 - lift, sx1, y0 + 8.5, c)
    p.rect(sx0, y0 + 6 - lift, sx0 + 1.8, y0 + (6.5 if open_ else 8.5), c)
    # keyhole
    p.rect(cx - 0.8, y0 + 10.5, cx + 0.8, y0 + 13.5, rgba(WHITE, 235))


# ---------------------------------------------------------------- button faces

# Plate buttons on light panels: normal, hover (lighter), pressed (darker), disabled.
PLATE = [
    dict(fill=(242, 245, 247), border=BORDER, glyph=GLYPH, red=RED),
    dict(fill=WHITE, border=ACCENT_LIGHT, glyph=ACCENT, red=RED_LIGHT),
    dict(fill=(214, 232, 244), border=ACCENT_DARK, glyph=ACCENT_DEEP, red=RED_DARK),
    dict(fill=GREY_FACE, border=(223, 228, 233), glyph=GREY, red=GREY),
]


def plate_strip(w, h, glyph, frames=4, radius=4, red=False):
    out = []
    for i in range(frames):
        st = PLATE[i]
        p = Pic(w, h)
        p.rrect(0, 0, w, h, radius, fill=st["fill"], outline=st["border"])
        dy = 1 if i == 2 else 0
        glyph(p, (0, dy, w, h + dy), st["red"] if red else st["glyph"])
        out.append(p.final())
    return strip(out)


# Buttons on the accent title band: glyph white; hover a light veil, pressed a dark one.
def band_strip(w, h, glyph):
    out = []
    for i in range(3):
        p = Pic(w, h)
        if i == 1:
            p.rrect(0, 0, w, h, 3, fill=(255, 255, 255, 70))
        elif i == 2:
            p.rrect(0, 0, w, h, 3, fill=(0, 40, 70, 70))
        m = w * 0.3
        glyph(p, (m, m, w - m, h - m), (255, 255, 255, 255))
        out.append(p.final())
    return strip(out)


# Glyph-only buttons on light strips: grey, accent, dark accent (and greyed).
def glyph_strip(w, h, glyph, frames=3, inset=0.28, plate=False):
    colours = [GLYPH, ACCENT, ACCENT_DEEP, GREY]
    out = []
    for i in range(frames):
        p = Pic(w, h)
        if plate and i == 1:
            p.rrect(0, 0, w, h, 3, fill=rgba(ACCENT_TINT))
        elif plate and i == 2:
            p.rrect(0, 0, w, h, 3, fill=(200, 228, 245, 255))
        m = w * inset
        glyph(p, (m, m, w - m, h - m), colours[i])
        out.append(p.final())
    return strip(out)


# Accent-filled primary button.
def accent_strip(w, h, glyph, frames=4):
    fills = [ACCENT, ACCENT_LIGHT, ACCENT_DARK, (197, 204, 211)]
    out = []
    for i in range(frames):
        p = Pic(w, h)
        p.rrect(0, 0, w, h, 4, fill=fills[i])
        dy = 1 if i == 2 else 0
        glyph(p, (0, dy, w, h + dy), i)
        out.append(p.final())
    return strip(out)


# ---------------------------------------------------------------- marks and logo

def logo(size_w, size_h, white):
    """The program's mark: a screen with a record dot. white: for the accent band."""
    p = Pic(size_w, size_h)
    fg = WHITE if white else ACCENT
    w, h = size_w, size_h
    p.rrect(0.5, 0.5, w - 0.5, h - 3.5, 2, outline=fg, width=1.5)
    p.rect(w / 2 - 2.5, h - 2, w / 2 + 2.5, h - 0.5, fg)
    p.circle(w / 2, (h - 3) / 2 + 0.3, min(w, h) * 0.2, fill=RED)
    return p.final()


def slider_strip(h):
    """Thumb (9 wide) at x 0, empty track column at width-2, filled column at width-1."""
    w = 11
    p = Pic(w, h)
    p.rrect(0.5, 0.5, 8.5, h - 0.5, 2.5, fill=WHITE, outline=ACCENT, width=1.5)
    p.rect(3.8, h / 2 - 2.5, 5.2, h / 2 + 2.5, rgba(ACCENT))
    img = p.final()
    # Track columns: drawn unsampled, so the 3-pixel bar stays crisp when stretched.
    cy = h // 2
    for y in range(h):
        empty = rgba(BORDER) if cy - 1 <= y <= cy + 1 else (0, 0, 0, 0)
        filled = rgba(ACCENT) if cy - 1 <= y <= cy + 1 else (0, 0, 0, 0)
        img.putpixel((w - 2, y), empty)
        img.putpixel((w - 1, y), filled)
    return img


# ---------------------------------------------------------------- flags

def star(p, cx, cy, r, c, rot=-90):
    import math
    pts = []
    for i in range(10):
        a = math.radians(rot + i * 36)
        rr = r if i % 2 == 0 else r * 0.42
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    p.poly(pts, c)


def flag(kind, w, h):
    p = Pic(w, h)
    x0, y0, x1, y1 = 1, 1, w - 1, h - 1
    fw, fh = x1 - x0, y1 - y0
    if kind == "zh-cn":
        p.rect(x0, y0, x1, y1, (222, 41, 16))
        star(p, x0 + fw * 0.2, y0 + fh * 0.3, fh * 0.22, (255, 222, 0))
        for dx, dy in ((0.38, 0.12), (0.45, 0.26), (0.45, 0.44), (0.38, 0.58)):
            star(p, x0 + fw * dx, y0 + fh * dy, fh * 0.085, (255, 222, 0))
    elif kind == "zh-tw":
        p.rect(x0, y0, x1, y1, (254, 0, 0))
        p.rect(x0, y0, x0 + fw / 2, y0 + fh / 2, (0, 0, 149))
        cx, cy = x0 + fw / 4, y0 + fh / 4
        import math
        pts = []
        for i in range(24):
            a = math.radians(i * 15)
            rr = fh * 0.19 if i % 2 == 0 else fh * 0.12
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        p.poly(pts, WHITE)
        p.circle(cx, cy, fh * 0.085, fill=(0, 0, 149))
        p.circle(cx, cy, fh * 0.065, fill=WHITE)
    elif kind == "en":
        blue, red = (1, 33, 105), (200, 16, 46)
        p.rect(x0, y0, x1, y1, blue)
        p.line([(x0, y0), (x1, y1)], WHITE, fh * 0.2)
        p.line([(x0, y1), (x1, y0)], WHITE, fh * 0.2)
        p.line([(x0, y0), (x1, y1)], red, fh * 0.07)
        p.line([(x0, y1), (x1, y0)], red, fh * 0.07)
        p.rect(x0, y0 + fh * 0.36, x1, y1 - fh * 0.36, WHITE)
        p.rect(x0 + fw * 0.41, y0, x1 - fw * 0.41, y1, WHITE)
        p.rect(x0, y0 + fh * 0.42, x1, y1 - fh * 0.42, red)
        p.rect(x0 + fw * 0.45, y0, x1 - fw * 0.45, y1, red)
    elif kind == "ja":
        p.rect(x0, y0, x1, y1, WHITE)
        p.circle(x0 + fw / 2, y0 + fh / 2, fh * 0.3, fill=(188, 0, 45))
    img = p.final()
    # Crisp hairline frame around the flag, so a white field still reads as a flag.
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, h - 1], outline=(90, 100, 110, 150))
    return img


FLAGS = ["zh-cn", "zh-tw", "en", "ja"]  # order of the strips' sub-images


# ---------------------------------------------------------------- pictures

def main_background():
    w, h = 244, 168
    p = Pic(w, h, rgba(PANEL))
    p.rect(0, 0, w, 31, ACCENT)
    # info panel behind picture 161, the clock and the size
    p.rrect(4, 33, 240, 99, 4, fill=WHITE, outline=LINE)
    p.rect(90, 41, 91, 91, rgba(LINE))
    # button bar
    p.rect(6, 124, 238, 125, rgba(LINE))
    p.rrect(0, 0, w, h, 4.5, outline=FRAME)
    img = p.final()
    img.alpha_composite(logo(16, 14, True), (6, 8))
    return img


def info_picture():
    w, h = 82, 60
    p = Pic(w, h)
    p.rrect(12, 6, 70, 44, 3, fill=rgba(ACCENT_TINT), outline=ACCENT, width=2)
    # selection corners on the screen
    for (x, y, dx, dy) in ((20, 13, 1, 1), (62, 13, -1, 1), (20, 37, 1, -1), (62, 37, -1, -1)):
        p.rect(min(x, x + 6 * dx), y - (1 if dy > 0 else 0), max(x, x + 6 * dx), y + (1 if dy > 0 else 0), ACCENT)
        p.rect(x - (1 if dx > 0 else 0), min(y, y + 6 * dy), x + (1 if dx > 0 else 0), max(y, y + 6 * dy), ACCENT)
    p.circle(41, 25, 7, fill=WHITE)
    p.circle(41, 25, 5, fill=RED)
    p.rect(37, 44, 45, 50, GREY)
    p.rrect(27, 50, 55, 53, 1.5, fill=(160, 172, 184))
    return p.final()


def record_bar_background():
    w, h = 242, 32
    p = Pic(w, h, rgba(PANEL))
    p.rrect(77, 5, 184, 27, 3, fill=WHITE, outline=LINE)
    p.rect(184 + 1, 7, 184 + 2, 25, rgba(PANEL))
    p.rect(216, 7, 217, 25, rgba(LINE))
    p.rrect(0, 0, w, h, 2, outline=FRAME)
    return p.final()


def settings_background():
    w, h = 293, 281
    p = Pic(w, h, rgba(PANEL))
    p.rect(0, 0, w, 19, ACCENT_TINT)
    p.rect(0, 19, w, 20, ACCENT)
    p.rect(0, 20, 68, 250, PANEL_DARK)
    p.rrect(68, 25, 282, 246, 3, fill=WHITE, outline=LINE)
    p.rect(0, 250, w, 251, rgba(LINE))
    p.rrect(0, 0, w, h, 3, outline=FRAME)
    img = p.final()
    img.alpha_composite(logo(16, 14, False), (5, 3))
    return img


def area_helper_background():
    w, h = 204, 72
    p = Pic(w, h, rgba(PANEL))
    p.rect(0, 0, w, 17, ACCENT_TINT)
    p.rect(0, 17, w, 18, ACCENT)
    p.rrect(0, 0, w, h, 3, outline=FRAME)
    img = p.final()
    img.alpha_composite(logo(16, 14, False), (6, 2))
    return img


def player_frame():
    # 45 x 98, fixed borders left 18, top 32, right 18, bottom 18; the centre is stretched.
    w, h = 45, 98
    img = Image.new("RGBA", (w, h), rgba(PANEL))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, 31], fill=rgba(ACCENT))
    d.rectangle([17, 32, 27, 80], outline=rgba(BORDER))
    d.rectangle([0, 0, w - 1, h - 1], outline=rgba(FRAME))
    d.line([(0, 0), (w - 1, 0)], fill=rgba(ACCENT_DARK))
    return img


def sample_background():
    w, h = 181, 131
    img = Image.new("RGBA", (w, h))
    top, bottom = (120, 200, 245), (214, 238, 252)
    for y in range(h):
        t = y / (h - 1)
        c = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
        ImageDraw.Draw(img).line([(0, y), (w - 1, y)], fill=rgba(c))
    p = Pic(w, h)
    p.circle(140, 30, 13, fill=(255, 214, 90))
    p.d.ellipse([-60 * S, 78 * S, 120 * S, 190 * S], fill=rgba((104, 178, 96)))
    p.d.ellipse([60 * S, 88 * S, 260 * S, 200 * S], fill=rgba((76, 150, 80)))
    p.rrect(18, 20, 52, 28, 4, fill=(255, 255, 255, 220))
    p.rrect(30, 15, 46, 25, 5, fill=(255, 255, 255, 220))
    img.alpha_composite(p.final())
    return img


def size_label_plate():
    p = Pic(72, 20)
    p.rrect(0, 0, 72, 20, 3, fill=(3, 3, 3, 112))
    img = p.final()
    # Averaging may nudge the colour of the edge pixels; the plate is one colour.
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            a = px[x, y][3]
            px[x, y] = (3, 3, 3, a) if a else (0, 0, 0, 0)
    return img


def magnifier_frame():
    w = h = 128
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rectangle([4, 4, 124, 126], fill=(0, 0, 0, 90))
    shadow = shadow.filter(ImageFilter.GaussianBlur(1.6))
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    img.alpha_composite(shadow)
    d = ImageDraw.Draw(img)
    # panel first, then clear the zoom area and lay the white border round it
    d.rectangle([1, 1, 121, 123], fill=(20, 24, 28, 215))
    d.rectangle([1, 1, 120, 88], fill=(255, 255, 255, 255))
    d.rectangle([3, 3, 118, 86], fill=(0, 0, 0, 0))
    # accent cross-hair ticks at the centre cell's edges (cell 14, 10 of 29 x 21)
    cx0, cy0 = 3 + 4 * 14, 3 + 4 * 10
    d.rectangle([cx0 - 1, cy0 - 1, cx0 + 4, cy0 + 4], outline=(0, 174, 255, 255))
    return img


def camera_close():
    p = Pic(24, 24)
    p.rrect(0, 0, 24, 24, 5, fill=(31, 41, 51, 210))
    g_cross(p, (7.5, 7.5, 16.5, 16.5), (255, 255, 255, 255), 2)
    return p.final()


def link_mark():
    p = Pic(7, 30)
    p.rect(0, 2, 4, 3.5, ACCENT)
    p.rect(0, 26.5, 4, 28, ACCENT)
    p.rect(3, 2, 4.5, 28, ACCENT)
    p.rect(4.5, 14.25, 7, 15.75, ACCENT)
    return p.final()


def grid_strip():
    out = []
    for sel in (False, True):
        p = Pic(16, 16)
        if sel:
            p.rrect(0, 0, 16, 16, 3, fill=ACCENT)
            p.circle(8, 8, 3, fill=WHITE)
        else:
            p.rrect(0, 0, 16, 16, 3, fill=WHITE, outline=BORDER)
            p.circle(8, 8, 2, fill=GREY)
        out.append(p.final())
    return strip(out)


def page_strip():
    out = []
    for sel in (False, True):
        p = Pic(62, 22)
        if sel:
            p.rrect(0, 0, 62, 22, 3, fill=ACCENT)
            p.rect(0, 4, 2.5, 18, rgba(ACCENT_DEEP))
        else:
            p.rrect(0, 0, 62, 22, 3, fill=(250, 251, 252), outline=BORDER)
        out.append(p.final())
    return strip(out)


def lock_strip():
    # frame 0: option unchecked = size locked; frame 1: checked = unlocked
    out = []
    for open_ in (False, True):
        p = Pic(16, 16)
        g_padlock(p, (0, 0, 16, 16), ACCENT if not open_ else GLYPH, open_)
        out.append(p.final())
    return strip(out)


def area_record_glyph(p, b, i):
    x0, y0, x1, y1 = b
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    p.circle(cx, cy, 7, fill=WHITE)
    p.circle(cx, cy, 4.5, fill=RED if i != 3 else GREY)


# id: (file, picture) -- the table the test checks lives in tests/toolkit/skin.
def pictures():
    return [
        (134, "134_size_label_plate.png", size_label_plate(), False),
        (135, "135_magnifier_frame.png", magnifier_frame(), False),
        (149, "149_record_bar_background.png", record_bar_background(), True),
        (150, "150_settings_background.png", settings_background(), True),
        (151, "151_settings_button.png", plate_strip(32, 30, g_gear), False),
        (152, "152_close_button.png", band_strip(14, 14, g_cross), False),
        (153, "153_minimise_button.png", band_strip(14, 14, g_minus), False),
        (154, "154_open_button.png", plate_strip(32, 30, g_folder), False),
        (155, "155_pause_button.png", plate_strip(32, 30, g_pause), False),
        (156, "156_play_button.png", plate_strip(32, 30, g_play), False),
        (157, "157_record_button.png", plate_strip(32, 30, g_dot, red=True), False),
        (158, "158_bar_close_button.png", glyph_strip(14, 14, g_cross, inset=0.3, plate=True), False),
        (159, "159_region_button.png", plate_strip(40, 30, g_region), False),
        (160, "160_stop_button.png", plate_strip(32, 30, g_stop), False),
        (161, "161_info_picture.png", info_picture(), False),
        (163, "163_flags_menu.png", strip([flag(k, 27, 19) for k in FLAGS]), False),
        (164, "164_main_background.png", main_background(), True),
        (169, "169_bar_pause_button.png", plate_strip(32, 24, g_pause, radius=3), False),
        (170, "170_bar_record_button.png", plate_strip(32, 24, lambda p, b, c: g_dot(p, b, c, 0.28), radius=3,
                                                      red=True), False),
        (171, "171_bar_stop_button.png", plate_strip(32, 24, g_stop, radius=3), False),
        (172, "172_page_button.png", page_strip(), False),
        (176, "176_area_helper_background.png", area_helper_background(), True),
        (177, "177_flags_button.png", strip([flag(k, 22, 16) for k in FLAGS]), False),
        (178, "178_slider.png", slider_strip(15), False),
        (179, "179_small_close_button.png", glyph_strip(9, 9, lambda p, b, c: g_cross(p, b, c, 1.3), inset=0.12),
         False),
        (180, "180_grid_button.png", grid_strip(), False),
        (181, "181_sample_background.png", sample_background(), True),
        (182, "182_small_slider.png", slider_strip(14), False),
        (184, "184_player_frame.png", player_frame(), True),
        (185, "185_player_icon.png", logo(16, 14, True), False),
        (186, "186_lock_button.png", lock_strip(), False),
        (187, "187_area_record_button.png", accent_strip(44, 28, area_record_glyph), False),
        (188, "188_lock_link.png", link_mark(), False),
        (189, "189_camera_close.png", camera_close(), False),
        (192, "192_bar_camera_button.png", plate_strip(26, 20, g_camera, radius=3), False),
    ]


# ---------------------------------------------------------------- icon

def icon_image(n):
    p = Pic(n, n)
    r = n * 0.22
    p.rrect(0, 0, n, n, r, fill=ACCENT)
    m = n * 0.18
    # screen outline
    p.rrect(m, m * 1.1, n - m, n - m * 1.6, n * 0.06, outline=WHITE, width=max(1.0, n * 0.065))
    p.rect(n * 0.36, n - m * 1.15, n * 0.64, n - m * 0.8, WHITE)
    cy = (m * 1.1 + n - m * 1.6) / 2
    p.circle(n / 2, cy, n * 0.15, fill=WHITE)
    p.circle(n / 2, cy, n * 0.11, fill=RED)
    return p.final()


def write_ico(path, sizes):
    entries = []
    for n in sizes:
        img = icon_image(n)
        if n >= 256:
            buf = io.BytesIO()
            img.save(buf, "PNG", optimize=True)
            data = buf.getvalue()
        else:
            # classic DIB entry: BGRA bottom-up plus an AND mask (all zero; alpha rules)
            header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
            rows = []
            px = img.load()
            for y in range(n - 1, -1, -1):
                row = bytearray()
                for x in range(n):
                    r, g, b, a = px[x, y]
                    row += bytes((b, g, r, a))
                rows.append(bytes(row))
            mask_stride = ((n + 31) // 32) * 4
            data = header + b"".join(rows) + bytes(mask_stride * n)
        entries.append((n, data))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for n, data in entries:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    for pid, name, img, opaque in pictures():
        save(img, name, opaque)
    write_ico(ICON_PATH, [16, 32, 48, 256])
    # A review sheet of every picture, not used by the build.
    print("wrote", len(pictures()), "pictures and", os.path.normpath(ICON_PATH))


if __name__ == "__main__":
    main()
