#!/usr/bin/python3
"""The browser build's cost while the demo waits for a click: the CPU time of the
page's renderer process (and of the whole browser) over 10 seconds at the demo's
first click wait, with the wait icon animating, in headless Chromium; and the
page's own task time from DevTools. Skipped without chromium or the web build.

    bench/web_idle.py [BUILD_WEB]     (default build-web)
"""
import functools
import http.server
import os
import shutil
import sys
import threading
import time

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
SECONDS = 10
TICK = os.sysconf("SC_CLK_TCK")


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(children.get(p, []))
    return out


def cpu_seconds(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / TICK
    except (OSError, IndexError, ValueError):
        return 0.0


def is_renderer(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return b"--type=renderer" in f.read()
    except OSError:
        return False


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-web")
    if not (shutil.which("chromium") or shutil.which("chromium-browser")):
        print("web idle: skipped (no chromium; scripts/web_setup.sh installs it)")
        return 0
    if not os.path.exists(os.path.join(build, "quorvel.wasm")):
        print("web idle: skipped (no browser build in %s; make web)" % build)
        return 0
    try:
        from devtools import Browser
    except ImportError:
        print("web idle: skipped (no python3-websocket; scripts/web_setup.sh installs it)")
        return 0

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=build))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    browser = Browser()
    try:
        browser.call("Performance.enable")
        browser.navigate("http://127.0.0.1:%d/index.html?demo" % server.server_address[1])
        browser.wait_for("window.Module && Module.qvl && Module.qvl.waiting && Module.qvl.waiting.kind == 'click'", 60)
        browser.pump(2)  # the page settles (fonts, storage) before the count starts
        pids = descendants(browser.proc.pid)
        renderers = [p for p in pids if is_renderer(p)]

        def sample():
            metrics = {m["name"]: m["value"] for m in browser.call("Performance.getMetrics")["metrics"]}
            return (sum(cpu_seconds(p) for p in renderers), sum(cpu_seconds(p) for p in pids),
                    metrics.get("TaskDuration", 0.0), time.monotonic())

        r0, a0, t0, w0 = sample()
        browser.pump(SECONDS)
        r1, a1, t1, w1 = sample()
        wall = w1 - w0
        waiting = browser.evaluate("Module.qvl.waiting && Module.qvl.waiting.kind")
        print("web idle at the demo's first click wait, %.0f s (still waiting: %s):" % (wall, waiting))
        print("  renderer CPU   %6.1f ms/s  (%.2f%% of a core)" % ((r1 - r0) / wall * 1000, (r1 - r0) / wall * 100))
        print("  whole browser  %6.1f ms/s  (%.2f%% of a core)" % ((a1 - a0) / wall * 1000, (a1 - a0) / wall * 100))
        print("  page tasks     %6.1f ms/s  (DevTools TaskDuration)" % ((t1 - t0) / wall * 1000))
    finally:
        browser.close()
        server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
