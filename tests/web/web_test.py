"""The web page in the three engines a player meets, chromium, firefox and WebKit, each driven
with real pointer and key input: a coupon played with the mouse and the keyboard, kept over a
reload, checked, carried out and in as .krn files, read as a screen reader reads it, and drawn
as the desktop view draws it; and after it has loaded the page asks nothing of anyone and
breaks no rule of its policy.

usage: web_test.py SITE KRN-SCREENSHOT PICTURES [ENGINE...]   (all three when none is named)"""
import os, struct, subprocess, sys, time, traceback

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "web"))
from browsers import ENGINES, start, wait  # noqa: E402
from page import FOCUSED, FORGET_OFFLINE, RED, back, caption, column, filled, lit, q  # noqa: E402
from slots_checks import check_slots  # noqa: E402

POLICY = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'"
VIOLATIONS = ("window.violations = []; document.addEventListener('securitypolicyviolation',"
              " (e) => violations.push(e.violatedDirective));")
# The page's sound contexts, kept where the test sees them.
SOUNDS = ("(() => { window.sounds = []; const Context = window.AudioContext; window.AudioContext = class extends"
          " Context { constructor(...a) { super(...a); sounds.push(this); } }; })();")


def compare(b, screenshot, folder, state, clicks):
    """At the centre of every shown control the page has the desktop view's colour. The wheels
    are left out: they turn on timers, which never stand at the same frame in both."""
    page, desktop = "%s/%s-%s.png" % (folder, state, b.engine), "%s/%s-desktop.png" % (folder, state)
    if not os.path.exists(desktop):
        subprocess.run([screenshot, desktop] + clicks, check=True, stderr=subprocess.DEVNULL,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    # The last click is painted before the picture is taken: a driver may answer a click
    # before the page has drawn what it did.
    b.eval("new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true))))")
    b.screenshot().save(page)
    mine, theirs = (Image.open(f).convert("RGB").load() for f in (page, desktop))
    centres = b.eval("""[...document.querySelectorAll('#window [data-name]')]
        .filter((e) => e.getClientRects().length > 0 && !e.matches('.image, :has(.image)'))
        .map((e) => { const r = e.getBoundingClientRect();
          return [e.dataset.name, Math.floor(r.x + r.width / 2), Math.floor(r.y + r.height / 2)]; })""")
    # A centre on a letter's edge takes the colour the engine's smoothing gives it: either
    # side's centre may find its colour one pixel off on the other side.
    near = lambda one, other, x, y: any(max(abs(p - q) for p, q in zip(one[x, y], other[x + dx, y + dy])) <= 40
                                        for dy in (-1, 0, 1) for dx in (-1, 0, 1))
    wrong = [(name, x, y, theirs[x, y], mine[x, y]) for name, x, y in centres
             if not near(theirs, mine, x, y) and not near(mine, theirs, x, y)]
    assert len(centres) > 100 and not wrong, wrong


def painted(b):
    """Every picture a control shows is painted: its box holds more than the one colour of the
    control's face."""
    boxes = b.eval("""[...document.querySelectorAll('#window .pic')].filter((e) => e.getClientRects().length > 0)
        .map((e) => { const r = e.getBoundingClientRect(); return [e.parentNode.dataset.name,
          Math.ceil(r.x), Math.ceil(r.y), Math.floor(r.right), Math.floor(r.bottom)]; })""")
    shot = b.screenshot()
    blank = [name for name, *box in boxes if len(shot.crop(box).getcolors(1 << 16)) < 3]
    assert len(boxes) == 17 and not blank, (boxes, blank)


def check_phone(b):
    """Chromium would install the page, with the touch icon a phone asks for; on a phone held
    upright the window takes the width, and what the page adds beside it is large enough for
    a finger and to read."""
    if b.engine != "chromium":
        return
    b.open()
    assert b.cdp("Page.getInstallabilityErrors")["installabilityErrors"] == []
    assert b.eval("fetch(document.querySelector('link[rel=apple-touch-icon]').href).then((r) => r.ok)")
    b.cdp("Emulation.setDeviceMetricsOverride", width=390, height=844, deviceScaleFactor=3, mobile=True)
    b.cdp("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
    b.open()
    assert b.eval("matchMedia('(pointer: coarse)').matches")
    assert abs(b.eval("document.getElementById('window').getBoundingClientRect().width") - 390) < 1
    b.eval("(() => { document.getElementById('ended').hidden = false;"
           " document.getElementById('message').showModal(); return true; })()")
    small = b.eval("""[...document.querySelectorAll('#files button, #ended button, #message button')].map((e) => {
        const r = e.getBoundingClientRect(), font = parseFloat(getComputedStyle(e).fontSize);
        return [e.textContent, r.width, r.height, font]; }).filter(([, w, h, f]) => w < 24 || h < 24 || f < 12)""")
    assert small == [], small


# The frame each wheel shows, and the one its record holds.
WHEELS = """[...document.querySelectorAll('#window .image')].map((e) => [
    [...e.querySelectorAll(':scope > svg')].findIndex((s) => getComputedStyle(s).opacity === '1'),
    JSON.parse(Module.UTF8ToString(Module._krn_control(Number(e.dataset.id)))).picture])"""
# The picture a wheel's first frame has in the rules, and its timer's interval.
FRAME_0, INTERVALS = 9, (200, 150, 200, 100, 150, 200, 150, 200)
# A clock the test can hold and move on, the time of day with it.
CLOCK = ("(() => { const now = performance.now.bind(performance); window.clock = { at: null, wall: Date.now() - now() };"
         " performance.now = () => clock.at ?? now(); Date.now = () => clock.wall + performance.now(); })();")
# The core's export may put itself in its place on its first call: the count puts itself back.
COUNT_TICKS = ("(() => { window.ticks = 0; const tick = Module._krn_tick; const counted = (k) => {"
               " ticks += 1; tick(k); Module._krn_tick = counted; }; Module._krn_tick = counted; return true; })()")
MOTION = "document.getElementById('motion').click()"


def check_motion(b):
    """Under "reduce motion" the wheels stand still, and the button beside the slot files
    starts and stops them. Standing, they cost no wakeup: the clock rests, and the rules have
    every tick of the rest once the wheels turn again, those of a day's first second doing
    nothing."""
    if b.engine == "chromium":
        b.cdp("Emulation.setEmulatedMedia", features=[{"name": "prefers-reduced-motion", "value": "reduce"}])
    b.open()
    b.eval(COUNT_TICKS)
    if not b.eval("matchMedia('(prefers-reduced-motion: reduce)').matches"):
        b.eval(MOTION)
    assert b.eval("document.getElementById('motion').textContent") == "Çarkları döndür"
    assert b.eval("(({ width, height }) => width >= 24 && height >= 24)("
                  "document.getElementById('motion').getBoundingClientRect())")
    shown, ticks = b.eval(WHEELS), b.eval("ticks")
    # Longer than three of the shortest timer's intervals: a running clock would have ticked.
    assert b.eval("new Promise((r) => setTimeout(() => r(ticks), 350))") == ticks
    assert b.eval(WHEELS) == shown
    b.eval(MOTION)
    # Turning again on the screen: a point inside a sector of each wheel shows two colours.
    points = b.eval("[...document.querySelectorAll('#window .image')].map((e) => { const r = e.getBoundingClientRect();"
                    " return [Math.floor(r.x + r.width * 0.7), Math.floor(r.y + r.height * 0.39)]; })")
    seen = [set() for _ in points]

    def turned():
        shot = b.screenshot()
        [s.add(shot.getpixel(tuple(p))) for s, p in zip(seen, points)]
        return len(points) == 8 and all(len(s & {(255, 0, 0), (0, 0, 255), (255, 255, 0)}) > 1 for s in seen)
    wait(turned, "the wheels to turn on the screen")
    # A tick the page's clock did not give, as the rules take one, is followed on the screen.
    b.eval("[1, 2, 3, 4, 5, 6, 7, 8].forEach((k) => Module._krn_tick(k))")
    b.wait("%s.every(([f, p]) => f === p - %d)" % (WHEELS, FRAME_0))

    # Rests on a held clock, each ended by turning the wheels again: 600 ms, then a day from
    # just before midnight, whose first second's ticks do nothing.
    b.eval("(() => { clock.at = performance.now();"
           " clock.wall = new Date(2026, 11, 9, 23, 59, 58).getTime() - clock.at; return true; })()")
    for rest in (600, 24 * 3600 * 1000):
        b.eval(MOTION)
        b.eval(MOTION)
        before = [p - FRAME_0 for _, p in b.eval(WHEELS)]
        b.eval(MOTION)
        # Clicks reach the rules while the wheels stand, halfway through the rest and at its
        # end: the rules take the ticks as they fall due, and the wheels show them once they
        # have turned and stopped again.
        b.eval("clock.at += %d" % (rest // 2))
        b.click("SSCommand9")
        b.eval("clock.at += %d" % (rest - rest // 2))
        b.click("Vazgeç")
        b.eval(MOTION)
        after = [p - FRAME_0 for _, p in b.eval(WHEELS)]
        for f, g, interval in zip(before, after, INTERVALS):
            midnight = set() if rest == 600 else {1000 // interval, -(-1000 // interval)}
            assert g in {(f + rest // interval - m) % 3 for m in midnight or {0}}, (rest, before, after)
        b.eval(MOTION)
        assert all(f == p - FRAME_0 for f, p in b.eval(WHEELS)), b.eval(WHEELS)
        b.eval(MOTION)
    # Turning again, the clock goes on.
    ticks = b.eval("ticks")
    b.eval("clock.at += 1000")
    b.wait("ticks > %d" % ticks)


def check_quit(b):
    """"Çık" ends the program as far as a page can: the clock and the wheels stop, the page
    says so in Turkish, and its one button, which has the focus, starts the program again."""
    b.open()
    b.eval(COUNT_TICKS)
    b.wait("ticks > 0 && document.getAnimations().length > 0")
    b.click("SSCommand6")
    b.wait("!document.getElementById('ended').hidden")
    assert b.eval("document.activeElement.textContent") == "Yeniden başlat"
    assert b.eval("document.getElementById('ended-title').textContent") == "Program sona erdi"
    # Longer than the longest timer's interval: a clock still running would have ticked.
    ticks = b.eval("ticks")
    assert b.eval("new Promise((r) => setTimeout(() => r(ticks), 450))") == ticks
    # The wheels stop with it: the browser has nothing left to draw.
    assert b.eval("document.getAnimations().length") == 0
    b.key("Enter")
    b.wait("document.body?.dataset.ready === '1' && !document.body.classList.contains('ended')")


def run(engine, site, screenshot, folder):
    b = start(engine, site, preload=[VIOLATIONS, SOUNDS, CLOCK])
    try:
        test(b, screenshot, folder)
        check_slots(b)
        # The phone's emulation stays: it comes last.
        for check in (check_quit, check_motion, check_phone):
            check(b)
    finally:
        b.close()


def test(b, screenshot, folder):
    b.open()
    painted(b)
    assert b.eval("document.querySelector('meta[http-equiv]').content") == POLICY
    compare(b, screenshot, folder, "window", [])
    # Where the system lacks Liberation the page's own files stand in: each is a face.
    faces = b.eval("""Promise.all([...document.styleSheets[0].cssRules].filter((r) => r instanceof CSSFontFaceRule)
        .map((r) => new FontFace('t', r.style.getPropertyValue('src').match(/url\\(.*?\\)/)[0]).load()))
        .then((f) => f.length)""")
    assert faces == 4, faces
    b.click("SSCommand9")
    compare(b, screenshot, folder, "grid", ["--click", "SSCommand9"])
    b.click("Vazgeç")

    # A round of Çevir and the drop button, each told to a screen reader.
    told = lambda: b.eval("document.getElementById('announce').textContent")
    b.click("SSCommand7")
    filled(b, "Label6")
    drawn = [caption(b, "Label%d" % k) for k in range(1, 7)]
    assert told() == "Çekilen: " + ", ".join(drawn), told()
    b.click("SSCommand8")
    filled(b, "SSPanel12")
    assert column(b, 1) == drawn and told() == "1. kolon: " + ", ".join(drawn), told()

    # A hand entry from the keyboard: the grid with digits and Space, checked as a reader
    # sees it; Return, and the focus is back on "Gir", one Tab before the drop button.
    b.eval(q("SSCommand7") + ".focus()")
    [b.key(key) for key in ("Tab", " ")]
    b.wait(FOCUSED + " === 'Basınç'")
    picked = ["7", "12", "23", "31", "40", "49"]
    [b.key(key) for number in picked for key in number + " "]
    b.wait(q("bas49") + ".getAttribute('aria-checked') === 'true'")
    if b.engine == "chromium":
        boxes = {n["name"]["value"]: p["value"]["value"] for n in b.cdp("Accessibility.getFullAXTree")["nodes"]
                 if n.get("role", {}).get("value") == "checkbox" for p in n["properties"] if p["name"] == "checked"}
        assert len(boxes) == 49 and [n for n in boxes if boxes[n] == "true"] == picked, boxes
    b.key("Enter")
    b.wait(FOCUSED + " === 'SSCommand9'")
    # Each pick beeped, and the page let the sound device go once the beeps were over.
    b.wait("sounds.length > 0 && sounds.every((c) => c.state !== 'running')")
    [b.key(key) for key in ("Tab", " ")]
    filled(b, "SSPanel18")
    assert column(b, 2) == picked

    # A save survives a reload with no network, the page's files kept by its worker; the load
    # shows it again.
    b.click("SSCommand14")
    lit(b, "Label14")
    b.wait("navigator.serviceWorker.controller !== null")
    b.server.offline = True
    try:
        b.open()
        loaded = len(b.server.requests)
        assert back(b, "Label14") == RED and column(b, 1) == [""] * 6, (back(b, "Label14"), column(b, 1))
        b.click("SSCommand12")
        filled(b, "SSPanel18")
        assert column(b, 1) == drawn and column(b, 2) == picked
    finally:
        b.server.offline = False

    # Sına marks the hits of the loaded slot against a draw entered by hand. The keyboard goes
    # as on the desktop: keys reach a grid opened with the mouse, and "Sına", which disables
    # itself, hands the focus to the "Gir" of a result entry, not to the page.
    b.click("SSCommand3")
    b.wait(FOCUSED + " === 'Basınç'")
    [b.key(key) for number in picked for key in number + " "]
    b.key("Enter")
    b.wait(FOCUSED + " === 'SSCommand3'")
    b.key("Tab")
    assert b.eval(FOCUSED) == "SSCommand4"
    b.key(" ")
    b.wait(q("SSPanel56") + ".querySelector('.cap').textContent === '6'")
    assert b.eval(q("SSCommand4") + ".disabled") and b.eval(FOCUSED) == "SSCommand3"
    assert back(b, "SSPanel13") == "rgb(128, 0, 128)"
    if b.engine == "chromium":
        names = {n.get(k, {}).get("value") for n in b.cdp("Accessibility.getFullAXTree")["nodes"]
                 for k in ("name", "description")}
        for name in ["1. sayı: 7", "2. kolon, 1. sayı: 7, isabet", "2. kolon sonucu: 6 isabet",
                     "a yuvası: ekranda, dolu", "b yuvası: ekranda değil, boş", "a yuvasına kaydet",
                     "Kolonu elle gir", "Komutlar", "Kupon"]:
            assert name in names, name

    # Slot a out, byte for byte; a file into slot b, told as a save is, and the same bytes
    # out again. The file choosers are no stop of the reader.
    assert b.eval("[...document.querySelectorAll('#files input')].every((i) => i.hidden && i.tabIndex < 0)")
    slot_file = lambda s: os.path.join(b.downloads, "kolon%s.krn" % "ab"[s])
    take_out = lambda s: b.eval("document.querySelectorAll('#files button')[%d].click()" % (2 * s)) or \
        wait(lambda: os.path.exists(slot_file(s)) and os.path.getsize(slot_file(s)) > 0, "download")
    take_out(0)
    assert open(slot_file(0), "rb").read() == struct.pack("<48h", *map(int, drawn + picked), *[0] * 36)
    incoming, own = os.path.join(b.downloads, "gelen.krn"), struct.pack("<48h", *range(1, 7), *[0] * 42)
    open(incoming, "wb").write(own)
    b.put_files("#file-b", [incoming])
    b.wait("document.getElementById('announce').textContent === 'b yuvası: ekranda değil, dolu'")
    lit(b, "Label15")
    take_out(1)
    assert open(slot_file(1), "rb").read() == own

    # Nothing but the page's own files, and once it had loaded nothing more from the server
    # (but the tab's icon, which the browser fetches when it pleases, and the worker's script,
    # which it asks for to look for a new build): the policy would have refused anything else.
    assert b.eval("violations") == []
    late = [name for name in b.server.requests[loaded:] if name not in ("assets/app-icon.svg", "sw.js")]
    assert not late, late

    # Without the records its window was drawn from, the page draws the window itself, in
    # place of the drawn one: every control once, and the saved slots as they are.
    shown = b.eval("document.querySelectorAll('#window [data-id]').length")
    b.server.gone.add("drawn.json")
    b.open()
    ids = b.eval("[...document.querySelectorAll('#window [data-id]')].map((e) => e.dataset.id)")
    assert len(ids) == len(set(ids)) == shown and back(b, "Label15") == RED, (len(ids), shown)
    assert b.eval("document.querySelectorAll('#files .slot button').length") == 10

    # A click on the drawn window before the core has started is answered once it has: the
    # server holds the core's script back until the click is in.
    b.server.gone.clear()

    def held_open():
        b.eval(FORGET_OFFLINE)
        asked = len(b.server.requests)
        b.server.delay["krn.js"] = 600
        b.navigate(b.url)
        wait(lambda: "krn.js" in b.server.requests[asked:], "the page to ask for the core")
    held_open()
    b.click("SSCommand7")
    del b.server.delay["krn.js"]
    filled(b, "Label6")

    # On a screen narrower than the window the whole window is scaled down to fit, with no
    # scroll bars: the window the page came with, before the core has started; and back
    # to its own size on a screen wide enough.
    fits = """(() => { const r = document.getElementById('stage').getBoundingClientRect();
      const full = r.width >= innerWidth - 1 || r.height >= innerHeight - 1;
      return full && r.right <= innerWidth + 0.5 && r.bottom <= innerHeight + 0.5 &&
        document.documentElement.scrollWidth <= innerWidth; })()"""
    b.resize(300, 490)
    held_open()
    b.wait(fits)
    del b.server.delay["krn.js"]
    b.wait("document.body?.dataset.ready === '1'")
    b.resize(482, 490)
    b.wait("document.getElementById('stage').getBoundingClientRect().width === 482")

    # The browser closed and opened again keeps the saved slots.
    b.restart()
    b.open()
    assert back(b, "Label14") == back(b, "Label15") == RED


def main(site, screenshot, folder, *engines):
    failed = []
    for engine in engines or ENGINES:
        begun = time.monotonic()
        try:
            run(engine, site, screenshot, folder)
            print("web page in %s: all steps passed, %.1f s" % (engine, time.monotonic() - begun))
        except Exception:
            traceback.print_exc()
            print("web page in %s: FAILED after %.1f s" % (engine, time.monotonic() - begun))
            failed.append(engine)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main(*sys.argv[1:])
