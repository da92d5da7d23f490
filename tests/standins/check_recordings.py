#!/usr/bin/env python3
"""Records scenes with standin_record under Wine and checks the files with ffprobe/ffmpeg.

Usage: check_recordings.py <standin_record.exe> [scene ...]   (needs DISPLAY: an Xvfb)
"""
import json
import os
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.path.abspath(sys.argv[1])
BUILD = os.path.dirname(os.path.dirname(EXE))
OUT = os.path.join(BUILD, "standin-recordings")
FPS = 15
failures = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)


def record(mode, *args):
    path = os.path.join(OUT, mode + ".wmv")
    if os.path.exists(path):
        os.remove(path)
    win = "Z:" + path.replace("/", "\\")
    env = dict(os.environ, VISTREL_BUILD=BUILD)
    p = subprocess.run([os.path.join(ROOT, "scripts", "wine-exec"), EXE, mode, win] + [str(a) for a in args],
                       env=env, capture_output=True, text=True, timeout=120)
    print(f"[{mode}] exit {p.returncode} {p.stdout.strip()} {p.stderr.strip()}")
    return p.returncode, path, p.stdout


def probe(path):
    p = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_format", "-show_streams",
                        "-of", "json", path], capture_output=True, text=True)
    if p.returncode != 0:
        return None
    info = json.loads(p.stdout)
    streams = {s["codec_type"]: s for s in info.get("streams", [])}
    return info["format"], streams


def frame_at(path, t, w, h, name):
    png = os.path.join(OUT, name + ".png")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-ss", str(t), "-i", path, "-frames:v", "1", png])
    p = subprocess.run(["ffmpeg", "-v", "error", "-ss", str(t), "-i", path, "-frames:v", "1",
                        "-f", "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True)
    data = p.stdout
    return (lambda x, y: tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3])) if len(data) == w * h * 3 else None


def close(c, want, tol=40):
    return all(abs(a - b) <= tol for a, b in zip(c, want))


def video_checks(mode, path, w, h, origin, seconds=3.0):
    pr = probe(path)
    check(pr is not None, f"{mode}: ffprobe reads the file")
    if not pr:
        return
    fmt, st = pr
    v = st.get("video", {})
    check("asf" in fmt.get("format_name", ""), f"{mode}: container asf ({fmt.get('format_name')})")
    check(v.get("codec_name") == "mjpeg", f"{mode}: codec mjpeg ({v.get('codec_name')})")
    check((v.get("width"), v.get("height")) == (w, h), f"{mode}: size {w}x{h} ({v.get('width')}x{v.get('height')})")
    dur = float(fmt.get("duration", 0))
    check(abs(dur - seconds) <= 0.2, f"{mode}: duration {dur:.3f} s within 0.2 s of {seconds}")
    n = int(v.get("nb_read_packets", 0))
    check(abs(n - seconds * FPS) <= 2, f"{mode}: {n} frames, {seconds * FPS:.0f} +- 2")
    px = frame_at(path, 1.5, w, h, mode)
    check(px is not None, f"{mode}: a frame decodes")
    if px:
        ox, oy = origin  # where the pattern window's top-left lies in the frame
        for name, (x, y), want in (("green band", (200, 20), (0, 255, 0)), ("red half", (100, 200), (255, 0, 0)),
                                   ("blue half", (300, 200), (0, 0, 255))):
            c = px(ox + x, oy + y)
            check(close(c, want), f"{mode}: {name} at ({ox + x},{oy + y}) is {want} ({c})")


def audio_checks(mode, path):
    pr = probe(path)
    if not pr:
        check(False, f"{mode}: ffprobe reads the file")
        return
    fmt, st = pr
    a = st.get("audio")
    check(a is not None and a.get("codec_name", "").startswith("pcm_s16"), f"{mode}: 16-bit PCM audio stream")
    if not a:
        return
    p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "packet=size",
                        "-of", "csv=p=0", path], capture_output=True, text=True)
    total = sum(int(x) for x in p.stdout.split() if x.strip().isdigit())
    alen = total / (int(a["sample_rate"]) * int(a["channels"]) * 2)
    vlen = int(st["video"].get("nb_read_packets", 0)) / FPS
    check(abs(alen - vlen) <= 0.04, f"{mode}: audio {alen:.3f} s as long as video {vlen:.3f} s within 40 ms")


def main():
    os.makedirs(OUT, exist_ok=True)
    scenes = sys.argv[2:] or ["screen", "rect", "window", "pause", "audio", "badaudio", "kill"]
    sw, sh = 1280, 800
    for mode in scenes:
        if mode == "kill":
            rc, path, _ = record("kill", 3)
            check(rc == 9, f"kill: the recorder was cut off (exit {rc})")
            p = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"], capture_output=True, text=True)
            check(p.returncode == 0, f"kill: ffmpeg decodes the cut-off file ({p.stderr.strip()[:200]})")
            p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_frames",
                                "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path],
                               capture_output=True, text=True)
            n = int(p.stdout.strip() or 0)
            check(n >= 2 * FPS, f"kill: {n} frames decode, at least the first 2 s of 3")
            continue
        rc, path, out = record(mode, 3)
        for word in out.split():
            if word.startswith("screen="):
                sw, sh = (int(x) for x in word[7:].split("x"))
        check(rc == 0, f"{mode}: recorded")
        if rc != 0:
            continue
        if mode in ("screen", "pause", "audio", "badaudio"):
            video_checks(mode, path, sw & ~1, sh & ~1, (100, 100))
        elif mode == "rect":
            video_checks(mode, path, 500, 400, (20, 40))
        elif mode == "window":
            video_checks(mode, path, 400, 300, (0, 0))
        if mode in ("audio", "badaudio"):
            audio_checks(mode, path)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
