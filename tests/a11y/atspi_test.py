#!/usr/bin/python3
"""Plays a whole coupon of krn-sayisal with real key presses only, and reads the window as a
screen reader does, through AT-SPI: the names, roles and states of its objects, and the
events a reader hears (names changed, numbers checked, focus moved).

It starts an X server on a free display, a D-Bus bus of its own where libdbus and GLib look
when they are given no address (the user's bus, $XDG_RUNTIME_DIR/bus, in a folder of ours),
and the AT-SPI bus launcher, which starts the accessibility bus and its registry. The program
runs there with accessibility on and a fresh data folder. Everything started is ended,
whatever happens.

  atspi_test.py PATH/TO/krn-sayisal
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WAIT = 8.0
PR_SET_CHILD_SUBREAPER = 36
USER_BUS = """<busconfig>
  <listen>unix:path={path}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class Failure(Exception):
    pass


def read_line(fd, what):
    """The first line a daemon writes to the pipe it was handed: its address or display."""
    data = b""
    deadline = time.monotonic() + WAIT
    while not data.endswith(b"\n"):
        ready, _, _ = select.select([fd], [], [], max(deadline - time.monotonic(), 0))
        chunk = os.read(fd, 256) if ready else b""
        if not chunk:
            raise Failure(f"{what} did not start")
        data += chunk
    os.close(fd)
    return data.decode().strip()


class Desktop:
    """A display and buses of our own. Everything started here is in one process group,
    which stop() ends."""

    def __init__(self):
        # What the daemons start themselves comes to us when they end, to be reaped at once.
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
        self.dir = tempfile.mkdtemp(prefix="krn-atspi-")
        os.chmod(self.dir, 0o700)
        os.mkdir(os.path.join(self.dir, "data"))
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("DBUS_", "AT_SPI", "WAYLAND", "QT_", "XDG_"))}
        self.env.update(HOME=self.dir, XDG_RUNTIME_DIR=self.dir)
        self.group = None
        self.started = []

    def spawn(self, argv, report_fd=False, **extra):
        read_end = write_end = None
        if report_fd:
            read_end, write_end = os.pipe()
            argv = [a.replace("{fd}", str(write_end)) for a in argv]
        proc = subprocess.Popen(
            argv, env=dict(self.env, **extra), pass_fds=(write_end,) if report_fd else (),
            process_group=0 if self.group is None else self.group,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.group is None:
            self.group = proc.pid
        self.started.append(proc)
        if report_fd:
            os.close(write_end)
            return proc, read_line(read_end, argv[0])
        return proc, None

    def start(self):
        config = os.path.join(self.dir, "bus.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write(USER_BUS.format(path=os.path.join(self.dir, "bus")))
        self.spawn(["dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile",
                    "--print-address={fd}"], report_fd=True)
        _, display = self.spawn(["Xvfb", "-displayfd", "{fd}", "-screen", "0", "640x480x24",
                                 "-nolisten", "tcp"], report_fd=True)
        self.env["DISPLAY"] = ":" + display
        self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])

    def stop(self):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            if not self._signal(sig):
                break
            deadline = time.monotonic() + 2
            for proc in self.started:
                try:
                    proc.wait(max(deadline - time.monotonic(), 0))
                except subprocess.TimeoutExpired:
                    pass
            while time.monotonic() < deadline and self._signal(0):
                try:
                    os.waitpid(-1, os.WNOHANG)
                except ChildProcessError:
                    pass
                time.sleep(0.01)
        shutil.rmtree(self.dir, ignore_errors=True)

    def _signal(self, sig):
        """Sends the signal to the group; False when no process of it is left."""
        if self.group is None:
            return False
        try:
            os.killpg(self.group, sig)
            return True
        except ProcessLookupError:
            return False


class Reader:
    """What a screen reader knows of the program: its tree, and the events it was sent."""

    def __init__(self, env):
        os.environ.update(env)
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib
        self.Atspi, self.context = Atspi, GLib.MainContext.default()
        Atspi.init()
        self.names = []
        self.checked = []
        self.focused = None
        self.focus_moves = 0
        self.listener = Atspi.EventListener.new(self._heard)
        for kind in ("object:property-change:accessible-name", "object:state-changed:checked",
                     "object:state-changed:focused"):
            self.listener.register(kind)

    def _heard(self, event):
        if event.type.startswith("object:property-change"):
            self.names.append(event.source.get_name())
        elif event.type.endswith("checked") and event.detail1:
            self.checked.append(event.source.get_name())
        elif event.type.endswith("focused") and event.detail1:
            self.focused = event.source
            self.focus_moves += 1

    def wait(self, what, test, timeout=WAIT):
        deadline = time.monotonic() + timeout
        while True:
            while self.context.iteration(False):
                pass
            result = test()
            if result:
                return result
            if time.monotonic() > deadline:
                raise Failure(f"{what}: not so after {timeout:.0f} s")
            time.sleep(0.02)

    def application(self, name):
        desktop = self.Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == name:
                return app
        return None

    def has(self, obj, state):
        return obj.get_state_set().contains(getattr(self.Atspi.StateType, state))


