#!/usr/bin/python3
"""The browser build played in headless Chromium, against the headless runner.

    tests/web/web_test.py BUILD_WEB QUORVEL

BUILD_WEB is the browser build's folder (make web), QUORVEL the native program
(for its headless runs of the same demo). Checks, each printed as it passes:
  - the demo plays through with clicks, its choices taken with the keyboard, and
    the transcript on the page's console agrees line for line with the headless
    runner's --auto transcript, the movie's line included;
  - the demo's movie reaches the canvas: its frames there change, are not black,
    and each is a frame the headless runner showed (allowing the decoders' rounding);
  - touch: a tap goes on to the next line, a long press opens the popup menu;
  - the scene at a few click waits holds the same pixels as the headless frame of
    the same moment (the page is sized so the scene is drawn 1:1);
  - the demo's MIDI tune is synthesised to sound (the level of what the page was
    handed to play), not silence;
  - a .zip of the demo picked on the start screen opens and plays, and the MIDI
    instruments are fetched only then, once its tune plays;
  - a right click opens the popup menu;
  - a save, the page opened again (which goes straight back to the scenario),
    and a load bring the saved scene back;
  - the saves exported as a .zip and imported into a fresh browser profile load;
  - a .zip of the demo dropped on the start screen opens and plays, and so does
    the demo's folder, dropped or picked;
  - a movie with sound hands its sound to the page's Web Audio.
"""
import base64
import functools
import http.server
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

from PIL import Image, ImageChops, ImageStat

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser  # noqa: E402

# Both runs start their wall clocks at 2000-01-01 00:00 UTC, so the demo greets
# the same way and draws the same random numbers.
CLOCK = "clock=946684800"
DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo")
# Click waits (counted from 0) whose frames are compared: the first line, a person
# over a background, the JPEG sky.
COMPARED_WAITS = (0, 6, 12)
WAITING = 'window.Module && Module.qvl && Module.qvl.waiting && Module.qvl.queue.length == 0 && ' \
          '["click","question","choice","idle"].includes(Module.qvl.waiting.kind)'
# What the page has fetched from beside it for MIDI, this page load.
MIDI_FETCHED = "performance.getEntriesByType('resource').filter(e => new URL(e.name).pathname.includes('/midi/')).length"
# Where the demo shows its movie (x, y, w, h), and what the page keeps of each
# frame drawn there.
MOVIE = (160, 120, 320, 240)
RECORD_MOVIE = """(() => {
    const q = Module.qvl;
    q.movieFrames = [];
    q.onPresent = (x, y, w, h) => {
        if ([x, y, w, h].join() !== '%s' || q.movieFrames.length >= 100) return;
        const c = document.createElement('canvas');
        c.width = w; c.height = h;
        c.getContext('2d').drawImage(q.canvas, x, y, w, h, 0, 0, w, h);
        q.movieFrames.push(c.toDataURL());
    };
})()""" % ",".join(map(str, MOVIE))

passed = failed = 0


