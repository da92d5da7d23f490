#!/usr/bin/env python3
"""Records overlay scenes with overlay_scene under Wine and checks the videos' pixels.

Usage: check_overlay_recordings.py <overlay_scene.exe> [scene ...]   (needs DISPLAY: an Xvfb)
Scenes: A (title, time, watermark, camera picture-in-picture over green), B (shadowed title,
half-transparent half-size watermark), C (camera only). Frames land in build/overlay-recordings/.
"""
import json
import os
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.path.abspath(sys.argv[1])
BUILD = os.path.dirname(os.path.dirname(EXE))
OUT = os.path.join(BUILD, "overlay-recordings")
SECONDS = 3
GREEN = (0, 96, 0)
GREY = (96, 96, 96)
FRAME_BLUE = (0, 174, 255)
# The virtual camera's bars, as RGB.
BARS = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 255, 0), (255, 0, 255), (255, 0, 0), (0, 0, 255),
        (40, 40, 40)]
failures = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)


def close(c, want, tol=40):
    return c is not None and all(abs(a - b) <= tol for a, b in zip(c, want))


def record(scene):
    path = os.path.join(OUT, scene + ".wmv")
    if os.path.exists(path):
        os.remove(path)
    win = "Z:" + path.replace("/", "\\")
    p = subprocess.run([os.path.join(ROOT, "scripts", "wine-exec"), EXE, scene, win, str(SECONDS)],
                       env=dict(os.environ, VISTREL_BUILD=BUILD), capture_output=True, text=True, timeout=180)
    print(f"[{scene}] exit {p.returncode} {p.stdout.strip()} {p.stderr.strip()[-300:]}")
    info = None
    for line in p.stdout.splitlines():
        if line.startswith("{"):
            info = json.loads(line)
    return p.returncode, path, info


class Frame:
    def __init__(self, path, t, w, h, name):
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-ss", str(t), "-i", path, "-frames:v", "1",
                        os.path.join(OUT, name + ".png")])
        p = subprocess.run(["ffmpeg", "-v", "error", "-ss", str(t), "-i", path, "-frames:v", "1", "-f", "rawvideo",
                            "-pix_fmt", "rgb24", "-"], capture_output=True)
        self.w, self.h, self.data = w, h, p.stdout
        self.ok = len(self.data) == w * h * 3

    def at(self, x, y):
        if not (0 <= x < self.w and 0 <= y < self.h):
            return None
        i = (y * self.w + x) * 3
        return tuple(self.data[i:i + 3])

    def share(self, rect, test):
        """Share of the pixels in rect (frame coordinates, exclusive) that pass the test."""
        l, t, r, b = rect
        pts = [(x, y) for y in range(max(t, 0), min(b, self.h)) for x in range(max(l, 0), min(r, self.w))]
        return sum(1 for x, y in pts if test(self.at(x, y))) / max(1, len(pts))


def inset(rect, n):
    return (rect[0] + n, rect[1] + n, rect[2] - n, rect[3] - n)


def to_frame(rect, origin):
    return (rect[0] - origin[0], rect[1] - origin[1], rect[2] - origin[0], rect[3] - origin[1])


def is_bar(c):
    return any(close(c, b, 50) for b in BARS)


def probe(scene, path, w, h):
    p = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_format", "-show_streams", "-of", "json",
                        path], capture_output=True, text=True)
    check(p.returncode == 0, f"{scene}: ffprobe reads the file")
    if p.returncode != 0:
        return False
    info = json.loads(p.stdout)
    v = next((s for s in info["streams"] if s["codec_type"] == "video"), {})
    check("asf" in info["format"].get("format_name", ""), f"{scene}: asf container")
    check(v.get("codec_name") == "mjpeg", f"{scene}: mjpeg video ({v.get('codec_name')})")
    check((v.get("width"), v.get("height")) == (w, h), f"{scene}: {w}x{h} ({v.get('width')}x{v.get('height')})")
    dur = float(info["format"].get("duration", 0))
    check(abs(dur - SECONDS) <= 0.3, f"{scene}: {dur:.2f} s long")
    return True


