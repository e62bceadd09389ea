"""The web page's figures, measured in headless chromium on 127.0.0.1 beside a floor page in
the same run: one button and an empty WebAssembly module built by the same emscripten."""
import gzip, os, shutil, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "src", "web"))
from devtools import Browser  # noqa: E402

SITE, FLOOR = sys.argv[1], sys.argv[2]
# A first paint moves by a fifth from load to load on a busy machine: 31 loads of each page
# tell the two apart by a few per cent, where 9 did not. The processor time is counted in
# hundredths of a second: idle at under 1 % of a core is told to a tenth of itself only over
# 30 seconds. Idle is what a page left open costs, counted once its start is over: for half
# a minute after a load the browser still compiles the page's code on, collects what the
# start left, and keeps the page's service worker, which it lets go 30 s after its last
# request.
LOADS, CLICK_ROUNDS, IDLE_SECONDS, SETTLE_SECONDS = 31, 40, 30, 35


def cpu_seconds(root_pid):
    """utime + stime of chromium and all its processes."""
    total, pids = 0, [root_pid]
    while pids:
        pid = pids.pop()
        try:
            fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
            pids += [int(c) for t in os.listdir("/proc/%d/task" % pid)
                     for c in open("/proc/%d/task/%s/children" % (pid, t)).read().split()]
        except OSError:
            pass
    return total / os.sysconf("SC_CLK_TCK")


# The floor's button repainted when the window's eight timers tick, the ticks that fall due
# together in one task, as the window handles them: what the browser itself spends on the
# frames that the turning wheels need.
REPAINTS = """const b = document.getElementById('b'); let n = 0;
  const due = [200, 150, 200, 100, 150, 200, 150, 200].map((ms) => ({ ms, next: performance.now() + ms }));
  const step = () => {
    const now = performance.now() + 1;
    for (const d of due) while (d.next <= now) d.next += d.ms;
    b.style.color = (n++ & 1) ? '#000' : '#222';
    setTimeout(step, Math.min(...due.map((d) => d.next)) - performance.now());
  };
  setTimeout(step, 100);"""
STOP_WHEELS = "document.getElementById('motion').click()"


def loads(worker):
    """First paint of the floor and of the window, and when the window answers a click, each
    the median of LOADS loads with nothing in the browser's cache. The two pages are loaded in
    turn from one server into one browser, so that both see the same load of the machine.
    With `worker` the window is a repeat visit, its files kept by its service worker, which is
    otherwise passed by."""
    root = tempfile.mkdtemp(prefix="krn-bench-")
    os.symlink(os.path.abspath(FLOOR), os.path.join(root, "floor"))
    os.symlink(os.path.abspath(SITE), os.path.join(root, "site"))
    b = Browser(root)
    try:
        b.send("Network.setCacheDisabled", cacheDisabled=True)
        b.send("Network.setBypassServiceWorker", bypass=not worker)
        b.send("Network.enable")
        if worker:
            b.open("site/")
            b.wait("navigator.serviceWorker.controller !== null")
        floor, paints, ready = [], [], []
        for _ in range(LOADS):
            for page, into in (("floor/floor.html", floor), ("site/", paints)):
                b.send("Page.navigate", url=b.url + page)
                b.wait("performance.getEntriesByName('first-contentful-paint').length > 0 && "
                       "(document.body.dataset.ready === '1' || !document.getElementById('window'))")
                into.append(b.eval("performance.getEntriesByName('first-contentful-paint')[0].startTime"))
            # A click is answered once the page handles it and the window it lands on is on
            # the screen: a player clicks what has been painted.
            ready.append(max(paints[-1], b.eval("performance.getEntriesByName('krn-interactive')[0].startTime")))
        return statistics.median(floor), statistics.median(paints), statistics.median(ready)
    finally:
        b.close()
        shutil.rmtree(root, ignore_errors=True)


