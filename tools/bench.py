#!/usr/bin/env python3
"""make bench: measures Corvel under Wine against a floor, the smallest window program of ours
(tools/floor.exe) told to reach the same state, in the same 1024x768 virtual desktop, and
prints one table, also written to <bench dir>/results.md with the machine it ran on. Both
programs, and the stopwatch, come from the build that wine_desktop.programs_build picks: the
i686 one that ships, unless the kernel cannot run 32-bit code.

- time to lock: from starting the program until its window is visible, maximized over the whole
  screen and topmost and the pointer is confined to the panel; timed by stopwatch.exe inside the
  desktop with QueryPerformanceCounter
- time to release: from the Enter that carries the right password (for the floor: the Escape that
  ends it) until the pointer is free, no window of the program is in view and its process, and
  Corvel's watcher, have ended, with a row for each of those steps; the same text is typed into
  both before the clock starts, so that both still digest the same keys, and the floor makes
  Corvel's four release calls, with its values and in its order, before it ends, so that both do
  the same required work. Nothing was tried on that lock, so Corvel shows no box
- time from a force end to the lock in force again (Corvel alone): from ending the lock's
  process as an administrator's task manager does until its watcher, a lock waiting beneath it,
  is in force in its place, against Corvel's own time to lock from a plain start in the same
  runs; on a second lock of the run, whose release then tells of that force end in a box
- idle CPU time: what the program's threads (Corvel's lock and its watcher together) run while
  it is locked and untouched, from a second after the lock is in force (the start's last
  painting is not idle cost), from the kernel's per-thread run time (/proc/<pid>/task/<tid>/schedstat, in nanoseconds). The floor
  re-applies its confinement every 250 ms, so its reading must be above zero: that proves the
  reading sees CPU use at all, and the run fails when it does not
- peak resident memory while locked: VmHWM of /proc/<pid>/status, for Corvel's lock and its
  watcher apart, the watcher's once it has waited and taken over
- the size of each program for both architectures; the 32-bit ones, the deliverable, against
  their limit

Runs alternate between Corvel and the floor, so that drift hits both, after one pair that warms
the desktop up and is not counted. Each figure is the median of the runs. The first --idle-runs
of them also measure the idle cost, which takes --idle seconds each: the times vary from run to
run far more than the idle reading does, so they get more runs in the same minutes.

Usage: bench.py [--runs N] [--idle-runs N] [--idle SECONDS] [--bench-dir DIR] [--prefix DIR]
                [--win32 DIR] [--win64 DIR]
The Wine prefix defaults to <bench dir>/prefix and is booted when missing.
"""
import argparse
import datetime
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

import lock_view
import wine_desktop

ROOT = Path(__file__).resolve().parents[1]

SIZE = (1024, 768)
PANEL = lock_view.panel_at(*SIZE)  # Corvel's confinement
PASSWORD = "bench"
FLOOR_TITLE = "floor"
TIME_GOAL = 1.10
RELOCK_GOAL = 0.2  # a force end to the lock in force again, against a plain start
SIZE_LIMIT = 65536  # bytes, for each 32-bit program
# The program may still paint and settle just after its lock is in force; idle starts after that.
SETTLE_SECONDS = 1.0
# The steps of a release, as the stopwatch sees each first done.
RELEASE_STEPS = {"free": "the pointer free", "hidden": "no window in view",
                 "watcher": "the watcher ended", "ended": "the process ended"}


class Program:
    """One side of the comparison: how to start it, find it and end it."""

    def __init__(self, name, exe, title, args, end_key, text, watched=False):
        self.name, self.exe, self.title, self.args = name, exe, title, args
        self.end_key, self.text, self.watched = end_key, text, watched
        self.lock_ms, self.release_ms, self.idle_ms, self.peak_kib = [], [], [], []
        self.relock_ms, self.watcher_kib = [], []
        self.release_steps = {step: [] for step in RELEASE_STEPS}


def stopwatch(session, *args):
    """Runs stopwatch.exe in the desktop; its key=value lines as a dict."""
    result = session.wine(session.build / "tools" / "stopwatch.exe", *args, timeout=60)
    if result.returncode != 0:
        raise RuntimeError(f"stopwatch {' '.join(map(str, args))} failed with status "
                           f"{result.returncode}")
    return wine_desktop.key_values(result.stdout)


def thread_times(pid):
    """Nanoseconds each thread of the process has run so far, by thread ID."""
    times = {}
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            times[task.name] = int((task / "schedstat").read_text().split()[0])
        except (OSError, IndexError):
            continue
    return times


def idle_cpu_ms(pids, seconds):
    """CPU time the processes use over `seconds` untouched; a thread that starts meanwhile
    counts in full."""
    before = [thread_times(pid) for pid in pids]
    time.sleep(seconds)
    after = [thread_times(pid) for pid in pids]
    return sum(ns - old.get(tid, 0) for old, new in zip(before, after)
               for tid, ns in new.items()) / 1e6


