"""The three browser engines a player meets, driven alike for the web tests: Debian's chromium
through the DevTools protocol, firefox-esr through its own WebDriver BiDi, and WebKitGTK through
WebKitWebDriver under Xvfb. Every input is a real one, a pointer or a key, not an event made by
a script.

    b = start("firefox", site)    # one browser on a fresh profile, one tab, 482 x 490
    b.open(); b.click("SSCommand7"); b.wait("...")

Each browser serves the site itself, from 127.0.0.1, and the server can hold files back, lose
files, or stand for a lost network. Beside the interface all tests share (engine, url, server,
open, eval, wait, click, click_at, key, screenshot, new_tab, use, tabs, restart, cdp, close),
a browser offers: `downloads`, the folder where its downloads land; `put_files(selector, paths)`,
a file chosen in a file input; `resize(width, height)`, the viewport's size; and `preload`, the
scripts given to start(), run in every page before its own."""
import base64, http.server, io, json, os, shutil, socket, subprocess, tempfile, threading, time
import urllib.error, urllib.parse, urllib.request

import websocket
from PIL import Image

ENGINES = ("chromium", "firefox", "webkit")
# Where both WebDriver protocols start driving a browser: classic WebDriver's endpoint, BiDi's
# websocket path, and, as "<name>.new", BiDi's command.
WEBDRIVER = "session"
WIDTH, HEIGHT = 482, 490
HERE = os.path.dirname(os.path.abspath(__file__))


def wait(ready, what="", seconds=20.0):
    """Polls ready() until it is truthy, and gives back its value."""
    end = time.monotonic() + seconds
    while True:
        value = ready()
        if value:
            return value
        assert time.monotonic() < end, "timed out waiting for " + what
        time.sleep(0.05)


def start(engine, site, preload=()):
    return {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}[engine](site, preload)


# -- The server ------------------------------------------------------------------------------

class Delays(dict):
    """Seconds by which files are delivered late, by their path in the site. Lowering a delay
    lets a file that is being held back go at once."""

    def __init__(self):
        super().__init__()
        self.changed = threading.Condition()

    def __setitem__(self, name, seconds):
        with self.changed:
            super().__setitem__(name, seconds)
            self.changed.notify_all()

    def __delitem__(self, name):
        with self.changed:
            super().__delitem__(name)
            self.changed.notify_all()

    def hold(self, name):
        begun = time.monotonic()
        with self.changed:
            while self.get(name, 0) > time.monotonic() - begun:
                self.changed.wait(self.get(name, 0) - (time.monotonic() - begun))


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".json": "application/json",
                      ".webmanifest": "application/manifest+json", ".css": "text/css", ".html": "text/html",
                      ".svg": "image/svg+xml", ".png": "image/png", ".woff": "font/woff", ".woff2": "font/woff2"}

    def __init__(self, request, address, server):
        super().__init__(request, address, server, directory=server.site)

    def log_message(self, *args):
        pass

    def send_head(self):
        name = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path).lstrip("/")
        self.server.requests.append(name)
        self.server.delay.hold(name)
        # A lost network: the connection closes with no answer, which a browser reports as a
        # network error, as it does for a host it cannot reach.
        if self.server.offline:
            self.close_connection = True
            return None
        if name in self.server.gone:
            self.send_error(404)
            return None
        return super().send_head()

    def end_headers(self):
        # Every load asks the server again, so that a delay or a lost network always tells.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()


