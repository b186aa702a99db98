#!/usr/bin/env python3
"""Checks one built program against what a deliverable must be; prints each failed check."""
import argparse
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

# objdump's file format, the optional header, and the size cap: every byte of the 32-bit
# deliverable is loaded at each lock.
BUILDS = {"win32": ("pei-i386", "PE32", 65536), "win64": ("pei-x86-64", "PE32+", None)}
# Windows system DLLs only: the C and C++ runtimes are linked in statically.
REQUIRED_DLLS = {"kernel32.dll", "user32.dll"}
# advapi32: the access list each Corvel process guards itself with.
ALLOWED_DLLS = REQUIRED_DLLS | {"gdi32.dll", "imm32.dll", "comctl32.dll", "msvcrt.dll",
                                "advapi32.dll"}
# (width and height, bits per pixel) of each image the program's icon holds.
ICON_IMAGES = [(16, 4), (16, 32), (32, 4), (32, 32)]
# The editor's controls are themed; the lock keeps the classic ones and so loads no common controls.
DEPENDENCIES = {"Vantor": [("Microsoft.Windows.Common-Controls", "6.0.0.0")], "Corvel": []}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
NAMESPACES = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "settings": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}


# Called with a check's name, what was found and what was expected; failed counts the misses.
class Checks:
    failed = 0

    def __call__(self, name, actual, expected):
        if actual != expected:
            self.failed += 1
            print(f"FAIL  {name}: {actual!r}, expected {expected!r}")

    def report(self, subject):
        print(f"{subject}: {self.failed} checks failed" if self.failed else f"{subject}: all pass")
        return 1 if self.failed else 0


# (link time stamp, {resource type: {id: bytes of its first language}}) of a PE file.
def read_pe(data):
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[:2] != b"MZ" or data[pe : pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count, timestamp, optional_size = struct.unpack_from("<2xHI8xH", data, pe + 4)
    headers = pe + 24 + optional_size
    sections = [struct.unpack_from("<8s4xI4xI", data, headers + 40 * n) for n in range(count)]

    def directory(raw, offset):  # 12 bytes, counts of named and numbered entries, the entries
        named, numbered = struct.unpack_from("<12xHH", data, raw + offset)
        return struct.iter_unpack("<II", data[raw + offset + 16 :][: 8 * (named + numbered)])

    resources = {}
    for rva, raw in [(rva, raw) for name, rva, raw in sections if name == b".rsrc\0\0\0"]:
        # The tree: types, the ids of each, the languages of each id.
        for kind, ids in directory(raw, 0):
            for name, languages in directory(raw, ids & 0x7FFFFFFF):
                _, leaf = next(directory(raw, languages & 0x7FFFFFFF))
                at, size = struct.unpack_from("<II", data, raw + leaf)
                resources.setdefault(kind, {})[name] = data[at - rva + raw :][:size]
    return timestamp, resources


def check_headers(check, objdump, build, exe):
    run = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=False)
    check(f"{objdump} reads the file", run.stderr.strip(), "")
    fields = [r"file format (\S+)", r"^Magic\s+\S+\s+\((PE32\+?)\)", r"^Subsystem\s+(\S+)"]
    found = [(re.search(field, run.stdout, re.M) or [None, None])[1] for field in fields]
    # Subsystem 2 is the Windows GUI.
    check("file format, optional header, subsystem", found, [*BUILDS[build][:2], "00000002"])
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", run.stdout)}
    check("DLLs outside the system set", sorted(dlls - ALLOWED_DLLS), [])
    check("system DLLs not imported", sorted(REQUIRED_DLLS - dlls), [])


