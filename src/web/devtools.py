"""Debian's chromium, headless, driven through the DevTools protocol, on a folder served from
127.0.0.1: the build draws the window with it, and the tests and the figures use it."""
import base64, functools, http.server, io, json, os, shutil, subprocess, tempfile, threading, time, urllib.request

import websocket


class Site(http.server.SimpleHTTPRequestHandler):
    """The site's files; while the server is offline, no answer at all, as a lost network."""
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.server.offline:
            self.close_connection = True
            return
        super().do_GET()


class Browser:
    engine = "chromium"

    def __init__(self, site):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Site, directory=site))
        self.server.offline = False
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        self.profile = tempfile.mkdtemp(prefix="krn-web-")
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "about:blank"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port = os.path.join(self.profile, "DevToolsActivePort")
        wait(lambda: os.path.exists(port) and open(port).read().count("\n"))
        targets = json.load(urllib.request.urlopen(
            "http://127.0.0.1:%s/json/list" % open(port).read().split()[0]))
        url = next(t for t in targets if t["type"] == "page")["webSocketDebuggerUrl"]
        self.ws, self.next_id, self.events = websocket.create_connection(url, suppress_origin=True), 0, []
        self.send("Emulation.setDeviceMetricsOverride", width=482, height=490, deviceScaleFactor=1,
                  mobile=False)

    def close(self):
        self.proc.terminate(), self.proc.wait(), self.server.shutdown()
        shutil.rmtree(self.profile, ignore_errors=True)

    def send(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == self.next_id:
                assert "error" not in message, (method, message)
                return message["result"]
            self.events.append(message)

    cdp = send

    def open(self, path=""):
        self.send("Page.navigate", url=self.url + path)
        self.wait("document.body?.dataset.ready === '1'")

    def screenshot(self):
        from PIL import Image
        return Image.open(io.BytesIO(base64.b64decode(self.send("Page.captureScreenshot")["data"]))).convert("RGB")

    def eval(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        assert "exceptionDetails" not in result, (expression, result)
        return result["result"].get("value")

    def wait(self, expression, seconds=10.0):
        wait(lambda: self.eval(expression), expression, seconds)

    def click(self, name):
        x, y = self.eval("(() => { const r = document.querySelector('[data-name=\"%s\"]')"
                         ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2];"
                         " })()" % name)
        self.click_at(x, y)

    def click_at(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def key(self, key, shift=False):
        codes = {"Tab": 9, "Enter": 13, " ": 32, "Escape": 27, "ArrowLeft": 37, "ArrowUp": 38,
                 "ArrowRight": 39, "ArrowDown": 40}
        text = "\r" if key == "Enter" else key if len(key) == 1 else ""
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", type=kind, key=key, windowsVirtualKeyCode=codes.get(key) or ord(key),
                      modifiers=8 if shift else 0, text=text if kind == "keyDown" else "")


def wait(ready, what="", seconds=10.0):
    end = time.time() + seconds
    while not ready():
        assert time.time() < end, "timed out waiting for " + what
        time.sleep(0.05)
