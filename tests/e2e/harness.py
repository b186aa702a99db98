#!/usr/bin/env python3
"""The end-to-end tests' side of the Wine desktop (tools/wine_desktop.py): the run's prefix and
scenario folders, sessions on two monitors, the test case every scenario builds on, and the
commands CTest runs around them: harness.py boot | cleanup | console [--timeout S] EXE [ARGS...],
where EXE is a path in the build tree whose programs run.
"""
# CTest sets E2E_BUILD_DIR, the native build tree (the prefix, scenario folders and failure
# screenshots go under its e2e/), and E2E_WIN32_DIR and E2E_WIN64_DIR, the two Windows build trees.
import functools
import os
import re
import shutil
import signal
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from wine_desktop import (MESSAGE_BOX, WINESERVER, Session, boot, bounded,  # noqa: E402,F401
                          environ_has, pids_where, programs_build, unhex_text, wait_for, wine_env,
                          windows_path)

X11_KEY = r"HKCU\Software\Wine\X11 Driver"
XINERAMA_STANDIN = Path(__file__).with_name("xinerama_standin.c")


def build_dir():
    return Path(os.environ["E2E_BUILD_DIR"])


@functools.cache
def programs_dir():
    """The build tree whose programs the tests run (wine_desktop.programs_build)."""
    return programs_build(os.environ["E2E_WIN32_DIR"], os.environ["E2E_WIN64_DIR"])


def prefix_dir():
    return build_dir() / "e2e" / "prefix"


def floor_exe():
    """The smallest window program of ours: a window of another program for the tests."""
    return programs_dir() / "tools" / "floor.exe"


def scenario_folder(kind, name, *programs):
    """A fresh folder E2E_BUILD_DIR/e2e/<kind>/<name> holding copies of the named programs,
    kept after the run for inspection. Files a test made read-only are removed too."""
    folder = build_dir() / "e2e" / kind / name
    if folder.exists():
        for path in folder.rglob("*"):
            path.chmod(0o755 if path.is_dir() else 0o644)
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for program in programs:
        shutil.copy(programs_dir() / program, folder)
    return folder


