#!/usr/bin/env python3
"""For real_icons.sh: compares each icon file of a folder with the copy `tessera ico copy` made of it
in another folder. Prints one line per copy, its name, a tab and what is wrong (nothing when the copy
holds exactly the grid-kind images of the original, byte for byte but biSizeImage, which must be 0).

  ico_blocks.py SOURCE_DIR COPY_DIR
"""
import os
import struct
import sys

GRID_SIDES = {16, 24, 32, 48}
GRID_DEPTHS = {4, 8, 32}
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def blocks(path):
    """Every image of a file as (kind from its own header, bytes); PNG images are left out."""
    data = open(path, "rb").read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        _, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        block = data[offset:offset + size]
        if len(block) != size:
            raise ValueError(f"{path}: entry {i} lies outside the file")
        if block.startswith(PNG_SIGNATURE):
            continue
        width, height, planes, bit_count = struct.unpack_from("<iiHH", block, 4)
        images.append(((width, int(height / 2), planes * bit_count), block))
    return images


def compare(source, copy):
    wanted = {}
    for kind, block in blocks(source):
        w, h, bits = kind
        if w == h and w in GRID_SIDES and bits in GRID_DEPTHS:
            wanted[kind] = block  # a later image of one kind replaces an earlier one
    got = blocks(copy)
    problems = []
    if sorted(k for k, _ in got) != sorted(wanted):
        problems.append(f"kinds {sorted(k for k, _ in got)} instead of {sorted(wanted)}")
    for kind, block in got:
        original = wanted.get(kind)
        if original is None:
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
