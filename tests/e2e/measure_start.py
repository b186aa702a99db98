#!/usr/bin/env python3
"""Measures, under Wine, the time from starting Corvel to its lock being in force (its window
maximized and the pointer confined to the panel's rectangle), against testwin.exe, the smallest
window program of our own, told to do the same (maximized, topmost, the same confinement) in the
same desktop. Runs alternate between the two; the medians are printed.

Each reading is a probe.exe process, polled back to back, so the times include the probe's own
start-up, the same for both programs; the script prints that too. Not part of the test run.

Usage: E2E_BUILD_DIR=<native build> E2E_WIN64_DIR=<win64 build> measure_start.py [RUNS]
"""
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402
from harness import Session, wait_for  # noqa: E402

SIZE = (1024, 768)
PANEL = (512, 384, 745, 404)  # the worked example at 1024 x 768
PASSWORD = "measure"


def in_force(session, title):
    info = session.window(title)
    return info is not None and info.maximized and session.clip() == PANEL


def corvel_run(session, folder):
    start = time.monotonic()
    proc = session.run(folder / "Corvel.exe", cwd=folder)
    wait_for(lambda: in_force(session, "Corvel"), 30, "Corvel in force", interval=0)
    elapsed = time.monotonic() - start
    session.key("Tab")
    session.type_text(PASSWORD)
    session.key("Return")
    if proc.wait(20) != 0:
        sys.exit("Corvel did not end with status 0")
    return elapsed


def testwin_run(session):
    args = ["--title", "minimal", "--maximized", "--topmost", "--clip", ",".join(map(str, PANEL))]
    start = time.monotonic()
    proc = session.run(harness.win64_dir() / "tests" / "testwin.exe", *args)
    wait_for(lambda: in_force(session, "minimal"), 30, "testwin in force", interval=0)
    elapsed = time.monotonic() - start
    session.close_window("minimal")
    proc.wait(20)
    session.wait_no_window("minimal")
    return elapsed


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    with tempfile.TemporaryDirectory() as temp, Session(*SIZE) as session:
        folder = Path(temp)
        shutil.copy(harness.win64_dir() / "Corvel.exe", folder)
        (folder / "password").write_bytes(f'"{PASSWORD}"\r\n'.encode("ascii"))
        probe = []
        for _ in range(5):
            start = time.monotonic()
            session.clip()
            probe.append(time.monotonic() - start)
        corvel, minimal = [], []
        for _ in range(runs):
            corvel.append(corvel_run(session, folder))
            minimal.append(testwin_run(session))
    ms = lambda values: f"{statistics.median(values) * 1000:.0f} ms"
    print(f"runs each: {runs}")
    print(f"Corvel:  median {ms(corvel)} (min {min(corvel) * 1000:.0f}, max {max(corvel) * 1000:.0f})")
    print(f"testwin: median {ms(minimal)} (min {min(minimal) * 1000:.0f}, max {max(minimal) * 1000:.0f})")
    print(f"one probe reading: median {ms(probe)}")


if __name__ == "__main__":
    main()
