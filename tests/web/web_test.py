"""The web page in Debian's headless chromium, driven through the DevTools protocol: a coupon
played with the mouse and the keyboard, kept over a reload, checked, carried out and in as
.krn files, read as a screen reader reads it, and drawn as the desktop view draws it; and
after it has loaded the page asks nothing of anyone and breaks no rule of its policy."""
import base64, io, os, shutil, struct, subprocess, sys, tempfile, time

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "web"))
from devtools import Browser, wait  # noqa: E402
from slots_checks import check_slots  # noqa: E402

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

        check_slots(b)

        # Without the records its window was drawn from, the page draws the window itself, in
        # place of the drawn one: every control once, and the saved slots as they are.
        shown = b.eval("document.querySelectorAll('#window [data-id]').length")
        b.send("Network.setBlockedURLs", urls=["*drawn.json"])
        reload()
        ids = b.eval("[...document.querySelectorAll('#window [data-id]')].map((e) => e.dataset.id)")
        assert len(ids) == len(set(ids)) == shown and back("Label15") == "rgb(255, 0, 0)", (len(ids), shown)
        assert b.eval("document.querySelectorAll('#files button').length") == 10

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
    print("web page: all steps passed")


if __name__ == "__main__":
    main(*sys.argv[1:4])