def check_pip_scene(scene, path, info):
    R = info["recorded"]
    origin = (R[0], R[1])
    W, H = R[2] - R[0], R[3] - R[1]
    if not probe(scene, path, W, H):
        return
    f1, f2 = Frame(path, 1.0, W, H, scene + "-1.0s"), Frame(path, 2.5, W, H, scene + "-2.5s")
    check(f1.ok and f2.ok, f"{scene}: frames at 1.0 s and 2.5 s decode")
    if not (f1.ok and f2.ok):
        return
    title, time, mark, cam = (to_frame(info[k], origin) for k in ("title", "time", "watermark", "camera"))

    # Where the rules put them.
    tw, th = title[2] - title[0], title[3] - title[1]
    check(title[:2] == (W // 2 - tw // 2, 0), f"{scene}: title centred at the top {title}")
    check(time[2:] == (W, H), f"{scene}: time at the bottom-right corner {time}")
    mw, mh = (64, 48)
    check(mark == (0, H - mh, mw, H), f"{scene}: watermark at the bottom-left, {mw}x{mh} {mark}")
    check(cam == (W - 161, H - 121, W - 1, H - 1), f"{scene}: camera 160x120, 1 pixel in from the corner {cam}")

    # Nothing but the windows over the background.
    windows = [inset(r, -3) for r in (title, time, mark, cam)]
    outside = [(x, y) for y in range(0, H, 8) for x in range(0, W, 8)
               if not any(r[0] <= x < r[2] and r[1] <= y < r[3] for r in windows)]
    green = sum(1 for x, y in outside if close(f1.at(x, y), GREEN)) / len(outside)
    check(green > 0.99, f"{scene}: the background outside the windows ({green:.1%} green)")

    # Camera: the blue frame round moving bars.
    band = f1.share((cam[0] + 20, cam[1] + 1, cam[2] - 20, cam[1] + 3), lambda c: close(c, FRAME_BLUE, 50))
    check(band > 0.9, f"{scene}: camera's blue frame ({band:.0%})")
    middle = (cam[0] + 6, cam[1] + 30, cam[2] - 6, cam[1] + 80)
    bars = f1.share(middle, is_bar)
    check(bars > 0.6, f"{scene}: camera bars in the middle rows ({bars:.0%})")
    moved = sum(1 for y in range(middle[1], middle[3], 4) for x in range(middle[0], middle[2], 4)
                if not close(f1.at(x, y), f2.at(x, y), 30))
    check(moved > 20, f"{scene}: the camera picture moves ({moved} samples changed)")

    # Time: white figures on grey, the seconds changing.
    check(f1.share(inset(time, 2), lambda c: close(c, GREY, 30)) > 0.4, f"{scene}: time box grey")
    check(f1.share(inset(time, 2), lambda c: min(c) > 180) > 0.03, f"{scene}: time figures white")
    changed = sum(1 for y in range(time[1] + 2, time[3] - 2) for x in range(time[0] + 2, time[2] - 2)
                  if not close(f1.at(x, y), f2.at(x, y), 60))
    check(changed > 10, f"{scene}: the time changes between 1.0 s and 2.5 s ({changed} pixels)")

    if scene == "A":
        grey = f1.share(inset(title, 3), lambda c: close(c, GREY, 30))
        dark = f1.share(inset(title, 3), lambda c: max(c) < 60)
        check(grey > 0.6 and dark > 0.05, f"{scene}: title box grey ({grey:.0%}) with dark text ({dark:.0%})")
        red, blue = (255, 0, 0), (0, 0, 255)
    else:
        top = f1.share((title[0] + 4, title[1] + 2, title[2] - 4, title[1] + 5), lambda c: c[2] > 200 and c[0] < 120)
        bottom = f1.share((title[0] + 4, title[3] - 5, title[2] - 4, title[3] - 2), lambda c: c[0] > 150)
        check(top > 0.7, f"{scene}: title gradient blue at the top ({top:.0%})")
        check(bottom > 0.5, f"{scene}: title gradient light at the bottom ({bottom:.0%})")
        shadow = f1.share(inset(title, 2), lambda c: c[2] < 100)
        check(shadow > 0.02, f"{scene}: title shadow ({shadow:.1%} dark)")
        red, blue = (175, 48, 48), (48, 48, 175)
    left = f1.share((mark[0] + 4, mark[1] + 4, mark[0] + mw // 2 - 4, mark[3] - 4), lambda c: close(c, red, 30))
    right = f1.share((mark[0] + mw // 2 + 4, mark[1] + 4, mark[2] - 4, mark[3] - 4), lambda c: close(c, blue, 30))
    check(left > 0.9 and right > 0.9, f"{scene}: watermark halves {red} ({left:.0%}) and {blue} ({right:.0%})")


def check_camera_only(scene, path, info):
    R = info["recorded"]
    W, H = R[2] - R[0], R[3] - R[1]
    check((W, H) == (550, 450), f"{scene}: the picture area is recorded ({W}x{H})")
    check(info["camera_before_drag"] == info["camera_after_drag"],
          f"{scene}: a drag moves nothing while recording {info['camera_after_drag']}")
    if not probe(scene, path, W, H):
        return
    f1, f2 = Frame(path, 1.0, W, H, scene + "-1.0s"), Frame(path, 2.5, W, H, scene + "-2.5s")
    check(f1.ok and f2.ok, f"{scene}: frames decode")
    if not (f1.ok and f2.ok):
        return
    bars = f1.share((0, 100, W, 380), is_bar)
    check(bars > 0.8, f"{scene}: bars fill the picture ({bars:.0%})")
    dark = f1.share((0, H - 30, W, H - 10), lambda c: max(c) < 60)
    light = f1.share((0, H - 30, W, H - 10), lambda c: min(c) > 180)
    check(dark > 0.6 and light > 0.02, f"{scene}: a dark bottom band ({dark:.0%}) with a light block ({light:.0%})")
    edges = [(x, 0) for x in range(0, W, 5)] + [(x, H - 1) for x in range(0, W, 5)] + \
            [(0, y) for y in range(0, H, 5)] + [(W - 1, y) for y in range(0, H, 5)]
    blue = sum(1 for x, y in edges if close(f1.at(x, y), FRAME_BLUE, 50))
    check(blue < len(edges) // 20, f"{scene}: no blue frame at the edges ({blue} of {len(edges)})")
    moved = sum(1 for y in range(100, 380, 8) for x in range(0, W, 8) if not close(f1.at(x, y), f2.at(x, y), 30))
    check(moved > 50, f"{scene}: the picture moves ({moved} samples changed)")


def main():
    os.makedirs(OUT, exist_ok=True)
    for scene in sys.argv[2:] or ["A", "B", "C"]:
        rc, path, info = record(scene)
        check(rc == 0 and info is not None and info.get("result") == 0, f"{scene}: recorded")
        if rc != 0 or not info:
            continue
        for k in ("recorded", "time", "title", "watermark", "camera", "picture"):
            if info.get(k) is not None:
                info[k] = tuple(info[k])
        if scene == "C":
            check_camera_only(scene, path, info)
        else:
            check_pip_scene(scene, path, info)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