def check_icon(check, groups, icons):
    check("first icon group's id", min(groups, default=None), 1)
    group = groups.get(1, bytes(6))
    # Group entries after a count at byte 4: width, 5 bytes, bits per pixel, 4 bytes, image id.
    entries = struct.iter_unpack("<B5xH4xH", group[6:][: 14 * (group[4] | group[5] << 8)])
    # The images' BITMAPINFOHEADER: size, width, height of image and mask, planes, bits per pixel.
    found = [(width, bits, struct.unpack_from("<IiiHH", icons.get(image, b"").ljust(16, b"\0")))
             for width, bits, image in entries]
    check("icon images", sorted(found), [(s, b, (40, s, 2 * s, 1, b)) for s, b in ICON_IMAGES])


def check_version(check, versions, program):
    check("version resources", len(versions), 1)
    block = next(iter(versions.values()), b"")

    def value(key):  # after the node's length, value length, type (1: text) and key, 4-aligned
        at = block.find(f"{key}\0".encode("utf-16-le"))
        _, length, kind = struct.unpack_from("<3H", block, at - 6) if at >= 6 else (0, 0, 0)
        start = (at + 2 * len(key) + 2 + 3) & ~3
        return block[start : start + (2 * length if kind == 1 else length)]

    # VS_FIXEDFILEINFO: signature, structure version, file then product version, 1.0.0.0 both.
    fixed = struct.unpack_from("<I4x4I", value("VS_VERSION_INFO").ljust(24, b"\0"))
    check("fixed file info signature and versions", fixed, (0xFEEF04BD, 1 << 16, 0, 1 << 16, 0))
    # A string table is a text node with no value named by 8 hex digits: language, code page.
    tables = re.findall(rb"\0\0\x01\0((?:[0-9A-Fa-f]\0){8})\0\0", block)
    check("string tables", [table.decode("utf-16-le").upper() for table in tables], ["041104B0"])
    strings = {"FileVersion": "1.00", "ProductVersion": "1.00", "ProductName": program,
               "OriginalFilename": f"{program}.exe"}
    for key, expected in strings.items():
        text = value(key).decode("utf-16-le", "replace").rstrip("\0")
        check(f"version string {key}", text, expected)
    check("translation", list(struct.iter_unpack("<HH", value("Translation"))), [(0x0411, 1200)])


def check_manifest(check, manifests, program):
    check("manifest resource ids", sorted(manifests), [1])
    try:
        root = ElementTree.fromstring(manifests.get(1, b""))
    except ElementTree.ParseError as error:
        return check("manifest is well-formed XML", str(error), "")
    identities = root.iterfind(".//v1:assemblyIdentity", NAMESPACES)
    dependencies = [(node.get("name"), node.get("version")) for node in identities]
    check("manifest dependencies", dependencies, DEPENDENCIES[program])
    levels = root.iterfind(".//v3:requestedExecutionLevel", NAMESPACES)
    check("manifest execution level", [node.get("level") for node in levels], ["asInvoker"])
    dpi = root.iterfind(".//settings:dpiAware", NAMESPACES)
    check("manifest DPI awareness", [node.text for node in dpi], ["true"])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--build", required=True, choices=sorted(BUILDS))
    parser.add_argument("--program", required=True, choices=sorted(DEPENDENCIES))
    parser.add_argument("exe")
    args = parser.parse_args()
    try:
        with open(args.exe, "rb") as exe:
            data = exe.read()
        timestamp, resources = read_pe(data)
    except (OSError, ValueError, struct.error) as error:
        print(f"FAIL  {args.exe}: {error} (build the {args.build} preset first)")
        return 1
    check, limit = Checks(), BUILDS[args.build][2]
    check_headers(check, args.objdump, args.build, args.exe)
    if limit:
        check(f"bytes over {limit:,}", max(0, len(data) - limit), 0)
    # A link time in the header would make every build of the same sources differ.
    check("link time stamp", timestamp, 0)
    check_icon(check, resources.get(RT_GROUP_ICON, {}), resources.get(RT_ICON, {}))
    check_version(check, resources.get(RT_VERSION, {}), args.program)
    check_manifest(check, resources.get(RT_MANIFEST, {}), args.program)
    return check.report(args.exe)


if __name__ == "__main__":
    sys.exit(main())
