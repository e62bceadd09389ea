#!/usr/bin/env python3
"""Measures krn-sayisal and prints each figure beside its reference, taken in the same run
on the same machine, with its budget and PASS or MISS.

  start-up   first complete frame on an X server, median of many starts,
             against an empty Qt window of the same size        budget: 1.25 x the empty window
  memory     peak resident memory one second after the frame    budget: 1.25 x the empty window
  idle       processor time over 20 s of idle running           budget: under 1 % of one core
  clicks     every core handler (Google Benchmark)              budget: 50 us each
             a click through the Qt layer to the repainted widgets, offscreen
                                                                budget: 2 ms each
  saves      a save and an empty wait for the disk              budget: 1.5 x one write
             (core, and the save through the Qt layer)          and sync of 96 bytes in
                                                                the slot folder, taken
                                                                between the timed clicks

The X server is a private Xvfb on a free display, started here and stopped at the end. Every
start gets a fresh, empty data folder, so that no start finds slot files another one left.
"""

import argparse
import json
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

START_RATIO = 1.25
MEMORY_RATIO = 1.25
IDLE_SHARE = 0.01
CORE_BUDGET_US = 50.0
VIEW_BUDGET_US = 2000.0
SYNC_RATIO = 1.5
# The clicks that sync a slot file; each reports beside its time one write and sync of 96
# bytes in the same folder, taken between its timed clicks.
SYNCED = ("core_save", "core_empty", "view_save")


class Xvfb:
    """A private X server; -displayfd lets the server pick a display number no one holds."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(left, 0))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                self.stop()
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Starter:
    def __init__(self, probe, display, runtime_dir):
        self.probe = probe
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR"):
            self.env.pop(name, None)
        self.env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime_dir)

    def start(self, program, settle=0.0, idle=0.0):
        """One start of the program under the probe; the probe's figures, or an error."""
        data = tempfile.mkdtemp(prefix="krn-bench-data-")
        try:
            env = dict(self.env, XDG_DATA_HOME=data)
            out = subprocess.run(
                [self.probe, "--settle", str(settle), "--idle", str(idle), "--", program],
                env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                timeout=60 + settle + idle, check=False)
            try:
                return json.loads(out.stdout.strip().splitlines()[-1])
            except (ValueError, IndexError):
                return {"error": "the probe printed nothing readable"}
        finally:
            shutil.rmtree(data, ignore_errors=True)


class Report:
    def __init__(self):
        self.rows = []
        self.notes = []

    def add(self, name, figure, reference, budget, ok):
        self.rows.append((name, figure, reference, budget, "PASS" if ok else "MISS"))

    def text(self):
        head = ("figure", "krn-sayisal", "reference", "budget", "")
        widths = [max(len(str(r[i])) for r in self.rows + [head]) for i in range(5)]
        lines = ["  ".join(str(c).ljust(w) for c, w in zip(row, widths)).rstrip()
                 for row in [head] + self.rows]
        lines.insert(1, "  ".join("-" * w for w in widths))
        passed = sum(1 for r in self.rows if r[4] == "PASS")
        lines.append("")
        lines.append(f"{passed} of {len(self.rows)} within budget")
        lines.extend(self.notes)
        return "\n".join(lines)


def median_of(results, key):
    values = [r[key] for r in results if "error" not in r]
    return statistics.median(values) if values else None


def first_error(results):
    return next((r["error"] for r in results if "error" in r), None)