class MonitorsSession(Session):
    """A session without a virtual desktop, on monitors (x, y, width, height) of the X screen,
    the primary first. Wine's X11 driver takes its monitors from Xinerama once told not to use
    XRandR, and a stand-in library, found first through LD_LIBRARY_PATH, presents these. Desktop
    coordinates are Wine's, the primary's top-left at 0,0; keys cannot be sent."""

    def __init__(self, monitors):
        super().__init__(programs_dir(), prefix_dir(), *monitors[0][2:])
        self.monitors = monitors

    def _use_desktop(self):
        folder = build_dir() / "e2e" / "monitors"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "monitors").write_text("".join(f"{x} {y} {w} {h}\n"
                                                 for x, y, w, h in self.monitors))
        # Wine's desktop is a 64-bit process; a 32-bit program loads a library of its own kind,
        # and the loader passes over a folder whose library is of the other kind.
        kinds = {"x86_64": []}
        if self.build == Path(os.environ["E2E_WIN32_DIR"]).resolve():
            # Linked to the C library alone: it needs none of gcc's 32-bit start files.
            kinds["i386"] = ["-m32", "-nostdlib", "-lc"]
        for kind, flags in kinds.items():
            (folder / kind).mkdir(exist_ok=True)
            built = bounded(["clang", "-shared", "-fPIC", "-o", folder / kind / "libXinerama.so.1",
                             XINERAMA_STANDIN, *flags], os.environ, 60)
            if built.returncode != 0:
                raise RuntimeError(f"the {kind} Xinerama stand-in did not build: "
                                   f"{built.stderr.decode()}")
        self.env.update(LD_LIBRARY_PATH=":".join(str(folder / kind) for kind in kinds),
                        E2E_MONITORS=str(folder / "monitors"))
        self.wine("reg", "delete", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/f")
        self.set_registry_value(X11_KEY, "UseXRandR", "N")
        # Wine's desktop process reads all this at its start.
        self._stop_server()
        self._start_server()

    def close(self):
        if self._server is not None:  # the prefix's other sessions use XRandR again
            self.wine("reg", "delete", X11_KEY, "/v", "UseXRandR", "/f")
        super().close()

    def desktop_origin(self):
        self._desktop_xid, self._origin = "root", self.monitors[0][:2]
        return self._origin

    def monitor_rects(self):  # each monitor's (l, t, r, b) as the system lists them
        found = self.probe("monitors")
        return [tuple(map(int, found[f"monitor{i}"].split(",")[:4]))
                for i in range(int(found["count"]))]

    # The top-level window at the point: {"pid": Windows PID, "topmost": bool, "cls": class}, or
    # None where there is none but the desktop.
    def window_at(self, x, y):
        found = self.probe("at", x, y)
        return found and {"pid": found["pid"], "topmost": found["topmost"] == "1",
                          "cls": unhex_text(found["class"])}


# A started session on the run's prefix: a virtual desktop of width x height, or these monitors
# without one.
def new_session(width=1024, height=768, monitors=None):
    if monitors:
        return MonitorsSession(monitors).start()
    return Session(programs_dir(), prefix_dir(), width, height).start()


class E2ETestCase(unittest.TestCase):
    """Gives each test a fresh self.session with a desktop of desktop_size, or on monitors; a
    failed test leaves a screenshot in E2E_BUILD_DIR/e2e/failures/<test id>.png."""

    desktop_size = (1024, 768)
    monitors = None

    def setUp(self):
        self.session = new_session(*self.desktop_size, self.monitors)
        self.addCleanup(lambda: self.session.close())

    def restart_session(self, width, height, monitors=None):
        self.session.close()
        self.session = new_session(width, height, monitors)

    def tearDown(self):
        # The session closes in a cleanup, after tearDown, so the failed screen is still there.
        result = self._outcome.result
        if any(getattr(test, "test_case", test) is self
               for test, _ in result.errors + result.failures):
            path = build_dir() / "e2e" / "failures" / f"{self.id()}.png"
            try:
                self.session.save_screenshot(path)
                print(f"screenshot of the failure: {path}", file=sys.stderr)
            except (RuntimeError, TimeoutError) as error:
                print(f"no screenshot of the failure: {error}", file=sys.stderr)


def _wineserver_pids(prefix):
    """PIDs of the wineservers of prefix: each works in a folder named after the prefix's inode."""
    try:
        st = os.stat(prefix)
    except FileNotFoundError:
        return []
    tag = f"server-{st.st_dev:x}-{st.st_ino:x}"
    return pids_where(lambda entry: os.readlink(entry / "exe").endswith("wineserver64")
                      and os.path.basename(os.readlink(entry / "cwd")) == tag)


def saved_screensave(prefix):
    """ScreenSaveActive as the prefix's user.reg holds it once its wineserver has ended."""
    text = (prefix / "user.reg").read_text(encoding="utf-8", errors="replace")
    value = re.search(r'^"ScreenSaveActive"="([^"]*)"$', text, re.MULTILINE)
    return value.group(1) if value else None


def cleanup(prefix):
    bounded([WINESERVER, "-k"], wine_env(prefix, ""), 30)
    try:
        wait_for(lambda: not _wineserver_pids(prefix), 10, "the wineserver to end")
    except TimeoutError:
        for pid in _wineserver_pids(prefix):
            os.kill(pid, signal.SIGKILL)
        sys.exit("a wineserver of the prefix survived wineserver -k and was killed")


def console(args):
    timeout = 120
    if args[:1] == ["--timeout"]:
        timeout, args = float(args[1]), args[2:]
    session = new_session()
    try:
        result = session.wine(programs_dir() / args[0], *args[1:], timeout=timeout)
    finally:
        session.close()
    sys.stdout.buffer.write(result.stdout)
    sys.stderr.buffer.write(result.stderr)
    return result.returncode


if __name__ == "__main__":
    command = sys.argv[1:2]
    if command == ["boot"]:
        boot(prefix_dir())
    elif command == ["cleanup"]:
        cleanup(prefix_dir())
    elif command == ["console"] and len(sys.argv) > 2:
        sys.exit(console(sys.argv[2:]))
    else:
        sys.exit(__doc__)
