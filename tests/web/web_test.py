"""The web page in a real headless Chromium: a coupon played with the mouse and the keyboard,
kept over a reload, checked, carried out and in as .krn files, read as a screen reader reads
it; and the page loads nothing from anywhere after it has loaded, and breaks no rule of its
policy."""
import os
import struct
import subprocess
import sys
import tempfile
import time

from browser import Browser, read_png

SITE = sys.argv[1]
# The desktop view's offscreen renderer, and where both pictures go.
SCREENSHOT, PICTURES = (sys.argv[2], sys.argv[3]) if len(sys.argv) > 3 else (None, None)
POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'"


def main():
    b = Browser(SITE)
    downloads = tempfile.mkdtemp(prefix="krn-downloads-")
    try:
        b.send("Network.enable")
        b.send("Page.enable")
        b.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads)
        b.send("Page.addScriptToEvaluateOnNewDocument", source=(
            "window.violations = []; document.addEventListener('securitypolicyviolation',"
            " (e) => violations.push(e.violatedDirective));"))
        b.open()
        q = lambda name: "document.querySelector('[data-name=\"%s\"]')" % name
        caption = lambda name: b.eval(q(name) + ".querySelector('.cap').textContent")
        column = lambda c: [caption("SSPanel%d" % (6 * c + i)) for i in range(1, 7)]
        back = lambda name: b.eval("getComputedStyle(%s).backgroundColor" % q(name))
        assert b.eval("document.querySelector('meta[http-equiv]').content") == POLICY
        if SCREENSHOT:
            compare(b, "window", [])
            b.click("SSCommand9")
            b.wait("getComputedStyle(%s).display !== 'none'" % q("Basınç"))
            compare(b, "grid", ["--click", "SSCommand9"])
            b.click("Vazgeç")

        # A round of Çevir and the drop button.
        b.click("SSCommand7")
        b.wait(q("Label6") + ".querySelector('.cap').textContent !== ''")
        drawn = [caption("Label%d" % k) for k in range(1, 7)]
        b.click("SSCommand8")
        b.wait(q("SSPanel12") + ".querySelector('.cap').textContent !== ''")
        assert column(1) == drawn, (column(1), drawn)

        # A hand entry with the keyboard alone: Tab to "Gir", the grid with digits and Space,
        # Return for Tamam; the focus goes back to "Gir", one Tab before the drop button.
        b.eval(q("SSCommand7") + ".focus()")
        b.key("Tab")
        assert b.eval("document.activeElement.dataset.name") == "SSCommand9"
        b.key(" ")
        b.wait("document.activeElement.dataset.name === 'Basınç'")
        picked = ["7", "12", "23", "31", "40", "49"]
        for number in picked:
            for digit in number:
                b.key(digit)
            b.key(" ")
        b.wait(q("bas49") + ".getAttribute('aria-checked') === 'true'")
        tree = b.send("Accessibility.getFullAXTree")["nodes"]
        boxes = {n["name"]["value"]: p["value"]["value"] for n in tree
                 if n.get("role", {}).get("value") == "checkbox"
                 for p in n.get("properties", []) if p["name"] == "checked"}
        assert len(boxes) == 49 and [n for n in boxes if boxes[n] == "true"] == picked, boxes
        b.key("Enter")
        b.wait("document.activeElement.dataset.name === 'SSCommand9'")
        b.key("Tab")
        b.key(" ")
        b.wait(q("SSPanel18") + ".querySelector('.cap').textContent !== ''")
        assert column(2) == picked

        # A save survives a reload; the load shows it again.
        b.click("SSCommand14")
        b.wait("getComputedStyle(%s).backgroundColor === 'rgb(255, 0, 0)'" % q("Label14"))
        b.open()
        assert back("Label14") == "rgb(255, 0, 0)" and column(1) == [""] * 6
        b.click("SSCommand12")
        b.wait(q("SSPanel18") + ".querySelector('.cap').textContent !== ''")
        assert column(1) == drawn and column(2) == picked

        # Sına marks the hits of the loaded slot against a draw entered by hand.
        b.click("SSCommand3")
        for number in picked:
            b.click("bas" + number)
        b.click("Tamam")
        b.click("SSCommand4")
        b.wait(q("SSPanel56") + ".querySelector('.cap').textContent === '6'")
        assert back("SSPanel13") == "rgb(128, 0, 128)"

        # What a reader hears is in the page's tree.
        names = {n.get(k, {}).get("value") for n in b.send("Accessibility.getFullAXTree")["nodes"]
                 for k in ("name", "description")}
        for name in ["1. sayı: " + picked[0], "2. kolon, 1. sayı: 7, isabet", "2. kolon sonucu: 6 isabet",
                     "a yuvası dolu", "a yuvası ekranda", "b yuvası boş", "a yuvasına kaydet",
                     "Kolonu elle gir", "Komutlar", "Kupon"]:
            assert name in names, name

        # Slot a out, byte for byte; a file into slot b, and the same bytes out of it again.
        record = struct.pack("<48h", *[int(n) for n in drawn + picked] + [0] * 36)
        b.click("SSCommand14")  # nothing in memory: the save does nothing
        b.eval("[...document.querySelectorAll('#files button')][0].click()")
        carried = os.path.join(downloads, "kolona.krn")
        wait_file(carried)
        assert open(carried, "rb").read() == record
        own = struct.pack("<48h", *range(1, 7), *[0] * 42)
        incoming = os.path.join(downloads, "gelen.krn")
        open(incoming, "wb").write(own)
        node = b.send("DOM.querySelector", nodeId=b.send("DOM.getDocument")["root"]["nodeId"],
                      selector="#file-b")["nodeId"]
        b.send("DOM.setFileInputFiles", nodeId=node, files=[incoming])
        b.wait("getComputedStyle(%s).backgroundColor === 'rgb(255, 0, 0)'" % q("Label15"))
        os.remove(carried)
        b.eval("[...document.querySelectorAll('#files button')][2].click()")
        wait_file(os.path.join(downloads, "kolonb.krn"))
        assert open(os.path.join(downloads, "kolonb.krn"), "rb").read() == own

        # A file that is not a coupon gets the message box, and slot b keeps what it held.
        open(incoming, "wb").write(b"\x89PNG\r\n\x1a\n" + bytes(range(256)))
        b.send("DOM.setFileInputFiles", nodeId=node, files=[incoming])
        b.wait("document.getElementById('message').open")
        assert b.eval("document.getElementById('message-text').textContent").startswith(
            "Kupon yüklenemedi.\n")
        assert b.eval("document.activeElement.id") == "message-ok"
        b.key("Enter")
        b.wait("!document.getElementById('message').open")
        assert back("Label15") == "rgb(255, 0, 0)"

        # Nothing but the page's own files, all loaded before it was ready, and no rule of its
        # policy broken.
        requests = [e["params"]["request"]["url"] for e in b.events
                    if e.get("method") == "Network.requestWillBeSent"]
        assert all(u.startswith(b.url) or u.startswith("blob:" + b.url) for u in requests), requests
        before = len(requests)
        time.sleep(1)
        b.eval("1")
        assert len([e for e in b.events if e.get("method") == "Network.requestWillBeSent"]) == before
        assert b.eval("violations") == []
    finally:
        b.close()
    print("web page: all steps passed")


