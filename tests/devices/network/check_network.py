#!/usr/bin/env python3
"""The encoder installation and the update check through the staged Vistrel.exe.

Usage: check_network.py <Vistrel.exe> <program_probe.exe> <signed fixtures folder>
The program reaches the update server through http_proxy, which points at a server on
127.0.0.1 that this script runs; nothing else is contacted. Staging, input and probing
are check_program.py's.
"""
import os
import shutil
import subprocess
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.dont_write_bytecode = True  # nothing into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "app"))
import check_program as cp  # noqa: E402  (reads the program and probe from argv)

FIXTURES = os.path.abspath(sys.argv[3])
ENCODER_KEY = r"HKLM\Software\Microsoft\Windows Media\Encoder"
BROWSER_KEY = r"HKCU\Software\Wine\WineBrowser"
INSTALLER = "WMEncoderx64.exe"  # the program is 64-bit, and so is the system it sees
cp.STAGE = os.path.join(cp.BUILD, "e2e-network")


class Server:
    """Answers GET by path (a proxy's absolute-form targets included), 404 otherwise; the
    paths in slow pause for two seconds halfway through their body."""

    def __init__(self):
        self.routes, self.requests, self.slow = {}, [], set()
        outer = self

        class Handler(BaseHTTPRequestHandler):
            def do_GET(self):
                outer.requests.append(self.path)
                body = outer.routes.get(urllib.parse.urlsplit(self.path).path)
                self.send_response(404 if body is None else 200)
                body = b"no such file" if body is None else body
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                if urllib.parse.urlsplit(self.path).path in outer.slow:
                    self.wfile.write(body[:len(body) // 2])
                    self.wfile.flush()
                    time.sleep(2)
                    body = body[len(body) // 2:]
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        cp.ENV["http_proxy"] = "http://127.0.0.1:%d" % self.httpd.server_address[1]

    def stop(self):
        cp.ENV.pop("http_proxy", None)
        self.httpd.shutdown()
        self.httpd.server_close()


def from_general_server(server):
    # A proxy is asked for the whole address (the port may be spelled out).
    first = urllib.parse.urlsplit(server.requests[0]) if server.requests else None
    return first is not None and first.hostname == "update.vistrel.example" and first.path == "/download/update_Vistrel.ini"


def ini(**values):
    return ("[Program]\r\n" + "".join("%s=%s\r\n" % kv for kv in values.items())).encode()


def stage(out, auto_update):
    cp.stage(cp.win(out))
    path = os.path.join(cp.STAGE, "Settings.ini")
    text = open(path, "rb").read().decode("utf-16").replace("AutoUpdate=0", "AutoUpdate=%d" % auto_update)
    open(path, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))


def probe_text(hwnd, control):
    out = os.path.join(cp.BUILD, "e2e-network-text.txt")
    with open(out, "wb") as f:
        subprocess.run([cp.WINE_EXEC, cp.PROBE, "text", str(hwnd), str(control)], env=cp.ENV,
                       stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.DEVNULL, timeout=60)
    return open(out, "rb").read().decode("utf-8", "replace").strip()


def shot(name):
    path = os.path.join(cp.BUILD, "e2e-network-%s.png" % name)
    subprocess.run(["import", "-window", "root", path], capture_output=True)
    print("screenshot: " + path, flush=True)


def gone(hwnd):
    return lambda rows: all(r["hwnd"] != hwnd for r in rows)


def install_dialog(main):
    # Owned by the main window, titled like it, and no message box (no static 0xFFFF).
    return lambda rows: next((r for r in rows if r["cls"] == "#32770" and r["owner"] == main["hwnd"]
                              and r["visible"] and not r["text"]), None)


def wine_out(*args):
    return subprocess.run([cp.WINE_EXEC] + list(args), env=cp.ENV, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=120).stdout.decode("utf-8", "replace")


def run_installation(out):
    """F1 with the encoder missing: the dialog comes before any recording; Cancel starts
    nothing; unsigned and foreign installers are refused and never run; the encoder's
    publisher's installer runs with /Q and the recording goes on."""
    server = Server()
    server.routes["/download/update_Vistrel.ini"] = ini(Encoder_en="http://update.vistrel.example/wme/")
    stage(out, 0)
    cp.wine("reg", "delete", ENCODER_KEY, "/v", "Version", "/f")
    installer = os.path.join(cp.STAGE, INSTALLER)
    prog = cp.Program("install")
    try:
        if not cp.check(prog.main is not None, "install: the main window shows"):
            return
        main = prog.main
        time.sleep(1)
        cp.check(server.requests == [], "install: with AutoUpdate=0 no server is asked at start-up")
        cp.key(main, "F1")
        dlg = cp.wait_for(install_dialog(main), 15)
        if not cp.check(dlg is not None, "install: F1 opens the installation dialog"):
            return
        shot("install-question")
        cp.check(cp.flat(probe_text(dlg["hwnd"], 1124)) ==
                 cp.flat(cp.english("IDC_DLG_DOWNLOAD_ENCODER_STA_NEED_INSTALL")), "install: it asks to install")
        cp.post(dlg["hwnd"], 0x111, 1126)  # Cancel
        cp.check(cp.wait_for(gone(dlg["hwnd"]), 10), "install: Cancel closes it")
        time.sleep(1)
        idle = cp.main_window(cp.probe())
        cp.check(idle is not None and idle["record"] and cp.recordings(out) == [] and
                 "ThreadRecord IN" not in prog.traces(), "install: after Cancel nothing has started")

        refusal = cp.flat(cp.english("IDC_DLG_DOWNLOAD_NOT_TRUSTED").replace("%s", cp.english("IDC_DLG_DOWNLOAD_ENCODER"), 1))
        for fixture in ("unsigned", "other_publisher"):
            server.routes["/wme/" + INSTALLER] = open(os.path.join(FIXTURES, fixture + ".exe"), "rb").read()
            cp.key(main, "F1")
            dlg = cp.wait_for(install_dialog(main), 15)
            if not cp.check(dlg is not None, f"install/{fixture}: the dialog opens again"):
                return
            cp.post(dlg["hwnd"], 0x111, 1125)  # OK
            box = cp.wait_for(cp.box_of(dlg), 30)
            if cp.check(box is not None, f"install/{fixture}: a message tells of the refusal"):
                if fixture == "unsigned":
                    shot("install-refused")
                cp.check(cp.flat(box["text"]) == refusal, f"install/{fixture}: its text ('{box['text'][:50]}...')")
                cp.post(box["hwnd"], 0x111, 1)
            cp.check(not os.path.exists(installer) and not os.path.exists(installer + ".args"),
                     f"install/{fixture}: the file is deleted and never ran")
            cp.post(dlg["hwnd"], 0x111, 1126)
            cp.check(cp.wait_for(gone(dlg["hwnd"]), 10), f"install/{fixture}: Cancel closes the dialog")
        cp.check(cp.recordings(out) == [] and "ThreadRecord IN" not in prog.traces(), "install: still nothing recorded")
        cp.check(from_general_server(server), f"install: the configuration came from the general server ({server.requests[:1]})")

        server.routes["/wme/" + INSTALLER] = open(os.path.join(FIXTURES, "encoder_publisher.exe"), "rb").read()
        server.slow.add("/wme/" + INSTALLER)
        cp.key(main, "F1")
        dlg = cp.wait_for(install_dialog(main), 15)
        if cp.check(dlg is not None, "install/signed: the dialog opens"):
            cp.post(dlg["hwnd"], 0x111, 1125)
            time.sleep(1.5)
            shot("install-downloading")
            running = cp.wait_for(lambda rows: (lambda m: m if m and m["time"] >= "00:01" else None)(cp.main_window(rows)), 40)
            cp.check(running is not None, "install/signed: once installed, the recording goes on")
            args = open(installer + ".args", "rb").read().decode("utf-16-le") if os.path.exists(installer + ".args") else ""
            cp.check(args == "/Q\n", f"install/signed: the installer ran with /Q ({args!r})")
            cp.key(main, "F3")
            folder = cp.wait_for(cp.browser, 10)
            if cp.check(folder is not None, "install/signed: the output folder opens after the recording"):
                cp.post(folder["hwnd"], 0x10)
            cp.check(len(cp.recordings(out)) == 1, f"install/signed: one recording ({cp.recordings(out)})")
        cp.post(main["hwnd"], 0x10)
        cp.check(prog.wait(15) == 0, "install: the program ends")
    finally:
        prog.kill()
        server.stop()
        cp.wine("reg", "add", ENCODER_KEY, "/v", "Version", "/d", "9.00.00.2980", "/f")


def run_update(out, website, name, program=None):
    """AutoUpdate with a newer version on the server: the question at start-up; OK hands
    the page to the browser only when it is a web address. Returns what the browser got."""
    server = Server()
    server.routes["/download/update_Vistrel.ini"] = ini(Version="99.0.0.0", Website_en=website)
    stage(out, 1)
    if program:
        shutil.copy(os.path.join(FIXTURES, "unsigned.exe"), os.path.join(cp.STAGE, program))
    opened = os.path.join(cp.BUILD, "e2e-network-browser.txt")
    if os.path.exists(opened):
        os.remove(opened)
    prog = cp.Program(name)
    try:
        if not cp.check(prog.main is not None, f"{name}: the main window shows"):
            return None
        box = cp.wait_for(cp.box_of(prog.main), 20)
        if not cp.check(box is not None, f"{name}: the new-version question shows at start-up"):
            return None
        if name == "update":
            shot("update-question")
        cp.check(cp.flat(box["text"]) == cp.flat(cp.english("ID_MSG_NEW_VERSION")), f"{name}: its text")
        cp.check(from_general_server(server), f"{name}: asked the general server through the proxy ({server.requests})")
        cp.post(box["hwnd"], 0x111, 1)
        cp.wait_for(lambda rows: os.path.exists(opened), 5)
        cp.post(prog.main["hwnd"], 0x10)
        cp.check(prog.wait(15) == 0, f"{name}: the program ends")
        return open(opened).read().strip() if os.path.exists(opened) else ""
    finally:
        prog.kill()
        server.stop()


def main():
    out_root = os.path.join(cp.BUILD, "e2e-network-out")
    shutil.rmtree(out_root, ignore_errors=True)
    cp.wine("cmd", "/c", "exit")
    # Output folders are named "out", as the file browser's title is looked for.
    run_installation(os.path.join(out_root, "install", "out"))

    # The browser Wine starts for web pages is a script that notes what it was given.
    script = os.path.join(cp.BUILD, "e2e-network-browser.sh")
    with open(script, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % os.path.join(cp.BUILD, "e2e-network-browser.txt"))
    os.chmod(script, 0o755)
    before = wine_out("reg", "query", BROWSER_KEY, "/v", "Browsers")
    saved = next((l.split("REG_SZ", 1)[1].strip() for l in before.splitlines() if "REG_SZ" in l), None)
    cp.wine("reg", "add", BROWSER_KEY, "/v", "Browsers", "/d", script, "/f")
    try:
        page = "http://www.vistrel.example/download?from=update&lang=en"
        cp.check(run_update(os.path.join(out_root, "update", "out"), page, "update") == page,
                 "update: OK opened the English download page")
        # A program named as the page: the shell would run it.
        local = os.path.join(cp.STAGE, "page.exe")
        got = run_update(os.path.join(out_root, "local", "out"), cp.win(local), "local", "page.exe")
        cp.check(got == "" and not os.path.exists(local + ".args"), f"local: nothing opened or run ({got!r})")
    finally:
        if saved is None:
            cp.wine("reg", "delete", BROWSER_KEY, "/v", "Browsers", "/f")
        else:
            cp.wine("reg", "add", BROWSER_KEY, "/v", "Browsers", "/d", saved, "/f")

    print("%d failure(s)" % len(cp.failures))
    return 1 if cp.failures else 0


if __name__ == "__main__":
    sys.exit(main())
