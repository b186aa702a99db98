#!/usr/bin/env python3
"""Checks one built program against what a deliverable must be.

Usage: check_pe.py --objdump <objdump> --build win32|win64 --program Corvel|Vantor <exe>

objdump tells the file format, the subsystem and the imported DLLs; the resources (icon group,
version, manifest) are read from the file's resource section directly. Prints one line per
check and exits with status 1 if any check fails.
"""

import argparse
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

# The deliverable's size is capped: every byte of it is loaded at each lock.
BUILDS = {
    "win32": {"format": "pei-i386", "magic": "PE32", "max_size": 65536},
    "win64": {"format": "pei-x86-64", "magic": "PE32+", "max_size": None},
}
# Windows system DLLs only: the C and C++ runtimes are linked in statically.
REQUIRED_DLLS = {"kernel32.dll", "user32.dll"}
ALLOWED_DLLS = REQUIRED_DLLS | {"gdi32.dll", "imm32.dll", "comctl32.dll", "msvcrt.dll"}
SUBSYSTEM_WINDOWS_GUI = 2
VERSION_NUMBERS = (1, 0, 0, 0)
VERSION_TEXT = "1.00"
JAPANESE_UTF16 = (0x0411, 1200)
# (width and height, bits per pixel) of each image the program's icon holds.
ICON_IMAGES = {(32, 4), (16, 4), (32, 32), (16, 32)}

# The editor's controls are themed; the lock keeps the classic ones and so loads no common controls.
MANIFEST_DEPENDENCIES = {
    "Vantor": [("Microsoft.Windows.Common-Controls", "6.0.0.0")],
    "Corvel": [],
}

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"


