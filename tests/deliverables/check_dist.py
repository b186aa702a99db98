#!/usr/bin/env python3
"""Checks the release zip as a person who downloads it gets it; prints each failed check."""
import argparse
import hashlib
import sys
import zipfile
import zlib
from pathlib import Path

from check_pe import RT_ICON, Checks, read_pe

PROGRAMS = ["Corvel.exe", "Vantor.exe"]
NAMES = [*PROGRAMS, "README.txt", "SHA256SUMS.txt"]
# What each half of the guide must tell: the programs, their shared folder and file, that the
# editor sets the first password, and how the lock opens.
FACTS = ["Corvel.exe", "Vantor.exe", "password", "変更", "Enter", "Password differs!!"]
GUIDE_FACTS = {"日本語": [*FACTS, "同じフォルダー", "最初"],
               "English": [*FACTS, "same folder", "First"]}


# What sha256sum prints for {name: bytes}.
def sums(files):
    return "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files.items())


def check_guide(check, data):
    # UTF-8 with a byte-order mark, CR LF, Japanese then English, each half telling the facts.
    check("guide starts with a UTF-8 byte-order mark", data[:3], b"\xef\xbb\xbf")
    check("guide lines ending in LF without CR", data.count(b"\n") - data.count(b"\r\n"), 0)
    text = data[3:].decode("utf-8", "replace")
    check("guide bytes that are not UTF-8", text.count("\ufffd"), 0)
    japanese, english = text.find("日本語"), text.find("English")
    check("guide has Japanese, then English", 0 <= japanese < english, True)
    for language, half in {"日本語": text[japanese:english], "English": text[english:]}.items():
        missing = [fact for fact in GUIDE_FACTS[language] if fact not in half]
        check(f"facts missing from the {language} guide", missing, [])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--win32", type=Path, required=True, help="build the programs come from")
    parser.add_argument("zip", type=Path)
    args, check = parser.parse_args(), Checks()
    try:
        with zipfile.ZipFile(args.zip) as archive:
            check("entries", archive.namelist(), [f"corvel-1.00/{name}" for name in NAMES])
            check("damaged entries", archive.testzip(), None)
            files = {Path(name).name: archive.read(name) for name in archive.namelist()}
    except (OSError, zipfile.BadZipFile, zlib.error) as error:
        print(f"FAIL  {args.zip}: {error} (make dist writes it)")
        return 1
    own = args.zip.with_name(args.zip.name + ".sha256")
    own_sum = sums({args.zip.name: args.zip.read_bytes()})
    check(own.name, own.read_text() if own.is_file() else "missing", own_sum)
    # check_pe checks the programs of the build; the zip must hold the same bytes, and the icons
    # of the two must differ.
    icons = []
    for name in PROGRAMS:
        built = args.win32 / name
        same = built.is_file() and files.get(name) == built.read_bytes()
        check(f"{name} is the same as {built}", same, True)
        icons.append(sorted(read_pe(files[name])[1].get(RT_ICON, {}).values()) if same else None)
    check("each program has an icon of its own", None not in icons and icons[0] != icons[1], True)
    check_guide(check, files.get("README.txt", b""))
    listed = sums({name: files.get(name, b"") for name in NAMES[:-1]})
    check("SHA256SUMS.txt", files.get("SHA256SUMS.txt", b"").decode("utf-8", "replace"), listed)
    return check.report(args.zip)


if __name__ == "__main__":
    sys.exit(main())
