#!/usr/bin/env python3
"""For real_icons.sh: compares each icon file of a folder with the copy `tessera ico copy` made of it
in another folder. Prints one line per copy, its name, a tab and what is wrong (nothing when the copy
holds the icon's own images of the original and every other image of it unchanged).

An icon's own images are, of each kind, the last image of the file: the twelve grid kinds (16, 24, 32
and 48 pixels at 4, 8 and 32 bits per pixel) as bitmaps, byte for byte but biSizeImage, which the copy
writes as 0; and the sizes Windows draws above 100% at 32 bits per pixel, as a bitmap or as a PNG
stream in 8-bit RGBA that decodes, byte for byte. Every other image, the earlier of two of one kind
too, is kept: the copy holds them all, in the original's order, with their directory fields and bytes
unchanged.

  ico_blocks.py SOURCE_DIR COPY_DIR
"""
import io
import os
import struct
import sys

from PIL import Image

GRID_SIDES = {16, 24, 32, 48}
GRID_DEPTHS = {4, 8, 32}
WINDOWS_SIDES = {20, 30, 36, 40, 60, 64, 72, 80, 96, 256}
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def decodes(block, side):
    try:
        image = Image.open(io.BytesIO(block))
        image.load()
        return image.size == (side, side)
    except (OSError, ValueError, SyntaxError):
        return False


def kind_of(block):
    """The kind of icon image a block is, or None for one the icon keeps aside."""
    if block.startswith(PNG_SIGNATURE):
        if len(block) < 26:
            return None
        width, height = struct.unpack_from(">II", block, 16)
        rgba8 = block[24] == 8 and block[25] == 6
        if rgba8 and width == height and width in WINDOWS_SIDES and decodes(block, width):
            return (width, width, 32)
        return None
    width, height, planes, bit_count = struct.unpack_from("<iiHH", block, 4)
    w, h, bits = width, int(height / 2), planes * bit_count
    if w == h and ((w in GRID_SIDES and bits in GRID_DEPTHS) or (w in WINDOWS_SIDES and bits == 32)):
        return (w, h, bits)
    return None


def images(path):
    """Every image of a file as (kind, directory fields, bytes), in directory order."""
    data = open(path, "rb").read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    found = []
    for i in range(count):
        fields = data[6 + 16 * i:6 + 16 * i + 8]
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        block = data[offset:offset + size]
        if len(block) != size:
            raise ValueError(f"{path}: entry {i} lies outside the file")
        found.append((kind_of(block), fields, block))
    return found


def split(found):
    """The icon's own images by kind (the last of each kind), and the kept ones in order."""
    last = {kind: i for i, (kind, _, _) in enumerate(found) if kind is not None}
    own = {kind: found[i][2] for kind, i in last.items()}
    kept = [(fields, block) for i, (kind, fields, block) in enumerate(found) if kind is None or last[kind] != i]
    return own, kept


def compare(source, copy):
    wanted, wanted_kept = split(images(source))
    got, got_kept = split(images(copy))
    problems = []
    if sorted(got) != sorted(wanted):
        problems.append(f"kinds {sorted(got)} instead of {sorted(wanted)}")
    if got_kept != wanted_kept:
        problems.append(f"the {len(wanted_kept)} images the icon does not hold as its own are not kept as they were")
    for kind, block in got.items():
        original = wanted.get(kind)
        if original is None:
            continue
        if kind[0] in WINDOWS_SIDES and kind[2] == 32:
            if block != original:
                problems.append(f"{kind}: not byte for byte")
            continue
        if block[20:24] != b"\0\0\0\0":
            problems.append(f"{kind}: biSizeImage not 0")
        if len(block) != len(original) or block[:20] != original[:20] or block[24:] != original[24:]:
            problems.append(f"{kind}: block differs")
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    source_dir, copy_dir = sys.argv[1:]
    for name in sorted(os.listdir(copy_dir)):
        try:
            problems = compare(os.path.join(source_dir, name), os.path.join(copy_dir, name))
        except (OSError, ValueError, struct.error) as error:
            problems = [str(error)]
        print(f"{name}\t{'; '.join(problems)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
