#!/usr/bin/env python3
"""make demo: the typical use of Vantor and Corvel, played under Wine and checked at each stage.

Without LIVE, on a private X display: Vantor opens and a password is typed and saved, with its
confirmation; Corvel locks the screen; the password typed with Caps Lock on is refused, with its
message and the line that says Caps Lock is on; ended as an administrator's End task ends it, the
lock is back in force at once, its watcher taking over; with Caps Lock off the password releases
the lock, and a box tells of the wrong password and the End task. Each stage prints one line of what was verified and saves a screenshot in the output folder (Vantor's
window also cropped, as vantor.png, and the lock refusing a password as corvel.png). The programs
run in <out>/folder, which starts without a password, from the build that
wine_desktop.programs_build picks: the i686 one that ships, unless the kernel cannot run 32-bit
code.

With LIVE=1 and DISPLAY set: opens Vantor, then, once it is closed, Corvel on that display for a
person to use.

However it ends, Ctrl+C and SIGTERM included, it ends every process it started, each by its PID,
and sets the Wine prefix's screen-saver setting back to what it found. Exit status: 0 when all is
verified, 1 when a check fails, 130 when interrupted.

Usage: [LIVE=1] demo.py --win32 <win32 build> --win64 <win64 build> [--out <folder>]
                       [--prefix <Wine prefix>]
"""
import argparse
import os
import re
import shutil
import signal
import sys
from pathlib import Path

import lock_view
import wine_desktop
from bench import stopwatch
from wine_desktop import MESSAGE_BOX, SAVER_VALUE, Session, wait_for

SIZE = (1024, 768)
PASSWORD = "sakura 2026"
EDITOR, EDITOR_CLASS = "Vantor", "VantorEdit"
CHANGED = "ﾊﾟｽﾜｰﾄﾞを変更しました。"


class CheckFailed(Exception):
    pass


def check(condition, what):
    if not condition:
        raise CheckFailed(what)


class Stages:
    """Numbers the stages, saves each one's screenshot and prints its line."""

    def __init__(self, session, out, count):
        self.session, self.out, self.count, self.done = session, out, count, 0

    def passed(self, name, line, crop=None):
        self.done += 1
        shot = self.out / f"{self.done}-{name}.png"
        self.session.save_screenshot(shot)
        if crop is not None:
            self.session.save_screenshot(self.out / crop[0], crop[1])
        print(f"[{self.done}/{self.count}] {line}\n      screenshot: {shot}", flush=True)


def file_bytes(path):
    data = path.read_bytes()
    return data, " ".join(f"{byte:02x}" for byte in data)


def saver_state(session):
    return (f"screen saver active={int(session.screensaver_active())} "
            f"running={int(session.screensaver_running())}, "
            f"saved {SAVER_VALUE}={session.registry_screensave_active()}")


def editor_box(session):
    return session.control_text(EDITOR, "Edit", EDITOR_CLASS)


def edit_password(session, folder, stages):
    vantor = session.run(folder / "Vantor.exe", cwd=folder)
    info = session.wait_window(EDITOR, EDITOR_CLASS)
    check(editor_box(session) == "", "Vantor's box is not empty")
    session.type_text(PASSWORD)
    wait_for(lambda: editor_box(session) == PASSWORD, 10, "the typed password in Vantor's box")
    stages.passed("vantor", f"Vantor opened: window {EDITOR!r} at {info.rect}, no password file "
                  f"yet, box empty; typed {PASSWORD!r}", ("vantor.png", info.rect))

    session.key("Return")
    message = wait_for(lambda: session.message_text(EDITOR), 20, "Vantor's confirmation")
    check(message == CHANGED, f"Vantor's message is {message!r}, not {CHANGED!r}")
    data, hexed = file_bytes(folder / "password")
    check(data == f'"{PASSWORD}"\r\n'.encode("cp932"), f"the password file holds {data!r}")
    stages.passed("saved", f"Saved: message box {message!r}; file password = {hexed} ({data!r})")

    session.key("Return")
    session.wait_no_window(EDITOR, MESSAGE_BOX)
    session.close_window(EDITOR, EDITOR_CLASS)
    check(vantor.wait(20) == 0, "Vantor did not end with status 0")


