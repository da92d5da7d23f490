#!/usr/bin/env python3
"""Records a chosen rectangle through Vistrel.exe with real input and checks the files.

Drawn: F1 opens the selection, a drag draws 401 x 301 pixels, Enter records; the corner
marks and the control bar stand outside the rectangle, the bar's buttons follow the
recording, and the video is the rectangle made even (400 x 300). Picked: a click on a
window records that window's rectangle. Cancelled: Esc records nothing and the main window
comes back. Preset: the region-type menu's rectangle item opens on the default size, and
the area helper's record button records it at once.

Usage: check_region_recording.py <Vistrel.exe> <region_target.exe> <program_probe.exe>
(needs DISPLAY, xdotool, the stand-in encoder registered; screenshots go to
<build>/region-e2e/)
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.path.abspath(sys.argv[1])
TARGET = os.path.abspath(sys.argv[2])
PROBE = os.path.abspath(sys.argv[3])
BIN = os.path.dirname(EXE)
WORK = os.path.join(os.path.dirname(BIN), "region-e2e")
TITLE = "Tarn Video Recorder"
failures = []
started = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    if not cond:
        failures.append(what)


def xdo(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True).stdout.strip()


def screen(name):
    path = os.path.join(WORK, name + ".png")
    subprocess.run(["import", "-window", "root", path], capture_output=True)
    return path


def pixel(png, x, y):
    out = subprocess.run(["convert", png, "-format", "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]",
                          "-crop", f"1x1+{x}+{y}", "info:"], capture_output=True, text=True).stdout
    return tuple(int(v) for v in out.split(",")) if out.count(",") == 2 else None


def wine(*args, cwd=None):
    p = subprocess.Popen([os.path.join(ROOT, "scripts", "wine-exec")] + list(args), cwd=cwd,
                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    started.append(p)
    return p


def wait_for(cond, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if cond():
            return True
        time.sleep(0.2)
    return cond()


def main_window_visible():
    return xdo("search", "--onlyvisible", "--name", TITLE) != ""


def red_spot(png, box):
    """The middle of the reddish pixels in box (left, top, right, bottom), or None."""
    w, h = box[2] - box[0], box[3] - box[1]
    raw = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{box[0]}+{box[1]}", "-depth", "8", "rgb:-"],
                         capture_output=True).stdout
    if len(raw) != w * h * 3:
        return None
    pts = [(box[0] + i % w, box[1] + i // w) for i in range(w * h)
           if raw[3 * i] > 200 and raw[3 * i + 1] < 110 and raw[3 * i + 2] < 110]
    if not pts:
        return None
    return sum(p[0] for p in pts) // len(pts), sum(p[1] for p in pts) // len(pts)


def post_to_main(message, wparam):
    out = os.path.join(WORK, "probe.txt")
    with open(out, "wb") as f:
        subprocess.run([os.path.join(ROOT, "scripts", "wine-exec"), PROBE, "windows"], stdin=subprocess.DEVNULL,
                       stdout=f, stderr=subprocess.DEVNULL, timeout=60)
    for line in open(out, "rb").read().decode("utf-8", "replace").splitlines():
        f = line.split("|")
        if len(f) > 5 and f[1] == "#32770" and f[2] == TITLE and f[3] == "0" and f[5] == "1":
            subprocess.run([os.path.join(ROOT, "scripts", "wine-exec"), PROBE, "post", f[0], str(message),
                            str(wparam)], stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
            return True
    return False


def stage(out, preset=None):
    dist = os.path.join(WORK, "dist")
    shutil.rmtree(dist, ignore_errors=True)
    os.makedirs(os.path.join(dist, "Language"))
    shutil.copy(EXE, dist)
    for dll in glob.glob(os.path.join(BIN, "*.dll")):
        if not os.path.basename(dll).startswith("standin_"):
            shutil.copy(dll, dist)
    for ini in glob.glob(os.path.join(ROOT, "resources", "Language", "*.ini")):
        shutil.copy(ini, os.path.join(dist, "Language"))
    settings = ("[Video]\r\nRecordRegion=1\r\nRecordObject=1\r\nVideoQuality=1\r\nOutDir=Z:" +
                out.replace("/", "\\") + "\r\n[Audio]\r\nRecordSystemVoice=0\r\n[Common]\r\n"
                "UseDefaultRecordSize=%d\r\nDefaultRecordSize=%s\r\nMinWindow=0\r\nAutoUpdate=0\r\nShowShadow=0\r\n"
                "OpenFileAfterRecord=0\r\nCloseToTray=0\r\n") % (1 if preset else 0, preset or "640x480")
    with open(os.path.join(dist, "Settings.ini"), "wb") as f:
        f.write(b"\xff\xfe" + settings.encode("utf-16-le"))
    return dist


def bar_states(name):
    """While recording, the bar shows pause where record was; paused (F2), record again."""
    if name != "drawn":
        return
    spot = (367 + 7 + 16, 460 + 4 + 12)  # the middle of the record/pause place
    def record_dot(c):
        return c is not None and c[0] > 200 and c[1] < 110 and c[2] < 110

    check(not record_dot(pixel(screen("drawn-bar-recording"), *spot)), "drawn: recording, the bar shows pause")
    xdo("key", "F2")
    time.sleep(2)
    check(record_dot(pixel(screen("drawn-bar-paused"), *spot)), "drawn: paused, the bar shows record again")


def run(name, choose, expect_file, preset=None):
    """Starts the program, opens the selection (F1, or with a preset size the region-type
    menu's rectangle item), lets choose() work the overlay; returns the files."""
    out = os.path.join(WORK, name + "-out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    dist = stage(out, preset)
    app = wine(os.path.join(dist, "Vistrel.exe"), cwd=dist)
    check(wait_for(main_window_visible, 20), f"{name}: the main window shows")
    w, h = (int(v) for v in xdo("getdisplaygeometry").split())
    main = (w - 244 - 5, h - 168 - 5)
    xdo("mousemove", main[0] + 120, main[1] + 60)
    time.sleep(0.5)
    if preset:
        post_to_main(0x111, 32777)  # WM_COMMAND: the user-defined rectangle item
    else:
        xdo("key", "F1")
    check(wait_for(lambda: not main_window_visible(), 10), f"{name}: the selection opens, the main window hides")
    time.sleep(1.5)
    choose()
    files = []
    if expect_file:
        check(wait_for(main_window_visible, 10), f"{name}: the main window is back")
        time.sleep(2)
        mark = marks[name]
        # The marks blink: look until one shows them (a look takes about as long as a blink).
        end, i = time.time() + 5, 0
        while time.time() < end:
            png = screen(f"{name}-recording-{i}")
            i += 1
            if red(pixel(png, *mark)):
                shutil.copy(png, os.path.join(WORK, name + "-recording.png"))
                break
            time.sleep(0.17 * (i % 3))
        xdo("mousemove", main[0] + 120, main[1] + 60)
        time.sleep(0.3)
        bar_states(name)
        xdo("key", "F3")
        wait_for(lambda: glob.glob(os.path.join(out, "*.wmv")) and probe(glob.glob(os.path.join(out, "*.wmv"))[0]), 15)
        time.sleep(2)
        files = glob.glob(os.path.join(out, "*.wmv"))
    else:
        check(wait_for(main_window_visible, 10), f"{name}: the main window is back")
        time.sleep(2)
        files = glob.glob(os.path.join(out, "*.wmv"))
    app.kill()  # the file is finished by now
    app.wait()
    return files


def probe(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-of", "json", path], capture_output=True, text=True)
    if p.returncode != 0:
        return None
    streams = [s for s in json.loads(p.stdout).get("streams", []) if s.get("codec_type") == "video"]
    return (streams[0]["width"], streams[0]["height"]) if streams else None


def frame_pixel(path, x, y, w, h):
    p = subprocess.run(["ffmpeg", "-v", "error", "-ss", "1", "-i", path, "-frames:v", "1", "-f", "rawvideo",
                        "-pix_fmt", "rgb24", "-"], capture_output=True)
    d = p.stdout
    return tuple(d[(y * w + x) * 3:(y * w + x) * 3 + 3]) if len(d) == w * h * 3 else None


# A pixel of each run's top-left corner mark.
marks = {"drawn": (185, 135), "picked": (286, 186), "cancelled": (0, 0), "preset": (305, 145)}


def red(c):
    return c is not None and c[0] > 200 and c[1] < 60 and c[2] < 60


def draw():
    xdo("mousemove", 200, 150)
    time.sleep(0.3)
    xdo("mousedown", 1)
    for i in range(1, 11):
        xdo("mousemove", 200 + 40 * i, 150 + 30 * i)
        time.sleep(0.05)
    time.sleep(0.3)
    xdo("mouseup", 1)
    time.sleep(0.5)
    screen("drawn-adjusting")
    xdo("key", "Return")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)

    files = run("drawn", draw, True)
    check(len(files) == 1, f"drawn: one file ({len(files)})")
    if files:
        check(probe(files[0]) == (400, 300), f"drawn: video 400x300, the 401x301 drawn made even ({probe(files[0])})")
        corner = frame_pixel(files[0], 0, 0, 400, 300)
        check(corner is not None and not red(corner), f"drawn: no corner mark in the video ({corner})")
    png = os.path.join(WORK, "drawn-recording.png")
    check(os.path.exists(png), "drawn: the corner marks show while recording")
    if os.path.exists(png):
        check(red(pixel(png, 185, 135)), f"drawn: top-left mark at (185,135) ({pixel(png, 185, 135)})")
        check(red(pixel(png, 615, 465)), f"drawn: bottom-right mark at (615,465) ({pixel(png, 615, 465)})")
        check(not red(pixel(png, 200, 150)), "drawn: the rectangle itself is not marked")
        # The bar: below the rectangle grown by 8, right-aligned (x = 609 - 242, y = 460).
        bar = pixel(png, 367 + 42, 460 + 2)
        art = pixel(os.path.join(ROOT, "resources", "art", "149_record_bar_background.png"), 42, 2)
        check(bar == art, f"drawn: the control bar beside the rectangle ({bar} is the bar's {art})")

    target = wine(TARGET, "301", "201", "333", "255", "60")

    def pick():
        xdo("mousemove", 450, 300)
        time.sleep(0.3)
        xdo("mousemove", 460, 310)
        time.sleep(0.3)
        screen("picked-picking")
        xdo("click", 1)
        time.sleep(0.5)
        xdo("key", "Return")

    files = run("picked", pick, True)
    check(len(files) == 1 and probe(files[0]) == (332, 254),
          f"picked: the window's 333x255 recorded as 332x254 ({files and probe(files[0])})")
    check(os.path.exists(os.path.join(WORK, "picked-recording.png")), "picked: the corner marks show round the window")
    target.kill()

    def cancel():
        xdo("mousemove", 500, 400)
        time.sleep(0.3)
        xdo("key", "Escape")

    files = run("cancelled", cancel, False)
    check(not files, f"cancelled: nothing recorded ({len(files)} files)")

    # 641 x 481 centred on 1280 x 800: (319, 159, 960, 640); the helper below it, right-aligned.
    def record_now():
        png = screen("preset-adjusting")
        # Right of the fields and below the title strip (whose icon is red too).
        spot = red_spot(png, (960 - 205 + 110, 641 + 18, 960, 641 + 72))
        check(spot is not None, f"preset: the helper's record button under the preset rectangle ({spot})")
        if spot:
            xdo("mousemove", *spot)
            time.sleep(0.3)
            xdo("click", 1)

    files = run("preset", record_now, True, preset="641x481")
    check(len(files) == 1 and probe(files[0]) == (640, 480),
          f"preset: recorded at once, 641x481 made even ({files and probe(files[0])})")

    # The file browser each recording opened, and anything else still ours.
    for p in started:
        if p.poll() is None:
            p.kill()
    prefix = os.environ.get("WINEPREFIX", os.path.join(os.path.dirname(BIN), "wineprefix"))
    for pid in subprocess.run(["pgrep", "-f", "explorer.exe /select"], capture_output=True, text=True).stdout.split():
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0"):
                    os.kill(int(pid), 9)
        except OSError:
            pass
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        code = main()
    finally:  # nothing of ours outlives the check, also when it fails midway
        for proc in started:
            if proc.poll() is None:
                proc.kill()
    sys.exit(code)