def check(ok, what, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok:", what)
    else:
        failed += 1
        print("FAIL:", what, detail)


def serve(folder):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/index.html" % server.server_address[1]


def headless(quorvel, *args, stdin_input=None):
    with tempfile.TemporaryDirectory() as scratch:
        work = os.path.join(scratch, "demo")
        subprocess.run(["cp", "-r", DEMO, work], check=True)
        command = [quorvel, "--headless", *args, work]
        if stdin_input is not None:
            path = os.path.join(scratch, "input.txt")
            with open(path, "w") as f:
                f.write(stdin_input)
            command[2:2] = ["--input", path]
        out = subprocess.run(command, capture_output=True, text=True, timeout=300)
        return out.stdout.splitlines()


def headless_frames(quorvel, clicks):
    """The frames the headless runner presents while it waits after the given
    clicks: the wait icon moves, so the page may show any of them."""
    with tempfile.TemporaryDirectory() as frames:
        # Two seconds at the wait, then a harmless move so the wait is lived through.
        headless(quorvel, "--frames", frames,
                 stdin_input="click 320 240\n" * clicks + "wait 2000\nmove 320 240\n")
        names = sorted(os.listdir(frames))
        at_wait = []
        for name in reversed(names):
            at_wait.append(Image.open(os.path.join(frames, name)).convert("RGB"))
            if len(at_wait) >= 64:
                break
        return at_wait


def headless_movie_frames(quorvel):
    """The movie's area in every frame of the headless runner's --auto run."""
    with tempfile.TemporaryDirectory() as frames:
        headless(quorvel, "--auto", "--frames", frames)
        x, y, w, h = MOVIE
        crops = {}
        for name in sorted(os.listdir(frames)):
            crop = Image.open(os.path.join(frames, name)).convert("RGB").crop((x, y, x + w, y + h))
            crops.setdefault(crop.tobytes(), crop)
        return list(crops.values())


def mean_difference(a, b):
    return sum(ImageStat.Stat(ImageChops.difference(a, b)).mean) / 3


def check_movie(browser, quorvel):
    """The frames the page drew in the movie's area: the movie, not a box or black."""
    urls = browser.evaluate("Module.qvl.movieFrames")
    shown = [Image.open(io.BytesIO(base64.b64decode(u.split(",", 1)[1]))).convert("RGB") for u in urls]
    lit = [f for f in shown if sum(ImageStat.Stat(f).mean) / 3 > 8]
    distinct = len({f.tobytes() for f in lit})
    check(distinct >= 3, "the movie's frames reach the canvas and change (%d distinct of %d drawn)" % (distinct, len(shown)))
    reference = headless_movie_frames(quorvel)
    # FFmpeg here has no assembly, the native one has: the scaler may round apart.
    worst = max((min(mean_difference(f, r) for r in reference) for f in shown), default=0)
    check(worst < 2, "each movie frame on the page is one the headless runner showed (mean difference %.2f at most)"
          % worst)
    if worst >= 2:
        for i, f in enumerate(shown):
            f.save("web-test-movie-%d.png" % i)


def scene(browser):
    """The canvas as the page shows it, in scene pixels."""
    r = browser.evaluate("(() => { const r = Module.qvl.canvas.getBoundingClientRect(); "
                         "return [r.left, r.top, r.width, r.height]; })()")
    page = Image.open(io.BytesIO(browser.screenshot())).convert("RGB")
    box = page.crop((round(r[0]), round(r[1]), round(r[0] + r[2]), round(r[1] + r[3])))
    return box if box.size == (640, 480) else box.resize((640, 480), Image.NEAREST)


def differing(a, b):
    return sum(1 for p in ImageChops.difference(a, b).getdata() if p != (0, 0, 0))


def answer(browser, waiting):
    """What a patient reader does, as --auto does it, with the mouse or the keyboard."""
    kind = waiting["kind"]
    if kind == "click":
        browser.click(320, 240)
    elif kind == "question":
        if waiting["answer"] in ("no", "cancel"):
            browser.key("Escape", key_code=27)
        else:
            browser.key("Enter", key_code=13)
    elif kind == "choice":
        # From nothing lit, Down lights the first item; Enter takes it.
        for _ in range(waiting["choice"] + 1):
            browser.key("ArrowDown", key_code=40)
        browser.key("Enter", key_code=13)


def next_wait(browser):
    browser.wait_for(WAITING, 60)
    return json.loads(browser.evaluate("JSON.stringify(Module.qvl.waiting)"))


def fit(browser):
    browser.call("Emulation.setDeviceMetricsOverride", width=640, height=480, deviceScaleFactor=1, mobile=False)


def play_through(browser, url, quorvel):
    fit(browser)
    opened = time.monotonic()
    browser.navigate(url + "?demo&" + CLOCK)
    browser.wait_for("window.Module && Module.qvl && Module.qvl.presented > 0", 60)
    browser.evaluate(RECORD_MOVIE)
    # Shown, not judged: speed belongs to benchmarks.
    print("info: the demo's first frame %.0f ms after the page was opened" % ((time.monotonic() - opened) * 1000))
    clicks = 0
    for _ in range(500):
        waiting = next_wait(browser)
        if waiting["kind"] == "idle":
            break
        if waiting["kind"] == "click" and clicks in COMPARED_WAITS:
            shown = scene(browser)
            n = min(differing(shown, frame) for frame in headless_frames(quorvel, clicks))
            check(n == 0, "the scene at click wait %d matches the headless frame" % clicks, "(%d pixels differ)" % n)
            if n:
                shown.save("web-test-wait-%d.png" % clicks)
        if waiting["kind"] == "click":
            clicks += 1
        answer(browser, waiting)
    browser.pump(0.2)
    check_movie(browser, quorvel)
    expected = headless(quorvel, "--auto")
    # The runner's own last line: it stops where the page waits for the person.
    if expected and expected[-1] == "idle":
        expected.pop()
    got = list(browser.console)
    first = next((i for i, (a, b) in enumerate(zip(got, expected)) if a != b), min(len(got), len(expected)))
    check(got == expected, "the page's transcript agrees with the headless runner's (%d lines)" % len(expected),
          "\n  first difference at line %d:\n  page:     %s\n  headless: %s" % (
              first + 1, got[first] if first < len(got) else "(end)",
              expected[first] if first < len(expected) else "(end)"))
    # The level of what the engine synthesised, as the page keeps it for tests.
    tunes = json.loads(browser.evaluate("JSON.stringify(Module.qvl.audio.rendered || [])"))
    theme = [t for t in tunes if t["name"].endswith("/theme.mid")]
    check(theme and theme[0]["peak"] > 0.05 and theme[0]["rms"] > 0.005,
          "the demo's MIDI tune is synthesised to sound", "(rendered: %s)" % tunes)


def stored_files(browser):
    """The files the browser keeps in IndexedDB for the page's stored folder."""
    return browser.evaluate("""new Promise((ok, fail) => {
        const open = indexedDB.open('/persist');
        open.onerror = fail;
        open.onsuccess = () => {
            const keys = open.result.transaction('FILE_DATA').objectStore('FILE_DATA').getAllKeys();
            keys.onsuccess = () => { ok(keys.result); open.result.close(); };
        };
    })""")


def save_reload_load(browser, url):
    fit(browser)
    browser.navigate(url + "?demo")
    # The demo's first page has seven lines that wait; the next page is the one saved.
    for _ in range(7):
        answer(browser, next_wait(browser))
    # A load goes back to the save point, the start of the page being read: this
    # page's first line, shown here.
    next_wait(browser)
    saved = scene(browser)
    answer(browser, next_wait(browser))
    next_wait(browser)
    stored = set(stored_files(browser))
    browser.key("s", code="KeyS", key_code=83, modifiers=2)  # Ctrl+S: the save dialog
    next_wait(browser)
    browser.key("Enter", key_code=13)  # on slot 1, which has the focus
    next_wait(browser)
    browser.pump(0.1)
    check("save: slot 1" in browser.console, "a save from the keyboard writes slot 1",
          "\n  " + "\n  ".join(browser.console[-6:]))
    new = []
    for _ in range(100):
        new = sorted(set(stored_files(browser)) - stored)
        if any("/save/" in f for f in new):
            break
        browser.pump(0.05)
    check(any("/scenarios/demo/save/" in f for f in new), "the save reaches the browser's storage", new)
    for _ in range(3):
        answer(browser, next_wait(browser))
    # The page opened again goes straight back to the last scenario, from its start.
    browser.console.clear()
    browser.navigate(url)
    browser.wait_for("window.Module && Module.qvl && Module.qvl.presented > 0", 30)
    next_wait(browser)
    browser.key("l", code="KeyL", key_code=76, modifiers=2)  # Ctrl+L: the load dialog
    next_wait(browser)
    browser.key("Enter", key_code=13)
    next_wait(browser)
    check("load: slot 1" in browser.console, "the page opened again goes back to the demo, and slot 1 loads")
    # The same scene; only the wait icon, which bobs, may stand elsewhere.
    loaded = scene(browser)
    box = ImageChops.difference(loaded, saved).getbbox()
    check(box is None or (box[2] - box[0] <= 16 and box[3] - box[1] <= 16),
          "the loaded scene is the saved one", "(pixels differ in %s)" % (box,))
    if box:
        loaded.save("web-test-loaded.png")
    # The right button opens the engine's popup menu; Escape closes it.
    browser.click(320, 240, button="right")
    next_wait(browser)
    browser.pump(0.1)
    check("menu: open" in browser.console, "a right click opens the popup menu")
    browser.key("Escape", key_code=27)


def open_zip(browser, url):
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "demo.zip")
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            for name in sorted(os.listdir(DEMO)):
                z.write(os.path.join(DEMO, name), "my demo/" + name)
        browser.navigate(url + "?start")
        browser.wait_for("window.Module && Module.calledRun && !document.getElementById('start').hidden", 30)
        browser.console.clear()
        before = browser.evaluate(MIDI_FETCHED)
        browser.set_files("#zip", [path])
        next_wait(browser)
        after = browser.evaluate(MIDI_FETCHED)
    check(before == 0 and after > 0, "the MIDI instruments are fetched only once a tune plays",
          "(%d fetched on the start screen, %d once the demo's tune played)" % (before, after))
    check(browser.evaluate("Module.qvl.scenario") == "my demo" and "text: ようこそ、Ｑｕｏｒｖｅｌ へ。" in browser.console,
          "a .zip picked on the start screen opens and plays")