def lock_and_unlock(session, folder, stages):
    corvel = session.run(folder / "Corvel.exe", cwd=folder)
    info = lock_view.wait_locked(session)
    check(not session.screensaver_active() and session.screensaver_running(),
          "the screen saver is not switched off and marked running")
    stages.passed("locked", f"Corvel locked: window maximized at {info.rect}, topmost; pointer "
                  f"held in {session.clip()}; {saver_state(session)}")

    session.key("Tab", "Caps_Lock")
    wait_for(lambda: lock_view.key_state_lit(session), 10, "the line saying Caps Lock is on")
    session.type_text(PASSWORD)
    typed = PASSWORD.upper()
    wait_for(lambda: lock_view.box_text(session) == typed, 10, f"{typed!r} in the box")
    session.key("Return")
    wait_for(lambda: lock_view.box_text(session) == "", 10, "the box emptied")
    wait_for(lambda: lock_view.message_shown(session), 10, "the message in the top-left corner")
    check(lock_view.key_state_lit(session), "the line saying Caps Lock is on went")
    check(session.clip() == lock_view.panel(session) and corvel.alive(), "the lock gave way")
    stages.passed("wrong", f"Caps Lock on: {PASSWORD!r} typed as {typed!r}, refused: "
                  f"{lock_view.DIFFERS!r} shown top-left, '{lock_view.CAPS_LOCK_ON}' below the "
                  f"panel at {lock_view.key_state_line(session)}; box emptied, pointer still "
                  f"held in {session.clip()}",
                  ("corvel.png", (0, 0, *SIZE)))

    relocked = stopwatch(session, "relock", lock_view.TITLE,
                         ",".join(map(str, lock_view.panel(session))))
    info = lock_view.wait_locked(session)
    check(lock_view.key_state_lit(session), "the line saying Caps Lock is on did not come back")
    stages.passed("end-task", f"End task on the lock, as an administrator: its watcher, waiting "
                  f"beneath it, in force in its place {float(relocked['ms']):.1f} ms later; window maximized at "
                  f"{info.rect}, topmost; pointer held in {session.clip()}")

    session.key("Tab", "Caps_Lock")
    wait_for(lambda: not lock_view.key_state_lit(session), 10, "the line gone with Caps Lock")
    session.type_text(PASSWORD)
    wait_for(lambda: lock_view.box_text(session) == PASSWORD, 10, "the password typed")
    session.key("Return")
    told = wait_for(lambda: session.message_text(lock_view.TITLE), 20, "the box that tells")
    lock_window = session.window(lock_view.TITLE, lock_view.CLASS)
    check(not (lock_window and lock_window.visible), "the lock window stayed in view")
    check(session.clip() == (0, 0, *SIZE), "the pointer is still confined")
    check(session.screensaver_active() and not session.screensaver_running(),
          "the screen saver was not given back")
    check(re.search(r"間違ったパスワードの入力: 1 回.*\n強制終了からの復帰: 1 回", told),
          f"the box does not tell of the wrong password and the End task: {told!r}")
    stages.passed("released", f"Caps Lock off, the password: lock released, pointer free in "
                  f"{session.clip()}, {saver_state(session)}; then a box: {told!r}")
    session.press_button(lock_view.TITLE, "Button", MESSAGE_BOX)
    wait_for(lambda: not session.unix_pids(folder / "Corvel.exe"), 20, "every Corvel to end")
    print("      box closed: every Corvel process ended", flush=True)


def play(session, folder, out):
    stages = Stages(session, out, 6)
    edit_password(session, folder, stages)
    lock_and_unlock(session, folder, stages)
    print(f"All stages verified. Screenshots in {out}.")


def live(session, folder):
    for name, what in (("Vantor.exe", "set the password, then close the editor"),
                       ("Corvel.exe", "the lock; click the box or press Tab, type the password "
                                      "and press Enter")):
        print(f"Starting {name}: {what}.", flush=True)
        status = session.run(folder / name, cwd=folder).wait(timeout=None)
        print(f"{name} ended with status {status}.")


def fresh_folder(out, build):
    """An empty out/folder with the two programs; screenshots of an earlier run are removed."""
    for old in out.glob("*.png"):
        old.unlink()
    folder = out / "folder"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name in ("Vantor.exe", "Corvel.exe"):
        if not (build / name).is_file():
            sys.exit(f"{build / name} is missing: build the {build.name} preset first "
                     f"(make {build.name}).")
        shutil.copy2(build / name, folder)
    return folder


def restore_saver(session, found):
    """Sets the prefix's screen-saver setting back to what the demo found; says so if it did."""
    if session.registry_screensave_active() == found:
        return
    session.set_registry_screensave_active(found)
    print(f"Set {SAVER_VALUE} back to {found if found is not None else 'unset'}, as found.")


def _interrupted(signum, frame):
    raise KeyboardInterrupt


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--win32", type=Path, required=True)
    parser.add_argument("--win64", type=Path, required=True)
    parser.add_argument("--out", type=Path, default=Path("build/demo"))
    parser.add_argument("--prefix", type=Path)
    args = parser.parse_args()
    is_live = os.environ.get("LIVE") == "1"
    display = os.environ.get("DISPLAY") if is_live else None
    if is_live and not display:
        sys.exit("LIVE=1 shows the programs on your X display: set DISPLAY too.")
    out = args.out.resolve()
    build = wine_desktop.programs_build(args.win32, args.win64)
    folder = fresh_folder(out, build)
    prefix = (args.prefix or out / "prefix").resolve()
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, _interrupted)

    status, session = 0, Session(build, prefix, *SIZE, display=display)
    try:
        wine_desktop.ensure_prefix(prefix)
        session.start()
        found = session.registry_screensave_active()
        try:
            if is_live:
                live(session, folder)
            else:
                play(session, folder, out)
        except (CheckFailed, TimeoutError, LookupError, RuntimeError) as error:
            print(f"FAILED: {error}", file=sys.stderr)
            status = 1
            if not is_live:
                session.save_screenshot(out / "failed.png")
                print(f"      screenshot: {out / 'failed.png'}", file=sys.stderr)
        finally:
            # A second Ctrl+C must not cut the clean-up short.
            for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
                signal.signal(signum, signal.SIG_IGN)
            session.end_programs()
            restore_saver(session, found)
    except KeyboardInterrupt:
        print("Interrupted: every program ended, the screen-saver setting as found.",
              file=sys.stderr)
        status = 130
    finally:
        session.close()
    return status


if __name__ == "__main__":
    sys.exit(main())
