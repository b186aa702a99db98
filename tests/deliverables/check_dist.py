#!/usr/bin/env python3
"""Checks the release zip as a person who downloads it gets it.

Usage: check_dist.py --objdump <i686 objdump> <corvel-1.00-win32.zip>

Opens the zip and checks: its entries, their CRCs and the zip's own .sha256 beside it; both
programs as 32-bit deliverables (the checks of check_pe.py) with icons of their own; the user
guide (UTF-8 with a byte-order mark, CR LF, Japanese before English, each telling the same
facts); and that SHA256SUMS.txt holds the right sum of every other file. Prints one line per
check and exits with status 1 if any fails.
"""
import argparse
import hashlib
import sys
import tempfile
import zipfile
from pathlib import Path

from check_pe import Checks, PeImage, check_program, icon_images

FOLDER = "corvel-1.00"
PROGRAMS = {"Corvel.exe": "Corvel", "Vantor.exe": "Vantor"}
ENTRIES = [f"{FOLDER}/{name}" for name in (*PROGRAMS, "README.txt", "SHA256SUMS.txt")]
# What each half of the guide must tell: the programs, their shared folder and file, that the
# editor sets the first password, and how the lock opens.
GUIDE_FACTS = {
    "日本語": ["Corvel.exe", "Vantor.exe", "同じフォルダー", "password", "最初", "変更",
               "Enter", "Password differs!!"],
    "English": ["Corvel.exe", "Vantor.exe", "same folder", "password", "First", "変更", "Enter",
                "Password differs!!"],
}


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def check_archive(checks, path, archive):
    checks.expect("entries", archive.namelist(), ENTRIES)
    checks.expect("damaged entries", archive.testzip(), None)
    sums = path.with_name(path.name + ".sha256")
    expected = f"{sha256(path.read_bytes())}  {path.name}\n"
    checks.expect(f"{sums.name}", sums.read_text() if sums.is_file() else None, expected)


def check_programs(checks, objdump, files):
    icons = {}
    with tempfile.TemporaryDirectory() as temp:
        for name, program in PROGRAMS.items():
            exe = Path(temp) / name
            exe.write_bytes(files.get(name, b""))
            try:
                image = PeImage(exe.read_bytes())
            except (ValueError, IndexError) as error:
                checks.expect(f"{name} is a PE file", str(error), "")
                continue
            print(f"--    {name}")
            check_program(checks, objdump, "win32", program, str(exe), image)
            icons[name] = icon_images(image)
    corvel, vantor = (icons.get(name) for name in PROGRAMS)
    checks.expect("each program has an icon of its own", bool(corvel) and corvel != vantor, True)


def check_guide(checks, data):
    checks.expect("guide starts with a UTF-8 byte-order mark", data[:3], b"\xef\xbb\xbf")
    checks.expect("guide lines end in CR LF", data.count(b"\n"), data.count(b"\r\n"))
    try:
        text = data[3:].decode("utf-8")
    except UnicodeDecodeError as error:
        checks.expect("guide is UTF-8", str(error), "")
        return
    japanese, english = text.find("日本語"), text.find("English")
    checks.expect("guide has Japanese, then English", 0 <= japanese < english, True)
    halves = {"日本語": text[japanese:english], "English": text[english:]}
    for language, facts in GUIDE_FACTS.items():
        missing = [fact for fact in facts if fact not in halves[language]]
        checks.expect(f"facts missing from the {language} guide", missing, [])


def check_sums(checks, files):
    expected = "".join(f"{sha256(files.get(Path(entry).name, b''))}  {Path(entry).name}\n"
                       for entry in ENTRIES[:-1])
    checks.expect("SHA256SUMS.txt", files.get("SHA256SUMS.txt", b"").decode(), expected)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("zip", type=Path)
    args = parser.parse_args()
    checks = Checks()
    try:
        with zipfile.ZipFile(args.zip) as archive:
            check_archive(checks, args.zip, archive)
            files = {Path(name).name: archive.read(name) for name in archive.namelist()}
    except (OSError, zipfile.BadZipFile) as error:
        print(f"FAIL  {args.zip}: {error} (make dist writes it)")
        return 1
    check_programs(checks, args.objdump, files)
    check_guide(checks, files.get("README.txt", b""))
    check_sums(checks, files)
    print(f"{args.zip}: " + (f"{checks.failed} checks failed" if checks.failed else "all pass"))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