def measure_window(report, starter, program, empty, label, starts, idle_seconds):
    # One start of each first, so that all find the libraries in the page cache.
    for prog in (program, empty, label):
        starter.start(prog)
    mine, theirs, labelled = [], [], []
    order = [(program, mine), (empty, theirs), (label, labelled)]
    for i in range(starts):
        # Turning the order round keeps a slow drift of the machine out of the ratios.
        for prog, into in order[i % 3:] + order[:i % 3]:
            into.append(starter.start(prog))
    frame, frame_ref = median_of(mine, "frame_ms"), median_of(theirs, "frame_ms")
    if frame is None or frame_ref is None:
        report.add("start-up, first frame", "no window: " + str(first_error(mine + theirs)),
                   "", f"<= {START_RATIO} x reference", False)
    else:
        report.add(f"start-up to the first frame (median of {starts})", f"{frame:.1f} ms",
                   f"{frame_ref:.1f} ms", f"<= {START_RATIO * frame_ref:.1f} ms",
                   frame <= START_RATIO * frame_ref)
        report.notes.append(
            f"start-up: {frame / frame_ref:.2f} x the empty window; mapped after "
            f"{median_of(mine, 'map_ms'):.1f} ms (empty window "
            f"{median_of(theirs, 'map_ms'):.1f} ms)")
        frame_label = median_of(labelled, "frame_ms")
        if frame_label is not None:
            report.notes.append(
                f"start-up: the empty window with one line of text shows its first frame "
                f"after {frame_label:.1f} ms ({frame_label / frame_ref:.2f} x the empty "
                f"window): the cost of setting up the fonts, which any window with text pays")

    mine = [starter.start(program, settle=1.0) for _ in range(3)]
    theirs = [starter.start(empty, settle=1.0) for _ in range(3)]
    hwm, hwm_ref = median_of(mine, "vmhwm_kb"), median_of(theirs, "vmhwm_kb")
    if hwm is None or hwm_ref is None:
        report.add("peak resident memory", "no window: " + str(first_error(mine + theirs)),
                   "", f"<= {MEMORY_RATIO} x reference", False)
    else:
        report.add("peak resident memory (VmHWM)", f"{hwm / 1024:.1f} MiB",
                   f"{hwm_ref / 1024:.1f} MiB", f"<= {MEMORY_RATIO * hwm_ref / 1024:.1f} MiB",
                   hwm <= MEMORY_RATIO * hwm_ref)

    mine = starter.start(program, settle=1.0, idle=idle_seconds)
    theirs = starter.start(empty, settle=1.0, idle=idle_seconds)
    if "error" in mine or "error" in theirs:
        report.add("idle processor time", "no window: " + str(mine.get("error") or
                                                              theirs.get("error")),
                   "", f"< {IDLE_SHARE:.0%} of a core", False)
    else:
        share = mine["idle_cpu_s"] / mine["idle_wall_s"]
        share_ref = theirs["idle_cpu_s"] / theirs["idle_wall_s"]
        report.add(f"idle processor time over {idle_seconds:.0f} s", f"{share:.2%} of a core",
                   f"{share_ref:.2%} of a core", f"< {IDLE_SHARE:.0%} of a core",
                   share < IDLE_SHARE)
        report.notes.append(
            f"idle: {mine['idle_cpu_s']:.2f} s of processor time in {mine['idle_wall_s']:.1f} s; "
            f"the screen took {mine['idle_damage_events'] / mine['idle_wall_s']:.0f} updates a "
            f"second covering {mine['idle_damage_pixels'] / mine['idle_wall_s']:.0f} pixels a "
            f"second (a wheel is 9 x 9 pixels)")


NAMES = {
    "core_round": "round: Çevir, drop",
    "core_hand_entry": "hand entry: Gir, six numbers, Tamam, drop",
    "core_save": "save",
    "core_empty": "empty",
    "core_load": "load",
    "core_check": "check: Sına",
    "core_random_check": "check: At Sına",
    "core_wheel_tick": "wheel tick",
    "view_spin": "Çevir",
    "view_drop": "drop",
    "view_entry_open": "Gir: the grid opens",
    "view_entry_number": "a number on the grid",
    "view_entry_confirm": "Tamam: the grid closes",
    "view_save": "save",
    "view_load": "load",
    "view_check": "check: Sına",
    "view_random_check": "check: At Sına",
    "view_wheel_tick": "wheel tick",
}


def run_benchmark(binary, env=None):
    """Median real time in microseconds of each benchmark over three repetitions, with its
    paint count where it keeps one; or None when the binary failed."""
    out = subprocess.run(
        [binary, "--benchmark_format=json", "--benchmark_repetitions=3",
         "--benchmark_report_aggregates_only=true"],
        env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=False)
    try:
        data = json.loads(out.stdout)
    except ValueError:
        return None, {}
    medians, errors = {}, {}
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"]).replace("/manual_time", "")
        if b.get("error_occurred"):
            errors[name] = b.get("error_message", "failed")
        elif b.get("aggregate_name") == "median":
            scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
            medians[name] = (b["real_time"] * scale, b.get("paints"), b.get("reference_us"))
    return medians, errors


