#!/usr/bin/env python3
"""A recording with the camera picture and the overlays, through the staged Vistrel.exe.

Usage: check_program_overlays.py <Vistrel.exe> <program_probe.exe>   (needs DISPLAY: an Xvfb)
Settings.ini switches on the date and time, the title and a watermark picture, with a
virtual camera as picture-in-picture over the whole screen; F1 (the title prompt is
confirmed), a few seconds, F3. The decoded video must show each where the rules put it.
Frames and a screenshot of the camera window with its close button land in
build/e2e-overlays/.
"""
import os
import struct
import subprocess
import sys
import time
import zlib

sys.dont_write_bytecode = True  # no caches in the source tree
sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "overlays"))
import check_program as cp  # noqa: E402
import check_overlay_recordings as scene  # noqa: E402

OUT = os.path.join(cp.BUILD, "e2e-overlays")
SCREEN = (1280, 800)
MARK = (64, 48)  # the watermark picture: red left half, blue right half
CAMERA = "E2E Cam"


def write_png(path, w, h):
    rows = b"".join(b"\0" + b"".join(b"\xff\0\0" if x < w // 2 else b"\0\0\xff" for x in range(w)) for _ in range(h))
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def stage(out):
    cp.stage(cp.win(out))
    mark = os.path.join(cp.STAGE, "mark.png")
    write_png(mark, *MARK)
    settings = ("[Video]\r\nRecordRegion=0\r\nRecordObject=4\r\nVideoQuality=0\r\nCameraName=%s\r\nOutDir=%s\r\n"
                "[Audio]\r\nRecordSystemVoice=0\r\n[Common]\r\nMinWindow=0\r\nAutoUpdate=0\r\n"
                "[Advanced]\r\nNoteTime=1\r\nNoteTitle=1\r\nNoteWatermark=1\r\n"
                "[VideoTitle]\r\nTitle=Vistrel E2E\r\nType=0\r\nFontName=Liberation Sans\r\nFontSize=32\r\n"
                "ClrNormal=0\r\nClrShadow=6316128\r\nPosX=50\r\nPosY=0\r\n"
                "[VideoWatermask]\r\nPath=%s\r\nTransparency=0\r\nZoom=100\r\nPosX=0\r\nPosY=100\r\n"
                % (CAMERA, cp.win(out), cp.win(mark)))
    with open(os.path.join(cp.STAGE, "Settings.ini"), "wb") as f:
        f.write(b"\xff\xfe" + settings.encode("utf-16-le"))


def companions(rows, main):
    """The camera and overlay windows shown, by the rules' sizes and corners."""
    shown = [r for r in rows if r["visible"] and r["owner"] == 0 and r["hwnd"] != main["hwnd"] and r["cls"] == "#32770"]
    size = lambda r: (r["rect"][2] - r["rect"][0], r["rect"][3] - r["rect"][1])
    found = {
        "camera": next((r for r in shown if size(r) == (160, 120)), None),
        "watermark": next((r for r in shown if size(r) == MARK), None),
        "time": next((r for r in shown if r["rect"][2:] == list(SCREEN) and size(r) != (160, 120)), None),
        "title": next((r for r in shown if r["rect"][1] == 0 and size(r)[0] > 40), None),
    }
    return {k: tuple(v["rect"]) if v else None for k, v in found.items()}


def wait_all(what, timeout):
    """Waits until what(rows) holds for the rows of every window of the program."""
    end = time.time() + timeout
    while True:
        found = what(cp.probe("all"))
        if found or time.time() > end:
            return found
        time.sleep(0.3)


def check_placed(w):
    W, H = SCREEN
    cp.check(w["camera"] == (W - 161, H - 121, W - 1, H - 1), f"camera 160x120, 1 pixel in from the corner {w['camera']}")
    cp.check(w["watermark"] == (0, H - MARK[1], MARK[0], H), f"watermark at the bottom-left {w['watermark']}")
    t = w["time"]
    cp.check(t is not None and 100 < t[2] - t[0] < 400 and 10 < t[3] - t[1] < 40, f"time at the bottom-right {t}")
    t = w["title"]
    cp.check(t is not None and t[0] == W // 2 - (t[2] - t[0]) // 2, f"title centred at the top {t}")


def check_video(path, w):
    f1, f2 = (scene.Frame(path, t, *SCREEN, "e2e-%.1fs" % t) for t in (1.0, 2.5))
    if not cp.check(f1.ok and f2.ok, "frames at 1.0 s and 2.5 s decode"):
        return
    for name in ("e2e-1.0s.png", "e2e-2.5s.png"):
        os.replace(os.path.join(scene.OUT, name), os.path.join(OUT, name))
    grey, close = scene.GREY, scene.close
    if w["time"]:
        t = scene.inset(w["time"], 2)
        cp.check(f1.share(t, lambda c: close(c, grey, 30)) > 0.4 and f1.share(t, lambda c: min(c) > 180) > 0.03,
                 "video: the date box, white figures on grey")
        changed = sum(1 for y in range(t[1], t[3]) for x in range(t[0], t[2]) if not close(f1.at(x, y), f2.at(x, y), 60))
        cp.check(changed > 10, f"video: the time changes between 1.0 s and 2.5 s ({changed} pixels)")
    if w["title"]:
        t = scene.inset(w["title"], 3)
        grey_share, dark = f1.share(t, lambda c: close(c, grey, 30)), f1.share(t, lambda c: max(c) < 60)
        cp.check(grey_share > 0.6 and dark > 0.05, f"video: the title box ({grey_share:.0%} grey, {dark:.0%} dark text)")
    if w["watermark"]:
        m = w["watermark"]
        half = (m[0] + m[2]) // 2
        red = f1.share((m[0] + 4, m[1] + 4, half - 4, m[3] - 4), lambda c: close(c, (255, 0, 0), 30))
        blue = f1.share((half + 4, m[1] + 4, m[2] - 4, m[3] - 4), lambda c: close(c, (0, 0, 255), 30))
        cp.check(red > 0.9 and blue > 0.9, f"video: the watermark's red ({red:.0%}) and blue ({blue:.0%}) halves")
    if w["camera"]:
        c = w["camera"]
        band = f1.share((c[0] + 20, c[1] + 1, c[2] - 20, c[1] + 3), lambda p: close(p, scene.FRAME_BLUE, 50))
        middle = (c[0] + 6, c[1] + 30, c[2] - 6, c[1] + 80)
        bars = f1.share(middle, scene.is_bar)
        moved = sum(1 for y in range(middle[1], middle[3], 4) for x in range(middle[0], middle[2], 4)
                    if not close(f1.at(x, y), f2.at(x, y), 30))
        cp.check(band > 0.9 and bars > 0.6 and moved > 20,
                 f"video: the camera picture, blue frame ({band:.0%}), bars ({bars:.0%}), moving ({moved})")


def main():
    os.makedirs(OUT, exist_ok=True)
    os.makedirs(scene.OUT, exist_ok=True)
    out = os.path.join(OUT, "out")
    if os.path.isdir(out):
        for f in os.listdir(out):
            os.remove(os.path.join(out, f))
    cp.wine("cmd", "/c", "exit")
    stage(out)
    cp.ENV["VISTREL_VIRTUAL_DEVICES"] = "camera:%s@640x480" % CAMERA
    prog = cp.Program("overlays")
    try:
        if not cp.check(prog.main is not None, "the main window shows"):
            return 1
        main = prog.main
        cp.key(main, "F1")
        prompt = wait_all(cp.box_of(main), 15)
        if cp.check(prompt is not None, "the title prompt shows"):
            cp.post(prompt["hwnd"], 0x111, 1)
        started = cp.wait_for(lambda rows: (lambda m: m if m and not m["record"] else None)(cp.main_window(rows)), 15)
        t0 = time.time()
        cp.check(started is not None, "the recording starts")
        windows = companions(cp.probe("all"), main)
        check_placed(windows)

        # The camera window dragged by its body, its close button beside it; the button hides it.
        time.sleep(max(0.0, 3.5 - (time.time() - t0)))
        cam = windows["camera"] or (1119, 679, 1279, 799)
        cx, cy = (cam[0] + cam[2]) // 2, cam[1] + 40
        cp.xdo("mousemove", cx, cy)
        time.sleep(0.3)
        subprocess.run(["import", "-window", "root", os.path.join(OUT, "camera-corner.png")])
        cp.xdo("mousedown", "1")
        for step in range(1, 6):
            cp.xdo("mousemove", cx - 60 * step, cy - 40 * step)
            time.sleep(0.1)
        cp.xdo("mouseup", "1")
        time.sleep(0.5)
        shot = os.path.join(OUT, "camera-window.png")
        subprocess.run(["import", "-window", "root", shot])
        moved = companions(cp.probe("all"), main)["camera"]
        if cp.check(moved is not None and moved[0] == cam[0] - 300 and moved[1] == cam[1] - 200,
                    f"the camera window follows a drag of its body ({moved})"):
            cp.xdo("mousemove", moved[2] + 12, moved[1] + 12, "click", "1")
            hidden = wait_all(lambda rows: companions(rows, main)["camera"] is None, 4)
            cp.check(hidden, "its close button hides it")

        cp.key(main, "F3")
        folder = cp.wait_for(cp.browser, 10)
        if folder:
            cp.post(folder["hwnd"], 0x10)
        files = cp.recordings(out)
        if cp.check(len(files) == 1, f"one recording ({files})"):
            check_video(os.path.join(out, files[0]), windows)
        left = [k for k, v in companions(cp.probe("all"), main).items() if v]
        cp.check(not left, f"nothing left on the screen after the recording ({left})")
        cp.post(main["hwnd"], 0x10)
        cp.check(prog.wait(10) == 0, "WM_CLOSE ends the program")
        cp.check(not any("Failed" in t for t in prog.traces()), "no failure traces")
    finally:
        prog.kill()
    print("%d failure(s)" % len(cp.failures))
    return 1 if cp.failures else 0


if __name__ == "__main__":
    sys.exit(main())
