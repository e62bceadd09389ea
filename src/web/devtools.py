"""Debian's chromium, headless, driven through the DevTools protocol, on a folder served from
127.0.0.1: the build draws the window with it, and the tests and the figures use it."""
import functools, http.server, json, os, shutil, subprocess, tempfile, threading, time, urllib.request

import websocket


class Browser:
    def __init__(self, site):
        handler = functools.partial(type("Quiet", (http.server.SimpleHTTPRequestHandler,),
                                         {"log_message": lambda *args: None}), directory=site)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
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

    def eval(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True)
        assert "exceptionDetails" not in result, (expression, result)
        return result["result"].get("value")

    def wait(self, expression):
        wait(lambda: self.eval(expression), expression)

    def click(self, name):
        x, y = self.eval("(() => { const r = document.querySelector('[data-name=\"%s\"]')"
                         ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2];"
                         " })()" % name)
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def key(self, key):
        code = {"Tab": 9, "Enter": 13, " ": 32}.get(key) or ord(key)
        for kind in ("keyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", type=kind, key=key, windowsVirtualKeyCode=code,
                      text={"Enter": "\r", "Tab": ""}.get(key, key) if kind == "keyDown" else "")


def wait(ready, what="", seconds=10.0):
    end = time.time() + seconds
    while not ready():
        assert time.time() < end, "timed out waiting for " + what
        time.sleep(0.05)
