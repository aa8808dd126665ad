#!/usr/bin/env python3
"""For real_icons.sh: compares each icon file of a folder with the copy `tessera ico copy` made of it
in another folder. Prints one line per copy, its name, a tab and what is wrong (nothing when the copy
holds the grid-kind images of the original, byte for byte but biSizeImage, which must be 0, and after
them every other image of the original, PNG streams too, in the original's order with its directory
fields and bytes unchanged).

  ico_blocks.py SOURCE_DIR COPY_DIR
"""
import os
import struct
import sys

GRID_SIDES = {16, 24, 32, 48}
GRID_DEPTHS = {4, 8, 32}
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def images(path):
    """Every image of a file as (kind from its own header, or None for a PNG stream or another kind
    than the grid's, directory fields, bytes), in directory order."""
    data = open(path, "rb").read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    found = []
    for i in range(count):
        fields = data[6 + 16 * i:6 + 16 * i + 8]
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        block = data[offset:offset + size]
        if len(block) != size:
            raise ValueError(f"{path}: entry {i} lies outside the file")
        kind = None
        if not block.startswith(PNG_SIGNATURE):
            width, height, planes, bit_count = struct.unpack_from("<iiHH", block, 4)
            w, h, bits = width, int(height / 2), planes * bit_count
            if w == h and w in GRID_SIDES and bits in GRID_DEPTHS:
                kind = (w, h, bits)
        found.append((kind, fields, block))
    return found


def compare(source, copy):
    original = images(source)
    wanted = {}
    for kind, _, block in original:
        if kind is not None:
            wanted[kind] = block  # a later image of one kind replaces an earlier one
    kept = [(fields, block) for kind, fields, block in original if kind is None]
    got = images(copy)
    grid = [(kind, block) for kind, _, block in got[:len(got) - len(kept)]]
    problems = []
    if sorted(k for k, _ in grid if k) != sorted(wanted) or any(k is None for k, _ in grid):
        problems.append(f"kinds {sorted(str(k) for k, _ in grid)} instead of {sorted(wanted)}")
    if [(fields, block) for _, fields, block in got[len(grid):]] != kept:
        problems.append(f"the {len(kept)} images the grid does not hold are not kept as they were, in order")
    for kind, block in grid:
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