def touch(browser, url):
    fit(browser)
    browser.navigate(url + "?demo")
    next_wait(browser)
    lines = sum(1 for line in browser.console if line.startswith("text: "))
    browser.touch(320, 240)
    next_wait(browser)
    browser.pump(0.1)
    check(sum(1 for line in browser.console if line.startswith("text: ")) > lines, "a tap goes on to the next line")
    browser.touch(320, 240, hold=0.8)
    next_wait(browser)
    browser.pump(0.1)
    check("menu: open" in browser.console, "a long press opens the popup menu")
    browser.key("Escape", key_code=27)


def start_screen(browser, url):
    browser.navigate(url + "?start")
    browser.wait_for("window.Module && Module.calledRun && !document.getElementById('start').hidden", 30)


def export_import(browser, url):
    """After save_reload_load: slot 1 leaves this profile as a .zip and comes back
    in a fresh one."""
    with tempfile.TemporaryDirectory() as scratch:
        browser.call("Page.setDownloadBehavior", behavior="allow", downloadPath=scratch)
        start_screen(browser, url)
        browser.wait_for("!document.getElementById('export').disabled", 30)
        browser.evaluate("document.getElementById('export').click()")
        path = os.path.join(scratch, "demo-saves.zip")
        for _ in range(200):
            if os.path.exists(path):
                break
            browser.pump(0.05)
        names = zipfile.ZipFile(path).namelist() if os.path.exists(path) else []
        check(any(n.startswith("save/") for n in names), "the saves export as a .zip", names)
        if not names:
            return
        fresh = Browser()
        try:
            fit(fresh)
            start_screen(fresh, url)
            fresh.set_files("#import", [path])
            fresh.wait_for("document.getElementById('status').textContent.includes('imported')", 30)
            fresh.evaluate("document.getElementById('demo').click()")
            next_wait(fresh)
            fresh.key("l", code="KeyL", key_code=76, modifiers=2)
            next_wait(fresh)
            fresh.key("Enter", key_code=13)
            next_wait(fresh)
            fresh.pump(0.1)
            check("load: slot 1" in fresh.console, "the imported save loads in a fresh browser profile",
                  "\n  " + "\n  ".join(fresh.console[-4:]))
        finally:
            fresh.close()


