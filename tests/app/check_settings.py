#!/usr/bin/env python3
"""The settings window through the staged Vistrel.exe and real input.

Usage: check_settings.py <Vistrel.exe> <program_probe.exe>   (needs DISPLAY: an Xvfb)
The settings button opens it; a new output folder is typed in, each page is shown (and
photographed into build/test-screens), F5 becomes the start key, the close button
confirms. F5 then records into the new folder, and Settings.ini keeps both at close.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_program as cp  # noqa: E402

cp.STAGE = os.path.join(cp.BUILD, "e2e-settings")
SHOTS = os.path.join(cp.BUILD, "test-screens")

# Client points of the settings window: page buttons, the folder field, the start key's
# field on the advanced page, the close button.
PAGES = {"video": (35, 37), "audio": (35, 64), "common": (35, 91), "advanced": (35, 118)}
FOLDER_FIELD = (150, 59)
START_KEY_FIELD = (223, 59)
CLOSE = (279, 8)


def at(window, point, *then):
    cp.xdo("mousemove", window["rect"][0] + point[0], window["rect"][1] + point[1], "click", "1", *then)
    time.sleep(0.6)


def shot(name):
    os.makedirs(SHOTS, exist_ok=True)
    subprocess.run(["import", "-window", "root", os.path.join(SHOTS, "program-settings-%s.png" % name)])


def run_settings(out_a, out_b):
    os.makedirs(out_b)  # an existing folder: no question about making it
    cp.stage(cp.win(out_a))
    prog = cp.Program("S")
    try:
        if not cp.check(prog.main is not None, "S: the main window shows"):
            return
        main = prog.main
        settings = cp.click_until(main, 220, 145, cp.settings_of(main), timeout=10)
        if not cp.check(settings is not None, "S: the settings button opens the settings window"):
            return
        time.sleep(1)
        at(settings, FOLDER_FIELD)
        cp.xdo("key", "End", "shift+Home")
        cp.xdo("type", "--delay", "30", cp.win(out_b))
        time.sleep(0.5)
        for page, point in PAGES.items():
            at(settings, point)
            if page == "advanced":
                at(settings, START_KEY_FIELD)
                cp.xdo("key", "F5")
                time.sleep(0.5)
            shot(page)
        at(settings, CLOSE)
        cp.check(cp.wait_for(lambda rows: cp.settings_of(main)(rows) is None, 6), "S: the close button confirms")

        t0 = cp.key(main, "F5")
        cp.check(cp.wait_for(lambda rows: (lambda m: m if m and not m["record"] else None)(cp.main_window(rows)), 8)
                 is not None, "S: the new start key records")
        time.sleep(max(0.0, 3 - (time.time() - t0)))
        cp.key(main, "F3")
        folder = cp.wait_for(cp.browser, 8)
        if folder:
            cp.post(folder["hwnd"], 0x10)
        cp.check(len(cp.recordings(out_b)) == 1 and cp.recordings(out_a) == [],
                 f"S: one recording, in the new folder ({cp.recordings(out_b)})")
        cp.post(main["hwnd"], 0x10)
        cp.check(prog.wait(10) == 0, "S: the program ends")
        written = open(os.path.join(cp.STAGE, "Settings.ini"), "rb").read().decode("utf-16")
        cp.check("OutDir=%s\r\n" % cp.win(out_b) in written, "S: Settings.ini keeps the new folder")
        cp.check("Hotkey_Start=116\r\n" in written, "S: Settings.ini keeps the new start key")
    finally:
        prog.kill()


def main():
    out_root = os.path.join(cp.BUILD, "e2e-settings-out")
    shutil.rmtree(out_root, ignore_errors=True)
    os.makedirs(out_root)
    cp.wine("cmd", "/c", "exit")
    run_settings(os.path.join(out_root, "a"), os.path.join(out_root, "b"))
    print("%d failure(s)" % len(cp.failures))
    return 1 if cp.failures else 0


if __name__ == "__main__":
    sys.exit(main())
