#!/usr/bin/python3
"""Times `tessera build` on the sample artwork against icotool and ImageMagick making an icon of the
same four squares, as whole processes (start, reading, building, writing the .ico), and prints the
medians and the ratios.

Ours: `tessera build examples/sample-artwork.png` with each size's square on its drawing, once for the
twelve images QuickBuild makes (16 colours, 256 colours and true colour at 48, 32, 24 and 16 pixels)
and once with --depths 32 for the four true-colour images alone. Peers: `icotool -c` and ImageMagick's
`convert` of the same four squares, cut once into PNG files before the timing, into one .ico of four
32-bit images. The runs take turns, one of each command per round.

    bench/compare_tools.py [path/to/tessera] [--runs N] [--icotool PATH] [--convert PATH]

Run it with the distribution's python3 (python3-pil)."""
import argparse
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

ROOT = pathlib.Path(__file__).resolve().parent.parent
ARTWORK = ROOT / "examples" / "sample-artwork.png"
# The top-left pixel of each size's square on its drawing, from the script that draws the artwork.
sys.path.insert(0, str(ROOT / "resources" / "art"))
from make_art import SAMPLE_SLOTS as DRAWINGS  # noqa: E402


def cut_squares(folder):
    artwork = Image.open(ARTWORK)
    paths = []
    for side, (left, top) in DRAWINGS.items():
        path = folder / ("square-%d.png" % side)
        artwork.crop((left, top, left + side, top + side)).save(path)
        paths.append(str(path))
    return paths


def first_line(command):
    result = subprocess.run(command, capture_output=True, text=True)
    return (result.stdout or result.stderr).splitlines()[0]


def run(command):
    """Seconds the whole process took; stops the script with the tool's message when it failed."""
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("%s failed:\n%s" % (" ".join(command), result.stderr.decode(errors="replace")))
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("tessera", nargs="?", default=str(ROOT / "build" / "native" / "apps" / "tessera"),
                        help="the tessera program")
    parser.add_argument("--runs", type=int, default=15, help="runs per figure; the median is shown")
    parser.add_argument("--icotool", default=shutil.which("icotool"), help="icoutils' icotool")
    parser.add_argument("--convert", default=shutil.which("convert"), help="ImageMagick's convert")
    args = parser.parse_args()
    for name in ("tessera", "icotool", "convert"):
        path = getattr(args, name)
        if not path or not pathlib.Path(path).is_file():
            sys.exit("no %s program at %s" % (name, path))

    with tempfile.TemporaryDirectory() as work:
        folder = pathlib.Path(work)
        squares = cut_squares(folder)
        placed = []
        for side, (left, top) in DRAWINGS.items():
            placed += ["--square", "%d:%d,%d" % (side, left, top)]

        def build(icon, *options):
            return [args.tessera, "build", str(ARTWORK), "-o", str(icon), *options] + placed

        twelve, four = folder / "twelve.ico", folder / "four.ico"
        icotool, convert = folder / "icotool.ico", folder / "convert.ico"
        # Each row: what it is, the command timed and the icon it writes; ours name their ratio column too.
        ours = [
            ("tessera build, twelve images (4, 8, 32 bpp)", build(twelve), twelve, "/ twelve"),
            ("tessera build --depths 32, four images", build(four, "--depths", "32"), four, "/ four"),
        ]
        peers = [
            ("icotool -c (%s)" % first_line([args.icotool, "--version"]),
             [args.icotool, "-c", "-o", str(icotool)] + squares, icotool),
            ("convert (%s)" % " ".join(first_line([args.convert, "-version"]).split()[1:3]),
             [args.convert] + squares + [str(convert)], convert),
        ]
        times = {row[0]: [] for row in ours + peers}
        for _ in range(args.runs + 1):  # the first round fills the caches and is not counted
            for row, command, *_ in ours + peers:
                times[row].append(run(command))
        medians = {row: statistics.median(runs[1:]) * 1e3 for row, runs in times.items()}
        sizes = {row: os.path.getsize(icon) for row, _, icon, *_ in ours + peers}

    width = max(len(row) for row in times)
    print("Whole processes on %s, squares of 48, 32, 24 and 16 pixels on the drawings;" % ARTWORK.relative_to(ROOT))
    print("median of %d runs each, milliseconds; bytes is the size of the .ico written." % args.runs)
    print("Ratio = the peer's time / ours: above 1 the peer is slower.")
    print()
    print("%-*s %9s %7s" % (width, "ours", "ms", "bytes"))
    for row, _, _, _ in ours:
        print("%-*s %9.2f %7d" % (width, row, medians[row], sizes[row]))
    print()
    print("peers, the four squares as PNG files into one .ico of four 32-bpp images")
    print("%-*s %9s %7s" % (width, "", "ms", "bytes") + "".join(" %9s" % column for *_, column in ours))
    for row, _, _ in peers:
        ratios = "".join(" %9.2f" % (medians[row] / medians[mine]) for mine, *_ in ours)
        print("%-*s %9.2f %7d%s" % (width, row, medians[row], sizes[row], ratios))


if __name__ == "__main__":
    main()