def peak_kib(pid):
    status = Path(f"/proc/{pid}/status").read_text()
    return int(re.search(r"^VmHWM:\s*(\d+) kB", status, re.MULTILINE).group(1))


def is_watcher(pid):
    return wine_desktop.arguments(pid)[:1] == ["/watch"]


def start(session, program):
    """Starts the program until its lock is in force, and Corvel's watcher runs; the stopwatch's
    reading and the processes."""
    locked = stopwatch(session, "lock", wine_desktop.windows_path(program.exe), program.title,
                       ",".join(map(str, PANEL)), *program.args)
    # Corvel's lock starts its watcher once it is in force, under a parent of a moment that is a
    # Corvel too; the two count as one.
    count = 2 if program.watched else 1
    pids = wine_desktop.wait_for(
        lambda: found if len(found := session.unix_pids(program.exe)) == count and (
            not program.watched or any(map(is_watcher, found))) else None,
        10, f"{program.name} running")
    return locked, pids


def ended(session, program):
    # The next start would find the lock still there.
    wine_desktop.wait_for(lambda: not session.unix_pids(program.exe), 10,
                          f"every process of {program.name} to end")


def run_once(session, program, idle_seconds, record):
    """Locks, idles (unless idle_seconds is 0) and releases; for Corvel, locks again, ends the
    lock by force, waits for it to come back, and releases, closing the box that tells of it;
    adds the readings to the program's lists if record."""
    locked, pids = start(session, program)
    if idle_seconds:
        time.sleep(SETTLE_SECONDS)
        idle = idle_cpu_ms(pids, idle_seconds)
    peak = peak_kib(next(pid for pid in pids if not is_watcher(pid)))
    released = stopwatch(session, "release", program.title, program.end_key,
                         *([program.text] if program.text else []))
    if released["status"] != "0":
        raise RuntimeError(f"{program.name} ended with status {released['status']}")
    ended(session, program)
    if program.watched:
        _, pids = start(session, program)
        relocked = stopwatch(session, "relock", program.title, ",".join(map(str, PANEL)))
        # Read once the watcher has done all it does: waited, and taken over.
        watcher_peak = peak_kib(next(pid for pid in pids if is_watcher(pid)))
        session.set_control_text(program.title, "Edit", program.text, lock_view.CLASS)
        session.press_button(program.title, "Button", lock_view.CLASS)
        wine_desktop.wait_for(lambda: session.message_text(program.title), 10, "the box")
        session.press_button(program.title, "Button", wine_desktop.MESSAGE_BOX)
        ended(session, program)
    if record:
        program.lock_ms.append(float(locked["ms"]))
        program.release_ms.append(float(released["ms"]))
        for step, times in program.release_steps.items():
            if step in released:
                times.append(float(released[step]))
        if idle_seconds:
            program.idle_ms.append(idle)
        program.peak_kib.append(peak)
        if program.watched:
            program.relock_ms.append(float(relocked["ms"]))
            program.watcher_kib.append(watcher_peak)


def machine():
    """The machine the figures come from, in one line each."""
    cpu = re.search(r"^model name\s*:\s*(.*)$", Path("/proc/cpuinfo").read_text(), re.MULTILINE)
    mem = re.search(r"^MemTotal:\s*(\d+) kB", Path("/proc/meminfo").read_text(), re.MULTILINE)
    wine = subprocess.run([wine_desktop.WINE, "--version"], capture_output=True, timeout=30).stdout
    return [
        f"CPU: {cpu.group(1) if cpu else platform.processor()}, {os.cpu_count()} cores",
        f"memory: {int(mem.group(1)) / 1024 / 1024:.1f} GiB",
        f"kernel: Linux {platform.release()}",
        f"Debian {Path('/etc/debian_version').read_text().strip()}, {wine.decode().strip()}",
    ]


