#!/usr/bin/env python3
"""Runs the staged Vistrel.exe under Wine and records with it through real input.

Usage: check_program.py <Vistrel.exe> <program_probe.exe>   (needs DISPLAY: an Xvfb)
The program is staged as scripts/run stages it, with a prepared Settings.ini (whole
screen, no sound, not minimised); xdotool gives the clicks and keys, program_probe reads
the windows, ffprobe the files.
"""
import datetime
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.path.abspath(sys.argv[1])
PROBE = os.path.abspath(sys.argv[2])
BIN = os.path.dirname(EXE)
BUILD = os.path.dirname(BIN)
STAGE = os.path.join(BUILD, "e2e-program")
WINE_EXEC = os.path.join(ROOT, "scripts", "wine-exec")
ENV = dict(os.environ, VISTREL_BUILD=BUILD)
failures = []
last_click = 0.0


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    if not cond:
        failures.append(what)
    return cond


def win(path):
    return "Z:" + path.replace("/", "\\")


def english(key):
    text = open(os.path.join(ROOT, "resources", "Language", "English.ini"), encoding="utf-16").read()
    m = re.search(r"^" + re.escape(key) + r"=(.*)$", text, re.M)
    return m.group(1).strip() if m else ""


def flat(text):
    return " ".join(text.replace("\\n", " ").split())


def stage(out_dir):
    shutil.rmtree(STAGE, ignore_errors=True)
    os.makedirs(os.path.join(STAGE, "Language"))
    for name in ("Vistrel.exe", "Vistrel.dll", "Vistrelenc.dll"):
        shutil.copy(os.path.join(BIN, name), STAGE)
    for ini in glob.glob(os.path.join(ROOT, "resources", "Language", "*.ini")):
        shutil.copy(ini, os.path.join(STAGE, "Language"))
    settings = ("[Video]\r\nRecordRegion=0\r\nRecordObject=1\r\nVideoQuality=1\r\nOutDir=%s\r\n"
                "[Audio]\r\nRecordSystemVoice=0\r\n[Common]\r\nMinWindow=0\r\nAutoUpdate=0\r\n" % out_dir)
    with open(os.path.join(STAGE, "Settings.ini"), "wb") as f:
        f.write(b"\xff\xfe" + settings.encode("utf-16-le"))


def probe(*extra):
    # Through a file, not a pipe: a Wine service started meanwhile would inherit a pipe
    # and hold it open.
    out = os.path.join(BUILD, "e2e-program-probe.txt")
    with open(out, "wb") as f:
        subprocess.run([WINE_EXEC, PROBE, "windows", *extra], env=ENV, stdin=subprocess.DEVNULL, stdout=f,
                       stderr=subprocess.DEVNULL, timeout=60)
    rows = []
    for line in open(out, "rb").read().decode("utf-8", "replace").splitlines():
        f = line.split("|")
        if len(f) < 13:
            continue
        rows.append({"hwnd": int(f[0]), "cls": f[1], "title": f[2], "owner": int(f[3]),
                     "rect": [int(v) for v in f[4].split(",")], "visible": f[5] == "1", "iconic": f[6] == "1",
                     "text": f[7], "time": f[8], "size": f[9], "file": f[10],
                     "record": f[11] == "1", "stop": f[12] == "1", "player": f[13] if len(f) > 13 else ""})
    return rows


def post(hwnd, msg, wparam=0):
    subprocess.run([WINE_EXEC, PROBE, "post", str(hwnd), str(msg), str(wparam)], env=ENV, timeout=60)


def wait_for(what, timeout):
    end = time.time() + timeout
    while True:
        rows = probe()
        found = what(rows)
        if found or time.time() > end:
            return found
        time.sleep(0.3)


def main_window(rows):
    return next((r for r in rows if r["cls"] == "#32770" and r["owner"] == 0 and r["title"] == "Tarn Video Recorder"
                 and r["visible"]), None)


