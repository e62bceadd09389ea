"""The web page in Debian's headless chromium, driven through the DevTools protocol: a coupon
played with the mouse and the keyboard, kept over a reload, checked, carried out and in as
.krn files, read as a screen reader reads it, and drawn as the desktop view draws it; and
after it has loaded the page asks nothing of anyone and breaks no rule of its policy."""
import base64, io, os, shutil, struct, subprocess, sys, tempfile, time

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "web"))
from devtools import Browser, wait  # noqa: E402

POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'"


# Holds the core's script back from the page, until the test lets it go with heldCore().
HOLD_CORE = """const append = Node.prototype.appendChild;
Node.prototype.appendChild = function (node) {
  if (!node.src || !node.src.endsWith('/krn.js')) return append.call(this, node);
  window.heldCore = () => append.call(this, node);
  return node;
};"""


def compare(b, screenshot, folder, state, clicks):
    """At the centre of every shown control the page has the desktop view's colour. The wheels
    are left out: they turn on timers, which never stand at the same frame in both."""
    page, desktop = ["%s/%s-%s.png" % (folder, state, side) for side in ("page", "desktop")]
    subprocess.run([screenshot, desktop] + clicks, check=True, stderr=subprocess.DEVNULL,
                   env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    open(page, "wb").write(base64.b64decode(b.send("Page.captureScreenshot", format="png")["data"]))
    mine, theirs = (Image.open(f).convert("RGB").load() for f in (page, desktop))
    centres = b.eval("""[...document.querySelectorAll('#window [data-name]')]
        .filter((e) => e.getClientRects().length > 0 && !e.matches('.image, :has(.image)'))
        .map((e) => { const r = e.getBoundingClientRect();
          return [e.dataset.name, Math.floor(r.x + r.width / 2), Math.floor(r.y + r.height / 2)]; })""")
    wrong = [(name, x, y, theirs[x, y], mine[x, y]) for name, x, y in centres
             if not any(max(abs(p - q) for p, q in zip(theirs[x, y], mine[x + dx, y + dy])) <= 40
                        for dy in (-1, 0, 1) for dx in (-1, 0, 1))]
    assert len(centres) > 100 and not wrong, wrong


Q = "document.querySelector('[data-name=\"%s\"]')"
CAPTION = Q % "%s" + ".querySelector('.cap').textContent"
FOCUSED = "(document.activeElement.dataset.name || document.activeElement.id || document.activeElement.tagName)"


def drawn_and_saved(b, save):
    """A column drawn by the machine, dropped into the coupon and saved with `save`."""
    b.click("SSCommand7")
    b.wait(CAPTION % "Label6" + " !== ''")
    b.click("SSCommand8")
    b.wait(CAPTION % "SSPanel12" + " !== ''")
    b.click(save)
    return first_column(b)


def first_column(b):
    return b.eval("[%s]" % ", ".join(CAPTION % ("SSPanel%d" % (6 + i)) for i in range(1, 7)))


def check_installable(b):
    """Chromium would install the page, and the touch icon a phone asks for is there."""
    if b.engine != "chromium":
        return
    b.open()
    assert b.cdp("Page.getInstallabilityErrors")["installabilityErrors"] == []
    assert b.eval("fetch(document.querySelector('link[rel=apple-touch-icon]').href).then((r) => r.ok)")


def check_offline(b):
    """Opened once, the page opens again with no network, and loads a slot saved online."""
    b.open()
    b.wait("navigator.serviceWorker.controller !== null")
    column = drawn_and_saved(b, "SSCommand20")
    b.wait("getComputedStyle(%s).backgroundColor === 'rgb(255, 0, 0)'" % (Q % "Label16"))
    b.server.offline = True
    try:
        b.open()
        b.click("SSCommand18")
        b.wait(CAPTION % "SSPanel12" + " !== ''")
        assert first_column(b) == column, (first_column(b), column)
    finally:
        b.server.offline = False


def check_phone(b):
    """On a phone held upright the window takes the width, and what the page adds beside it
    is large enough for a finger and to read."""
    if b.engine != "chromium":
        return
    b.cdp("Emulation.setDeviceMetricsOverride", width=390, height=844, deviceScaleFactor=3, mobile=True)
    b.cdp("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
    b.open()
    assert b.eval("matchMedia('(pointer: coarse)').matches")
    assert abs(b.eval("document.getElementById('window').getBoundingClientRect().width") - 390) < 1
    b.eval("document.getElementById('ended').hidden = false; document.getElementById('message').showModal()")
    small = b.eval("""[...document.querySelectorAll('#files button, #ended button, #message button')].map((e) => {
        const r = e.getBoundingClientRect(), font = parseFloat(getComputedStyle(e).fontSize);
        return [e.textContent, r.width, r.height, font]; }).filter(([, w, h, f]) => w < 24 || h < 24 || f < 12)""")
    assert small == [], small


def check_focus(b):
    """The keyboard as on the desktop: keys reach a grid opened with the mouse, and "Sına",
    which disables itself, hands the focus to the "Gir" of a result entry, not the page."""
    b.open()
    drawn_and_saved(b, "SSCommand14")
    b.click("SSCommand12")
    b.click("SSCommand3")
    b.wait(FOCUSED + " === 'Basınç'")
    for key in ("1", " ", "2", " ", "3", " ", "4", " ", "5", " ", "6", " ", "Enter"):
        b.key(key)
    b.wait(FOCUSED + " === 'SSCommand3'")
    b.key("Tab")
    assert b.eval(FOCUSED) == "SSCommand4"
    b.key(" ")
    b.wait(Q % "SSCommand4" + ".disabled")
    assert b.eval(FOCUSED) == "SSCommand3"


def check_import_announced(b):
    """A file brought in is told as a save is; the file choosers are no stop of the reader."""
    if b.engine != "chromium":
        return
    b.open()
    assert b.eval("[...document.querySelectorAll('#files input')].every((i) => i.hidden && i.tabIndex < 0)")
    folder = tempfile.mkdtemp(prefix="krn-in-")
    try:
        path = os.path.join(folder, "gelen.krn")
        open(path, "wb").write(struct.pack("<48h", *range(1, 7), *[0] * 42))
        node = b.cdp("DOM.querySelector", nodeId=b.cdp("DOM.getDocument")["root"]["nodeId"], selector="#file-b")
        b.cdp("DOM.setFileInputFiles", nodeId=node["nodeId"], files=[path])
        b.wait("document.getElementById('announce').textContent === 'b yuvası: ekranda değil, dolu'")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


# The frame each wheel shows, and the one its record holds.
WHEELS = """[...document.querySelectorAll('#window .image')].map((e) => [e.querySelector('path').getAttribute('fill'),
    JSON.parse(Module.UTF8ToString(Module._krn_control(Number(e.dataset.id)))).picture])"""


def check_motion(b):
    """Under "reduce motion" the wheels stand still while their rules tick on, and the
    button beside the slot files starts and stops them."""
    if b.engine == "chromium":
        b.cdp("Emulation.setEmulatedMedia", features=[{"name": "prefers-reduced-motion", "value": "reduce"}])
    b.open()
    if not b.eval("matchMedia('(prefers-reduced-motion: reduce)').matches"):
        b.eval("document.getElementById('motion').click()")
    assert b.eval("document.getElementById('motion').textContent") == "Çarkları döndür"
    assert b.eval("(({ width, height }) => width >= 24 && height >= 24)("
                  "document.getElementById('motion').getBoundingClientRect())")
    b.wait("%s.every(([f]) => f !== null)" % WHEELS)
    start = b.eval(WHEELS)
    b.wait("%s.every(([, p], i) => p !== %s[i][1])" % (WHEELS, [p for _, p in start]))
    assert [f for f, _ in b.eval(WHEELS)] == [f for f, _ in start]
    b.eval("document.getElementById('motion').click()")
    b.wait("%s.some(([f], i) => f !== %s[i])" % (WHEELS, [f for f, _ in start]))


def check_quit(b):
    """"Çık" ends the program as far as a page can: the clock stops, the page says so in
    Turkish, and its one button, which has the focus, starts the program again."""
    b.open()
    b.eval("window.ticks = 0; const tick = Module._krn_tick; Module._krn_tick = (k) => { ticks += 1; tick(k); }")
    b.wait("ticks > 0")
    b.click("SSCommand6")
    b.wait("!document.getElementById('ended').hidden")
    assert b.eval("document.activeElement.textContent") == "Yeniden başlat"
    assert b.eval("document.getElementById('ended-title').textContent") == "Program sona erdi"
    # Longer than the longest timer's interval: a clock still running would have ticked.
    ticks = b.eval("ticks")
    assert b.eval("new Promise((r) => setTimeout(() => r(ticks), 450))") == ticks
    b.key("Enter")
    b.wait("document.body?.dataset.ready === '1' && !document.body.classList.contains('ended')")


CHECKS = [check_installable, check_offline, check_phone, check_focus, check_import_announced, check_motion,
          check_quit]


def main(site, screenshot, folder):
    b, downloads = Browser(site), tempfile.mkdtemp(prefix="krn-downloads-")
    try:
        [b.send(domain + ".enable") for domain in ("Network", "Page", "DOM")]
        b.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads)
        b.send("Page.addScriptToEvaluateOnNewDocument", source="window.violations = []; document"
               ".addEventListener('securitypolicyviolation', (e) => violations.push(e.violatedDirective));")
        reload = lambda: b.send("Page.navigate", url=b.url) and b.wait("document.body?.dataset.ready === '1'")
        reload()
        q = lambda name: "document.querySelector('[data-name=\"%s\"]')" % name
        caption = lambda name: b.eval(q(name) + ".querySelector('.cap').textContent")
        column = lambda c: [caption("SSPanel%d" % (6 * c + i)) for i in range(1, 7)]
        back = lambda name: b.eval("getComputedStyle(%s).backgroundColor" % q(name))
        filled = lambda name: b.wait(q(name) + ".querySelector('.cap').textContent !== ''")
        assert b.eval("document.querySelector('meta[http-equiv]').content") == POLICY
        compare(b, screenshot, folder, "window", [])
        # Where the system lacks Liberation the page's own files stand in: each is a face.
        faces = b.send("Runtime.evaluate", awaitPromise=True, returnByValue=True, expression="""Promise.all(
            [...document.styleSheets[0].cssRules].filter((r) => r instanceof CSSFontFaceRule).map((r) =>
            new FontFace('t', r.style.getPropertyValue('src').match(/url\\(.*?\\)/)[0]).load())).then((f) => f.length)""")
        assert faces["result"].get("value") == 4, faces
        # The wheels turn on the screen: a point inside a sector of each shows two of its colours.
        points = b.eval("[...document.querySelectorAll('#window .image')].map((e) => { const r = e.getBoundingClientRect();"
                        " return [Math.floor(r.x + r.width * 0.7), Math.floor(r.y + r.height * 0.39)]; })")
        seen = [set() for _ in points]
        def turned(shot):
            [s.add(shot.getpixel(tuple(p))) for s, p in zip(seen, points)]
            return len(points) == 8 and all(len(s & {(255, 0, 0), (0, 0, 255), (255, 255, 0)}) > 1 for s in seen)
        wait(lambda: turned(Image.open(io.BytesIO(base64.b64decode(b.send("Page.captureScreenshot")["data"])))
                            .convert("RGB")), "the wheels to turn")
        b.click("SSCommand9")
        compare(b, screenshot, folder, "grid", ["--click", "SSCommand9"])
        b.click("Vazgeç")

        # A round of Çevir and the drop button.
        b.click("SSCommand7")
        filled("Label6")
        drawn = [caption("Label%d" % k) for k in range(1, 7)]
        told = lambda: b.eval("document.getElementById('announce').textContent")
        assert told() == "Çekilen: " + ", ".join(drawn), told()
        b.click("SSCommand8")
        filled("SSPanel12")
        assert column(1) == drawn and told() == "1. kolon: " + ", ".join(drawn), told()

        # A hand entry from the keyboard: the grid with digits and Space, checked as a reader
        # sees it; Return, and the focus is back on "Gir", one Tab before the drop button.
        b.eval(q("SSCommand7") + ".focus()")
        [b.key(key) for key in ("Tab", " ")]
        b.wait("document.activeElement.dataset.name === 'Basınç'")
        picked = ["7", "12", "23", "31", "40", "49"]
        [b.key(key) for number in picked for key in number + " "]
        b.wait(q("bas49") + ".getAttribute('aria-checked') === 'true'")
        boxes = {n["name"]["value"]: p["value"]["value"] for n in b.send("Accessibility.getFullAXTree")["nodes"]
                 if n.get("role", {}).get("value") == "checkbox" for p in n["properties"] if p["name"] == "checked"}
        assert len(boxes) == 49 and [n for n in boxes if boxes[n] == "true"] == picked, boxes
        b.key("Enter")
        b.wait("document.activeElement.dataset.name === 'SSCommand9'")
        [b.key(key) for key in ("Tab", " ")]
        filled("SSPanel18")
        assert column(2) == picked

        # A save the storage refuses is never shown as done: it is reported, and the coupon stays.
        b.eval("(() => { const fs = Module.FS.lookupPath('/KRN_Sayısal').node.mount.type, ok = fs.syncfs;"
               " fs.syncfs = (m, p, done) => { fs.syncfs = ok; setTimeout(() => done(new Error('dolu')), 300); }; })()")
        b.click("SSCommand20")
        b.wait("document.getElementById('message').open")
        assert back("Label16") == "rgb(0, 255, 255)" and column(2) == picked
        assert b.eval("document.getElementById('message-text').textContent").startswith("Kupon kaydedilemedi.\n")
        b.key("Enter")

        # A save survives a reload; the load shows it again.
        b.click("SSCommand14")
        b.wait("getComputedStyle(%s).backgroundColor === 'rgb(255, 0, 0)'" % q("Label14"))
        reload()
        loaded = len(b.events)
        assert back("Label14") == "rgb(255, 0, 0)" and column(1) == [""] * 6
        b.click("SSCommand12")
        filled("SSPanel18")
        assert column(1) == drawn and column(2) == picked

        # Sına marks the hits of the loaded slot against a draw entered by hand.
        [b.click(name) for name in ["SSCommand3"] + ["bas" + n for n in picked] + ["Tamam", "SSCommand4"]]
        b.wait(q("SSPanel56") + ".querySelector('.cap').textContent === '6'")
        assert back("SSPanel13") == "rgb(128, 0, 128)"
        names = {n.get(k, {}).get("value") for n in b.send("Accessibility.getFullAXTree")["nodes"]
                 for k in ("name", "description")}
        for name in ["1. sayı: 7", "2. kolon, 1. sayı: 7, isabet", "2. kolon sonucu: 6 isabet",
                     "a yuvası: ekranda, dolu", "b yuvası: ekranda değil, boş", "a yuvasına kaydet",
                     "Kolonu elle gir", "Komutlar", "Kupon"]:
            assert name in names, name

        # Slot a out, byte for byte; a file into slot b, and the same bytes out again.
        slot_file = lambda s: os.path.join(downloads, "kolon%s.krn" % "ab"[s])
        take_out = lambda s: b.eval("document.querySelectorAll('#files button')[%d].click()" % (2 * s)) or \
            wait(lambda: os.path.exists(slot_file(s)) and os.path.getsize(slot_file(s)) > 0, "download")
        take_out(0)
        assert open(slot_file(0), "rb").read() == struct.pack("<48h", *map(int, drawn + picked), *[0] * 36)
        incoming, own = os.path.join(downloads, "gelen.krn"), struct.pack("<48h", *range(1, 7), *[0] * 42)
        node = b.send("DOM.querySelector", nodeId=b.send("DOM.getDocument")["root"]["nodeId"], selector="#file-b")
        put_in = lambda data: open(incoming, "wb").write(data) and b.send(
            "DOM.setFileInputFiles", nodeId=node["nodeId"], files=[incoming])
        put_in(own)
        b.wait("getComputedStyle(%s).backgroundColor === 'rgb(255, 0, 0)'" % q("Label15"))
        take_out(1)
        assert open(slot_file(1), "rb").read() == own

        # A file that is not a coupon gets the message box, and slot b keeps what it held.
        put_in(b"\x89PNG\r\n\x1a\n" + bytes(range(256)))
        b.wait("document.getElementById('message').open")
        assert b.eval("document.getElementById('message-text').textContent").startswith("Kupon yüklenemedi.\n")
        assert b.eval("document.activeElement.id") == "message-ok"
        b.key("Enter")
        b.wait("!document.getElementById('message').open")
        os.remove(slot_file(1))
        take_out(1)
        assert open(slot_file(1), "rb").read() == own

        # Nothing but the page's own files, and once it had loaded only the downloads it made
        # (and the tab's icon, which the browser fetches when it pleases).
        time.sleep(0.5)
        assert b.eval("violations") == []
        requests = [(i, e["params"]["request"]["url"]) for i, e in enumerate(b.events)
                    if e.get("method") == "Network.requestWillBeSent" and e["params"].get("type") != "Other"]
        late = [url for i, url in requests if not url.startswith(b.url if i < loaded else "blob:" + b.url)]
        assert not late, late

        # Without the records its window was drawn from, the page draws the window itself, in
        # place of the drawn one: every control once, and the saved slots as they are.
        shown = b.eval("document.querySelectorAll('#window [data-id]').length")
        b.send("Network.setBlockedURLs", urls=["*drawn.json"])
        reload()
        ids = b.eval("[...document.querySelectorAll('#window [data-id]')].map((e) => e.dataset.id)")
        assert len(ids) == len(set(ids)) == shown and back("Label15") == "rgb(255, 0, 0)", (len(ids), shown)
        assert b.eval("document.querySelectorAll('#files .slot button').length") == 10

        # A click on the drawn window before the core has started is answered once it has.
        b.send("Network.setBlockedURLs", urls=[])
        b.send("Page.addScriptToEvaluateOnNewDocument", source=HOLD_CORE)
        b.send("Page.navigate", url=b.url)
        b.wait("typeof heldCore === 'function'")
        b.click("SSCommand7")
        b.eval("heldCore()")
        filled("Label6")

        # On a screen narrower than the window the whole window is scaled down to fit, with no
        # scroll bars: the window the page came with, before the core has started; and back
        # to its own size on a screen wide enough.
        fits = """(() => { const r = document.getElementById('stage').getBoundingClientRect();
          const full = r.width >= innerWidth - 1 || r.height >= innerHeight - 1;
          return full && r.right <= innerWidth + 0.5 && r.bottom <= innerHeight + 0.5 &&
            document.documentElement.scrollWidth <= innerWidth; })()"""
        b.send("Emulation.setDeviceMetricsOverride", width=300, height=490, deviceScaleFactor=1, mobile=False)
        b.send("Page.navigate", url=b.url)
        b.wait("typeof heldCore === 'function'")
        b.wait(fits)
        b.eval("heldCore()")
        b.wait("document.body?.dataset.ready === '1'")
        b.send("Emulation.setDeviceMetricsOverride", width=482, height=490, deviceScaleFactor=1, mobile=False)
        b.wait("document.getElementById('stage').getBoundingClientRect().width === 482")
    finally:
        b.close()
        shutil.rmtree(downloads, ignore_errors=True)
    for check in CHECKS:
        b = Browser(site)
        try:
            check(b)
        finally:
            b.close()
    print("web page: all steps passed")


if __name__ == "__main__":
    main(*sys.argv[1:4])