def drop_zip(browser, url):
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "dropped demo.zip")
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            for name in sorted(os.listdir(DEMO)):
                z.write(os.path.join(DEMO, name), name)
        fit(browser)
        start_screen(browser, url)
        browser.console.clear()
        r = browser.evaluate("(() => { const r = document.getElementById('drop').getBoundingClientRect(); "
                             "return [r.left + r.width / 2, r.top + r.height / 2]; })()")
        browser.drop_files(r[0], r[1], [path])
        next_wait(browser)
    check(browser.evaluate("Module.qvl.scenario") == "dropped demo" and "text: ようこそ、Ｑｕｏｒｖｅｌ へ。" in browser.console,
          "a .zip dropped on the start screen opens and plays")


def open_folder(browser, url):
    """A scenario folder, dropped on the start screen and picked in its dialog."""
    with tempfile.TemporaryDirectory() as scratch:
        folder = os.path.join(scratch, "folder demo")
        shutil.copytree(DEMO, folder)
        fit(browser)
        for how in ("dropped", "picked"):
            start_screen(browser, url)
            browser.console.clear()
            if how == "dropped":
                r = browser.evaluate("(() => { const r = document.getElementById('drop').getBoundingClientRect(); "
                                     "return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                browser.drop_files(r[0], r[1], [folder])
            else:
                browser.set_files("#folder", [folder])
            next_wait(browser)
            check(browser.evaluate("Module.qvl.scenario") == "folder demo" and
                  "text: ようこそ、Ｑｕｏｒｖｅｌ へ。" in browser.console,
                  "a scenario folder %s on the start screen opens and plays" % how)


def movie_sound(browser, url):
    """A movie with sound (MPEG-4 and PCM in AVI): its sound reaches Web Audio."""
    movies = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "movies")
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "talkie.zip")
        with zipfile.ZipFile(path, "w") as z:
            z.write(os.path.join(movies, "mpeg4_pcm.avi"), "talkie.avi")
            z.writestr("qvl.cfg", "SavePath=save\\\r\n")
            z.writestr("autorun.txt", "_aviplay talkie.avi,0,0,96,64\r\nend\r\n")
        start_screen(browser, url)
        browser.console.clear()
        browser.set_files("#zip", [path])
        next_wait(browser)
    queued = browser.evaluate("(() => { const m = Module.qvl.audio.movie; return m ? m.queued : 0; })()")
    check("movie: talkie.avi 96x64" in browser.console and queued > 0,
          "a movie's sound is queued on the page (%.2f s of it)" % queued, browser.console[-3:])


def main():
    build, quorvel = sys.argv[1], os.path.abspath(sys.argv[2])
    server, url = serve(build)
    try:
        browser = Browser()
        try:
            play_through(browser, url, quorvel)
            open_zip(browser, url)
            save_reload_load(browser, url)
            export_import(browser, url)
            drop_zip(browser, url)
            open_folder(browser, url)
            touch(browser, url)
            movie_sound(browser, url)
            if browser.errors:
                print("page warnings:", *sorted(set(browser.errors)), sep="\n  ")
        finally:
            browser.close()
    finally:
        server.shutdown()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