def box_of(main):
    return lambda rows: next((r for r in rows if r["cls"] == "#32770" and r["owner"] == main["hwnd"]), None)


def browser(rows):
    return next((r for r in rows if r["cls"] in ("ExplorerWClass", "CabinetWClass") and r["title"] == "out"), None)


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=False)


def placed(main):
    """The window as it is now (it may still have been moving when first seen)."""
    now = next((r for r in probe() if r["hwnd"] == main["hwnd"]), None)
    return now or main


def click(main, x, y):
    """Returns when the click was made."""
    main = placed(main)
    xdo("mousemove", main["rect"][0] + x, main["rect"][1] + y, "click", "1")
    return time.time()


def click_until(main, x, y, what, timeout=6, tries=3):
    """Clicks until what(rows) holds: an X click now and then gets lost while Wine is busy
    (a second click on a start in progress is refused by the program)."""
    global last_click
    for _ in range(tries):
        last_click = click(main, x, y)
        found = wait_for(what, timeout)
        if found:
            return found
    shot = os.path.join(BUILD, "e2e-program-lost-click.png")
    subprocess.run(["import", "-window", "root", shot])
    print("note: clicks at (%d, %d) changed nothing; screen in %s" % (x, y, shot), flush=True)
    subprocess.run(["xdotool", "getmouselocation", "--shell"])
    subprocess.run(["sh", "-c", "xdotool search --name 'Tarn Video Recorder' | while read w; do echo $w; xdotool getwindowgeometry $w; done"])
    print(probe(), flush=True)
    return None


def key(main, name):
    # The keys reach the hook only while the X focus is on a Wine window: point at ours.
    main = placed(main)
    xdo("mousemove", main["rect"][0] + 60, main["rect"][1] + 12)
    time.sleep(0.2)
    xdo("key", name)
    return time.time()


class Program:
    def __init__(self, name):
        self.log = os.path.join(BUILD, "e2e-program-%s.log" % name)
        env = dict(ENV, WINEDEBUG="-all,warn+seh")
        # Only a window that was not there before is this program's.
        before = {r["hwnd"] for r in probe() if main_window([r])}
        self.p = subprocess.Popen([WINE_EXEC, win(os.path.join(STAGE, "Vistrel.exe"))], cwd=STAGE, env=env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=open(self.log, "w"))
        self.main = wait_for(lambda rows: main_window([r for r in rows if r["hwnd"] not in before]), 60)
        if self.main:
            time.sleep(0.5)
            self.main = placed(self.main)
        if before:
            print("note: main windows of earlier runs still there: %s" % sorted(before), flush=True)

    def traces(self):
        return re.findall(r'OutputDebugStringA "(.*)"', open(self.log, errors="replace").read())

    def wait(self, timeout):
        try:
            return self.p.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.p.poll() is None:
            self.p.kill()
            self.p.wait()


def recordings(out):
    return sorted(f for f in os.listdir(out) if f.endswith(".wmv")) if os.path.isdir(out) else []


def check_file(run, path, seconds, pressed_at):
    name = os.path.basename(path)
    check(re.match(r"^\d{4}(-\d\d){5}\.wmv$", name) is not None, f"{run}: time-stamped name {name}")
    try:
        stamp = datetime.datetime.strptime(name[:-4], "%Y-%m-%d-%H-%M-%S")
        check(abs((stamp - pressed_at).total_seconds()) <= 2.5, f"{run}: stamped at the press ({stamp} / {pressed_at})")
    except ValueError:
        check(False, f"{run}: stamp parses")
    p = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_format", "-show_streams", "-of", "json",
                        path], capture_output=True, text=True)
    if not check(p.returncode == 0, f"{run}: ffprobe reads the file"):
        return
    info = json.loads(p.stdout)
    video = [s for s in info["streams"] if s["codec_type"] == "video"]
    fmt = info["format"]
    check("asf" in fmt.get("format_name", ""), f"{run}: asf container ({fmt.get('format_name')})")
    check(len(video) == 1 and (video[0]["width"], video[0]["height"]) == (1280, 800), f"{run}: one 1280x800 video")
    duration = float(fmt.get("duration", 0))
    check(abs(duration - seconds) <= 1.2, f"{run}: duration {duration:.2f} s, about {seconds:.2f} s")
    if video and duration > 0:
        rate = int(video[0].get("nb_read_packets", 0)) / duration
        # The stand-in drops frames on a busy machine; far off means a wrong frame rate.
        check(7 <= rate <= 17, f"{run}: {rate:.1f} frames/s, about 15")