def compare(b, state, clicks):
    """At the centre of every shown control the page has the desktop window's colour. The
    wheels are left out: they turn on timers, which never stand at the same frame in both."""
    page, desktop = ["%s/%s-%s.png" % (PICTURES, state, side) for side in ("page", "desktop")]
    subprocess.run([SCREENSHOT, desktop] + clicks, check=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    b.screenshot(page)
    mine, theirs = read_png(page), read_png(desktop)
    centres = b.eval("""[...document.querySelectorAll('#window [data-name]')]
        .filter((e) => e.getClientRects().length > 0 && !e.matches('.image, :has(.image)')).map((e) => {
          const r = e.getBoundingClientRect();
          return [e.dataset.name, Math.floor(r.x + r.width / 2), Math.floor(r.y + r.height / 2)]; })""")
    wrong = []
    for name, x, y in centres:
        want = theirs[y][x]
        near = [mine[y + dy][x + dx] for dy in (-1, 0, 1) for dx in (-1, 0, 1)]
        if not any(max(abs(a - b) for a, b in zip(want, got)) <= 40 for got in near):
            wrong.append((name, x, y, want, mine[y][x]))
    assert len(centres) > 100 and not wrong, wrong


def wait_file(path):
    for _ in range(100):
        if os.path.exists(path) and os.path.getsize(path) > 0:
            return
        time.sleep(0.05)
    raise AssertionError("no download " + path)


if __name__ == "__main__":
    main()