def children(obj):
    return [obj.get_child_at_index(i) for i in range(obj.get_child_count())]


def names(objs):
    return [o.get_name() for o in objs]


def child_named(parent, name):
    for c in children(parent):
        if c.get_name() == name:
            return c
    raise Failure(f"no '{name}' in '{parent.get_name()}': {names(children(parent))}")


def expect(what, got, wanted):
    if got != wanted:
        raise Failure(f"{what}:\n    read   {got}\n    wanted {wanted}")


class Player:
    """Presses keys for real, on the X server, and waits for the reader to hear the result."""

    def __init__(self, desktop, reader, pid):
        self.env, self.reader = desktop.env, reader
        window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                 str(pid)], env=self.env, capture_output=True, text=True,
                                timeout=WAIT, check=True).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=self.env,
                       timeout=WAIT, check=True)
        reader.wait("the window takes the keyboard focus", lambda: reader.focused is not None)

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "20", *keys], env=self.env, timeout=WAIT,
                       check=True)

    def focus_to(self, what, matches, backwards=False):
        for _ in range(45):
            if matches(self.reader.focused):
                return
            moves = self.reader.focus_moves
            self.keys("shift+Tab" if backwards else "Tab")
            self.reader.wait(f"focus moves on the way to {what}",
                             lambda: self.reader.focus_moves > moves)
        raise Failure(f"Tab never reached {what}")

    def press(self, what, name, description=None, backwards=False):
        def matches(obj):
            return (obj is not None and obj.get_name() == name and
                    (description is None or obj.get_description() == description))
        self.focus_to(what, matches, backwards)
        self.keys("space")

    def frame_to(self, number, *keys):
        self.keys(*keys)
        self.reader.wait(f"the grid's frame on {number}",
                         lambda: self.reader.focused.get_name() == str(number))


