#!/usr/bin/env python3
"""Runs Windows programs under Wine in a Wine virtual desktop on a private Xvfb, drives them
with xdotool and reads window-system state through the probe (tests/probe.exe of the build that
runs), one fresh probe process per reading because Wine caches settings per process. make demo,
make bench and the end-to-end tests are built on it, and run the build that programs_build picks:
the i686 programs that ship, in a WoW64 prefix, wherever the kernel runs 32-bit x86 code.

Coordinates are the Wine desktop's (its top-left is 0,0). Windows are found by exact title and,
when given, exact class ("#32770" for a message box, which may share its owner's title).
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
from collections import namedtuple
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
# It starts 32-bit programs through wine32's loader beside it, in a prefix that it booted.
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
MARLETT = "/usr/share/wine/fonts/marlett.ttf"
MESSAGE_BOX = "#32770"  # the class of a message box's window
SAVER_KEY, SAVER_VALUE = r"HKCU\Control Panel\Desktop", "ScreenSaveActive"
PROBE_TIMEOUT = 30
_libc = ctypes.CDLL(None, use_errno=True)


def windows_path(path):
    """A Unix path as the programs see it under Wine: the root folder is drive Z."""
    return "Z:" + str(path).replace("/", "\\")


def programs_build(win32, win64):
    """The build tree whose programs run: win32, the programs that ship, unless the kernel cannot
    run 32-bit x86 code, and then win64. Prints one line saying which, and why; ends the program
    when the kernel's answer cannot be had (the check has said why)."""
    check = subprocess.run([ROOT / "cmake" / "kernel_runs_i386.sh", ROOT / "build"],
                           stdout=subprocess.PIPE, text=True)
    if check.returncode == 0:
        print(f"Running the i686 programs that ship, from {win32}, under Wine (WoW64).", flush=True)
        return Path(win32).resolve()
    if check.returncode != 1:
        sys.exit("Stopped: which build to run depends on that answer.")
    print(f"This kernel cannot run 32-bit x86 code: {check.stdout.strip()}; running the x86_64 "
          f"build, from {win64}, under wine64 instead of the i686 programs that ship.", flush=True)
    return Path(win64).resolve()


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


def arguments(pid):
    """What follows the program on a running Wine process's command line."""
    return [arg for arg in Path(f"/proc/{pid}/cmdline").read_text().split("\0")[1:] if arg]


def environ_has(entry, assignment):
    """Whether the process of /proc folder entry started with NAME=value in its environment."""
    return assignment.encode() in (entry / "environ").read_bytes().split(b"\0")


def die_with_parent(sig=signal.SIGTERM):
    """For preexec_fn: a test killed by CTest's timeout must leave nothing behind."""
    _libc.prctl(1, sig)  # PR_SET_PDEATHSIG


def _server_dies_with_parent():
    # SIGINT, like "wineserver -k", makes the server end its Wine processes before it exits.
    die_with_parent(signal.SIGINT)


def bounded(args, env, timeout):
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


def hex_text(text):
    """Text as the probe takes it: four hex digits a UTF-16 code unit; None is "*", any."""
    return "*" if text is None else "".join(f"{ord(c):04x}" for c in text)


def unhex_text(text):
    return "".join(chr(int(text[i:i + 4], 16)) for i in range(0, len(text), 4))


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
            stderr=subprocess.DEVNULL, preexec_fn=die_with_parent, start_new_session=True)
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


_WINDOW_FIELDS = "left top right bottom topmost maximized visible foreground title cls"


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
    return f"{hex_text(cls)}:{index}"


