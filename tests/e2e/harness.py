#!/usr/bin/env python3
"""End-to-end harness: runs Windows programs under wine64 in a Wine virtual desktop on a private
Xvfb (or without one, on monitors that a stand-in Xinerama library presents), drives them with
xdotool and reads window-system state through probe.exe, one fresh probe process per reading
because Wine caches settings per process.

Environment, set by add_e2e_test() in CMakeLists.txt; when unset, both are taken from the build
tree that holds the working directory, as under CTest:
  E2E_BUILD_DIR  the native build tree: the run's prefix is E2E_BUILD_DIR/e2e/prefix, failure
                 screenshots go to E2E_BUILD_DIR/e2e/failures
  E2E_WIN64_DIR  the win64 build tree: Corvel.exe, Vantor.exe, tests/probe.exe, tests/testwin.exe

Coordinates are the Wine desktop's (its top-left is 0,0). Windows are found by exact title and,
when given, exact class ("#32770" for a message box, which may share its owner's title).

Command line: harness.py boot | cleanup | console [--timeout S] EXE [ARGS...]
"""
import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from collections import namedtuple
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
MARLETT = "/usr/share/wine/fonts/marlett.ttf"
MESSAGE_BOX = "#32770"  # the class of a message box's window
SAVER_KEY, SAVER_VALUE = r"HKCU\Control Panel\Desktop", "ScreenSaveActive"
X11_KEY = r"HKCU\Software\Wine\X11 Driver"
XINERAMA_STANDIN = Path(__file__).with_name("xinerama_standin.c")
PROBE_TIMEOUT = 30
_libc = ctypes.CDLL(None, use_errno=True)


def build_dir():
    """E2E_BUILD_DIR, else the build tree that holds the working directory, as under CTest."""
    if "E2E_BUILD_DIR" in os.environ:
        return Path(os.environ["E2E_BUILD_DIR"])
    for folder in [Path.cwd(), *Path.cwd().parents]:
        if (folder / "CMakeCache.txt").is_file():
            return folder
    raise RuntimeError("set E2E_BUILD_DIR or run inside the native build tree")


def win64_dir():
    """E2E_WIN64_DIR, else the WIN64_BUILD_DIR of the build tree's cache."""
    if "E2E_WIN64_DIR" in os.environ:
        return Path(os.environ["E2E_WIN64_DIR"])
    cache = (build_dir() / "CMakeCache.txt").read_text()
    return Path(re.search(r"^WIN64_BUILD_DIR:\w+=(.*)$", cache, re.MULTILINE).group(1))


def prefix_dir():
    return build_dir() / "e2e" / "prefix"


def scenario_folder(kind, name, *programs):
    """A fresh folder E2E_BUILD_DIR/e2e/<kind>/<name> holding copies of the named win64 programs,
    kept after the run for inspection. Files a test made read-only are removed too."""
    folder = build_dir() / "e2e" / kind / name
    if folder.exists():
        for path in folder.rglob("*"):
            path.chmod(0o755 if path.is_dir() else 0o644)
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for program in programs:
        shutil.copy(win64_dir() / program, folder)
    return folder


def windows_path(path):
    """A Unix path as the programs see it under Wine: the root folder is drive Z."""
    return "Z:" + str(path).replace("/", "\\")


def wait_for(predicate, timeout, description, interval=0.1):
    """Polls predicate until it returns a true value, and returns that; raises TimeoutError."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {description}")
        time.sleep(interval)


def key_values(output):
    """The key=value lines that the test programs print, as a dict."""
    return dict(line.split("=", 1) for line in output.decode().split() if "=" in line)


def pids_where(matches):
    """PIDs of the running processes whose /proc folder matches(folder); a process that ends
    while it is read does not count."""
    pids = []
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and matches(entry):
                pids.append(int(entry.name))
        except OSError:
            continue
    return pids


def environ_has(entry, assignment):
    """Whether the process of /proc folder entry started with NAME=value in its environment."""
    return assignment.encode() in (entry / "environ").read_bytes().split(b"\0")


def _die_with_parent(sig=signal.SIGTERM):
    """For preexec_fn: a test killed by CTest's timeout must leave nothing behind."""
    _libc.prctl(1, sig)  # PR_SET_PDEATHSIG


def _server_dies_with_parent():
    # SIGINT, like "wineserver -k", makes the server end its Wine processes before it exits.
    _die_with_parent(signal.SIGINT)