class PeImage:
    """The parts of a PE file the checks read: sections and the resource tree."""

    def __init__(self, data):
        self.data = data
        (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[pe_offset : pe_offset + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        coff = pe_offset + 4
        _, section_count, self.timestamp, _, _, optional_size, _ = struct.unpack_from(
            "<HHIIIHH", data, coff)
        optional = coff + 20
        (magic,) = struct.unpack_from("<H", data, optional)
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        for index in range(section_count):
            entry = optional + optional_size + 40 * index
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((rva, min(virtual_size, raw_size), raw_offset))

    def at_rva(self, rva, size):
        for start, length, raw_offset in self.sections:
            if start <= rva and rva + size <= start + length:
                offset = raw_offset + rva - start
                return self.data[offset : offset + size]
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def resources(self):
        """{type: [(name, data of its first language), ...]} in directory order."""
        if not self.resource_rva:
            return {}
        base = self.resource_rva

        def entries(offset):
            header = self.at_rva(base + offset, 16)
            named, numbered = struct.unpack_from("<HH", header, 12)
            for index in range(named + numbered):
                name, target = struct.unpack("<II", self.at_rva(base + offset + 16 + 8 * index, 8))
                yield (f"#name@{name & 0x7FFFFFFF:#x}" if name & 0x80000000 else name), target

        def first_leaf(target):
            while target & 0x80000000:
                target = next(entries(target & 0x7FFFFFFF))[1]
            data_rva, size = struct.unpack("<II", self.at_rva(base + target, 8))
            return self.at_rva(data_rva, size)

        return {
            kind: [(name, first_leaf(target)) for name, target in entries(names & 0x7FFFFFFF)]
            for kind, names in entries(0)
        }


def version_tree(data, offset=0):
    """One VS_VERSIONINFO node and its children: (key, value bytes, children, length)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end : key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6 : key_end].decode("utf-16-le")
    value_start = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if value_type == 1 else value_length
    value = data[value_start : value_start + value_size]
    children, child = [], (value_start + value_size + 3) & ~3
    while child < end:
        node = version_tree(data, child)
        children.append(node[:3])
        child = (child + node[3] + 3) & ~3
    return key, value, children, length


def text(value):
    return value.decode("utf-16-le").rstrip("\0")


class Checks:
    def __init__(self):
        self.failed = 0

    def expect(self, name, actual, expected):
        if actual == expected:
            print(f"ok    {name}")
        else:
            self.failed += 1
            print(f"FAIL  {name}: {actual!r}, expected {expected!r}")


def check_headers(checks, objdump, build, exe):
    run = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=False)
    checks.expect(f"{objdump} reads the file", run.stderr.strip(), "")
    dump = run.stdout
    file_format = re.search(r"file format (\S+)", dump)
    magic = re.search(r"^Magic\s+\S+\s+\((PE32\+?)\)", dump, re.M)
    subsystem = re.search(r"^Subsystem\s+([0-9a-fA-F]+)", dump, re.M)
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    checks.expect("file format", file_format and file_format[1], BUILDS[build]["format"])
    checks.expect("optional header", magic and magic[1], BUILDS[build]["magic"])
    checks.expect("subsystem", subsystem and int(subsystem[1], 16), SUBSYSTEM_WINDOWS_GUI)
    checks.expect("DLLs outside the system set", sorted(dlls - ALLOWED_DLLS), [])
    checks.expect("system DLLs not imported", sorted(REQUIRED_DLLS - dlls), [])


def check_icon(checks, resources):
    groups = resources.get(RT_GROUP_ICON, [])
    checks.expect("first icon group's id", groups[0][0] if groups else None, 1)
    if not groups:
        return
    group = groups[0][1]
    _, _, count = struct.unpack_from("<HHH", group, 0)
    icons = dict(resources.get(RT_ICON, []))
    found = set()
    for index in range(count):
        width, _, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
        size = width or 256
        found.add((size, bits))
        header = struct.unpack_from("<IiiHH", icons[icon_id]) if icon_id in icons else None
        checks.expect(f"icon image {size}x{size} {bits}-bit", header, (40, size, 2 * size, 1, bits))
    checks.expect("icon images", sorted(found), sorted(ICON_IMAGES))


def check_version(checks, resources, program):
    versions = resources.get(RT_VERSION, [])
    checks.expect("version resource", len(versions), 1)
    if not versions:
        return
    key, fixed, children, _ = version_tree(versions[0][1])
    checks.expect("version resource key", key, "VS_VERSION_INFO")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    major, minor, patch, build = VERSION_NUMBERS
    numbers = (major << 16 | minor, patch << 16 | build)
    checks.expect("fixed file info signature", hex(signature), hex(0xFEEF04BD))
    checks.expect("numeric file version", (file_ms, file_ls), numbers)
    checks.expect("numeric product version", (product_ms, product_ls), numbers)
    blocks = {child[0]: child[2] for child in children}
    tables = {
        table: {name: text(value) for name, value, _ in strings}
        for table, _, strings in blocks.get("StringFileInfo", [])
    }
    language = f"{JAPANESE_UTF16[0]:04X}{JAPANESE_UTF16[1]:04X}"
    checks.expect("string tables", sorted(t.upper() for t in tables), [language])
    strings = next(iter(tables.values()), {})
    expected = {
        "FileVersion": VERSION_TEXT,
        "ProductVersion": VERSION_TEXT,
        "ProductName": program,
        "OriginalFilename": f"{program}.exe",
    }
    for name, value in expected.items():
        checks.expect(f"version string {name}", strings.get(name), value)
    translations = [struct.unpack("<HH", var[1][:4]) for var in blocks.get("VarFileInfo", [])]
    checks.expect("translation", translations, [JAPANESE_UTF16])


def check_manifest(checks, resources, program):
    manifests = dict(resources.get(RT_MANIFEST, []))
    checks.expect("manifest resource ids", sorted(manifests), [1])
    if 1 not in manifests:
        return
    try:
        root = ElementTree.fromstring(manifests[1])
    except ElementTree.ParseError as error:
        checks.expect("manifest is well-formed XML", str(error), "")
        return
    controls = [
        (identity.get("name"), identity.get("version"))
        for identity in root.iter(f"{ASM_V1}assemblyIdentity")
    ]
    levels = [level.get("level") for level in root.iter(f"{ASM_V3}requestedExecutionLevel")]
    checks.expect("manifest dependencies", controls, MANIFEST_DEPENDENCIES[program])
    checks.expect("manifest execution level", levels, ["asInvoker"])
    dpi = [setting.text for setting in root.iter(f"{WINDOWS_SETTINGS}dpiAware")]
    checks.expect("manifest DPI awareness", dpi, ["true"])


def check_program(checks, objdump, build, program, exe, image):
    """Every check of one program: exe is its path, image its PeImage."""
    check_headers(checks, objdump, build, exe)
    limit = BUILDS[build]["max_size"]
    if limit:
        checks.expect(f"bytes over {limit:,}", max(0, len(image.data) - limit), 0)
    # A link time in the header would make every build of the same sources differ.
    checks.expect("link time stamp", image.timestamp, 0)
    resources = image.resources()
    check_icon(checks, resources)
    check_version(checks, resources, program)
    check_manifest(checks, resources, program)


def icon_images(image):
    """The bytes of each icon image in the file, for telling two programs' icons apart."""
    return sorted(data for _, data in image.resources().get(RT_ICON, []))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--build", required=True, choices=sorted(BUILDS))
    parser.add_argument("--program", required=True)
    parser.add_argument("exe")
    args = parser.parse_args()
    try:
        with open(args.exe, "rb") as exe:
            image = PeImage(exe.read())
    except (OSError, ValueError, struct.error) as error:
        print(f"FAIL  {args.exe}: {error} (build the {args.build} preset first)")
        return 1
    checks = Checks()
    check_program(checks, args.objdump, args.build, args.program, args.exe, image)
    print(f"{args.exe}: " + (f"{checks.failed} checks failed" if checks.failed else "all pass"))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
