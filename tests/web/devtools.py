"""A small DevTools-protocol client for headless Chromium: start the browser on a
page, evaluate script, send input, read the console and take screenshots."""
import base64
import json
import os
import shutil
import subprocess
import tempfile
import time
import urllib.request

import websocket  # Debian: python3-websocket


class Browser:
    def __init__(self, profile=None):
        exe = shutil.which("chromium") or shutil.which("chromium-browser")
        if not exe:
            raise RuntimeError("chromium is missing (scripts/web_setup.sh installs it)")
        self.profile = profile or tempfile.mkdtemp(prefix="qvl-web-profile-")
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        if os.path.exists(port_file):
            os.remove(port_file)
        self.proc = subprocess.Popen(
            [exe, "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "--autoplay-policy=no-user-gesture-required", "--window-size=800,600",
             "--force-device-scale-factor=1", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while not os.path.exists(port_file):
            if time.time() > deadline or self.proc.poll() is not None:
                raise RuntimeError("chromium did not start")
            time.sleep(0.1)
        port = open(port_file).read().split()[0]
        pages = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json" % port))
        page = next(p for p in pages if p["type"] == "page")
        self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60)
        self.next_id = 0
        self.console = []
        self.errors = []
        self.call("Runtime.enable")
        self.call("Page.enable")

    def _handle(self, message):
        if message.get("method") == "Runtime.consoleAPICalled":
            params = message["params"]
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            # The transcript is what the page logs; warnings and errors are kept apart.
            (self.console if params["type"] == "log" else self.errors).append(text)
        elif message.get("method") == "Runtime.exceptionThrown":
            self.errors.append(str(message["params"]["exceptionDetails"]))

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self._handle(message)

    def pump(self, seconds):
        """Reads the browser's messages (the console) for a while."""
        end = time.time() + seconds
        while True:
            left = end - time.time()
            if left <= 0:
                return
            self.ws.settimeout(left)
            try:
                self._handle(json.loads(self.ws.recv()))
            except websocket.WebSocketTimeoutException:
                return
            finally:
                self.ws.settimeout(60)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, awaitPromise=True, returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def wait_for(self, expression, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if self.evaluate(expression):
                return
            self.pump(0.05)
        raise TimeoutError("never true: " + expression)

    def navigate(self, url):
        self.call("Page.navigate", url=url)

    def click(self, x, y, button="left"):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button, clickCount=1,
                      buttons=(2 if button == "right" else 1) if kind == "mousePressed" else 0)

    def key(self, key, code=None, key_code=0, modifiers=0):
        """modifiers: 1 Alt, 2 Ctrl, 4 Meta, 8 Shift."""
        for kind in ("rawKeyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code or key,
                      windowsVirtualKeyCode=key_code, modifiers=modifiers)

    def touch(self, x, y, hold=0.0):
        """A finger on the page and off again after hold seconds."""
        self.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y}])
        self.pump(hold)
        self.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def drop_files(self, x, y, paths):
        """Files dragged from the desktop and dropped at x, y."""
        data = {"items": [], "files": paths, "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            self.call("Input.dispatchDragEvent", type=kind, x=x, y=y, data=data)

    def set_files(self, selector, paths):
        """Chooses files in a file input, as a person would in its dialog."""
        root = self.call("DOM.getDocument")["root"]["nodeId"]
        node = self.call("DOM.querySelector", nodeId=root, selector=selector)["nodeId"]
        self.call("DOM.setFileInputFiles", nodeId=node, files=paths)

    def screenshot(self):
        return base64.b64decode(self.call("Page.captureScreenshot", format="png")["data"])

    def close(self):
        try:
            self.ws.close()
        finally:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
