#!/usr/bin/env python3
"""make dist: packs the 32-bit programs for the people who use them.

Writes <out>/corvel-<version>-win32.zip holding one folder, corvel-<version>/, with Corvel.exe and
Vantor.exe from the win32 build, README.txt (the user guide: the README's section between the
"user guide" markers, as UTF-8 with a byte-order mark and CR LF, so that Notepad shows the
Japanese) and SHA256SUMS.txt (the three files' sums, as sha256sum writes them). Beside the zip,
<zip>.sha256 holds the zip's own sum.

The zip is the same byte for byte for the same inputs: entries are sorted and dated with the
commit time of the source (SOURCE_DATE_EPOCH, else the last commit's, else 1980-01-01), and it
replaces an older zip only once it is complete.

Usage: dist.py --win32 <win32 build dir> --source <repository root> --out <folder>
"""
import argparse
import hashlib
import os
import re
import subprocess
import sys
import time
import zipfile
from pathlib import Path

PROGRAMS = ("Corvel.exe", "Vantor.exe")
GUIDE = "README.txt"
SUMS = "SHA256SUMS.txt"
GUIDE_START = "<!-- user guide: start -->"
GUIDE_END = "<!-- user guide: end -->"


def version(source):
    header = (source / "shared" / "version.h").read_text()
    return re.search(r'^#define PW_VERSION_TEXT "([^"]+)"$', header, re.MULTILINE).group(1)


def guide(source):
    """The README's user guide as Windows Notepad reads it best."""
    readme = (source / "README.md").read_text(encoding="utf-8")
    start, end = readme.find(GUIDE_START), readme.find(GUIDE_END)
    if start < 0 or end < start:
        raise ValueError(f"README.md has no section between {GUIDE_START!r} and {GUIDE_END!r}")
    text = readme[start + len(GUIDE_START) : end].strip("\n") + "\n"
    return b"\xef\xbb\xbf" + text.replace("\n", "\r\n").encode("utf-8")


def source_date(source):
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    log = subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"],
                         capture_output=True, text=True, check=False)
    return int(log.stdout) if log.returncode == 0 and log.stdout.strip() else 315532800


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def contents(win32, source):
    """{name in the folder: bytes}, the sums last."""
    files = {}
    for program in PROGRAMS:
        path = win32 / program
        if not path.is_file():
            raise FileNotFoundError(f"{path} is missing: build the win32 preset first (make win32)")
        files[program] = path.read_bytes()
    files[GUIDE] = guide(source)
    files[SUMS] = "".join(f"{sha256(data)}  {name}\n" for name, data in files.items()).encode()
    return files


def write_zip(path, folder, files, date):
    stamp = time.gmtime(max(date, 315532800))[:6]  # zip dates start in 1980
    partial = path.with_name(path.name + ".partial")
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in files.items():
            entry = zipfile.ZipInfo(f"{folder}/{name}", date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0  # as made on Windows: no Unix owner or mode to restore
            archive.writestr(entry, data, compresslevel=9)
    partial.replace(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--win32", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args()
    try:
        text = version(args.source)
        files = contents(args.win32, args.source)
    except (OSError, ValueError, AttributeError) as error:
        sys.exit(f"dist: {error}")
    args.out.mkdir(parents=True, exist_ok=True)
    name = f"corvel-{text}"
    path = args.out / f"{name}-win32.zip"
    write_zip(path, name, files, source_date(args.source))
    data = path.read_bytes()
    (args.out / f"{path.name}.sha256").write_text(f"{sha256(data)}  {path.name}\n")
    print(f"{path} ({len(data):,} bytes, SHA-256 {sha256(data)})")
    for member, content in files.items():
        print(f"  {name}/{member} ({len(content):,} bytes)")


if __name__ == "__main__":
    main()
