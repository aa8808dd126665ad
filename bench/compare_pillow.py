#!/usr/bin/python3
"""Times our automatic colour table and 256-colour conversion against Pillow's quantizers, in one run
and on the same 48 x 48 squares, and prints the medians and the ratios.

Ours: the automatic table (row-by-row scan through the in-process host, median cut, box colours)
plus the conversion of the square to 8 bits with that table. Pillow: Image.quantize(256) with
MEDIANCUT and with FASTOCTREE, no dithering, which likewise build a palette and map the pixels.
The floor is one pass over the square's pixels (each read once, a byte written for it); "x floor"
says how many such passes our time is worth.

Then QuickBuild: our twelve images of examples/sample-artwork.png through the in-process host, with
the built-in tables and with the automatic table, beside Pillow making the same twelve from the same
four squares: each square mapped to the 16-colour table, to 256 colours (the built-in table, or
FASTOCTREE for the automatic one) and copied as RGBA.

Then the sizes Windows draws above 100% (20 to 96 and 256 pixels), on the benchmark's generated layer
that holds a square of each: ours, all ten built from the layer through the in-process host (the 256
as a PNG stream, the others as 32-bit bitmaps with their masks) and written as an icon with our .ico
writer, which flushes the file to the disk; beside Pillow saving an icon of the same ten squares with
Image.save(format="ICO", sizes=..., append_images=...), once with its default of a PNG stream for every
image and once with bitmap_format="bmp", a bitmap for every image. Pillow is timed on the save alone,
its squares ready in memory. Last the 256-pixel image alone: ours from the layer, Pillow's PNG
encoding of the square.

    bench/compare_pillow.py [path/to/tessera_bench] [--repetitions N]

Run it with the distribution's python3 (python3-pil)."""
import argparse
import io
import json
import pathlib
import statistics
import subprocess
import sys
import tempfile
import timeit

from PIL import Image

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path[:0] = [str(ROOT / "resources"), str(ROOT / "resources" / "art")]
# The built-in colour tables and the sample artwork's squares, from their one source.
from make_art import SAMPLE_SLOTS  # noqa: E402
import make_tables  # noqa: E402

SIDE = 48


def pillow_methods():
    quantize = getattr(Image, "Quantize", None)
    dither = getattr(Image, "Dither", None)
    none = dither.NONE if dither else Image.NONE
    if quantize:
        return {"median cut": (quantize.MEDIANCUT, none), "fast octree": (quantize.FASTOCTREE, none)}
    return {"median cut": (Image.MEDIANCUT, none), "fast octree": (Image.FASTOCTREE, none)}


def load_squares(bench):
    """The 48 x 48 squares by name, and the Windows sizes' squares by side, ascending."""
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([bench, "--dump-squares=" + folder], check=True)
        squares = {}
        for path in sorted(pathlib.Path(folder).glob("*.rgba")):
            # Pillow's median cut takes RGB only; our squares count every pixel by its colour alone too.
            squares[path.stem] = Image.frombytes("RGBA", (SIDE, SIDE), path.read_bytes()).convert("RGB")
        windows = {}
        for path in pathlib.Path(folder, "windows").glob("*.rgba"):
            side = int(path.stem)
            windows[side] = Image.frombytes("RGBA", (side, side), path.read_bytes())
        return squares, dict(sorted(windows.items()))


def our_medians(bench, repetitions):
    """Median real times in microseconds, and the bytes counters where there are any, by stage and label."""
    result = subprocess.run(
        [bench, "--benchmark_filter=^(OnePass|AutomaticTable|Convert8Automatic|QuickBuildAll)/"
                "|^(WindowsIcon|WindowsSlot256)$",
         "--benchmark_repetitions=%d" % repetitions,
         "--benchmark_report_aggregates_only=true", "--benchmark_format=json"],
        check=True, capture_output=True, text=True)
    medians = {}
    sizes = {}
    for run in json.loads(result.stdout)["benchmarks"]:
        if run.get("aggregate_name") != "median":
            continue
        key = (run["run_name"].split("/")[0], run.get("label", ""))
        factor = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[run["time_unit"]]
        medians[key] = run["real_time"] * factor
        if "bytes" in run:
            sizes[key] = int(run["bytes"])
    return medians, sizes


def median_time(work, repetitions):
    number = 20
    return statistics.median(timeit.repeat(work, number=number, repeat=repetitions)) / number * 1e6


def pillow_median(image, method, dither, repetitions):
    return median_time(lambda: image.quantize(256, method=method, dither=dither), repetitions)


def palette_image(table):
    """A palette image of the 768-byte colour table, for Image.quantize(palette=...)."""
    image = Image.new("P", (1, 1))
    image.putpalette(table)
    return image