class Server(http.server.ThreadingHTTPServer):
    """The site on 127.0.0.1, on a port of its own. `delay` holds files back, `gone` answers
    files with 404, `offline` answers nothing at all; `requests` lists every path asked for."""
    daemon_threads = True

    def __init__(self, site):
        self.site, self.delay, self.gone, self.offline, self.requests = site, Delays(), set(), False, []
        super().__init__(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.server_address[1]

    def close(self):
        self.delay.clear()
        with self.delay.changed:
            self.delay.changed.notify_all()
        self.shutdown()
        self.server_close()


# -- What every engine shares ---------------------------------------------------------------

class Browser:
    engine = None
    # The keys by their WebDriver code points; any other key is its own character.
    KEYS = {"Tab": "\ue004", "Enter": "\ue007", "Escape": "\ue00c", "Backspace": "\ue003",
            "ArrowLeft": "\ue012", "ArrowUp": "\ue013", "ArrowRight": "\ue014", "ArrowDown": "\ue015",
            "Home": "\ue011", "End": "\ue010", "Shift": "\ue008"}

    def __init__(self, site, preload=()):
        self.server = Server(site)
        self.url = self.server.url
        self.preload = list(preload)
        self.profile = tempfile.mkdtemp(prefix="krn-%s-" % self.engine)
        self.downloads = os.path.join(self.profile, "downloads")
        os.mkdir(self.downloads)
        self.launch()

    def open(self, path=""):
        """Navigates the current tab and waits until the page is ready. The page left behind is
        marked, so that its own readiness is never taken for the new page's."""
        self.eval("window.krnLeft = true")
        self.navigate(self.url + path)
        wait(lambda: self.settled("!window.krnLeft && document.body?.dataset.ready === '1'"), "the page")

    def settled(self, expression):
        """The value of expression, or None while a page is being left for the next: WebKit
        answers a script that runs as its page unloads with an error."""
        try:
            return self.eval(expression)
        except AssertionError as e:
            if "unload" not in str(e) and "no such frame" not in str(e):
                raise
            return None

    def wait(self, expression, seconds=20):
        return wait(lambda: self.eval(expression), expression, seconds)

    def centre(self, name):
        return self.eval("(() => { const r = document.querySelector('[data-name=\"%s\"]')"
                         ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()" % name)

    def click(self, name):
        self.click_at(*self.centre(name))

    def screenshot(self):
        return Image.open(io.BytesIO(base64.b64decode(self.png()))).convert("RGB")

    def restart(self):
        """The browser closed and started again on the same profile: what the page stored is
        still there, as for a player who opens it again."""
        self.quit()
        self.launch()

    def close(self):
        try:
            self.quit()
        finally:
            self.server.close()
            shutil.rmtree(self.profile, ignore_errors=True)

    def cdp(self, method, **params):
        raise NotImplementedError("the DevTools protocol is chromium's alone")

    @staticmethod
    def pointer_click(x, y):
        return {"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"}, "actions": [
            {"type": "pointerMove", "x": round(x), "y": round(y), "origin": "viewport"},
            {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]}

    @classmethod
    def key_press(cls, key, shift):
        value = cls.KEYS.get(key, key)
        strokes = [{"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}]
        if shift:
            strokes = [{"type": "keyDown", "value": cls.KEYS["Shift"]}] + strokes + [
                {"type": "keyUp", "value": cls.KEYS["Shift"]}]
        return {"type": "key", "id": "keyboard", "actions": strokes}


def json_of(expression):
    """An expression whose value, a promise's awaited, comes back as JSON text."""
    return "Promise.resolve(%s).then((v) => JSON.stringify(v))" % expression


# -- Chromium, through the DevTools protocol --------------------------------------------------

class Chromium(Browser):
    engine = "chromium"
    CODES = {"Tab": 9, "Enter": 13, "Escape": 27, " ": 32, "Backspace": 8, "End": 35, "Home": 36,
             "ArrowLeft": 37, "ArrowUp": 38, "ArrowRight": 39, "ArrowDown": 40}

    def launch(self):
        port = os.path.join(self.profile, "DevToolsActivePort")
        if os.path.exists(port):
            os.remove(port)
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "about:blank"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait(lambda: os.path.exists(port) and len(open(port).read().split()) == 2, "chromium")
        number, path = open(port).read().split()[:2]
        self.ws = websocket.create_connection("ws://127.0.0.1:%s%s" % (number, path), suppress_origin=True)
        self.next_id, self.events, self.attached = 0, [], {}
        self.send("Browser.setDownloadBehavior", None, behavior="allow", downloadPath=self.downloads)
        page = next(t["targetId"] for t in self.send("Target.getTargets", None)["targetInfos"]
                    if t["type"] == "page")
        self.attach(page)

    def attach(self, target):
        self.link = self.attached[target] = self.send(
            "Target.attachToTarget", None, targetId=target, flatten=True)["sessionId"]
        self.target = target
        self.cdp("Page.enable")
        self.cdp("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT, deviceScaleFactor=1,
                 mobile=False)
        for source in self.preload:
            self.cdp("Page.addScriptToEvaluateOnNewDocument", source=source)
        return target

    def send(self, method, link, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if link:
            message["sessionId"] = link
        self.ws.send(json.dumps(message))
        while True:
            answer = json.loads(self.ws.recv())
            if answer.get("id") == self.next_id:
                assert "error" not in answer, (method, answer)
                return answer["result"]
            self.events.append(answer)

    def cdp(self, method, **params):
        return self.send(method, self.link, **params)

    def eval(self, expression):
        result = self.cdp("Runtime.evaluate", expression=json_of(expression), awaitPromise=True,
                          returnByValue=True)
        assert "exceptionDetails" not in result, (expression, result["exceptionDetails"])
        value = result["result"].get("value")
        return None if value is None else json.loads(value)

    def navigate(self, url):
        result = self.cdp("Page.navigate", url=url)
        assert "errorText" not in result, (url, result)

    def click_at(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.cdp("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def key(self, key, shift=False):
        code = self.CODES.get(key) or ord(key.upper())
        text = key if len(key) == 1 else {"Enter": "\r"}.get(key, "")
        for kind in ("keyDown", "keyUp"):
            self.cdp("Input.dispatchKeyEvent", type=kind, key=key, windowsVirtualKeyCode=code,
                     modifiers=8 if shift else 0, text=text if kind == "keyDown" else "")

    def png(self):
        return self.cdp("Page.captureScreenshot", format="png")["data"]

    def new_tab(self):
        return self.attach(self.send("Target.createTarget", None, url="about:blank")["targetId"])

    def use(self, handle):
        self.link, self.target = self.attached[handle], handle
        self.send("Target.activateTarget", None, targetId=handle)

    def tabs(self):
        return list(self.attached)

    def resize(self, width, height):
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1,
                 mobile=False)

    def put_files(self, selector, paths):
        root = self.cdp("DOM.getDocument")["root"]["nodeId"]
        node = self.cdp("DOM.querySelector", nodeId=root, selector=selector)["nodeId"]
        self.cdp("DOM.setFileInputFiles", nodeId=node, files=paths)

    def quit(self):
        try:
            self.send("Browser.close", None)
        except (websocket.WebSocketException, OSError):
            self.proc.terminate()
        self.proc.wait()
        self.ws.close()


# -- Firefox, through WebDriver BiDi -----------------------------------------------------------

# A fresh profile that asks nothing of the network and saves downloads without a question.
FIREFOX_PREFS = {
    "browser.shell.checkDefaultBrowser": False, "browser.startup.page": 0,
    "browser.startup.homepage_override.mstone": "ignore", "browser.sessionstore.resume_from_crash": False,
    "browser.aboutwelcome.enabled": False, "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False, "app.update.disabledForTesting": True,
    "app.normandy.enabled": False, "messaging-system.rsexperimentloader.enabled": False,
    "services.settings.server": "data:,#remote-settings-dummy/v1", "network.connectivity-service.enabled": False,
    "browser.safebrowsing.update.enabled": False, "extensions.update.enabled": False,
    "browser.download.folderList": 2, "browser.download.useDownloadDir": True,
    "browser.download.always_ask_before_handling_new_types": False,
    "browser.download.alwaysOpenPanel": False, "browser.download.start_downloads_in_tmp_dir": False,
    # navigator.storage.persist() is granted, as a player would grant it.
    "dom.storageManager.prompt.testing": True, "dom.storageManager.prompt.testing.allow": True,
    "layout.css.devPixelsPerPx": "1.0", "ui.prefersReducedMotion": 0,
    # Focus behaves as in a window in front, which a headless one never is.
    "focusmanager.testmode": True,
}


class Firefox(Browser):
    engine = "firefox"

    def launch(self):
        prefs = dict(FIREFOX_PREFS, **{"browser.download.dir": self.downloads})
        with open(os.path.join(self.profile, "user.js"), "w") as out:
            out.writelines("user_pref(%s, %s);\n" % (json.dumps(k), json.dumps(v)) for k, v in prefs.items())
        port = os.path.join(self.profile, "WebDriverBiDiServer.json")
        if os.path.exists(port):
            os.remove(port)
        self.proc = subprocess.Popen(
            ["firefox-esr", "--headless", "--no-remote", "--remote-debugging-port=0",
             "--profile", self.profile, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1"))
        server = wait(lambda: os.path.exists(port) and os.path.getsize(port) > 0 and json.load(open(port)), "firefox")
        self.ws = websocket.create_connection("ws://%s:%d/%s" % (server["ws_host"], server["ws_port"], WEBDRIVER),
                                              suppress_origin=True)
        self.next_id, self.events = 0, []
        self.send(WEBDRIVER + ".new", capabilities={"alwaysMatch": {"unhandledPromptBehavior": {"default": "ignore"}}})
        for source in self.preload:
            self.send("script.addPreloadScript", functionDeclaration="() => {\n%s\n}" % source)
        # The first tab of a headless window never has the focus, where a tab opened later
        # does: the test works in one of its own.
        first = self.send("browsingContext.getTree", maxDepth=0)["contexts"][0]["context"]
        self.contexts = []
        self.new_tab()
        self.send("browsingContext.close", context=first)

    def setup(self, context):
        self.context = context
        self.contexts.append(context)
        self.send("browsingContext.setViewport", context=context,
                  viewport={"width": WIDTH, "height": HEIGHT}, devicePixelRatio=1)
        return context

    def send(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            answer = json.loads(self.ws.recv())
            if answer.get("id") == self.next_id:
                assert answer.get("type") == "success", (method, params, answer)
                return answer["result"]
            self.events.append(answer)

    def evaluate(self, expression):
        result = self.send("script.evaluate", expression=expression, awaitPromise=True,
                           target={"context": self.context}, resultOwnership="none")
        assert result["type"] == "success", (expression, result.get("exceptionDetails", {}).get("text"))
        return result["result"]

    def eval(self, expression):
        value = self.evaluate(json_of(expression)).get("value")
        return None if value is None else json.loads(value)

    def navigate(self, url):
        self.send("browsingContext.navigate", context=self.context, url=url, wait="interactive")

    def actions(self, *sources):
        self.send("input.performActions", context=self.context, actions=list(sources))

    def click_at(self, x, y):
        self.actions(self.pointer_click(x, y))

    def key(self, key, shift=False):
        self.actions(self.key_press(key, shift))

    def png(self):
        return self.send("browsingContext.captureScreenshot", context=self.context)["data"]

    def new_tab(self):
        return self.setup(self.send("browsingContext.create", type="tab")["context"])

    def use(self, handle):
        self.context = handle
        self.send("browsingContext.activate", context=handle)

    def tabs(self):
        return list(self.contexts)

    def resize(self, width, height):
        self.send("browsingContext.setViewport", context=self.context, viewport={"width": width, "height": height})

    def put_files(self, selector, paths):
        node = self.evaluate("document.querySelector(%s)" % json.dumps(selector))
        self.send("input.setFiles", context=self.context, element={"sharedId": node["sharedId"]}, files=paths)

    def quit(self):
        try:
            self.send("browser.close")
        except (websocket.WebSocketException, OSError):
            self.proc.terminate()
        self.proc.wait()
        self.ws.close()


# -- WebKitGTK, through WebKitWebDriver under Xvfb --------------------------------------------

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class WebKit(Browser):
    """WebKitWebDriver starts webkit_launcher.py in place of its MiniBrowser, whose automation
    runs keep nothing: the launcher keeps the site's data in the profile folder, so that
    restart() finds it again."""
    engine = "webkit"

    def launch(self):
        if not getattr(self, "driver", None):
            read, write = os.pipe()
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                          "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL)
            os.close(write)
            with os.fdopen(read) as display:
                self.display = ":" + display.readline().strip()
            port = free_port()
            # WebKit's web process can crash in Mesa's software renderer; Skia's own CPU
            # renderer draws the same page.
            env = dict(os.environ, DISPLAY=self.display, WEBKIT_SKIA_ENABLE_CPU_RENDERING="1",
                       GDK_BACKEND="x11", NO_AT_BRIDGE="1")
            self.driver = subprocess.Popen(["WebKitWebDriver", "--port=%d" % port], env=env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.base = "http://127.0.0.1:%d" % port
            wait(lambda: self.ready(), "WebKitWebDriver")
        pid = os.path.join(self.profile, "launcher.pid")
        options = {"binary": "/usr/bin/python3",
                   "args": [os.path.join(HERE, "webkit_launcher.py"), "--profile", self.profile]
                   + ["--preload=" + source for source in self.preload]}
        # A navigation is not waited for: with "eager" the first command after it is never
        # answered, and "normal" would wait for a file the server holds back.
        made = self.http("POST", "/" + WEBDRIVER, {"capabilities": {"alwaysMatch": {
            "pageLoadStrategy": "none", "webkitgtk:browserOptions": options}}})
        self.link = "/%s/%s" % (WEBDRIVER, made[WEBDRIVER + "Id"])
        self.pid = int(open(pid).read())
        self.windows = [self.http("GET", self.link + "/window")]
        self.resize(WIDTH, HEIGHT)

    def ready(self):
        try:
            return self.http("GET", "/status")["ready"]
        except OSError:
            return False

    def http(self, method, path, body=None):
        request = urllib.request.Request(self.base + path, method=method,
                                         data=None if body is None else json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=60) as answer:
                return json.load(answer)["value"]
        except urllib.error.HTTPError as e:
            raise AssertionError((method, path, body, e.read().decode(errors="replace"))) from None

    def command(self, method, path, body=None):
        return self.http(method, self.link + path, body)

    def eval(self, expression):
        value = self.command("POST", "/execute/sync", {"script": "return " + json_of(expression), "args": []})
        return None if value is None else json.loads(value)

    def navigate(self, url):
        self.command("POST", "/url", {"url": url})

    def actions(self, *sources):
        self.command("POST", "/actions", {"actions": list(sources)})

    def click_at(self, x, y):
        self.actions(self.pointer_click(x, y))

    def key(self, key, shift=False):
        self.actions(self.key_press(key, shift))

    def png(self):
        return self.command("GET", "/screenshot")

    def new_tab(self):
        # A window of its own, as WebKitGTK has no tabs: both stay on the screen, and neither
        # stands still as a hidden tab would.
        handle = self.command("POST", "/window/new", {"type": "window"})["handle"]
        self.windows.append(handle)
        self.use(handle)
        self.resize(WIDTH, HEIGHT)
        return handle

    def use(self, handle):
        self.command("POST", "/window", {"handle": handle})

    def tabs(self):
        return list(self.windows)

    def resize(self, width, height):
        """The window's size is the viewport's: the launcher's window has nothing but the page."""
        self.command("POST", "/window/rect", {"width": width, "height": height})
        self.wait("innerWidth === %d && innerHeight === %d" % (width, height))

    def put_files(self, selector, paths):
        element = self.command("POST", "/element", {"using": "css selector", "value": selector})
        self.command("POST", "/element/%s/value" % next(iter(element.values())), {"text": "\n".join(paths)})

    def quit(self):
        if getattr(self, "link", None):
            try:
                self.http("DELETE", self.link)
            finally:
                self.link = None
                # The launcher ends with its last window; the next one may take the folder.
                wait(lambda: not alive(self.pid), "the launcher to end")

    def close(self):
        try:
            super().close()
        finally:
            for proc in (self.driver, self.xvfb):
                proc.terminate()
                proc.wait()


def alive(pid):
    """Whether a process runs: one that has ended but is not yet reaped does not."""
    try:
        return open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False
