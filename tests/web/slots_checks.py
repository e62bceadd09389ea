"""The page keeps every coupon it shows as kept, as the desktop does: over a start whose core
arrives late, across two tabs, through a refusal of the storage and a storage cleared or
deleted under the open page, and against files that hold no coupon."""
import json

from page import BRING, CYAN, FORGET_OFFLINE, RED, caption, message, save, shows

DB = "/KRN_Sayısal"


def check_slots(b):
    b.open()
    for slot in range(5):
        b.click("SSCommand%d" % (13 + 3 * slot))
    shows(b, [CYAN] * 5)

    # Slots read while the core is still on its way are there once it has arrived, and a
    # later save writes its own slot alone; no address makes the page another page.
    save(b, 0), save(b, 1)
    b.eval(FORGET_OFFLINE)
    b.server.delay["krn.wasm"] = 2.0
    b.open("?prerender")
    del b.server.delay["krn.wasm"]
    shows(b, [RED, RED, CYAN, CYAN, CYAN])
    save(b, 2)
    b.open()
    shows(b, [RED, RED, RED, CYAN, CYAN])

    # Two tabs are two copies of the program: each shows what the other wrote, and neither
    # writes back what it saw of a slot it is not saving.
    first = b.tabs()[0]
    second = b.new_tab()
    b.open()
    b.use(first)
    save(b, 3)
    b.use(second)
    shows(b, [RED] * 4 + [CYAN])
    save(b, 4)
    b.use(first)
    shows(b, [RED] * 5)

    # Files that hold no coupon never empty a kept one, more than one file at once is
    # refused, and a file's name is shown without what could break the message.
    b.eval(BRING % ('"a"', '["boş.krn"]', "[[]]"))
    assert message(b) == 'Kupon yüklenemedi.\n"boş.krn" dosyasında kupon yok'
    b.eval(BRING % ('"a"', '["sıfır.krn"]', "[%s]" % ([0] * 96)))
    assert message(b) == 'Kupon yüklenemedi.\n"sıfır.krn" dosyasında kupon yok'
    b.eval(BRING % ('"a"', '["x.krn", "y.krn"]', "[[1, 0], [2, 0]]"))
    assert message(b).startswith("Kupon yüklenemedi.\n2 dosya birden")
    b.eval(BRING % ('"a"', json.dumps(["a\nb\u202ec.krn"]), "[[99, 0]]"))
    assert message(b) == 'Kupon yüklenemedi.\n"abc.krn" bir kupon dosyası değil'
    shows(b, [RED] * 5)

    # A write whose request fails is a failed write, though its transaction could commit.
    b.eval("(() => { const put = IDBObjectStore.prototype.put; IDBObjectStore.prototype.put ="
           " function (value, key) { IDBObjectStore.prototype.put = put; return this.add(value, key); };"
           " return true; })()")
    b.click("SSCommand13")
    assert message(b).startswith("Yuva boşaltılamadı.\n")
    shows(b, [RED] * 5)

    # A deletion of the storage from another tab goes through, and both show what is left.
    b.use(second)
    b.eval("new Promise((done, failed) => { const r = indexedDB.deleteDatabase(%s);"
           " r.onsuccess = () => done(true); r.onerror = () => failed(r.error); })" % json.dumps(DB))
    shows(b, [CYAN] * 5)
    b.use(first)
    shows(b, [CYAN] * 5)

    if b.engine != "chromium":
        return
    origin = b.url.rstrip("/")
    # Storage cleared by the browser under the open page.
    save(b, 0)
    b.cdp("Storage.clearDataForOrigin", origin=origin, storageTypes="indexeddb")
    shows(b, [CYAN] * 5)
    save(b, 1)
    b.open()
    shows(b, [CYAN, RED, CYAN, CYAN, CYAN])

    # A write the storage refuses is a failed save: told, the slot and the coupon as they
    # were, and the page goes on answering. The quota holds on an origin the browser has not
    # opened yet: the same page by another name.
    fresh = b.url.replace("127.0.0.1", "localhost")
    b.cdp("Storage.overrideQuotaForOrigin", origin=fresh.rstrip("/"), quotaSize=1)
    b.cdp("Page.navigate", url=fresh)
    b.wait("document.body?.dataset.ready === '1'")
    save(b, 2)
    assert message(b).endswith("dosyası diske yazılamadı: diskte yer kalmadı")
    shows(b, [CYAN] * 5)
    assert caption(b, "SSPanel7") != ""
    b.cdp("Storage.overrideQuotaForOrigin", origin=fresh.rstrip("/"))
    b.click("SSCommand20")
    shows(b, [CYAN, CYAN, RED, CYAN, CYAN])

    # No storage at all: said once, at the start, and no slot is shown as full or empty.
    script = b.cdp("Page.addScriptToEvaluateOnNewDocument",
                   source="Object.defineProperty(window, 'indexedDB', { value: undefined });")
    b.open()
    assert message(b).startswith("Kupon yuvaları okunamadı.\n")
    shows(b, ["rgb(239, 239, 239)"] * 5)
    b.cdp("Page.removeScriptToEvaluateOnNewDocument", identifier=script["identifier"])