def pillow_quickbuild(automatic, dither):
    artwork = Image.open(ROOT / "examples" / "sample-artwork.png").convert("RGBA")
    squares = [artwork.crop((left, top, left + side, top + side)) for side, (left, top) in SAMPLE_SLOTS.items()]
    sixteen = palette_image(make_tables.table16())
    builtin = palette_image(make_tables.table256())
    method = pillow_methods()["fast octree"][0]

    def build():
        for square in squares:
            opaque = square.convert("RGB")
            opaque.quantize(palette=sixteen, dither=dither)
            if automatic:
                opaque.quantize(256, method=method, dither=dither)
            else:
                opaque.quantize(palette=builtin, dither=dither)
            square.copy()

    return build


def pillow_icon(windows, path, **options):
    """Pillow's icon of the squares, the largest the image saved and the others appended, each at its
    own size, so that none is scaled."""
    largest, *others = reversed(windows.values())

    def save():
        largest.save(path, format="ICO", sizes=[(side, side) for side in windows], append_images=others,
                     **options)

    return save


def pillow_png(square):
    def encode():
        stream = io.BytesIO()
        square.save(stream, format="PNG")
        return stream

    return encode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    default = ROOT / "build" / "native" / "bench" / "tessera_bench"
    parser.add_argument("bench", nargs="?", default=str(default), help="the tessera_bench program")
    parser.add_argument("--repetitions", type=int, default=15, help="runs per figure; the median is shown")
    args = parser.parse_args()
    if not pathlib.Path(args.bench).is_file():
        sys.exit("no benchmark program at %s (build the native preset first)" % args.bench)

    squares, windows = load_squares(args.bench)
    ours, sizes = our_medians(args.bench, args.repetitions)
    methods = pillow_methods()
    print("48 x 48 squares, median of %d runs, microseconds; ratio = Pillow / ours" % args.repetitions)
    header = "%-9s %9s %9s %9s %7s %8s" % ("square", "table", "convert", "ours", "floor", "x floor")
    for name in methods:
        header += " %12s %6s" % (name, "ratio")
    print(header)
    for label, image in squares.items():
        table = ours[("AutomaticTable", label)]
        convert = ours[("Convert8Automatic", label)]
        floor = ours[("OnePass", label)]
        total = table + convert
        line = "%-9s %9.1f %9.1f %9.1f %7.2f %8.0f" % (label, table, convert, total, floor, total / floor)
        for method, dither in methods.values():
            theirs = pillow_median(image, method, dither, args.repetitions)
            line += " %12.1f %6.2f" % (theirs, theirs / total)
        print(line)

    print()
    print("QuickBuild of the sample artwork, twelve images, median of %d runs, microseconds" % args.repetitions)
    print("%-16s %9s %9s %6s" % ("256-colour table", "ours", "Pillow", "ratio"))
    none = pillow_methods()["fast octree"][1]
    for label, automatic in (("built-in table", False), ("automatic table", True)):
        mine = ours[("QuickBuildAll", label)]
        theirs = median_time(pillow_quickbuild(automatic, none), args.repetitions)
        print("%-16s %9.1f %9.1f %6.2f" % (label, mine, theirs, theirs / mine))

    print()
    print("The %d Windows sizes (%s pixels) of the generated layer, median of %d runs, microseconds"
          % (len(windows), ", ".join(map(str, windows)), args.repetitions))
    print("%-50s %9s %7s %6s" % ("", "time", "bytes", "ratio"))
    mine = ours[("WindowsIcon", "")]
    print("%-50s %9.1f %7d" % ("ours: built from the layer and written", mine, sizes[("WindowsIcon", "")]))
    with tempfile.TemporaryDirectory() as folder:
        for label, options in (("Pillow: the squares saved, every image PNG", {}),
                               ("Pillow: the squares saved, every image a bitmap", {"bitmap_format": "bmp"})):
            path = pathlib.Path(folder, "pillow.ico")
            save = pillow_icon(windows, path, **options)
            theirs = median_time(save, args.repetitions)
            with Image.open(path) as icon:
                if icon.info["sizes"] != {(side, side) for side in windows}:
                    sys.exit("Pillow left sizes out of its icon: %s" % sorted(icon.info["sizes"]))
            print("%-50s %9.1f %7d %6.2f" % (label, theirs, path.stat().st_size, theirs / mine))
    mine = ours[("WindowsSlot256", "")]
    print("%-50s %9.1f %7d" % ("ours: the 256-pixel PNG image from the layer", mine, sizes[("WindowsSlot256", "")]))
    encode = pillow_png(windows[256])
    theirs = median_time(encode, args.repetitions)
    print("%-50s %9.1f %7d %6.2f" % ("Pillow: the 256-pixel square encoded as PNG", theirs, len(encode().getvalue()),
                                     theirs / mine))


if __name__ == "__main__":
    main()
