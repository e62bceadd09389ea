#!/usr/bin/python3
"""Plays a coupon of krn-sayisal with real key presses while Debian's screen reader, Orca,
listens, and checks what a blind player is told: the AT-SPI events the program sends, and
what Orca speaks, read from its debug log.  Usage: atspi_test.py PATH/TO/krn-sayisal

It runs itself again on a message bus of its own and inside xvfb-run, in a process group
and a folder of its own, and ends both and removes the folder whatever happens."""

import os, re, signal, subprocess, sys, tempfile, time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

Role = Atspi.Role
# How long a step may take before the test gives up on it and says which; it is not a pause,
# every step goes on as soon as what it waits for is there. Orca falls seconds behind the
# program when the machine is busy.
WAIT = 40.0


class Failure(Exception):
    pass


def expect(what, got, wanted):
    if got != wanted:
        raise Failure(f"{what}:\n    read   {got}\n    wanted {wanted}")


class Reader:
    """What a screen reader knows of the program: its tree, and every event it was sent."""

    def __init__(self):
        self.context = GLib.MainContext.default()
        Atspi.init()
        self.events, self.mark, self.focused = [], 0, None
        self.listener = Atspi.EventListener.new(self._heard)
        for kind in ("object:property-change:accessible-name", "object:state-changed:checked",
                     "object:state-changed:focused", "object:state-changed:showing", "window:activate"):
            self.listener.register(kind)

    def _heard(self, event):
        source = event.source
        try:
            self.events.append((event.type, source.get_name(), source.get_role(), event.detail1))
        except GLib.Error:
            return  # from an object already gone, such as a closed message
        if event.type.endswith("focused") and event.detail1:
            self.focused = source

    def wait(self, what, test):
        deadline = time.monotonic() + WAIT
        while True:
            while self.context.iteration(False):
                pass
            result = test()
            if result:
                return result
            if time.monotonic() > deadline:
                raise Failure(f"{what}: not so after {WAIT:.0f} s")
            time.sleep(0.02)

    def told(self, kind, name, detail=1):
        """Waits for an event about an object of the name (or its start, before a ...) sent
        since the last key press; returns its role and name."""
        def matches(e):
            return (kind in e[0] and e[3] == detail and
                    (e[1] == name or name.endswith("...") and e[1].startswith(name[:-3])))
        try:
            return self.wait(f"told {kind} of '{name}'", lambda: next(
                (e[2:0:-1] for e in self.events[self.mark:] if matches(e)), None))
        except Failure as failure:
            raise Failure(f"{failure}; told {self.events[self.mark:][-12:]}") from None

    def application(self, name):
        return next((a for a in children(Atspi.get_desktop(0)) if a is not None and a.get_name() == name), None)


def children(obj):
    return [obj.get_child_at_index(i) for i in range(obj.get_child_count())]


class Player:
    """Presses keys for real, on the X server, and waits for the reader to hear the result."""

    def __init__(self, reader, orca, pid):
        self.reader, self.orca = reader, orca
        self.focus_window("", "--all", "--pid", str(pid))
        reader.wait("the window takes the keyboard focus", lambda: reader.focused is not None)
        # Orca reads the window's name once it has taken in the window's activation, which it
        # queues behind every event before it: a key pressed sooner reaches it first, makes
        # the window active without a word, and the name is never read.
        orca.says("KRN Sayısal Loto")

    # With no window manager, the keyboard goes to the window it is given to.
    def focus_window(self, name, *search):
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", *search, "--name", name,
                        "windowfocus", "--sync"], timeout=WAIT, check=True)

    def keys(self, *keys):
        self.orca.idle()
        self.reader.mark = len(self.reader.events)
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], timeout=WAIT, check=True)

    def press(self, name, description=None, backwards=False):
        for tabs in range(45):
            there = self.reader.focused
            if there is not None and there.get_name() == name and description in (None, there.get_description()):
                if tabs:
                    self.orca.says(name)
                self.keys("space")
                return
            focused = self.reader.focused
            self.keys("shift+Tab" if backwards else "Tab")
            self.reader.wait(f"focus moves on the way to {name}", lambda: self.reader.focused != focused)
        raise Failure(f"Tab never reached {name}")

    def pick(self, number, *keys, checked=1):
        """Takes the grid's frame to a number, and presses Space on it."""
        self.keys(*(keys or str(number)))
        self.reader.wait(f"the frame on {number}", lambda: self.reader.focused.get_name() == str(number))
        self.keys("space")
        if checked is not None:
            expect(f"the role of {number}", self.reader.told("checked", str(number), checked)[0], Role.CHECK_BOX)