def timing(us, paints):
    text = f"{us:.1f} us" if us < 1000 else f"{us / 1000:.2f} ms"
    if paints is None:
        return text
    return text + f", {paints:.0f} paint" + ("" if round(paints) == 1 else "s")


def report_benchmarks(report, title, medians, errors, budget_us, reference_name):
    reference = medians.pop(reference_name, None)
    ref_text = timing(*reference[:2]) if reference is not None else ""

    def budget_of(name, sync=None):
        if name in SYNCED:
            if not sync:
                return None, "no sync reference", ""
            return (SYNC_RATIO * sync, f"<= {SYNC_RATIO} x reference",
                    timing(sync, None) + " (96-byte write and sync)")
        text = f"< {budget_us:.0f} us" if budget_us < 1000 else f"< {budget_us / 1000:.0f} ms"
        return budget_us, text, ref_text

    for name, message in errors.items():
        _, budget, ref = budget_of(name)
        report.add(f"{title} {NAMES.get(name, name)}", "failed: " + message, ref, budget, False)
    for name, (us, paints, sync) in medians.items():
        limit, budget, ref = budget_of(name, sync)
        ok = limit is not None and (us <= limit if name in SYNCED else us < limit)
        report.add(f"{title} {NAMES.get(name, name)}", timing(us, paints), ref, budget, ok)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build-bench")
    parser.add_argument("--starts", type=int, default=15)
    parser.add_argument("--idle", type=float, default=20.0)
    parser.add_argument("--out", help="also write the report to this file")
    args = parser.parse_args()
    if args.starts < 10:
        parser.error("at least 10 starts make a median worth comparing")

    build = os.path.abspath(args.build)
    program = os.path.join(build, "krn-sayisal")
    bench = os.path.join(build, "bench")
    report = Report()
    report.notes.append(f"machine: {os.cpu_count()} cores; load average before the run "
                        f"{os.getloadavg()[0]:.2f}")

    runtime_dir = tempfile.mkdtemp(prefix="krn-bench-run-")
    xvfb = Xvfb()
    try:
        starter = Starter(os.path.join(bench, "start_probe"), xvfb.display, runtime_dir)
        measure_window(report, starter, program, os.path.join(bench, "empty_window"),
                       os.path.join(bench, "label_window"), args.starts, args.idle)
    finally:
        xvfb.stop()
        shutil.rmtree(runtime_dir, ignore_errors=True)

    medians, errors = run_benchmark(os.path.join(bench, "core_bench"))
    if medians is None:
        report.add("core handlers", "core_bench failed", "", f"< {CORE_BUDGET_US:.0f} us", False)
    else:
        report_benchmarks(report, "core:", medians, errors, CORE_BUDGET_US,
                          "reference_file_read")
        report.notes.append("core: reference is opening, reading and closing one 96-byte file; "
                            "for save and empty, opening, writing 96 bytes, fdatasync and "
                            "closing in the slot folder, between the timed clicks")

    view_bench = os.path.join(bench, "view_bench")
    if not os.path.exists(view_bench):
        report.add("click, through the Qt layer", "view_bench not built", "",
                   f"< {VIEW_BUDGET_US:.0f} us", False)
    else:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        medians, errors = run_benchmark(view_bench, env)
        if medians is None:
            report.add("click, through the Qt layer", "view_bench failed", "",
                       f"< {VIEW_BUDGET_US:.0f} us", False)
        else:
            report_benchmarks(report, "click to repaint:", medians, errors, VIEW_BUDGET_US,
                              "reference_push_button")
            report.notes.append("click to repaint: offscreen; reference is a click on a plain "
                                "QPushButton in an empty window of the same size")

    text = report.text()
    print(text)
    if args.out:
        with open(args.out, "w", encoding="utf-8") as f:
            f.write(text + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
