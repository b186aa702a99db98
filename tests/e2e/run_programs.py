#!/usr/bin/env python3
"""make run: copies Vantor.exe and Corvel.exe from the win64 build into build/run/ and runs them
on the user's display in a 1024x768 Wine virtual desktop, first Vantor, to set the password,
then Corvel. The Wine prefix lives in build/run/prefix and is booted when missing.

Usage: run_programs.py <win64 build dir>
"""
import os
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    display = os.environ.get("DISPLAY")
    if not display:
        sys.exit("DISPLAY is not set: make run shows the programs on your X display, so run it "
                 "from a graphical session or set DISPLAY.")
    win64 = Path(sys.argv[1]).resolve()
    run_dir = win64.parent / "run"
    run_dir.mkdir(exist_ok=True)
    for name in ("Vantor.exe", "Corvel.exe"):
        if not (win64 / name).is_file():
            sys.exit(f"{win64 / name} is missing: build the win64 preset first.")
        shutil.copy2(win64 / name, run_dir / name)
    prefix = run_dir / "prefix"
    harness.ensure_prefix(prefix)
    with harness.Session(1024, 768, prefix=prefix, display=display) as session:
        for name, what in (("Vantor.exe", "set the password, then close the editor"),
                           ("Corvel.exe", "the lock; type the password and press Enter")):
            print(f"Starting {name}: {what}.")
            status = session.run(run_dir / name, cwd=run_dir).wait(timeout=None)
            print(f"{name} ended with status {status}.")


if __name__ == "__main__":
    main()