# Orca writes its log in blocks; run so, its lines are there to read as it speaks them. It
# also refuses to start while any other Orca of the user runs, such as the player's own on
# the desktop or that of another run of this test: this one has a display and a bus of its
# own.
ORCA = """import builtins, runpy, sys
log, sys.argv = sys.argv[1], ["orca", "--debug-file", sys.argv[1]]
plain = builtins.open
builtins.open = lambda f, *a, **k: plain(f, "w", 1) if f == log else plain(f, *a, **k)
launcher = runpy.run_path("/usr/bin/orca", run_name="orca_launcher")
launcher["main"].__globals__["otherOrcas"] = lambda: []
sys.exit(launcher["main"]())"""


class Orca:
    """Debian's screen reader, speaking into its debug log alone."""

    def __init__(self, reader, log):
        self.reader, self.log, self.at, self.read, self.queued = reader, log, 0, 0, 0
        self.proc = subprocess.Popen([sys.executable, "-c", ORCA, log], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def said(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            lines = re.findall(r"SPEECH OUTPUT: '(.*?)' ?(?:\{|$)", f.read(), re.M)
        # Less the keys it echoes.
        return [line for line in lines if not re.fullmatch(r"(left |right )?\w* ?", line)]

    def idle(self):
        """Waits until Orca has handled every event it has taken in. It queues them, and keys
        pressed faster than it reads what they did flood its queue: it then throws events
        away unread."""
        def drained():
            if not os.path.exists(self.log):
                return False
            with open(self.log, "rb") as f:
                f.seek(self.read)
                lines = f.read()
            lines = lines[:lines.rfind(b"\n") + 1]
            self.read += len(lines)
            self.queued += (lines.count(b"EVENT MANAGER: Queueing ") - lines.count(b"EVENT MANAGER: Dequeued ") -
                            sum(map(int, re.findall(rb"EVENT MANAGER: (\d+) events pruned", lines))))
            return self.queued <= 0
        self.reader.wait("Orca reads all it was sent", drained)

    def says(self, text):
        """Waits until Orca speaks a line with the text, after what it was last heard to say."""
        def heard():
            lines = self.said()
            found = next((i for i in range(self.at, len(lines)) if text in lines[i]), None)
            self.at = self.at if found is None else found + 1
            return found is not None
        try:
            self.reader.wait(f"Orca says '{text}'", heard)
        except Failure as failure:
            raise Failure(f"{failure}; it said {self.said()[max(self.at - 3, 0):]}") from None


def play(program, log):
    reader = Reader()
    orca = Orca(reader, log)
    proc = None
    try:
        # The program makes its accessible objects only if a reader is listening as it starts.
        orca.says("Screen reader on")
        proc = subprocess.Popen([program], env=dict(os.environ, QT_QPA_PLATFORM="xcb"))
        app = reader.wait("krn-sayisal appears", lambda: reader.application("krn-sayisal"))
        window = reader.wait("its window", lambda: app.get_child_count() and app.get_child_at_index(0))
        reader.wait("the window is laid out", lambda: window.get_child_count() == 9)
        expect("the window", (window.get_role(), window.get_name()), (Role.FRAME, "KRN Sayısal Loto"))
        items = children(window)
        expect("the window, in reading order", [(o.get_role(), o.get_name()) for o in items],
               [(Role.PANEL, "Komutlar"), (Role.IMAGE, "3. resim"), (Role.IMAGE, "2. resim"),
                (Role.IMAGE, "1. resim"), (Role.LABEL, "Toplar: çekiliş yok"),
                (Role.PANEL, "Sayılar"), (Role.PANEL, "Yuvalar"), (Role.PANEL, "Kupon"),
                (Role.NOTIFICATION, "")])
        slots, coupon = children(items[6]), children(items[7])
        children(items[5])  # the six number labels, met once, are told of when their names change
        expect("slot a", [o.get_name() for o in slots[:4]], ["a yuvasına kaydet", "a yuvasını boşalt",
                                                             "a yuvasından yükle", "a yuvası: ekranda değil, boş"])
        children(coupon[0])  # the grid's numbers, met once, are told of when they show
        if coupon[7].get_state_set().contains(Atspi.StateType.SHOWING):
            raise Failure("an empty result is read")

        player = Player(reader, orca, proc.pid)

        def step(press, said, *args):
            press(*args)
            expect(f"what {args} did is shown", reader.told("showing", said)[0], Role.NOTIFICATION)
            orca.says(said)

        def drop():
            player.press("Çevir", backwards=True)
            said = reader.told("showing", "Çekilen: ...")[1]
            orca.says(said)
            drawn = [int(n) for n in said.split(": ")[1].split(", ")]
            if drawn != sorted(set(drawn)) or len(drawn) != 6 or not 0 < drawn[0] < drawn[5] < 50:
                raise Failure(f"the draw reads {drawn}")
            reader.told("accessible-name", "Toplar: çekilen " + ", ".join(map(str, drawn)), 0)
            return drawn

        drawn = drop()
        step(player.press, "1. kolon: " + ", ".join(map(str, drawn)), "Topları kupona aktar")
        reader.told("accessible-name", f"1. kolon, 6. sayı: {drawn[5]}", 0)

        player.press("Gir", "Kolonu elle gir")
        reader.told("showing", "1")
        expect("the number under the frame", reader.told("focused", "1")[0], Role.CHECK_BOX)
        reader.told("showing", f"1. kolon, 1. sayı: {drawn[0]}", 0)  # covered by the grid
        # The frame stops at the edges: Left and Up on 1, Right and Down on 49.
        picks = [(3, ("Left", "Up", "Right", "Right")), (12, ("Down",)), (45, ()),
                 (44, ("Left",)), (35, ("Up",)), (33, ("Left", "Left"))]
        for number, keys in picks:
            player.pick(number, *keys)
        player.pick(34, checked=None)
        orca.says(reader.told("showing", "6 sayı seçili")[1])
        player.pick(12, checked=0)
        for k, n in enumerate([45, 44, 35, 33, "boş"]):
            reader.told("accessible-name", f"{k + 2}. sayı: {n}", 0)
        player.pick(40, "4", "9", "Right", "Down", "Up")
        reader.told("accessible-name", "6. sayı: 40", 0)
        hand = sorted([3, 33, 35, 40, 44, 45])
        step(player.keys, "Seçilen: " + ", ".join(map(str, hand)), "Return")
        expect("back on Gir", reader.told("focused", "Gir")[0], Role.PUSH_BUTTON)
        step(player.press, "2. kolon: " + ", ".join(map(str, hand)), "Topları kupona aktar")

        step(player.press, "a yuvası: ekranda değil, dolu; kupon boş", "a yuvasına kaydet")
        reader.told("accessible-name", "a yuvası: ekranda değil, dolu", 0)
        step(player.press, "a yuvası: ekranda, dolu", "a yuvasından yükle")
        reader.told("accessible-name", f"2. kolon, 1. sayı: {hand[0]}", 0)

        player.press("Gir", "Çekiliş sonucunu elle gir", backwards=True)
        result = [3, 12, 33] + [n for n in range(49, 0, -1) if n not in drawn + hand][:3]
        for number in result[:5]:
            player.pick(number)
        step(player.keys, "6 sayı seçilmeli, 5 seçili", "Return")
        player.pick(result[5])
        step(player.keys, "Sınanacak çekiliş: " + ", ".join(map(str, sorted(result))), "Return")
        hits = [f"{c}. kolon: {len(set(n) & set(result))} isabet"
                for c, n in ((1, drawn), (2, hand)) if set(n) & set(result)]
        step(player.press, "; ".join(hits) or "isabet yok", "Sına")
        reader.told("accessible-name", f"2. kolon, 1. sayı: {hand[0]}, isabet", 0)
        player.press("At Sına")
        said = reader.told("showing", "Çekilen: ...")[1]
        if not re.fullmatch(r"Çekilen: [\d, ]+; (\d\. kolon: \d isabet(; )?)+|.*; isabet yok", said):
            raise Failure(f"At Sına reads '{said}'")
        orca.says(said)
        step(player.press, "a yuvası: ekranda, boş", "a yuvasını boşalt")
        step(player.press, "Kupon boş", "Sil", None, True)

        for column in range(1, 9):
            drawn = drop()
            player.press("Topları kupona aktar")
            if column < 8:
                reader.told("showing", f"{column}. kolon: " + ", ".join(map(str, drawn)))
        expect("the message comes up", reader.told("window:activate", "KRN Dernovak", 0)[0], Role.ALERT)
        button = reader.wait("the message takes the focus",
                             lambda: reader.focused.get_name() == "Tamam" and reader.focused)
        message = button.get_parent().get_parent()
        texts = [o.get_name() for o in children(message) if o.get_role() == Role.LABEL and o.get_name()]
        expect("the full coupon's message", (message.get_role(), texts),
               (Role.ALERT, ["Kupon doldu. Kayda alınmazsa yeniden düzenlenecek "]))
        orca.says("Kupon doldu")
        player.focus_window("KRN Dernovak")
        player.keys("Return")
        # Çık is refused while the message is open.
        player.focus_window("", "--all", "--pid", str(proc.pid))

        player.press("Çık")
        expect("the program's exit status", proc.wait(WAIT), 0)
        print("Orca said:\n    " + "\n    ".join(orca.said()))
        said = " ".join(orca.said())
        if not all(t in said for t in ("KRN Sayısal Loto", "a yuvası: ekranda değil, boş b")):
            raise Failure("Orca did not read the window's name or the slot bar slot by slot")
        if "sonucu: boş" in said:
            raise Failure("Orca read the empty results")
    finally:
        for started in (proc, orca.proc):
            if started is not None:
                started.kill()
                started.wait()


def main():
    # A test runner that gives up on us sends SIGTERM: everything is ended all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped from outside"))
    if len(sys.argv) == 3:
        try:
            play(sys.argv[1], sys.argv[2])
        except (Failure, subprocess.SubprocessError, OSError) as failure:
            print(f"FAIL: {failure}")
            return 1
        return 0
    with tempfile.TemporaryDirectory(prefix="krn-reader-") as home:
        for name in [k for k in os.environ if k.startswith(("DBUS_", "AT_SPI", "WAYLAND", "QT_", "XDG_", "DISPLAY"))]:
            del os.environ[name]
        os.environ.update(HOME=home, XDG_RUNTIME_DIR=home, XDG_DATA_HOME=os.path.join(home, "data"),
                          XDG_CONFIG_HOME=os.path.join(home, "config"))
        # A message bus of the test's own, which GLib ends even when this process is killed.
        bus = Gio.TestDBus.new(Gio.TestDBusFlags.NONE)
        bus.add_service_dir("/usr/share/dbus-1/services")
        bus.up()
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.get_bus_address()
        inner = subprocess.Popen(["xvfb-run", "-a", "-s", "-nolisten tcp", sys.executable, __file__, sys.argv[1],
                                  os.path.join(home, "orca.log")], start_new_session=True)
        try:
            status = inner.wait()
        finally:
            for sig in (signal.SIGTERM, signal.SIGKILL):
                try:
                    os.killpg(inner.pid, sig)
                except ProcessLookupError:
                    break
                time.sleep(1)
            bus.down()
    print("passed" if status == 0 else "FAIL")
    return status


if __name__ == "__main__":
    sys.exit(main())