def measure(site, page, script=None, clicking=False):
    """The share of a core the browser takes, idle, and for the window the times from a click
    to the frame that shows its answer."""
    b = Browser(site)
    try:
        # A page a player keeps open is one opened before: its storage made and its files
        # kept by its service worker, which the first visit writes to the disk.
        for _ in range(2):
            b.send("Page.navigate", url=b.url + page)
            b.wait("document.readyState === 'complete' && "
                   "(document.body.dataset.ready === '1' || !document.getElementById('window'))")
            if page == "":
                b.wait("navigator.serviceWorker.controller !== null")
        if script:
            b.eval(script)
        time.sleep(SETTLE_SECONDS)
        before = cpu_seconds(b.proc.pid)
        time.sleep(IDLE_SECONDS)
        idle = (cpu_seconds(b.proc.pid) - before) / IDLE_SECONDS
        clicks = []
        if clicking:
            b.eval("""window.clickTimes = []; document.addEventListener('click', (e) => {
                const start = e.timeStamp; requestAnimationFrame(() => { const c = new MessageChannel();
                c.port1.onmessage = () => clickTimes.push(performance.now() - start); c.port2.postMessage(0); });
              }, true)""")
            for _ in range(CLICK_ROUNDS):
                for name in ("SSCommand7", "SSCommand8", "SSCommand9", "Vazgeç", "SSCommand2"):
                    b.click(name)
                    time.sleep(0.02)
            time.sleep(0.2)
            clicks = sorted(b.eval("clickTimes"))
        return idle, clicks
    finally:
        b.close()


def gzipped(folder, icons):
    """What a visit loads, gzipped; or with `icons`, what only installing the page loads."""
    return sum(len(gzip.compress(open(os.path.join(d, f), "rb").read(), 9))
               for d, _, files in os.walk(folder) for f in files
               if (os.path.relpath(d, folder) == "icons") == icons)


def main():
    floor_paint, paint, ready = loads(False)
    floor_again, paint_again, _ = loads(True)
    floor_idle = measure(FLOOR, "floor.html")[0]
    repainting = measure(FLOOR, "floor.html", REPAINTS)[0]
    idle, clicks = measure(SITE, "", clicking=True)
    stopped = measure(SITE, "", STOP_WHEELS)[0]
    p99 = clicks[min(len(clicks) - 1, int(len(clicks) * 0.99))]
    size, icons = gzipped(SITE, False) / 1024, gzipped(SITE, True) / 1024
    rows = [
        ("first paint (median of %d loads)" % LOADS, "%.1f ms" % paint, "%.1f ms (floor)" % floor_paint,
         "<= 1.5 x floor", paint <= 1.5 * floor_paint),
        ("interactive: a click on the painted window is answered", "%.1f ms" % ready, "%.1f ms (floor paint)" % floor_paint,
         "<= 2 x floor paint", ready <= 2 * floor_paint),
        ("click to repaint, median of %d" % len(clicks), "%.1f ms" % statistics.median(clicks), "",
         "<= 16.7 ms", statistics.median(clicks) <= 16.7),
        ("click to repaint, p99", "%.1f ms" % p99, "", "<= 33 ms", p99 <= 33),
        ("everything loaded, gzipped", "%.1f KiB" % size, "%.1f KiB more for installing: the icons" % icons,
         "<= 150 KiB", size <= 150),
        ("first paint, a repeat visit from the service worker", "%.1f ms" % paint_again,
         "%.1f ms (floor)" % floor_again, "<= 1.25 x floor", paint_again <= 1.25 * floor_again),
        ("idle, wheels turning (%d s)" % IDLE_SECONDS, "%.2f %% of a core" % (100 * idle),
         "%.2f %% (floor repainted on the window's ticks)" % (100 * repainting),
         "<= 1.25 x floor", idle <= 1.25 * repainting),
        ("idle, wheels stopped (%d s)" % IDLE_SECONDS, "%.2f %% of a core" % (100 * stopped),
         "%.2f %% (floor standing still)" % (100 * floor_idle), "<= 1.25 x floor", stopped <= 1.25 * floor_idle),
    ]
    report = "\n".join("| %s | %s | %s | %s | %s |" % (*r[:4], "PASS" if r[4] else "MISS") for r in rows)
    print(report)
    return 0


if __name__ == "__main__":
    sys.exit(main())
