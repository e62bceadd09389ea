"""The page as the web tests read and play it: a control by its name, its caption and colour,
a drawn column saved into a slot, the message box, files brought into a slot."""
import json

RED, CYAN = "rgb(255, 0, 0)", "rgb(0, 255, 255)"
FOCUSED = "(document.activeElement.dataset.name || document.activeElement.id || document.activeElement.tagName)"
INDICATORS = ("[14, 15, 16, 17, 18].map((k) => getComputedStyle(document.querySelector("
              "`[data-name=\"Label${k}\"]`)).backgroundColor)")
# Brings files into a slot as the file picker does: names and byte lists, one file each.
BRING = """((letter, names, contents) => { const dt = new DataTransfer();
  names.forEach((n, i) => dt.items.add(new File([new Uint8Array(contents[i])], n)));
  const input = document.getElementById('file-' + letter);
  input.files = dt.files; input.dispatchEvent(new Event('change')); })(%s, %s, %s)"""
# The files kept for offline use are forgotten, so that the next load asks the server.
FORGET_OFFLINE = """navigator.serviceWorker.getRegistrations()
  .then((all) => Promise.all(all.map((r) => r.unregister()))).then(() => caches.keys())
  .then((keys) => Promise.all(keys.map((k) => caches.delete(k)))).then(() => true)"""


def q(name):
    return "document.querySelector('[data-name=\"%s\"]')" % name


def caption(b, name):
    return b.eval(q(name) + ".querySelector('.cap').textContent")


def filled(b, name):
    b.wait(q(name) + ".querySelector('.cap').textContent !== ''")


def column(b, c):
    return [caption(b, "SSPanel%d" % (6 * c + i)) for i in range(1, 7)]


def back(b, name):
    return b.eval("getComputedStyle(%s).backgroundColor" % q(name))


def lit(b, name):
    b.wait("getComputedStyle(%s).backgroundColor === '%s'" % (q(name), RED))


def shows(b, colours):
    """Waits until the five slot indicators have these colours."""
    b.wait("JSON.stringify(%s) === %s" % (INDICATORS, json.dumps(json.dumps(colours, separators=(",", ":")))))


def play(b):
    """One drawn column dropped into the coupon; its numbers."""
    b.click("SSCommand7")
    filled(b, "Label6")
    b.click("SSCommand8")
    filled(b, "SSPanel12")
    return column(b, 1)


def save(b, slot):
    """A drawn column saved into the slot (0 to 4), or refused with a message."""
    drawn = play(b)
    b.click("SSCommand%d" % (14 + 3 * slot))
    b.wait(q("Label%d" % (14 + slot)) + ".style.backgroundColor === '%s'"
           " || document.getElementById('message').open" % RED)
    return drawn


def message(b):
    """The text of the message the page shows, which has the focus, once closed with Return."""
    b.wait("document.getElementById('message').open")
    text = b.eval("document.getElementById('message-text').textContent")
    assert b.eval(FOCUSED) == "message-ok"
    b.key("Enter")
    b.wait("!document.getElementById('message').open")
    return text