def run(program):
    desktop = Desktop()
    proc = None
    try:
        desktop.start()
        reader = Reader(desktop.env)
        proc, _ = desktop.spawn([program], QT_QPA_PLATFORM="xcb",
                                QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                                XDG_DATA_HOME=os.path.join(desktop.dir, "data"))
        app = reader.wait("krn-sayisal appears to the reader",
                          lambda: reader.application("krn-sayisal"))
        window = reader.wait("its window has children",
                             lambda: app.get_child_count() and app.get_child_at_index(0))
        reader.wait("the window is laid out", lambda: window.get_child_count() == 8)
        commands, numbers, slots, coupon = (child_named(window, n) for n in
                                            ("Komutlar", "Sayılar", "Yuvalar", "Kupon"))
        labels = children(numbers)
        grid = child_named(coupon, "Sayı tablosu")
        cells = children(grid)[:49]
        coupon_items = children(coupon)[1:]
        rows = [coupon_items[7 * c:7 * c + 6] for c in range(8)]
        results = [coupon_items[7 * c + 6] for c in range(8)]
        drum = window.get_child_at_index(4)
        expect("the window, in reading order", names(children(window)),
               ["Komutlar", "3. resim", "2. resim", "1. resim", "Toplar: çekiliş yok",
                "Sayılar", "Yuvalar", "Kupon"])
        expect("the slot bar of slot a", names(children(slots)[:5]),
               ["a yuvasına kaydet", "a yuvasını boşalt", "a yuvasından yükle",
                "a yuvası ekranda değil", "a yuvası boş"])
        expect("the coupon, without the wheels", len(coupon_items), 8 * 7)
        if reader.has(child_named(commands, "Sına"), "SENSITIVE"):
            raise Failure("Sına takes a press before anything was entered")
        print("ok: the tree as the window opens")

        player = Player(desktop, reader, proc.pid)
        heard = len(reader.names)
        player.press("Çevir", "Çevir")
        reader.wait("six numbers on the labels after Çevir",
                    lambda: all(not n.endswith("boş") for n in names(labels)))
        drawn = [int(n.split(": ")[1]) for n in names(labels)]
        if drawn != sorted(set(drawn)) or len(drawn) != 6 or not 1 <= drawn[0] <= drawn[-1] <= 49:
            raise Failure(f"the draw reads {drawn}")
        expect("the drum after Çevir", drum.get_name(),
               "Toplar: çekilen " + ", ".join(map(str, drawn)))
        reader.wait("the reader hears each number and the drum",
                    lambda: set(names(labels) + [drum.get_name()]) <= set(reader.names[heard:]))
        print(f"ok: Çevir draws {drawn}, and the reader hears it")

        player.press("the drop button", "Topları kupona aktar")
        wanted = [f"1. kolon, {i + 1}. sayı: {n}" for i, n in enumerate(drawn)]
        reader.wait("the draw in coupon column 1", lambda: names(rows[0]) == wanted)
        expect("the labels after the drop", names(labels)[0], "1. sayı: boş")
        print("ok: the drop fills column 1")

        player.press("the column entry", "Gir", "Kolonu elle gir")
        reader.wait("the grid takes the focus on 1",
                    lambda: reader.focused.get_name() == "1" and reader.has(cells[0], "SHOWING"))
        if reader.has(rows[0][0], "SHOWING"):
            raise Failure("the coupon cells under the open grid are still showing")
        # The frame stops at the edges: Left and Up on 1, Right and Down on 49.
        picks = [(3, ("Left", "Up", "Right", "Right")), (12, ("Down",)), (45, ("4", "5")),
                 (44, ("Left",)), (35, ("Up",)), (33, ("Left", "Left"))]
        for number, keys in picks:
            player.frame_to(number, *keys)
            player.keys("space")
            reader.wait(f"{number} checked", lambda: reader.has(cells[number - 1], "CHECKED"))
        player.frame_to(40, "4", "9", "Right", "Down", "Up")
        player.frame_to(34, "3", "4")
        player.keys("space")
        expect("the pick, in click order, refusing a seventh", names(labels),
               [f"{k + 1}. sayı: {n}" for k, (n, _) in enumerate(picks)])
        expect("the checked numbers the reader heard", reader.checked[-6:],
               [str(n) for n, _ in picks])
        if reader.has(cells[33], "CHECKED"):
            raise Failure("a seventh number was checked")
        player.keys("Return")
        hand = sorted(n for n, _ in picks)
        reader.wait("Tamam: the pick sorted on the labels",
                    lambda: names(labels) == [f"{k + 1}. sayı: {n}" for k, n in enumerate(hand)])
        reader.wait("the focus back on Gir",
                    lambda: reader.focused.get_description() == "Kolonu elle gir")
        player.press("the drop button", "Topları kupona aktar")
        reader.wait("the hand pick in column 2",
                    lambda: names(rows[1]) == [f"2. kolon, {i + 1}. sayı: {n}"
                                                for i, n in enumerate(hand)])
        print(f"ok: a hand entry of {hand} with the arrows, digits, Space and Return")

        player.press("the save button of slot a", "a yuvasına kaydet")
        reader.wait("slot a holds the coupon", lambda: children(slots)[4].get_name() == "a yuvası dolu")
        reader.wait("the coupon emptied", lambda: names(rows[0])[0] == "1. kolon, 1. sayı: boş")
        player.press("the load button of slot a", "a yuvasından yükle")
        reader.wait("slot a loaded", lambda: names(rows[1])[0] == f"2. kolon, 1. sayı: {hand[0]}")
        expect("the lamp of slot a", children(slots)[3].get_name(), "a yuvası ekranda")
        print("ok: save and load")

        player.press("the result entry", "Gir", "Çekiliş sonucunu elle gir", backwards=True)
        reader.wait("the grid open again", lambda: reader.focused.get_name() == "1")
        result = [3, 12, 33] + [n for n in range(49, 0, -1) if n not in drawn + hand][:3]
        for number in result:
            player.frame_to(number, *str(number))
            player.keys("space")
        player.keys("Return")
        player.press("Sına", "Sına")
        for column, numbers in ((1, drawn), (2, hand)):
            hits = len(set(numbers) & set(result))
            wanted = f"{column}. kolon sonucu: " + (f"{hits} isabet" if hits else "boş")
            reader.wait(f"{wanted}", lambda: results[column - 1].get_name() == wanted)
        expect("a hit cell", rows[1][0].get_name(), f"2. kolon, 1. sayı: {hand[0]}, isabet")
        if "2. kolon sonucu: 3 isabet" not in reader.names:
            raise Failure("the reader was not told the count of column 2")
        print(f"ok: Sına against {sorted(result)}")

        player.press("the result entry", "Gir", "Çekiliş sonucunu elle gir", backwards=True)
        reader.wait("the grid open", lambda: reader.has(cells[0], "SHOWING"))
        player.keys("Escape")
        reader.wait("Escape closes the grid", lambda: not reader.has(cells[0], "SHOWING"))
        player.press("Çık", "Çık")
        if proc.wait(WAIT) != 0:
            raise Failure(f"the program ended with status {proc.returncode}")
        print("ok: Escape is Vazgeç; Çık ends the program")
    finally:
        desktop.stop()


def main():
    # A test runner that gives up on us sends SIGTERM: the desktop is taken down all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped from outside"))
    try:
        run(sys.argv[1])
    except (Failure, subprocess.SubprocessError, OSError) as failure:
        print(f"FAIL: {failure}")
        return 1
    print("7 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
