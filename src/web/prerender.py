"""Writes the page with the window already drawn in it, so that its first frame waits for no
script: the page is opened in headless chromium, told before its scripts run that it is
being drawn, and draws the start of a player with no coupon in any slot and keeps the
records it drew. The page that a player opens then takes these elements over and draws only
what differs from them.

The page's policy allows no style attribute, so each drawn style becomes a rule of the
style sheet: one class for where a control lies and one for how it looks, shared by every
element that looks the same.

usage: prerender.py SITE TEMPLATE STYLE PICTURE.svg...
SITE holds the built core, krn.js and krn.wasm, and page.js; the page, its style sheet and
the records are written there as index.html, page.css and drawn.json."""
import os
import shutil
import sys
import tempfile

from devtools import Browser
from pictures import with_pictures

# Runs in the drawn page: turns its style attributes into rules, and gives back the page and
# the rules. The rules outrank the style sheet's own, as the attributes did, and a style set
# on an element later, when a record changes, outranks them in turn.
TO_RULES = r"""(() => {
  const names = new Map();
  const rules = [];
  const named = (text) => {
    if (!names.has(text)) {
      names.set(text, 'd' + names.size);
      rules.push(`#stage .${names.get(text)} { ${text} }`);
    }
    return names.get(text);
  };
  // A wheel shows nothing before its first tick; the page that opens this one draws its frames.
  document.querySelectorAll('#window .image > svg').forEach((svg) => svg.remove());
  const where = /^(left|top|width|height|z-index|inset):/;
  for (const el of document.querySelectorAll('#stage [style]')) {
    const parts = el.getAttribute('style').split(/;\s*/).filter((p) => p !== '');
    for (const group of [parts.filter((p) => where.test(p)), parts.filter((p) => !where.test(p))]) {
      if (group.length > 0) el.classList.add(named(group.join('; ') + ';'));
    }
    el.removeAttribute('style');
  }
  delete document.body.dataset.ready;
  // The core's script, which the page adds once it has drawn, is added again by the page
  // that opens this one.
  document.querySelector('script[src="krn.js"]').remove();
  return { stray: document.querySelectorAll('[style]').length, rules: rules.join('\n'), records: krnDrawn,
           page: '<!DOCTYPE html>\n' + document.documentElement.outerHTML + '\n' };
})()"""


def main():
    site, template, style, pictures = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    shell = tempfile.mkdtemp(prefix="krn-prerender-")
    try:
        with open(os.path.join(shell, "index.html"), "w", encoding="utf-8") as out:
            out.write(with_pictures(open(template, encoding="utf-8").read(), pictures))
        shutil.copy(style, os.path.join(shell, "page.css"))
        for name in ("krn.js", "krn.wasm", "page.js", "storage.js", "assets"):
            os.symlink(os.path.abspath(os.path.join(site, name)), os.path.join(shell, name))
        b = Browser(shell)
        try:
            b.send("Page.enable")
            b.send("Page.addScriptToEvaluateOnNewDocument", source="window.krnPrerender = true;")
            b.send("Page.navigate", url=b.url)
            b.wait("document.body?.dataset.ready === '1' && window.krnDrawn !== undefined")
            drawn = b.eval(TO_RULES)
        finally:
            b.close()
    finally:
        shutil.rmtree(shell, ignore_errors=True)
    if drawn["stray"] != 0:
        sys.exit("prerender: %d style attributes outside the window" % drawn["stray"])
    with open(os.path.join(site, "page.css"), "w", encoding="utf-8") as out:
        out.write(open(style, encoding="utf-8").read())
        out.write("\n/* The window as the build drew it. */\n" + drawn["rules"] + "\n")
    with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as out:
        out.write(drawn["page"])
    with open(os.path.join(site, "drawn.json"), "w", encoding="utf-8") as out:
        out.write(drawn["records"])


if __name__ == "__main__":
    main()
