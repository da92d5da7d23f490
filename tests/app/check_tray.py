#!/usr/bin/env python3
"""The staged Vistrel.exe with CloseToTray set, steered through Wine's system tray with real
clicks (xdotool): the close button puts it into the tray, the icon's menu records and
stops (the window shows again with the file), a double click brings the window back with
its shadow, Exit ends the program and saves the settings. Screenshots of the shadow and both menus land in the build folder.

Usage: check_tray.py <Vistrel.exe> <program_probe.exe>   (needs DISPLAY: an Xvfb)
"""
import datetime
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import check_program as cp  # noqa: E402
from check_program import check, wait_for, xdo  # noqa: E402

TRAY_ITEMS = 5  # Show, Record, Pause, Stop, Exit


def tray_icon():
    out = os.path.join(cp.BUILD, "e2e-tray-probe.txt")
    with open(out, "wb") as f:
        subprocess.run([cp.WINE_EXEC, cp.PROBE, "tray"], env=cp.ENV, stdin=subprocess.DEVNULL, stdout=f,
                       stderr=subprocess.DEVNULL, timeout=60)
    x, y, shown = open(out).read().split()
    return int(x), int(y), shown == "1"


def row(hwnd):
    return lambda rows: next((r for r in rows if r["hwnd"] == hwnd), None)


def shadow_of(main):
    return lambda rows: next((r for r in rows if r["cls"] == "DTShadowWnd" and r["owner"] == main["hwnd"]), None)


def menu(rows):
    return next((r for r in rows if r["cls"] == "#32768" and r["visible"]), None)


def screenshot(name):
    path = os.path.join(cp.BUILD, "e2e-tray-%s.png" % name)
    subprocess.run(["import", "-window", "root", path])
    print("screenshot " + path, flush=True)


def tray_pick(index, shot=None):
    """Right click on the icon, then a click on the menu's item (all items are one height).
    Returns the time of that click (None when no menu opened)."""
    x, y, _ = tray_icon()
    xdo("mousemove", x, y, "click", "3")
    m = wait_for(menu, 6)
    if not check(m is not None, "the icon's menu opens on a right click"):
        return None
    if shot:
        time.sleep(0.3)
        screenshot(shot)
    left, top, right, bottom = m["rect"]
    step = (bottom - top) / TRAY_ITEMS
    xdo("mousemove", (left + right) // 2, int(top + step * (index + 0.5)))
    time.sleep(0.2)
    picked = datetime.datetime.now(), time.time()
    xdo("click", "1")
    return picked


def run_tray(out):
    cp.stage(cp.win(out))
    settings = os.path.join(cp.STAGE, "Settings.ini")
    text = open(settings, "rb").read().decode("utf-16")
    text = text.replace("[Common]\r\n", "[Common]\r\nCloseToTray=1\r\nShowShadow=1\r\n")
    open(settings, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
    prog = cp.Program("T")
    try:
        if not check(prog.main is not None, "T: the main window shows"):
            return
        main = prog.main
        time.sleep(0.5)  # timer 2
        shadow = wait_for(shadow_of(main), 3)
        r = main["rect"]
        check(shadow is not None and shadow["visible"] and shadow["rect"] == [r[0] - 5, r[1] - 5, r[2] + 5, r[3] + 5],
              "T: the shadow shows, 5 pixels round the window (%s)" % (shadow and shadow["rect"]))
        screenshot("shadow")

        # The language menu, owner-drawn (looked at on the screenshot), closed again.
        cp.click(main, 181, 13)
        check(wait_for(menu, 6) is not None, "T: the language menu opens")
        time.sleep(0.3)
        screenshot("language-menu")
        xdo("key", "Escape")
        if wait_for(lambda rows: menu(rows) is None, 3) is None:
            xdo("mousemove", 600, 300, "click", "1")

        check(not tray_icon()[2], "T: no icon before closing to the tray")
        cp.click(main, 229, 14)
        hidden = wait_for(lambda rows: (lambda m: m if m and not m["visible"] and not m["iconic"] else None)(
            row(main["hwnd"])(rows)), 6)
        check(hidden is not None, "T: the close button hides the window")
        check(tray_icon()[2], "T: the icon is in the tray")
        check(not (wait_for(shadow_of(main), 1) or {}).get("visible"), "T: the shadow hides with it")

        picked = tray_pick(1, shot="menu")
        pressed, t0 = picked or (datetime.datetime.now(), time.time())
        if picked:
            started = wait_for(lambda rows: (lambda m: m if m and not m["record"] else None)(row(main["hwnd"])(rows)), 10)
            check(started is not None, "T: Record in the tray menu starts a recording")
        time.sleep(3)
        picked = tray_pick(3)
        t1 = picked[1] if picked else time.time()
        if picked:
            folder = wait_for(cp.browser, 10)
            check(folder is not None, "T: Stop in the tray menu ends it (the folder opens)")
            if folder:
                cp.post(folder["hwnd"], 0x10)
        files = cp.recordings(out)
        if check(len(files) == 1, f"T: one recording ({files})"):
            cp.check_file("T", os.path.join(out, files[0]), t1 - t0, pressed)
        shown = lambda rows: (lambda m: m if m and m["visible"] else None)(row(main["hwnd"])(rows))
        check(wait_for(shown, 6) is not None, "T: the window shows again with the finished file")

        cp.click(main, 229, 14)
        wait_for(lambda rows: (lambda m: m if m and not m["visible"] else None)(row(main["hwnd"])(rows)), 6)
        x, y, _ = tray_icon()
        xdo("mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1")
        back = wait_for(shown, 6)
        check(back is not None, "T: a double click on the icon brings the window back")
        shadow = wait_for(lambda rows: (lambda s: s if s and s["visible"] else None)(shadow_of(main)(rows)), 3)
        check(shadow is not None, "T: and its shadow")

        cp.click(main, 229, 14)
        wait_for(lambda rows: (lambda m: m if m and not m["visible"] else None)(row(main["hwnd"])(rows)), 6)
        if tray_pick(4):
            check(prog.wait(10) == 0, "T: Exit in the tray menu ends the program with 0")
        check(wait_for(lambda rows: not tray_icon()[2], 6), "T: the icon leaves the tray")
        written = open(settings, "rb").read().decode("utf-16")
        check("Hotkey_Start=112" in written and "CloseToTray=1" in written, "T: Settings.ini written at exit")
        traces = prog.traces()
        check("OnClose IN" in traces and "OnClose OUT" in traces, "T: OnClose IN and OUT")
        check(not any("Failed" in t for t in traces), "T: no failure traces")
    finally:
        prog.kill()


def main():
    out_root = os.path.join(cp.BUILD, "e2e-tray-out")
    shutil.rmtree(out_root, ignore_errors=True)
    os.makedirs(out_root)
    cp.wine("cmd", "/c", "exit")
    # A light desktop for the screenshots (the black shadow vanishes on a black one), put
    # back afterwards for the tests that follow on the same display.
    root = lambda colour: subprocess.run(["display", "-window", "root", "-size", "1280x800", "xc:" + colour],
                                         stderr=subprocess.DEVNULL, timeout=20)
    root("#d8d8d8")
    try:
        run_tray(os.path.join(out_root, "out"))
    finally:
        root("#000000")
    print("%d failure(s)" % len(cp.failures))
    return 1 if cp.failures else 0


if __name__ == "__main__":
    sys.exit(main())