def table(corvel, floor, runs, idle_runs, idle_seconds, build, win32, win64):
    def median(values):
        return statistics.median(values)

    def spread(values, fmt):
        return f"{fmt(median(values))} ({fmt(min(values))}–{fmt(max(values))})"

    def ms(value):
        return f"{value:.1f} ms"

    def ratio_row(measure, a, b, goal=TIME_GOAL, note=""):
        ratio = median(a) / median(b)
        met = "yes" if ratio <= goal else "no"
        return [measure, spread(a, ms), spread(b, ms) + note, f"{ratio:.2f}", f"≤ {goal:.2f}", met]

    idle_fmt = lambda value: f"{value:.3f} ms"  # noqa: E731
    mib = lambda kib: f"{kib / 1024:.1f} MiB"  # noqa: E731
    rows = [
        ratio_row("time to lock", corvel.lock_ms, floor.lock_ms),
        ratio_row("time to release", corvel.release_ms, floor.release_ms),
        *([f"– {what}", spread(corvel.release_steps[step], ms),
           spread(floor.release_steps[step], ms) if floor.release_steps[step] else "–", "–", "–",
           "–"] for step, what in RELEASE_STEPS.items()),
        [f"idle CPU time over {idle_seconds:g} s", spread(corvel.idle_ms, idle_fmt),
         spread(floor.idle_ms, idle_fmt) + " ¹", "–", "0",
         "yes" if median(corvel.idle_ms) == 0 else "no"],
        ["peak resident memory while locked", spread(corvel.peak_kib, mib),
         spread(floor.peak_kib, mib), f"{median(corvel.peak_kib) / median(floor.peak_kib):.2f}",
         "–", "–"],
        ratio_row("time from a force end to the lock in force again", corvel.relock_ms,
                  corvel.lock_ms, RELOCK_GOAL, " ²"),
        ["peak resident memory of the watcher, waiting and taking over",
         spread(corvel.watcher_kib, mib), "–", "–", "–", "–"],
    ]
    for folder, arch in ((win32, "win32"), (win64, "win64")):
        for name in ("Corvel.exe", "Vantor.exe"):
            size = (folder / name).stat().st_size
            goal, met = ("–", "–")
            if arch == "win32":
                goal, met = f"≤ {SIZE_LIMIT:,} bytes", "yes" if size <= SIZE_LIMIT else "no"
            rows.append([f"size of {name} ({arch})", f"{size:,} bytes ({size / 1024:.1f} KiB)",
                         "–", "–", goal, met])
    header = ["measure", "Corvel", "floor", "ratio", "goal", "met"]
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    lines += [
        "",
        f"Median (min–max) of {runs} runs each ({idle_runs} for the idle CPU time), alternating, "
        f"after one warm-up pair; the programs of {build.name}; Wine virtual desktop "
        f"{SIZE[0]}x{SIZE[1]} on Xvfb. Floor: "
        f"floor.exe {' '.join(floor.args)}, ended by Escape after the same typing and, first, "
        "Corvel's four release calls. Times by stopwatch.exe (QueryPerformanceCounter, polled every ms); "
        "CPU time from the kernel's per-thread run time (ns), from 1 s after the lock is in force; "
        "memory is VmHWM.",
        "",
        "¹ The floor re-applies its confinement every 250 ms: its idle CPU time shows that the "
        "reading sees CPU use at all.",
        "² Not the floor: Corvel's own time to lock from a plain start, in the same runs. The "
        "lock is ended as an administrator's task manager ends it (TerminateProcess, its access "
        "list rewritten first) and timed until its watcher, waiting beneath it, is in force in "
        "its place.",
        "The release's steps are each timed from the same key until first seen done.",
    ]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--idle-runs", type=int, default=7)
    parser.add_argument("--idle", type=float, default=10.0, help="seconds untouched")
    parser.add_argument("--bench-dir", type=Path, default=ROOT / "build" / "bench")
    parser.add_argument("--prefix", type=Path, help="Wine prefix (default: <bench dir>/prefix)")
    parser.add_argument("--win64", type=Path, default=ROOT / "build" / "win64")
    parser.add_argument("--win32", type=Path, default=ROOT / "build" / "win32")
    options = parser.parse_args()
    if not 1 <= options.idle_runs <= options.runs or options.idle <= 0:
        parser.error("--idle-runs must be from 1 to --runs, and --idle above 0")
    bench_dir = options.bench_dir.resolve()
    win32, win64 = options.win32.resolve(), options.win64.resolve()
    build = wine_desktop.programs_build(win32, win64)

    folder = bench_dir / "run"
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(build / "Corvel.exe", folder)
    (folder / "password").write_bytes(f'"{PASSWORD}"\r\n'.encode("ascii"))
    corvel = Program("Corvel", folder / "Corvel.exe", "Corvel", [], "return", PASSWORD,
                     watched=True)
    floor = Program("floor", build / "tools" / "floor.exe", FLOOR_TITLE,
                    ["--title", FLOOR_TITLE, "--maximized", "--topmost", "--clip",
                     ",".join(map(str, PANEL)), "--release"], "escape", PASSWORD)

    prefix = (options.prefix or bench_dir / "prefix").resolve()
    wine_desktop.ensure_prefix(prefix)
    started = datetime.datetime.now(datetime.timezone.utc)
    with wine_desktop.Session(build, prefix, *SIZE) as session:
        for run in range(options.runs + 1):
            print(f"run {run}/{options.runs}{' (warm-up)' if run == 0 else ''}",
                  file=sys.stderr, flush=True)
            for program in (corvel, floor):
                idle = options.idle if 1 <= run <= options.idle_runs else 0
                run_once(session, program, idle, record=run > 0)
    if statistics.median(floor.idle_ms) <= 0:
        sys.exit("the idle reading saw no CPU use even in the floor, which wakes every 250 ms: "
                 "it cannot tell zero from blind")

    report = "\n".join([
        table(corvel, floor, options.runs, options.idle_runs, options.idle, build, win32, win64),
        "",
        f"Run on {started:%Y-%m-%d %H:%M} UTC; " + "; ".join(machine()) + ".",
    ])
    print(report)
    (bench_dir / "results.md").write_text(report + "\n")


if __name__ == "__main__":
    main()