def run_buttons(out):
    """A: the record and stop buttons; the folder opens; close writes Settings.ini."""
    stage(win(out))
    prog = Program("A")
    try:
        if not check(prog.main is not None, "A: the main window shows"):
            return
        main = prog.main
        check(main["rect"] == [1031, 627, 1275, 795], f"A: at the bottom right, 244x168 ({main['rect']})")
        pressed = datetime.datetime.now()
        started = click_until(main, 106, 145, lambda rows: (lambda m: m if m and not m["record"] else None)(main_window(rows)))
        t0 = last_click
        check(started is not None, "A: the record button starts")
        running = wait_for(lambda rows: (lambda m: m if m and m["time"] >= "00:01" else None)(main_window(rows)), 6)
        check(running is not None, "A: the clock counts")
        if running:
            check(re.match(r"^\d{4}(-\d\d){5}\.wmv$", running["file"]) is not None, f"A: file name shown ({running['file']})")
        time.sleep(max(0.0, 3.5 - (time.time() - t0)))
        idle = click_until(main, 182, 145,
                           lambda rows: (lambda m: m if m and m["record"] and not m["stop"] else None)(main_window(rows)),
                           timeout=3)
        t1 = last_click
        check(idle is not None, "A: buttons idle soon after stop")
        folder = wait_for(browser, 8)
        check(folder is not None, "A: the output folder opens in the file browser")
        if folder:
            post(folder["hwnd"], 0x10)
        files = recordings(out)
        if check(len(files) == 1, f"A: one recording ({files})"):
            check_file("A", os.path.join(out, files[0]), t1 - t0, pressed)
        click(main, 229, 14)
        check(prog.wait(10) == 0, "A: the close button ends the program with 0")
        traces = prog.traces()
        check("ThreadRecord IN" in traces, "A: trace ThreadRecord IN")
        check(not any("Failed" in t for t in traces), "A: no failure traces")
        check("OnClose IN" in traces and "OnClose OUT" in traces, "A: OnClose IN and OUT")
        written = open(os.path.join(STAGE, "Settings.ini"), "rb").read().decode("utf-16")
        check("Hotkey_Start=112" in written and "RecordRegion=0" in written, "A: Settings.ini written at close")
    finally:
        prog.kill()


def run_hot_keys(out):
    """B: F1, F2, F1, F3: the pause is not in the file."""
    stage(win(out))
    prog = Program("B")
    try:
        if not check(prog.main is not None, "B: the main window shows"):
            return
        main = prog.main
        pressed = datetime.datetime.now()
        t0 = key(main, "F1")
        time.sleep(2)
        t_pause = key(main, "F2")
        time.sleep(3)
        t_continue = key(main, "F1")
        time.sleep(2)
        t1 = key(main, "F3")
        folder = wait_for(browser, 8)
        if folder:
            post(folder["hwnd"], 0x10)
        files = recordings(out)
        if check(len(files) == 1, f"B: one recording ({files})"):
            check_file("B", os.path.join(out, files[0]), (t_pause - t0) + (t1 - t_continue), pressed)
        post(main["hwnd"], 0x10)
        check(prog.wait(10) == 0, "B: WM_CLOSE ends the program")
        check(not any("Failed" in t for t in prog.traces()), "B: no failure traces")
    finally:
        prog.kill()