def _bounded(args, env, timeout):
    """Runs a command to its end within timeout. Output goes to files, not pipes: a Wine process
    may hand its pipe on to helpers that outlive it. Interrupted, it ends the command first."""
    args = [str(a) for a in args]
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                start_new_session=True)
        try:
            proc.wait(timeout)
        except BaseException as error:
            proc.kill()
            proc.wait()
            if isinstance(error, subprocess.TimeoutExpired):
                raise TimeoutError(f"{' '.join(args)} did not end within {timeout} s") from None
            raise
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(args, proc.returncode, out.read(), err.read())


def _stop(proc, timeout=10):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def _hex(text):
    return "*" if text is None else text.encode("utf-16le").hex()


def _unhex(text):
    return bytes.fromhex(text).decode("utf-16le")


def wine_env(prefix, display):
    return dict(os.environ, WINEPREFIX=str(prefix), WINELOADER=WINE, WINESERVER=WINESERVER,
                WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG="ja_JP.UTF-8",
                LC_ALL="ja_JP.UTF-8", DISPLAY=display)


class Xvfb:
    """A private 1600x1200 X server on a free display; stop() ends it by PID."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1600x1200x24", "-nolisten",
             "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent, start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:  # Xvfb writes its number and a newline at once
            number = pipe.readline() if select.select([pipe], [], [], 10)[0] else b""
        if not number.endswith(b"\n"):
            self.stop()
            raise RuntimeError("Xvfb did not report its display")
        self.display = ":" + number.decode().strip()

    def stop(self):
        _stop(self.proc)


class Process(subprocess.Popen):
    """A program started by Session.run. pid is the wine64 process's, which is the program's;
    wait() returns the exit status (0-255) or raises subprocess.TimeoutExpired."""

    def alive(self):
        return self.poll() is None

    def wait(self, timeout=30):
        return super().wait(timeout)

    def kill(self):
        """Kills the program by its PID, if it still runs, and reaps it."""
        super().kill()
        super().wait()


_WINDOW_FIELDS = "left top right bottom topmost maximized visible title cls"


class WindowInfo(namedtuple("WindowInfo", _WINDOW_FIELDS)):
    """A top-level window: its rect in desktop coordinates, its flags, title and class."""

    @property
    def rect(self):
        return self[:4]


class Screenshot:
    """The X screen as RGB; pixel() takes desktop coordinates."""

    def __init__(self, ppm, origin):
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        if header is None:
            raise ValueError("the screenshot is not an 8-bit binary PPM")
        self.width, self.height = int(header.group(1)), int(header.group(2))
        self._data, self._origin = ppm[header.end():], origin

    def pixel(self, x, y):
        start = ((y + self._origin[1]) * self.width + x + self._origin[0]) * 3
        return tuple(self._data[start:start + 3])

    def count_white(self, left, top, right, bottom):
        """How many pixels of the rectangle are white or nearly (text on the lock's black)."""
        return sum(min(self.pixel(x, y)) >= 200 for x in range(left, right)
                   for y in range(top, bottom))


def _control_spec(control):
    """A control is an int ID, a class name (its first control) or (class name, index from 0)."""
    if isinstance(control, int):
        return f"#{control}"
    cls, index = (control, 0) if isinstance(control, str) else control
    return f"{_hex(cls)}:{index}"


class Session:
    """Xvfb, a persistent wineserver and a Wine virtual desktop of width x height on the run's
    prefix, as a context manager. close() ends all it started, each by its PID. Every process
    starts in a session of its own, so that a Ctrl+C at the terminal reaches only the Python
    program, which then ends them in order."""

    def __init__(self, width=1024, height=768, prefix=None, display=None, monitors=None):
        """display: an X display to use instead of a private Xvfb. monitors: (x, y, width,
        height) of each monitor on the X screen, the primary first, for a session without a
        virtual desktop in which Wine sees these monitors; width and height are then the
        primary's, and desktop coordinates are Wine's, with the primary's top-left at 0,0."""
        if monitors:
            width, height = monitors[0][2:]
        self.width, self.height, self._display, self.monitors = width, height, display, monitors
        self.prefix = Path(prefix) if prefix else prefix_dir()
        # One desktop name per size: a program joins the desktop named in the registry at its
        # start, and a desktop keeps the size it was created with.
        self.desktop = f"e2e{width}x{height}"
        self._xvfb = self._server = self._origin = self._desktop_xid = None
        self._processes = []

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()

    def start(self):
        try:
            if self._display is None:
                self._xvfb = Xvfb()
                self._display = self._xvfb.display
            self.env = wine_env(self.prefix, self._display)
            self._xenv = dict(os.environ, DISPLAY=self._display)
            self._start_server()
            if self.monitors:
                self._show_monitors()
            else:
                # With these, a plain "wine64 X.exe" opens in the desktop and its exit status
                # comes back (through "explorer /desktop=" it would always be 0).
                self.set_registry_value(r"HKCU\Software\Wine\Explorer\Desktops", self.desktop,
                                        f"{self.width}x{self.height}")
                self.set_registry_value(r"HKCU\Software\Wine\Explorer", "Desktop",
                                        self.desktop)
        except BaseException:
            self.close()
            raise
        return self

    def _start_server(self):
        self._server = subprocess.Popen(
            [WINESERVER, "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_server_dies_with_parent, start_new_session=True)
        wait_for(self._server_ready, 10, "the wineserver socket")

    def _stop_server(self):
        _bounded([WINESERVER, "-k"], self.env, 30)
        _stop(self._server, 20)

    def _show_monitors(self):
        """Wine's X11 driver takes its monitors from Xinerama once told not to use XRandR, and
        the stand-in library, found first through LD_LIBRARY_PATH, presents self.monitors. Wine's
        desktop process reads all this at its start, so the server starts again after it."""
        folder = build_dir() / "e2e" / "monitors"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "monitors").write_text("".join(f"{x} {y} {w} {h}\n"
                                                 for x, y, w, h in self.monitors))
        library = folder / "libXinerama.so.1"
        built = _bounded(["clang", "-shared", "-fPIC", "-o", library, XINERAMA_STANDIN],
                         os.environ, 60)
        if built.returncode != 0:
            raise RuntimeError(f"the Xinerama stand-in did not build: {built.stderr.decode()}")
        self.env.update(LD_LIBRARY_PATH=str(folder), E2E_MONITORS=str(folder / "monitors"))
        self.wine("reg", "delete", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/f")
        self.set_registry_value(X11_KEY, "UseXRandR", "N")
        self._stop_server()
        self._start_server()

    def _server_ready(self):
        if self._server.poll() is not None:
            raise RuntimeError(f"wineserver ended at its start, status {self._server.returncode}"
                               " (is another one running for this prefix?)")
        cwd = os.readlink(f"/proc/{self._server.pid}/cwd")
        return os.path.basename(cwd).startswith("server-") and os.path.exists(cwd + "/socket")

    def end_programs(self):
        """Kills every program that run() started and that still runs."""
        for proc in self._processes:
            proc.kill()

    def close(self):
        self.end_programs()
        if self._server is not None:
            if self.monitors:  # the prefix's other sessions use XRandR again
                self.wine("reg", "delete", X11_KEY, "/v", "UseXRandR", "/f")
            self._stop_server()
        if self._xvfb is not None:
            self._xvfb.stop()
        self._server = self._xvfb = None

    # Programs

    def run(self, exe, *args, cwd=None):
        """Starts a Windows program in the desktop; returns its Process."""
        self._processes.append(Process(
            [WINE, str(exe), *map(str, args)], cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True))
        return self._processes[-1]

    def wine(self, *args, timeout=PROBE_TIMEOUT):
        """Runs a command in the prefix to its end: a CompletedProcess with bytes output."""
        return _bounded([WINE, *args], self.env, timeout)

    def probe(self, *args):
        """One probe.exe reading as a dict, or None when the window or control is missing."""
        result = self.wine(win64_dir() / "tests" / "probe.exe", *args)
        if result.returncode == 1:
            return None
        if result.returncode != 0:
            raise RuntimeError(f"probe {' '.join(args)} failed with status {result.returncode}")
        return key_values(result.stdout)

    # Windows and controls

    def window(self, title, cls=None):
        """The top-level window of this title (and class) as WindowInfo, or None."""
        found = self.probe("window", _hex(title), _hex(cls))
        if found is None:
            return None
        numbers = {k: int(found[k]) for k in ("left", "top", "right", "bottom")}
        flags = {k: found[k] == "1" for k in ("topmost", "maximized", "visible")}
        return WindowInfo(**numbers, **flags, title=_unhex(found["title"]),
                          cls=_unhex(found["class"]))

    def wait_window(self, title, cls=None, timeout=20):
        """Waits until the window is there and visible; returns its WindowInfo."""
        def shown():
            info = self.window(title, cls)
            return info if info and info.visible else None
        return wait_for(shown, timeout, f"window {title!r} {cls or ''} to show")

    def wait_no_window(self, title, cls=None, timeout=20):
        wait_for(lambda: self.window(title, cls) is None, timeout, f"window {title!r} to go")

    def control_text(self, title, control, cls=None):
        """The text of a control in the window, or None when either is missing."""
        found = self.probe("gettext", _hex(title), _hex(cls), _control_spec(control))
        return None if found is None else _unhex(found["text"])

    def set_control_text(self, title, control, text, cls=None):
        """Sets a control's text with WM_SETTEXT, the way to enter non-ASCII text."""
        spec = _control_spec(control)
        if self.probe("settext", _hex(title), _hex(cls), spec, _hex(text)) is None:
            raise LookupError(f"no control {control!r} in window {title!r}")

    def press_button(self, title, control, cls=None):
        """Posts BM_CLICK, so a message box that the click opens does not block the probe."""
        if self.probe("click", _hex(title), _hex(cls), _control_spec(control)) is None:
            raise LookupError(f"no button {control!r} in window {title!r}")

    def message_text(self, title):
        """The text of the message box of this title, or None when there is none."""
        return self.control_text(title, 0xFFFF, cls=MESSAGE_BOX)

    def close_window(self, title, cls=None):
        """Posts WM_CLOSE to the window."""
        if self.probe("close", _hex(title), _hex(cls)) is None:
            raise LookupError(f"no window {title!r} to close")

    # System settings

    def _numbers(self, reading, *keys):
        found = self.probe(reading)
        return tuple(int(found[k]) for k in keys)

    def clip(self):
        """The pointer confinement (l, t, r, b); the whole desktop when there is none."""
        return self._numbers("clip", "left", "top", "right", "bottom")

    def cursor(self):
        return self._numbers("cursor", "x", "y")

    def screen_size(self):
        return self._numbers("screen", "width", "height")

    def monitor_rects(self):
        """Each monitor's (l, t, r, b) as the system lists them."""
        found = self.probe("monitors")
        return [tuple(map(int, found[f"monitor{i}"].split(",")[:4]))
                for i in range(int(found["count"]))]

    def window_at(self, x, y):
        """The top-level window at the point: {"pid": Windows PID, "topmost": bool, "cls": class},
        or None where there is none but the desktop."""
        found = self.probe("at", x, y)
        return found and {"pid": found["pid"], "topmost": found["topmost"] == "1",
                          "cls": _unhex(found["class"])}

    def screensaver_active(self):
        return self.probe("saver")["active"] == "1"

    def screensaver_running(self):
        return self.probe("saver")["running"] == "1"

    def registry_value(self, key, name):
        """A value's data as reg.exe prints it, or None when it is missing. The registry files
        are written late, so this asks the running wineserver through reg.exe."""
        result = self.wine("reg", "query", key, "/v", name)
        for line in result.stdout.decode("cp932").splitlines() if result.returncode == 0 else []:
            fields = line.strip().split("    ", 2)
            if fields[0] == name and len(fields) >= 2:
                return fields[2] if len(fields) == 3 else ""
        return None

    def registry_screensave_active(self):
        return self.registry_value(SAVER_KEY, SAVER_VALUE)

    def set_registry_screensave_active(self, value):
        """Sets the saved screen-saver setting to value ("0", "1"), or removes it for None."""
        if value is None:
            self.wine("reg", "delete", SAVER_KEY, "/v", SAVER_VALUE, "/f")
        else:
            self.set_registry_value(SAVER_KEY, SAVER_VALUE, value)

    def set_registry_value(self, key, name, value, kind="REG_SZ"):
        result = self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")
        if result.returncode != 0:
            raise RuntimeError(f"reg add {key} /v {name} failed with status {result.returncode}")

    # The X side: pointer, keyboard, screen

    def _x(self, *args, timeout=10):
        result = _bounded(args, self._xenv, timeout)
        if result.returncode != 0:
            raise RuntimeError(f"{args[0]} failed: {result.stderr.decode(errors='replace')}")
        return result.stdout

    def _find_desktop(self):
        pattern = f"^{self.desktop} - Wine desktop$"
        found = _bounded(["xdotool", "search", "--name", pattern], self._xenv, 10).stdout.split()
        return found[0].decode() if found else None

    def desktop_origin(self):
        """Where the desktop's X window sits on the X screen; waits until Wine has made it.
        Without a virtual desktop, the X screen's root window, with the primary's corner."""
        if self._origin is None and self.monitors:
            self._desktop_xid, self._origin = "root", self.monitors[0][:2]
        if self._origin is None:
            self._desktop_xid = wait_for(self._find_desktop, 20, "the desktop's X window")
            info = self._x("xwininfo", "-id", self._desktop_xid).decode()
            self._origin = tuple(int(re.search(rf"Absolute upper-left {axis}: *(-?\d+)",
                                               info).group(1)) for axis in "XY")
        return self._origin

    def move_pointer(self, x, y):
        """Warps the X pointer; a pointer clip that Wine holds keeps it inside."""
        ox, oy = self.desktop_origin()
        self._x("xdotool", "mousemove", x + ox, y + oy)

    def click(self, x, y, button=1):
        self.move_pointer(x, y)
        self._x("xdotool", "click", button)

    def _wine_has_focus(self):
        # Wine gives the X focus to the X window of its active top-level window, a child of the
        # desktop's; focusing the desktop itself would send keys to the window under the pointer.
        focus = _bounded(["xdotool", "getwindowfocus"], self._xenv, 10).stdout.decode().strip()
        desktop = int(self._desktop_xid)
        if not focus.isdigit() or int(focus) == desktop:
            return False
        tree = self._x("xwininfo", "-children", "-id", focus).decode()
        return f"Parent window id: {desktop:#x} " in tree

    def wait_focus(self, timeout=20):
        """Waits until a Wine window has the keyboard focus: keys sent before go nowhere."""
        self.desktop_origin()
        wait_for(self._wine_has_focus, timeout, "a Wine window to get the keyboard focus")

    def key(self, *keysyms):
        """Presses keys such as "Tab", "Return", "alt+F4" in the focused Wine window."""
        self.wait_focus()
        self._x("xdotool", "key", "--delay", 50, *keysyms)

    def type_text(self, text):
        """Types ASCII text; xdotool loses other characters, so set those with set_control_text."""
        if not text.isascii():
            raise ValueError("type_text takes ASCII only; use set_control_text")
        self.wait_focus()
        self._x("xdotool", "type", "--delay", 50, text, timeout=10 + len(text))

    def screenshot(self):
        ppm = self._x("import", "-window", "root", "-depth", "8", "ppm:-", timeout=30)
        return Screenshot(ppm, self.desktop_origin())

    def save_screenshot(self, path, rect=None):
        """Saves the desktop, or the rectangle (l, t, r, b) of it, as an image file."""
        Path(path).parent.mkdir(parents=True, exist_ok=True)
        self.desktop_origin()
        crop = [] if rect is None else [
            "-crop", f"{rect[2] - rect[0]}x{rect[3] - rect[1]}+{rect[0]}+{rect[1]}", "+repage"]
        self._x("import", "-window", self._desktop_xid, *crop, path, timeout=30)


class E2ETestCase(unittest.TestCase):
    """Gives each test a fresh self.session with a desktop of desktop_size; a failed test leaves
    a screenshot in E2E_BUILD_DIR/e2e/failures/<test id>.png."""

    desktop_size = (1024, 768)
    monitors = None  # or the X screen's monitors, for a session without a virtual desktop

    def setUp(self):
        self.session = Session(*self.desktop_size, monitors=self.monitors).start()
        self.addCleanup(lambda: self.session.close())

    def restart_session(self, width, height, monitors=None):
        """Replaces the session by one whose desktop is width x height, or by one of these
        monitors without a virtual desktop (see Session)."""
        self.session.close()
        self.session = Session(width, height, monitors=monitors).start()

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


def boot(prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.parent.mkdir(parents=True, exist_ok=True)
    xvfb = Xvfb()
    env = wine_env(prefix, xvfb.display)
    try:
        result = _bounded([WINE, "wineboot", "--init"], env, 180)
        _bounded([WINESERVER, "-w"], env, 60)
    finally:
        _bounded([WINESERVER, "-k"], env, 30)
        xvfb.stop()
    if result.returncode != 0 or not (prefix / "system.reg").exists():
        sys.exit(f"wineboot failed with status {result.returncode}")
    # Wine draws caption buttons with this font; Debian's wine64 does not look where fonts-wine
    # puts it, and without it a close box shows the letter "r".
    shutil.copy(MARLETT, prefix / "drive_c" / "windows" / "Fonts")


def ensure_prefix(prefix):
    """Boots the prefix unless an earlier run left one there; prints why the wait."""
    if not (prefix / "system.reg").exists():
        print(f"Preparing the Wine prefix {prefix} (under a minute)...", flush=True)
        boot(prefix)


def cleanup(prefix):
    _bounded([WINESERVER, "-k"], wine_env(prefix, ""), 30)
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
    with Session() as session:
        result = session.wine(*args, timeout=timeout)
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
