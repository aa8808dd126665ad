#!/usr/bin/python3
"""For real_icons.sh: compares each icon file of a folder with the copy `tessera ico copy` made of it
in another folder. Prints one line per copy, its name, a tab and what is wrong (nothing when the copy
holds the icon's own images of the original: of each grid kind the later image, byte for byte but
biSizeImage, which must be 0, then of each size Windows draws in true colour the later image, bitmap
or PNG stream that decodes, byte for byte, in ascending size; and every other image of the original,
the earlier of two images of one kind too, in the original's order with its directory fields and
bytes unchanged). Needs Pillow (Debian: python3-pil) to tell which PNG streams decode.

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


def png_kind(block):
    """A PNG stream's kind when it is a square image of a Windows size in 8-bit RGBA that decodes."""
    width, height, bit_depth, colour_type = struct.unpack_from(">IIBB", block, 16)
    if width != height or width not in WINDOWS_SIDES or (bit_depth, colour_type) != (8, 6):
        return None
    try:
        with Image.open(io.BytesIO(block)) as image:
            image.load()
    except (OSError, SyntaxError, ValueError):
        return None
    return (width, width, 32)


def bitmap_kind(block):
    """A bitmap's kind by its own header when the icon holds images of it."""
    width, height, planes, bit_count = struct.unpack_from("<iiHH", block, 4)
    w, h, bits = width, int(height / 2), planes * bit_count
    grid = w in GRID_SIDES and bits in GRID_DEPTHS
    windows = w in WINDOWS_SIDES and bits == 32
    return (w, h, bits) if w == h and (grid or windows) else None


def images(path):
    """Every image of a file as (kind the icon holds images of, or None, directory fields, bytes), in
    directory order."""
    data = open(path, "rb").read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    found = []
    for i in range(count):
        fields = data[6 + 16 * i:6 + 16 * i + 8]
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        block = data[offset:offset + size]
        if len(block) != size:
            raise ValueError(f"{path}: entry {i} lies outside the file")
        kind = png_kind(block) if block.startswith(PNG_SIGNATURE) else bitmap_kind(block)
        found.append((kind, fields, block))
    return found


def split(found):
    """The icon's own images, the later of each kind as a reader takes them, as {kind: (entry, bytes)},
    and the rest, kept aside, as [(directory fields, bytes)] in directory order."""
    own = {kind: (i, block) for i, (kind, _, block) in enumerate(found) if kind}
    taken = {i for i, _ in own.values()}
    kept = [(fields, block) for i, (_, fields, block) in enumerate(found) if i not in taken]
    return own, kept


def is_windows(kind):
    return kind[0] in WINDOWS_SIDES


def compare(source, copy):
    wanted, kept = split(images(source))
    got, got_kept = split(images(copy))
    problems = []
    if sorted(got) != sorted(wanted):
        problems.append(f"kinds {sorted(got)} instead of {sorted(wanted)}")
    if got_kept != kept:
        problems.append(f"the {len(kept)} images the icon does not hold are not kept as they were, in order")
    order = [kind for kind, _ in sorted(got.items(), key=lambda item: item[1][0])]
    if order != sorted(order, key=lambda kind: (is_windows(kind), kind[0] if is_windows(kind) else 0)):
        problems.append(f"the Windows sizes do not follow the grid's in ascending size: {order}")
    for kind, (_, block) in got.items():
        original = wanted.get(kind, (0, None))[1]
        if original is None:
            continue
        if is_windows(kind):
            if block != original:
                problems.append(f"{kind}: block differs")
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