def run_close_while_recording(out):
    """C: closing while recording finishes the file, then ends without the file browser."""
    stage(win(out))
    prog = Program("C")
    try:
        if not check(prog.main is not None, "C: the main window shows"):
            return
        main = prog.main
        pressed = datetime.datetime.now()
        click_until(main, 106, 145, lambda rows: (lambda m: m if m and not m["record"] else None)(main_window(rows)))
        t0 = last_click
        time.sleep(3)
        click(main, 229, 14)
        box = wait_for(box_of(main), 6)
        t1 = time.time()
        if check(box is not None, "C: the question shows"):
            check(flat(box["text"]) == flat(english("IDS_CLOSEAPP_WHEN_RECORD")), "C: its text")
            post(box["hwnd"], 0x111, 1)  # the message goes when the probe has started, at its end
            t1 = time.time()
        check(prog.wait(10) == 0, "C: the program ends once the file is finished")
        check(wait_for(browser, 3) is None, "C: no file browser")
        files = recordings(out)
        if check(len(files) == 1, f"C: one recording ({files})"):
            check_file("C", os.path.join(out, files[0]), t1 - t0, pressed)
    finally:
        prog.kill()


def settings_of(main):
    title = english("IDC_STC_ADVANCEDSET_TITLE")
    return lambda rows: next((r for r in rows if r["owner"] == main["hwnd"] and r["title"] == title and r["visible"]),
                             None)


def run_failure(name, out_dir, out, expected, prepare=None, restore=None, settings_follow=False):
    stage(out_dir)
    if prepare:
        prepare()
    prog = Program(name)
    try:
        if not check(prog.main is not None, f"{name}: the main window shows"):
            return
        main = prog.main
        box = click_until(main, 106, 145, box_of(main), timeout=10)
        if box is None:
            subprocess.run(["import", "-window", "root", os.path.join(BUILD, f"e2e-program-{name}.png")])
            print(probe(), flush=True)
        if check(box is not None, f"{name}: a message shows"):
            check(flat(box["text"]) == flat(expected), f"{name}: message '{box['text'][:60]}...'")
            post(box["hwnd"], 0x111, 1)
            time.sleep(1)
        check(recordings(out) == [], f"{name}: no file")
        if settings_follow and check(wait_for(settings_of(main), 10) is not None, f"{name}: the settings window opens"):
            post(main["hwnd"], 0x111, 32787)  # the tray's Exit ends it, then the program
        else:
            post(main["hwnd"], 0x10)
        check(prog.wait(10) == 0, f"{name}: the program ends")
    finally:
        prog.kill()
        if restore:
            restore()


def player_window(rows):
    return next((r for r in rows if r["player"] and r["visible"]), None)


