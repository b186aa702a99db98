#!/usr/bin/env python3
"""Turns a program's icon, drawn as text art, into a Windows .ico file.

Usage: make_icon.py <art.txt> <out.ico>

The art file holds colour lines, then one or more images:

    # a comment
    colour K black #1E1E1E
    colour . none
    image 32
    ....KKKK....   (exactly 32 rows of 32 characters)

A colour line gives a character, the standard colour that stands for it in the 16-colour images
(or "none" for a transparent pixel there), and optionally the colour of the 32-bit images as
#RRGGBB or #RRGGBBAA. Without it the 32-bit images use the standard colour itself, and "none"
stays transparent. Every image is written twice: first all of them with 4 bits per pixel and the
standard palette, then all of them as 32-bit BGRA, each with the AND mask that marks transparency.
"""

import struct
import sys

# The sixteen colours every Windows display has, in palette order.
STANDARD_COLOURS = {
    "black": (0x00, 0x00, 0x00),
    "maroon": (0x80, 0x00, 0x00),
    "green": (0x00, 0x80, 0x00),
    "olive": (0x80, 0x80, 0x00),
    "navy": (0x00, 0x00, 0x80),
    "purple": (0x80, 0x00, 0x80),
    "teal": (0x00, 0x80, 0x80),
    "silver": (0xC0, 0xC0, 0xC0),
    "gray": (0x80, 0x80, 0x80),
    "red": (0xFF, 0x00, 0x00),
    "lime": (0x00, 0xFF, 0x00),
    "yellow": (0xFF, 0xFF, 0x00),
    "blue": (0x00, 0x00, 0xFF),
    "fuchsia": (0xFF, 0x00, 0xFF),
    "aqua": (0x00, 0xFF, 0xFF),
    "white": (0xFF, 0xFF, 0xFF),
}
PALETTE = list(STANDARD_COLOURS.values())


class ArtError(Exception):
    pass


def parse_true_colour(text, where):
    digits = text[1:]
    if not text.startswith("#") or len(digits) not in (6, 8):
        raise ArtError(f"{where}: colour must be #RRGGBB or #RRGGBBAA, not {text!r}")
    try:
        values = bytes.fromhex(digits)
    except ValueError:
        raise ArtError(f"{where}: {text!r} is not hexadecimal") from None
    return tuple(values) if len(values) == 4 else (*values, 0xFF)


def parse_art(text, name):
    """Returns the colours (char -> (palette index or None, RGBA)) and the images (row lists)."""
    colours, images = {}, []
    lines = text.splitlines()
    number = 0
    while number < len(lines):
        where = f"{name}:{number + 1}"
        words = lines[number].split()
        number += 1
        if not words or words[0].startswith("#"):
            continue
        if words[0] == "colour" and len(words) in (3, 4) and len(words[1]) == 1:
            char, standard = words[1], words[2]
            if char in colours:
                raise ArtError(f"{where}: colour {char!r} is given twice")
            if standard == "none":
                index, rgba = None, (0, 0, 0, 0)
            elif standard in STANDARD_COLOURS:
                index = PALETTE.index(STANDARD_COLOURS[standard])
                rgba = (*STANDARD_COLOURS[standard], 0xFF)
            else:
                raise ArtError(f"{where}: {standard!r} is not one of the sixteen standard colours")
            if len(words) == 4:
                rgba = parse_true_colour(words[3], where)
            colours[char] = (index, rgba)
        elif words[0] == "image" and len(words) == 2 and words[1].isdigit():
            size = int(words[1])
            if not 1 <= size <= 256:
                raise ArtError(f"{where}: an icon image is 1 to 256 pixels wide, not {size}")
            rows = lines[number : number + size]
            for offset, row in enumerate(rows):
                if len(row) != size:
                    raise ArtError(f"{name}:{number + offset + 1}: row must be {size} characters")
                unknown = set(row) - colours.keys()
                if unknown:
                    raise ArtError(f"{name}:{number + offset + 1}: no colour for {sorted(unknown)}")
            if len(rows) != size:
                raise ArtError(f"{where}: image needs {size} rows, the file ends after {len(rows)}")
            images.append(rows)
            number += size
        else:
            raise ArtError(f"{where}: expected 'colour <char> <name> [#RRGGBB[AA]]' or 'image <n>'")
    if not images:
        raise ArtError(f"{name}: holds no image")
    return colours, images


def packed_rows(rows, bits, pixel_value):
    """Bottom-up bitmap rows, each padded to a multiple of four bytes."""
    out = bytearray()
    for row in reversed(rows):
        value, count = 0, 0
        line = bytearray()
        for char in row:
            value = (value << bits) | pixel_value(char)
            count += bits
            while count >= 8:
                count -= 8
                line.append((value >> count) & 0xFF)
        if count:
            line.append((value << (8 - count)) & 0xFF)
        line.extend(bytes(-len(line) % 4))
        out += line
    return bytes(out)


def bitmap_info_header(size, bits, image_bytes):
    # The height counts the colour bitmap and the AND mask stacked on each other.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def image_16_colours(rows, colours):
    size = len(rows)
    pixels = packed_rows(rows, 4, lambda c: colours[c][0] or 0)
    mask = packed_rows(rows, 1, lambda c: colours[c][0] is None)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return bitmap_info_header(size, 4, len(pixels) + len(mask)) + palette + pixels + mask


def image_32_bit(rows, colours):
    size = len(rows)
    pixels = b"".join(
        struct.pack("<BBBB", b, g, r, a)
        for row in reversed(rows)
        for r, g, b, a in (colours[c][1] for c in row)
    )
    mask = packed_rows(rows, 1, lambda c: colours[c][1][3] == 0)
    return bitmap_info_header(size, 32, len(pixels) + len(mask)) + pixels + mask


def icon_file(colours, images):
    entries = [(rows, 4, 16, image_16_colours(rows, colours)) for rows in images]
    entries += [(rows, 32, 0, image_32_bit(rows, colours)) for rows in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for rows, bits, colour_count, data in entries:
        size = len(rows) % 256  # 0 stands for 256
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, _, data in entries:
        out += data
    return bytes(out)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_icon.py <art.txt> <out.ico>\n")
        return 2
    art_path, ico_path = argv[1], argv[2]
    try:
        with open(art_path, encoding="ascii") as art:
            colours, images = parse_art(art.read(), art_path)
    except (OSError, UnicodeDecodeError, ArtError) as error:
        sys.stderr.write(f"make_icon.py: {error}\n")
        return 1
    with open(ico_path, "wb") as ico:
        ico.write(icon_file(colours, images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
