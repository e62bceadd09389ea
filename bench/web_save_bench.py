"""How long a save takes in the page, from the click on a save button to the frame that shows
its indicator red: the write is durable by then. Median and p99 in each engine.

usage: web_save_bench.py SITE [ENGINE...]"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "web"))
from browsers import ENGINES, start  # noqa: E402

SAVES = 41
BUDGET_MS = 50
# The time of the click, and of the first frame after the indicator turned red.
TIMER = """(() => { window.saveTimes = []; let clicked = 0;
  const lamp = document.querySelector('[data-name="Label14"]');
  document.querySelector('[data-name="SSCommand14"]').addEventListener('click', () => { clicked = performance.now(); }, true);
  new MutationObserver(() => {
    if (clicked === 0 || lamp.style.backgroundColor !== 'rgb(255, 0, 0)') return;
    const from = clicked;
    clicked = 0;
    requestAnimationFrame(() => saveTimes.push(performance.now() - from));
  }).observe(lamp, { attributes: true }); })()"""


def q(name):
    return "document.querySelector('[data-name=\"%s\"]')" % name


def measure(engine, site):
    b = start(engine, site)
    try:
        b.open()
        b.eval(TIMER)
        for n in range(SAVES):
            b.click("SSCommand13")
            b.wait("getComputedStyle(%s).backgroundColor === 'rgb(0, 255, 255)'" % q("Label14"))
            b.click("SSCommand7")
            b.wait(q("Label6") + ".querySelector('.cap').textContent !== ''")
            b.click("SSCommand8")
            b.wait(q("SSPanel7") + ".querySelector('.cap').textContent !== ''")
            b.click("SSCommand14")
            b.wait("saveTimes.length === %d" % (n + 1))
        return sorted(b.eval("saveTimes"))
    finally:
        b.close()


def main(site, *engines):
    for engine in engines or ENGINES:
        times = measure(engine, site)
        median, p99 = statistics.median(times), times[min(len(times) - 1, round(0.99 * len(times)))]
        print("save to done in %-8s median %5.1f ms, p99 %5.1f ms over %d saves (budget: median <= %d ms): %s"
              % (engine, median, p99, len(times), BUDGET_MS, "PASS" if median <= BUDGET_MS else "MISS"))


if __name__ == "__main__":
    main(*sys.argv[1:])