def run_player(out):
    """F: with OpenFileAfterRecord and sound, the recording opens in the player a second
    after Stop and plays: the player names the file, the main window counts
    "position/duration" and stops at the end; closing the player leaves the main idle."""
    stage(win(out))
    settings = ("[Video]\r\nRecordRegion=0\r\nRecordObject=1\r\nVideoQuality=1\r\nOutDir=%s\r\n"
                "[Audio]\r\nRecordSystemVoice=1\r\nDeviceName=Default_Audio_Device\r\n[Common]\r\nMinWindow=0\r\nAutoUpdate=0\r\n"
                "OpenFileAfterRecord=1\r\n" % win(out))
    with open(os.path.join(STAGE, "Settings.ini"), "wb") as f:
        f.write(b"\xff\xfe" + settings.encode("utf-16-le"))
    prog = Program("F")
    try:
        if not check(prog.main is not None, "F: the main window shows"):
            return
        main = prog.main
        started = click_until(main, 106, 145, lambda rows: (lambda m: m if m and not m["record"] else None)(main_window(rows)))
        check(started is not None, "F: recording starts")
        time.sleep(4)
        click_until(main, 182, 145, lambda rows: (lambda m: m if m and not m["stop"] else None)(main_window(rows)),
                    timeout=4)
        player = wait_for(player_window, 15)
        files = recordings(out)
        check(len(files) == 1, f"F: one recording ({files})")
        if not check(player is not None, "F: the player window opens"):
            subprocess.run(["import", "-window", "root", os.path.join(BUILD, "e2e-program-F.png")])
            return
        name = files[0] if files else "?"
        check(player["player"] == english("IDS_PLAYER_TITLE").replace("%s", name, 1),
              f"F: the player's title names the file ({player['player']})")
        counting = wait_for(lambda rows: (lambda m: m if m and re.match(r"^00:0[1-9]/00:0[3-5]$", m["time"]) else None)(
            main_window(rows)), 8)
        subprocess.run(["import", "-window", "root", os.path.join(BUILD, "e2e-program-player.png")])
        if check(counting is not None, "F: the main window counts position/duration"):
            check(not counting["record"] and counting["stop"], f"F: record off, stop on while playing ({counting['time']})")
        folder = wait_for(browser, 8)
        if folder:
            post(folder["hwnd"], 0x10)
        ended = wait_for(lambda rows: (lambda m: m if m and re.match(r"^00:00/00:0[3-5]$", m["time"]) else None)(
            main_window(rows)), 10)
        check(ended is not None, "F: at the end the position goes back to 0")
        post(player["hwnd"], 0x10)
        idle = wait_for(lambda rows: (lambda m: m if m and m["record"] and not player_window(rows) else None)(
            main_window(rows)), 6)
        check(idle is not None, "F: closing the player hides it and makes the main window idle")
        # The open button: the file typed into the system's file dialog plays again.
        dialog = click_until(main, 22, 145, box_of(main), timeout=8)
        if check(dialog is not None, "F: the open button shows the file dialog") and files:
            time.sleep(0.5)
            xdo("type", "--delay", "20", win(os.path.join(out, files[0])))
            xdo("key", "Return")
            again = wait_for(lambda rows: (lambda m: m if m and player_window(rows) and re.match(
                r"^00:0[1-9]/00:0[3-5]$", m["time"]) else None)(main_window(rows)), 12)
            check(again is not None, "F: the chosen file plays in the player")
            if again:
                check(again["iconic"], "F: the main window is minimised meanwhile")
        post(main["hwnd"], 0x10)
        check(prog.wait(15) == 0, "F: WM_CLOSE ends the program")
        check(not any("Failed" in t for t in prog.traces()), "F: no failure traces")
    finally:
        prog.kill()


def wine(*args):
    subprocess.run([WINE_EXEC] + list(args), env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)


def main():
    out_root = os.path.join(BUILD, "e2e-program-out")
    shutil.rmtree(out_root, ignore_errors=True)
    os.makedirs(out_root)
    wine("cmd", "/c", "exit")  # Wine's services up once, before anything races to start them
    run_buttons(os.path.join(out_root, "a", "out"))
    run_hot_keys(os.path.join(out_root, "b", "out"))
    run_close_while_recording(os.path.join(out_root, "c", "out"))
    run_player(os.path.join(out_root, "f", "out"))

    # D: the encoder's objects are not registered (its version is): the creation message.
    standin = win(os.path.join(BIN, "standin_wmenc.dll"))
    regkey = r"HKLM\Software\Microsoft\Windows Media\Encoder"
    out_d = os.path.join(out_root, "d", "out")
    run_failure("D", win(out_d), out_d, english("0001"),
                prepare=lambda: (wine("regsvr32", "/u", "/s", standin),
                                 wine("reg", "add", regkey, "/v", "Version", "/d", "9.00.00.2980", "/f")),
                restore=lambda: (subprocess.run([os.path.join(ROOT, "scripts", "register-standins")], env=ENV,
                                                stdout=subprocess.DEVNULL), wine("cmd", "/c", "exit")))
    # E: an output folder that cannot be made.
    run_failure("E", r"Q:\x", out_root + "/e", english("IDS_CREATEDIR_FAILED").replace("%s", r"Q:\x", 1),
                settings_follow=True)

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