class Session:
    """Xvfb, a persistent wineserver and a Wine virtual desktop of width x height on a prefix, as
    a context manager; build is the build tree whose programs run, which holds the probe. close() ends all it
    started, each by its PID. Every process starts in a session of its own, so that a Ctrl+C at
    the terminal reaches only the Python program, which then ends them in order."""

    def __init__(self, build, prefix, width=1024, height=768, display=None):
        """display: an X display to use instead of a private Xvfb."""
        self.build, self.prefix = Path(build), Path(prefix)
        self.width, self.height, self._display = width, height, display
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
            self._use_desktop()
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
        bounded([WINESERVER, "-k"], self.env, 30)
        _stop(self._server, 20)

    def _use_desktop(self):
        # With these, a plain "wine64 X.exe" opens in the desktop and its exit status comes back
        # (through "explorer /desktop=" it would always be 0).
        self.set_registry_value(r"HKCU\Software\Wine\Explorer\Desktops", self.desktop,
                                f"{self.width}x{self.height}")
        self.set_registry_value(r"HKCU\Software\Wine\Explorer", "Desktop", self.desktop)

    def _server_ready(self):
        if self._server.poll() is not None:
            raise RuntimeError(f"wineserver ended at its start, status {self._server.returncode}"
                               " (is another one running for this prefix?)")
        cwd = os.readlink(f"/proc/{self._server.pid}/cwd")
        return os.path.basename(cwd).startswith("server-") and os.path.exists(cwd + "/socket")

    def unix_pids(self, exe):
        """The Unix PIDs of the running processes of the program exe in this session's prefix.
        Wine puts the program's path first on a process's command line, the Windows path where a
        Windows program started it."""
        paths = {windows_path(exe).encode(), str(exe).encode()}
        return pids_where(lambda entry: (entry / "cmdline").read_bytes().split(b"\0")[0] in paths
                          and environ_has(entry, f"WINEPREFIX={self.prefix}"))

    def end_program(self, proc):
        """Kills a program that run() started, if it still runs, with the processes of the same
        program that it started (Corvel's watcher, and the lock that brings back), each by its
        PID. All are stopped first, so that none can start another meanwhile."""
        pids = self.unix_pids(proc.args[1])
        for sig in (signal.SIGSTOP, signal.SIGKILL):
            for pid in pids:
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
        proc.kill()

    def end_programs(self):
        """Ends every program that run() started, as end_program does."""
        for proc in self._processes:
            self.end_program(proc)

    def close(self):
        self.end_programs()
        if self._server is not None:
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
        """Runs a command in the prefix to its end: a CompletedProcess with bytes output. Status
        1 with nothing written is also how Wine fails, now and then, to start a program while
        other processes come and go: the command, which is the same again, runs twice more at
        most (a command that finds nothing to report ends so too, only later)."""
        for _ in range(3):
            result = bounded([WINE, *args], self.env, timeout)
            if result.returncode != 1 or result.stdout:
                return result
        return result

    def probe(self, *args):
        """One probe.exe reading as a dict, or None when the window or control is missing."""
        result = self.wine(self.build / "tests" / "probe.exe", *args)
        if result.returncode == 1:
            return None
        if result.returncode != 0:
            raise RuntimeError(f"probe {' '.join(args)} failed with status {result.returncode}")
        return key_values(result.stdout)

    # Windows and controls

    def window(self, title, cls=None):
        """The top-level window of this title (and class) as WindowInfo, or None."""
        found = self.probe("window", hex_text(title), hex_text(cls))
        if found is None:
            return None
        numbers = {k: int(found[k]) for k in ("left", "top", "right", "bottom")}
        flags = {k: found[k] == "1" for k in ("topmost", "maximized", "visible", "foreground")}
        return WindowInfo(**numbers, **flags, title=unhex_text(found["title"]),
                          cls=unhex_text(found["class"]))

    def wait_window(self, title, cls=None, timeout=20, foreground=False):
        """Waits until the window is there and visible, and the foreground window if asked;
        returns its WindowInfo."""
        def shown():
            info = self.window(title, cls)
            return info if info and info.visible and (info.foreground or not foreground) else None
        return wait_for(shown, timeout, f"window {title!r} {cls or ''} to show")

    def wait_no_window(self, title, cls=None, timeout=20):
        wait_for(lambda: self.window(title, cls) is None, timeout, f"window {title!r} to go")

    def control_text(self, title, control, cls=None):
        """The text of a control in the window, or None when either is missing."""
        found = self.probe("gettext", hex_text(title), hex_text(cls), _control_spec(control))
        return None if found is None else unhex_text(found["text"])

    def set_control_text(self, title, control, text, cls=None):
        """Sets a control's text with WM_SETTEXT, the way to enter non-ASCII text."""
        spec = _control_spec(control)
        if self.probe("settext", hex_text(title), hex_text(cls), spec, hex_text(text)) is None:
            raise LookupError(f"no control {control!r} in window {title!r}")

    def press_button(self, title, control, cls=None):
        """Posts BM_CLICK, so a message box that the click opens does not block the probe."""
        if self.probe("click", hex_text(title), hex_text(cls), _control_spec(control)) is None:
            raise LookupError(f"no button {control!r} in window {title!r}")

    def message_text(self, title):
        """The text of the message box of this title, or None when there is none."""
        return self.control_text(title, 0xFFFF, cls=MESSAGE_BOX)

    def close_window(self, title, cls=None):
        """Posts WM_CLOSE to the window."""
        if self.probe("post", hex_text(title), hex_text(cls), 0x10, 0) is None:
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
        result = bounded(args, self._xenv, timeout)
        if result.returncode != 0:
            raise RuntimeError(f"{args[0]} failed: {result.stderr.decode(errors='replace')}")
        return result.stdout

    def _find_desktop(self):
        pattern = f"^{self.desktop} - Wine desktop$"
        found = bounded(["xdotool", "search", "--name", pattern], self._xenv, 10).stdout.split()
        return found[0].decode() if found else None

    def desktop_origin(self):
        """Where the desktop's X window sits on the X screen; waits until Wine has made it."""
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
        focus = bounded(["xdotool", "getwindowfocus"], self._xenv, 10).stdout.decode().strip()
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


def boot(prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.parent.mkdir(parents=True, exist_ok=True)
    xvfb = Xvfb()
    env = wine_env(prefix, xvfb.display)
    try:
        result = bounded([WINE, "wineboot", "--init"], env, 180)
        bounded([WINESERVER, "-w"], env, 60)
    finally:
        bounded([WINESERVER, "-k"], env, 30)
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


if __name__ == "__main__" and sys.argv[1:2] == ["programs"] and len(sys.argv) == 4:
    programs_build(*sys.argv[2:])  # says which build runs; make test prints it before CTest's
