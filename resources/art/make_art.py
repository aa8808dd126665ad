#!/usr/bin/env python3
"""Draws every picture that ships with Tessera: the copy-arrow icon, the grid backdrop, the bullet,
the logo, the two cursors, and the sample artwork the plug-in is tried on.

Run it from anywhere, with a python3 that has Pillow (Debian: python3-pil, so /usr/bin/python3) and
the DejaVu fonts in /usr/share/fonts/truetype/dejavu:

    python3 resources/art/make_art.py                  # (re)writes every file below
    python3 resources/art/make_art.py --check          # draws in memory, compares with the files on
                                                       # disk and reads each one back; exit 1 on a fault
    python3 resources/art/make_art.py --preview DIR    # also writes enlarged PNG previews into DIR

Writes (paths from the repository root):
    resources/art/copy_arrow.ico     icon 1004: 32x32 and 16x16, 32 bpp with alpha and AND mask
    resources/art/grid_backdrop.bmp  bitmap 1006: 246x192, 16 colours
    resources/art/bullet.bmp         bitmap 1021: 10x10, 24 bpp
    resources/art/logo.bmp           bitmap 1023: 208x67, 256 colours
    resources/art/move.cur           cursor 1001: 32x32 monochrome, hot spot (16, 15)
    resources/art/hand.cur           cursor 1011: 32x32 monochrome, hot spot (12, 8)
    examples/sample-artwork.png      200x80 RGBA: the gem at 48, 32, 24 and 16 pixels
    examples/house-colors.act        a 256-colour table in the house palette, to try a custom table with

The output is the same, byte for byte, on every run: nothing random without a fixed seed, no dates,
and the icon, cursor and bitmap files are written here field by field. Smooth shapes are drawn at
four times their size by centre sampling and reduced with a box filter, so an edge pixel's alpha is
the share of it that the shape covers.
"""
import io
import math
import pathlib
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = pathlib.Path(__file__).resolve().parents[2]
FONTS = pathlib.Path("/usr/share/fonts/truetype/dejavu")
SS = 4  # supersampling factor for everything drawn smooth

FACE = (240, 240, 240)  # the dialog face colour the bitmaps sit on

# The house palette: deep teal with an amber accent (the UI frames the current cell in amber).
TEAL_INK = (9, 52, 58)
TEAL_DEEP = (13, 84, 91)
TEAL = (22, 122, 128)
TEAL_MID = (52, 164, 164)
TEAL_LIGHT = (128, 212, 204)
TEAL_PALE = (196, 240, 232)
AMBER = (240, 162, 42)
AMBER_DEEP = (196, 112, 14)
AMBER_LIGHT = (255, 214, 128)
SLATE = (74, 86, 92)


# ---------------------------------------------------------------------------------------------
# Drawing helpers


def poly_mask(size, points, scale=SS):
    """An 'L' mask of `size` (already scaled) with 255 in every pixel whose centre lies inside the
    polygon. `points` are in unscaled pixel-edge coordinates, so (0, 0)-(16, 16) is exactly the
    first 16x16 pixels: what PIL's own polygon fill (inclusive of both ends) cannot give. A centre
    that lies exactly on an edge (as on every 45-degree edge) counts half, on the left and right
    alike, so mirrored shapes stay mirrored."""
    w, h = size
    pts = [(x * scale, y * scale) for x, y in points]
    mask = Image.new("L", size, 0)
    draw = ImageDraw.Draw(mask)
    edges = list(zip(pts, pts[1:] + pts[:1]))
    for row in range(h):
        yc = row + 0.5
        xs = []
        for (x0, y0), (x1, y1) in edges:
            if (y0 <= yc < y1) or (y1 <= yc < y0):
                xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
        xs.sort()
        for xa, xb in zip(xs[0::2], xs[1::2]):
            # Pixel i is inside when xa <= i + 0.5 < xb; a tie on either side is half inside.
            outer = (math.ceil(xa - 0.5), math.floor(xb - 0.5))
            inner = (math.floor(xa - 0.5) + 1, math.ceil(xb - 0.5) - 1)
            span(draw, row, outer[0], outer[1], w, 128)
            span(draw, row, inner[0], inner[1], w, 255)
    return mask


def span(draw, row, first, last, width, value):
    first, last = max(0, first), min(width - 1, last)
    if last >= first:
        draw.line([(first, row), (last, row)], fill=value)


def ellipse_points(cx, cy, rx, ry, steps=96):
    return [(cx + rx * math.cos(2 * math.pi * k / steps), cy + ry * math.sin(2 * math.pi * k / steps))
            for k in range(steps)]


def rounded_rect_points(x0, y0, x1, y1, r, steps=8):
    """Clockwise on screen, from the top-right corner."""
    pts = []
    corners = [(x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90), (x0 + r, y0 + r, 180)]
    for cx, cy, start in corners:
        for k in range(steps + 1):
            a = math.radians(start + 90 * k / steps)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def inset(points, d):
    """Moves every edge of a clockwise (on screen) polygon inwards by d and joins the new edges
    at their crossings: an outline of even width, diagonals included."""
    n = len(points)
    lines = []
    for i in range(n):
        (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
        length = math.hypot(x1 - x0, y1 - y0)
        nx, ny = -(y1 - y0) / length, (x1 - x0) / length  # inward normal for clockwise order
        lines.append(((x0 + nx * d, y0 + ny * d), (x1 - x0, y1 - y0)))
    out = []
    for i in range(n):
        (px, py), (dx, dy) = lines[i - 1]
        (qx, qy), (ex, ey) = lines[i]
        den = dx * ey - dy * ex
        t = ((qx - px) * ey - (qy - py) * ex) / den
        out.append((px + dx * t, py + dy * t))
    return out


def mask_minus(a, b):
    return ImageChops.subtract(a, b)


def erode(mask, px):
    """Shrinks a binary mask by `px` scaled pixels (a square structuring element)."""
    return mask.filter(ImageFilter.MinFilter(2 * px + 1))


def shifted(mask, dx, dy):
    out = Image.new("L", mask.size, 0)
    out.paste(mask, (dx, dy))
    return out


def scaled_alpha(mask, factor):
    return mask.point(lambda v: int(v * factor + 0.5))


def paint(canvas, mask, colour, alpha=255):
    """Lays `colour` over `canvas` (RGBA) where `mask` is set, at the given opacity."""
    layer = Image.new("RGBA", canvas.size, colour + (0,))
    layer.putalpha(scaled_alpha(mask, alpha / 255.0) if alpha != 255 else mask)
    canvas.alpha_composite(layer)


def paint_gradient(canvas, mask, top_colour, bottom_colour, y0, y1):
    """Lays a vertical gradient (from y0 to y1, scaled rows) over `canvas` where `mask` is set."""
    w, h = canvas.size
    grad = Image.new("RGBA", (1, h))
    for y in range(h):
        t = min(1.0, max(0.0, (y - y0) / float(max(1, y1 - y0))))
        grad.putpixel((0, y), tuple(int(round(a + (b - a) * t)) for a, b in zip(top_colour, bottom_colour)) + (0,))
    layer = grad.resize((w, h), Image.NEAREST)
    layer.putalpha(mask)
    canvas.alpha_composite(layer)


def drop_shadow(canvas, silhouette, dx, dy, blur, opacity, colour=(0, 24, 28)):
    """Puts a soft shadow of `silhouette` under what `canvas` already holds."""
    soft = shifted(silhouette, dx, dy).filter(ImageFilter.GaussianBlur(blur))
    # The blur's far tail is a haze of alphas of 1 or 2 that no eye sees but every mask does.
    soft = soft.point(lambda v: v if v >= 12 else 0)
    shadow = Image.new("RGBA", canvas.size, colour + (0,))
    shadow.putalpha(scaled_alpha(soft, opacity))
    shadow.alpha_composite(canvas)
    return shadow


def reduce(img, size):
    """Box-filters a supersampled picture down; RGBA is averaged premultiplied by Pillow."""
    return img.resize(size, Image.BOX)


def font(name, px):
    return ImageFont.truetype(str(FONTS / name), px)


# ---------------------------------------------------------------------------------------------
# File writers: each format is written field by field so the layout is ours and stable.


def bmp_file(width, height, bits, rows_bottom_up, palette=()):
    """A Windows bitmap with BITMAPINFOHEADER. `rows_bottom_up` are the packed pixel rows, each
    padded to four bytes; `palette` holds (r, g, b) entries for indexed depths."""
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b"".join(rows_bottom_up)
    offset = 14 + 40 + len(colour_table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, len(palette), 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + colour_table + pixels


def pad4(row):
    return row + b"\0" * (-len(row) % 4)


def indexed_rows(indices, width, height, bits):
    """Packs a top-down list of palette indices into bottom-up rows of 4 or 8 bits per pixel."""
    rows = []
    for y in range(height - 1, -1, -1):
        line = indices[y * width:(y + 1) * width]
        if bits == 8:
            rows.append(pad4(bytes(line)))
        else:
            line = list(line) + [0] * (width % 2)
            rows.append(pad4(bytes((line[i] << 4) | line[i + 1] for i in range(0, len(line), 2))))
    return rows


def bmp_24(img):
    w, h = img.size
    data = img.convert("RGB").tobytes()
    rows = []
    for y in range(h - 1, -1, -1):
        line = data[y * w * 3:(y + 1) * w * 3]
        rows.append(pad4(b"".join(bytes((line[i + 2], line[i + 1], line[i])) for i in range(0, len(line), 3))))
    return bmp_file(w, h, 24, rows)


def bmp_indexed(img, bits):
    """`img` is a 'P' image whose palette has at most 2**bits entries in use."""
    w, h = img.size
    pal = img.getpalette()[:3 * (1 << bits)]
    pal += [0] * (3 * (1 << bits) - len(pal))
    palette = [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
    return bmp_file(w, h, bits, indexed_rows(list(img.getdata()), w, h, bits), palette)


def mask_bits(bits_top_down, width, height):
    """Packs a top-down list of 0/1 into bottom-up 1-bpp rows, padded to four bytes."""
    rows = []
    for y in range(height - 1, -1, -1):
        line = bits_top_down[y * width:(y + 1) * width]
        packed = bytearray((width + 7) // 8)
        for x, bit in enumerate(line):
            if bit:
                packed[x // 8] |= 0x80 >> (x % 8)
        rows.append(pad4(bytes(packed)))
    return b"".join(rows)


def ico_file(images):
    """An .ico of 32-bit BMP entries (no PNG): BGRA rows bottom-up, then the AND mask, set where
    the pixel is fully transparent. Transparent pixels are stored as zero."""
    blobs = []
    for img in images:
        w, h = img.size
        px = list(img.getdata())
        xor_rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for r, g, b, a in px[y * w:(y + 1) * w]:
                row += bytes((b, g, r, a)) if a else b"\0\0\0\0"
            xor_rows.append(bytes(row))
        and_mask = mask_bits([1 if a == 0 else 0 for _, _, _, a in px], w, h)
        xor = b"".join(xor_rows)
        info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        blobs.append(info + xor + and_mask)
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for img, blob in zip(images, blobs):
        w, h = img.size
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return head + entries + b"".join(blobs)


def cur_file(art, hotspot):
    """A monochrome 32x32 cursor from 32 rows of 32 characters: '.' transparent, '#' black,
    'o' white. Black and white index a two-entry colour table; transparency is the AND mask."""
    assert len(art) == 32 and all(len(r) == 32 for r in art), "cursor art must be 32 x 32"
    chars = "".join(art)
    assert set(chars) <= set(".#o")
    xor = mask_bits([1 if c == "o" else 0 for c in chars], 32, 32)
    and_mask = mask_bits([1 if c == "." else 0 for c in chars], 32, 32)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(and_mask), 0, 0, 2, 0)
    blob = info + palette + xor + and_mask
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, hotspot[0], hotspot[1], len(blob), 6 + 16)
    return head + entry + blob


def png_file(img):
    out = io.BytesIO()
    img.save(out, "PNG", optimize=False, compress_level=9)
    return out.getvalue()


def to_palette(img, colours):
    """Maps an RGB picture onto an exact list of colours (every pixel must be one of them)."""
    index = {c: i for i, c in enumerate(colours)}
    out = Image.new("P", img.size)
    out.putpalette([v for c in colours for v in c])
    out.putdata([index[p] for p in img.convert("RGB").getdata()])
    return out


# ---------------------------------------------------------------------------------------------
# Icon 1004: the copy arrow on the "->" button (layer into icon).

ARROW_SHAPES = {
    # size: (arrow outline in pixel-edge coordinates, supersampling, shadow offset in pixels)
    32: ([(3, 12), (16, 12), (16, 3), (29, 16), (16, 29), (16, 20), (3, 20)], SS, 1),
    # Pixel art, not supersampled: the head's sides are clean one-pixel stairs, nothing blurred, and
    # the outline is nudged off the pixel centres so that no centre sits exactly on an edge.
    16: ([(1, 6), (8, 6), (8, 0.9), (15.1, 8), (8, 15.1), (8, 10), (1, 10)], 1, 0),
}


def draw_arrow(size, colours):
    top, bottom, edge, shine = colours
    outline, scale, shadow_px = ARROW_SHAPES[size]
    big = (size * scale, size * scale)
    shape = poly_mask(big, outline, scale)
    inner = poly_mask(big, inset(outline, 1), scale) if scale > 1 else erode(shape, 1)
    canvas = Image.new("RGBA", big, (0, 0, 0, 0))
    paint(canvas, shape, edge)
    paint_gradient(canvas, inner, top, bottom, big[1] // 6, big[1] * 5 // 6)
    # A lit top rim just inside the outline.
    paint(canvas, mask_minus(inner, shifted(inner, 0, scale)), shine, 200)
    if shadow_px:
        canvas = drop_shadow(canvas, shape, shadow_px * SS, shadow_px * SS, SS, 0.35)
    return reduce(canvas, (size, size))


ARROW_AMBER = (AMBER_LIGHT, AMBER_DEEP, (120, 66, 8), (255, 240, 200))


def copy_arrow_ico():
    return ico_file([draw_arrow(32, ARROW_AMBER), draw_arrow(16, ARROW_AMBER)])


# ---------------------------------------------------------------------------------------------
# The sample artwork: a cut gem, drawn once for each icon size, largest first.

SAMPLE_SIZE = (200, 80)
# size: (left, top) of its icon-sized square in the sample picture
SAMPLE_SLOTS = {48: (16, 16), 32: (80, 24), 24: (128, 28), 16: (168, 32)}

# Each size has its own proportions, so that the table and the girdle fall on whole pixels.
# top: table row; girdle: girdle row; bottom: the culet's point; table and width: x spans;
# shadow: offset and blur in pixels; sparkle: centre and reach of the star on the table.
GEM = {
    48: dict(top=7, girdle=16, bottom=41, table=(16, 32), width=(4, 44), shadow=(1, 2, 1.5), sparkle=(19.5, 10.5, 4.0)),
    32: dict(top=5, girdle=11, bottom=27, table=(11, 21), width=(3, 29), shadow=(1, 1, 1.0), sparkle=(13.0, 7.0, 2.75)),
    24: dict(top=3, girdle=8, bottom=21, table=(8, 16), width=(1, 23), shadow=None, sparkle=None),
    16: dict(top=2, girdle=6, bottom=13, table=(5, 11), width=(1, 15), shadow=None, sparkle=None),
}

# Light comes from the upper left; crown facets left to right, then pavilion facets.
CROWN = [(74, 188, 186), (150, 228, 220), (210, 250, 244), (104, 204, 200), (38, 142, 148)]
PAVILION = [(62, 172, 172), (116, 208, 204), (26, 120, 128), (14, 86, 96)]


def gem_geometry(g):
    x0, x1 = g["width"]
    tl, tr = (g["table"][0], g["top"]), (g["table"][1], g["top"])
    gy = g["girdle"]
    across = x1 - x0
    girdle = [(x0 + across * k / 4.0, gy) for k in range(5)]
    culet = ((x0 + x1) / 2.0, g["bottom"])
    outline = [tl, tr, girdle[4], culet, girdle[0]]
    crown = [[tl, girdle[0], girdle[1]], [tl, girdle[1], girdle[2]], [tl, tr, girdle[2]], [tr, girdle[2], girdle[3]],
             [tr, girdle[3], girdle[4]]]
    pavilion = [[girdle[k], girdle[k + 1], culet] for k in range(4)]
    return outline, crown, pavilion


def sparkle_points(cx, cy, r):
    """A four-pointed star with thin waists."""
    w = r * 0.22
    return [(cx, cy - r), (cx + w, cy - w), (cx + r, cy), (cx + w, cy + w), (cx, cy + r), (cx - w, cy + w),
            (cx - r, cy), (cx - w, cy - w)]


def draw_gem(size):
    g = GEM[size]
    big = (size * SS, size * SS)
    outline, crown, pavilion = gem_geometry(g)
    shape = poly_mask(big, outline)
    inner = poly_mask(big, inset(outline, 1))
    facets = Image.new("RGBA", big, (0, 0, 0, 0))
    for pts, colour in zip(crown + pavilion, CROWN + PAVILION):
        paint(facets, poly_mask(big, pts), colour)
    # The pavilion deepens towards the culet.
    below = mask_minus(shape, poly_mask(big, [(0, 0), (size, 0), (size, g["girdle"]), (0, g["girdle"])]))
    paint_gradient(facets, scaled_alpha(below, 0.45), TEAL_LIGHT, TEAL_INK, g["girdle"] * SS, g["bottom"] * SS)
    if size >= 32:
        # Facet edges catch the light: thin pale lines, half a pixel wide.
        lines = Image.new("L", big, 0)
        for pts in crown + pavilion:
            for a, b in zip(pts, pts[1:] + pts[:1]):
                lines = ImageChops.lighter(lines, line_mask(big, a, b, 0.5))
        paint(facets, lines, (235, 255, 252), 90)
    # A bright girdle: the widest edge of the stone.
    gy = g["girdle"]
    paint(facets, poly_mask(big, [(0, gy - 0.5), (size, gy - 0.5), (size, gy), (0, gy)]), (236, 255, 250), 150)
    facets.putalpha(ImageChops.multiply(facets.getchannel("A"), inner))
    canvas = Image.new("RGBA", big, (0, 0, 0, 0))
    paint(canvas, shape, TEAL_INK)
    canvas.alpha_composite(facets)
    if g["sparkle"]:
        cx, cy, r = g["sparkle"]
        paint(canvas, poly_mask(big, sparkle_points(cx, cy, r)), (255, 255, 255), 235)
        glow = poly_mask(big, ellipse_points(cx, cy, r * 0.45, r * 0.45)).filter(ImageFilter.GaussianBlur(SS))
        paint(canvas, glow, (255, 255, 255), 200)
    if g["shadow"]:
        dx, dy, blur = g["shadow"]
        canvas = drop_shadow(canvas, shape, dx * SS, dy * SS, blur * SS, 0.45)
    img = reduce(canvas, (size, size))
    return retouch(img, size)


def line_mask(big, a, b, width):
    """A straight stroke from a to b, `width` pixels wide, as a centre-sampled mask."""

    (x0, y0), (x1, y1) = a, b
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length * width / 2, (x1 - x0) / length * width / 2
    return poly_mask(big, [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])


# Hand-placed pixels for the small sizes, where a drawn sparkle would only blur: (x, y): (white, alpha)
# over what is there.
GLINTS = {
    24: {(10, 4): 0.7, (9, 5): 0.7, (10, 5): 1.0, (11, 5): 0.7, (10, 6): 0.5},
    16: {(5, 3): 1.0, (6, 3): 0.5, (5, 4): 0.4},
}


def retouch(img, size):
    for (x, y), strength in GLINTS.get(size, {}).items():
        r, g, b, a = img.getpixel((x, y))
        img.putpixel((x, y), tuple(int(round(c + (255 - c) * strength)) for c in (r, g, b)) + (a,))
    return img


def sample_artwork():
    sheet = Image.new("RGBA", SAMPLE_SIZE, (0, 0, 0, 0))
    for size, (left, top) in SAMPLE_SLOTS.items():
        sheet.alpha_composite(draw_gem(size), (left, top))
    return sheet


# ---------------------------------------------------------------------------------------------
# Bitmap 1006: the backdrop behind the resource grid. Columns are the sizes 16, 24, 32 and 48, rows
# the depths; the cells (54 x 54) cover most of it, so only the gutters show the mosaic.

BACKDROP_SIZE = (246, 192)
CELL = 54
CELL_PITCH = 60
CELL_LEFT = 6  # the dialog places the cells 6 px in from the backdrop's left edge
COLUMN_LABELS = ["16", "24", "32", "48"]

PANEL_EDGE_DARK = (200, 208, 209)
PANEL_EDGE_LIGHT = (252, 252, 252)
GROUT = (238, 240, 240)
TILE_TINTS = [(227, 232, 232), (230, 234, 233), (224, 230, 231), (232, 233, 229), (219, 230, 229)]
TILE_WEIGHTS = [5, 4, 4, 2, 1]  # the pale teal tile is the rare one
PLAQUE = (247, 248, 248)
PLAQUE_EDGE = (196, 210, 211)
LABEL_INK = (42, 96, 102)
LABEL_LEVELS = 4  # anti-aliasing steps between the plaque and the ink


def blend(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def grid_backdrop():
    w, h = BACKDROP_SIZE
    img = Image.new("RGB", (w, h), GROUT)
    draw = ImageDraw.Draw(img)
    rng = random.Random(1006)
    pitch = 6
    for row in range(h // pitch + 1):
        offset = (pitch // 2) if row % 2 else 0
        for col in range(-1, w // pitch + 1):
            x0, y0 = col * pitch + offset, row * pitch
            tint = rng.choices(TILE_TINTS, TILE_WEIGHTS)[0]
            draw.rectangle([x0 + 1, y0 + 1, x0 + pitch - 1, y0 + pitch - 1], fill=tint)
    # A recessed panel: shade above and to the left, light below and to the right.
    draw.line([(0, 0), (w - 1, 0)], fill=PANEL_EDGE_DARK)
    draw.line([(0, 0), (0, h - 1)], fill=PANEL_EDGE_DARK)
    draw.line([(1, h - 1), (w - 1, h - 1)], fill=PANEL_EDGE_LIGHT)
    draw.line([(w - 1, 1), (w - 1, h - 1)], fill=PANEL_EDGE_LIGHT)
    # A name plaque over each column.
    face = font("DejaVuSans-Bold.ttf", 9)
    for i, text in enumerate(COLUMN_LABELS):
        centre = CELL_LEFT + CELL_PITCH * i + CELL // 2
        draw.rectangle([centre - 11, 1, centre + 10, 11], fill=PLAQUE, outline=PLAQUE_EDGE)
        coverage = Image.new("L", (w, h), 0)
        ImageDraw.Draw(coverage).text((centre, 6), text, font=face, fill=255, anchor="mm")
        for y in range(h):
            for x in range(centre - 12, centre + 12):
                c = coverage.getpixel((x, y))
                level = (c * LABEL_LEVELS + 127) // 255
                if level:
                    img.putpixel((x, y), blend(PLAQUE, LABEL_INK, level / LABEL_LEVELS))
    colours = sorted(set(img.getdata()))
    assert len(colours) <= 16, "the backdrop must fit in 16 colours"
    return to_palette(img, colours)


def grid_backdrop_bmp():
    return bmp_indexed(grid_backdrop(), 4)


# ---------------------------------------------------------------------------------------------
# Bitmap 1023: the logo, on the dialog face. A little mosaic of nine tiles, the amber one being set
# into place, beside the name.

LOGO_SIZE = (208, 67)
MARK_ORIGIN = (9, 11)
MARK_TILE = 14
MARK_GAP = 2
# Row by row, the tiles' colours; None leaves the gap where the lifted amber tile belongs.
MARK_TILES = [
    [TEAL_MID, TEAL, None],
    [TEAL_LIGHT, TEAL_MID, TEAL],
    [TEAL, TEAL_DEEP, TEAL_MID],
]
MARK_LIFT = (3, -3)  # where the amber tile hovers, in pixels from its place


def tile(canvas, x, y, colour, size=MARK_TILE):
    """One glazed tile: rounded square, lit from the upper left."""
    big = canvas.size
    pts = rounded_rect_points(x, y, x + size, y + size, 1.5)
    shape = poly_mask(big, pts)
    paint(canvas, shape, blend(colour, (0, 0, 0), 0.35))
    inner = poly_mask(big, inset(pts, 1))
    paint_gradient(canvas, inner, blend(colour, (255, 255, 255), 0.25), blend(colour, (0, 0, 0), 0.08), y * SS,
                   (y + size) * SS)
    paint(canvas, mask_minus(inner, shifted(inner, SS // 2, SS // 2)), (255, 255, 255), 110)


def draw_mark(canvas):
    ox, oy = MARK_ORIGIN
    step = MARK_TILE + MARK_GAP
    for r, row in enumerate(MARK_TILES):
        for c, colour in enumerate(row):
            if colour:
                tile(canvas, ox + c * step, oy + r * step, colour)
            else:
                # The empty bed, a shade darker than the face.
                bed = rounded_rect_points(ox + c * step, oy + r * step, ox + c * step + MARK_TILE,
                                          oy + r * step + MARK_TILE, 1.5)
                paint(canvas, poly_mask(canvas.size, bed), (0, 0, 0), 22)
    # The amber tile, lifted off its bed, with its shadow on the bed.
    x, y = ox + 2 * step + MARK_LIFT[0], oy + MARK_LIFT[1]
    lifted = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
    tile(lifted, x, y, AMBER)
    silhouette = poly_mask(canvas.size, rounded_rect_points(x, y, x + MARK_TILE, y + MARK_TILE, 1.5))
    canvas.alpha_composite(drop_shadow(lifted, silhouette, -2 * SS, 2 * SS, 1.5 * SS, 0.35))


def logo():
    w, h = LOGO_SIZE
    art = Image.new("RGBA", (w * SS, h * SS), FACE + (255,))
    draw_mark(art)
    img = reduce(art, (w, h)).convert("RGB")
    draw = ImageDraw.Draw(img)
    name = font("DejaVuSans-Bold.ttf", 31)
    draw.text((64, 35), "Tessera", font=name, fill=TEAL_DEEP, anchor="ls")
    draw.rectangle([66, 40, 64 + int(name.getlength("Tessera")) - 2, 40], fill=AMBER)
    draw.text((66, 52), "by The Quorvane", font=font("DejaVuSans.ttf", 11), fill=SLATE, anchor="ls")
    colours = sorted(set(img.getdata()))
    if len(colours) > 256:
        img = img.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE).convert("RGB")
        colours = sorted(set(img.getdata()))
    assert FACE in colours, "the logo's background must stay the exact face colour"
    return to_palette(img, colours)


def logo_bmp():
    return bmp_indexed(logo(), 8)


# ---------------------------------------------------------------------------------------------
# Bitmap 1021: the bullet of the welcome dialog, one small tile on the dialog face.

BULLET_SIZE = 10


def bullet(colour):
    art = Image.new("RGBA", (BULLET_SIZE * SS, BULLET_SIZE * SS), FACE + (255,))
    lone = Image.new("RGBA", art.size, (0, 0, 0, 0))
    tile(lone, 1, 1, colour, size=7)
    silhouette = poly_mask(art.size, rounded_rect_points(1, 1, 8, 8, 1.5))
    art.alpha_composite(drop_shadow(lone, silhouette, SS, SS, SS // 2, 0.25))
    return reduce(art, (BULLET_SIZE, BULLET_SIZE)).convert("RGB")


def bullet_bmp():
    return bmp_24(bullet(TEAL_MID))


# ---------------------------------------------------------------------------------------------
# Cursors 1001 and 1011: monochrome, 32 x 32, black shapes in a one-pixel white rim so they show
# on any background. '.' transparent, '#' black, 'o' white.

MOVE_HOTSPOT = (16, 15)


def move_cursor_art(reach=10, head=4, shaft=0):
    """A four-headed arrow centred on the hot spot: four arms of `reach` pixels, arrowheads `head`
    rows deep, shaft `2 * shaft + 1` pixels wide. Rotating one arm keeps all four identical."""
    cx, cy = MOVE_HOTSPOT
    black = set()
    for t in range(reach + 1):
        depth = reach - t  # rows from the arrow's point
        half = depth if depth < head else shaft
        for s in range(-half, half + 1):
            for ux, uy in ((0, -1), (1, 0), (0, 1), (-1, 0)):
                black.add((cx + ux * t - uy * s, cy + uy * t + ux * s))
    return outline_art(black)


def outline_art(black):
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            if (x, y) in black:
                row += "#"
            elif any((x + dx, y + dy) in black for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                row += "o"
            else:
                row += "."
        rows.append(row)
    return rows


HAND_HOTSPOT = (12, 8)
# The white of the hand as (left, right, top, bottom) blocks, inclusive; the black rim is every
# pixel beside the white one across an edge (not a corner), which rounds each corner by one pixel.
# The index finger points up and its tip, the middle of its top rim, is the hot spot.
HAND_BLOCKS = [
    (11, 13, 9, 22),  # index finger
    (15, 17, 14, 22),  # middle finger, curled
    (19, 21, 15, 22),  # ring finger
    (23, 24, 16, 22),  # little finger
    (15, 24, 20, 28),  # back of the hand
    (11, 24, 22, 28),
    (9, 24, 24, 28),
    (5, 6, 18, 18), (4, 7, 19, 19), (4, 8, 20, 20), (5, 9, 21, 21), (6, 10, 22, 22), (7, 10, 23, 23),  # thumb
]


def hand_cursor_art():
    white = {(x, y) for x0, x1, y0, y1 in HAND_BLOCKS for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)}
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            if (x, y) in white:
                row += "o"
            elif any(p in white for p in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))):
                row += "#"
            else:
                row += "."
        rows.append(row)
    return rows


def move_cur():
    return cur_file(move_cursor_art(), MOVE_HOTSPOT)


def hand_cur():
    return cur_file(hand_cursor_art(), HAND_HOTSPOT)


# ---------------------------------------------------------------------------------------------
# The notes that go with the sample artwork: where each size sits.


def ramp(stops, steps):
    """`steps` colours from the first stop to the last, evenly spaced along the stops."""
    out = []
    for i in range(steps):
        t = i * (len(stops) - 1) / (steps - 1)
        k = min(int(t), len(stops) - 2)
        out.append(blend(stops[k], stops[k + 1], t - k))
    return out


def house_colors_act():
    """A Photoshop colour table (256 RGB entries, no header) made of ramps of the house palette: teal
    from ink to white, the same tones greyed by half, amber, and greys. Artwork in these colours
    reduces to it with less banding than to the built-in table, which spends most of its entries on
    colours the gem does not have."""
    black, white = (0, 0, 0), (255, 255, 255)
    teal = [black, TEAL_INK, TEAL_DEEP, TEAL, TEAL_MID, TEAL_LIGHT, TEAL_PALE, white]
    greyed = [blend(c, (sum(c) // 3,) * 3, 0.5) for c in teal]
    entries = ramp(teal, 112) + ramp(greyed, 64) + ramp([black, AMBER_DEEP, AMBER, AMBER_LIGHT, white], 48)
    entries += ramp([black, white], 32)
    assert len(entries) == 256
    return bytes(c for e in entries for c in e)


def examples_readme():
    lines = [
        "# Sample artwork",
        "",
        "`sample-artwork.png` is the layer to try Tessera on: a 200 x 80 RGBA picture, transparent",
        "everywhere but four drawings of one cut gem, drawn for the icon sizes 48, 32, 24 and 16 pixels,",
        "left to right. Each drawing, its soft shadow included, lies inside its own icon-sized square;",
        "the edges are anti-aliased (partial alpha), the 48 and 32 carry a drop shadow, and the 16 is",
        "tuned by hand. Put the layer view's square of a size on the square of that size to build it.",
        "",
        "| size | square (left, top, right, bottom) | centre |",
        "|---|---|---|",
    ]
    for size, (left, top) in SAMPLE_SLOTS.items():
        lines.append("| %d | (%d, %d, %d, %d) | (%d, %d) |" % (size, left, top, left + size, top + size,
                                                              left + size // 2, top + size // 2))
    lines += [
        "",
        "Right and bottom are exclusive, as in a Windows `RECT`; coordinates are pixels from the",
        "picture's top-left corner.",
        "",
        "`house-colors.act` is a Photoshop colour table (256 RGB entries, no header) to try a custom",
        "256-colour table with: ramps of teal, greyed teal, amber and grey, the colours the gem is drawn",
        "in. The picture, the table and this page are written by `resources/art/make_art.py`.",
        "",
    ]
    return "\n".join(lines).encode()


# ---------------------------------------------------------------------------------------------
# Building, checking and previewing.


def outputs():
    return {
        "resources/art/copy_arrow.ico": copy_arrow_ico(),
        "resources/art/grid_backdrop.bmp": grid_backdrop_bmp(),
        "resources/art/bullet.bmp": bullet_bmp(),
        "resources/art/logo.bmp": logo_bmp(),
        "resources/art/move.cur": move_cur(),
        "resources/art/hand.cur": hand_cur(),
        "examples/sample-artwork.png": png_file(sample_artwork()),
        "examples/house-colors.act": house_colors_act(),
        "examples/README.md": examples_readme(),
    }


class Checker:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def expect(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAILED: " + what)


def read_bmp_header(data):
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    fields = struct.unpack_from("<IiiHHIIiiII", data, 14)
    names = ["size", "width", "height", "planes", "bits", "compression", "image_size", "xppm", "yppm", "used",
             "important"]
    return magic, file_size, offset, dict(zip(names, fields))


def check_bmp(chk, name, data, size, bits):
    magic, file_size, offset, h = read_bmp_header(data)
    colours = (1 << bits) if bits <= 8 else 0
    row = (size[0] * bits + 31) // 32 * 4
    chk.expect(magic == b"BM" and file_size == len(data), name + ": file header")
    chk.expect(h["size"] == 40 and h["planes"] == 1 and h["compression"] == 0, name + ": BITMAPINFOHEADER")
    chk.expect((h["width"], h["height"], h["bits"]) == (size[0], size[1], bits), name + ": size and depth")
    chk.expect(h["used"] == colours and offset == 54 + 4 * colours, name + ": colour table")
    chk.expect(h["image_size"] == row * size[1] == len(data) - offset, name + ": pixel rows")
    img = Image.open(io.BytesIO(data))
    img.load()
    chk.expect(img.size == size and img.mode == ("P" if bits <= 8 else "RGB"), name + ": Pillow reads it back")
    return img.convert("RGB")


def and_mask_bit(blob, width, height, x, y, and_offset):
    row = (width + 31) // 32 * 4
    byte = blob[and_offset + (height - 1 - y) * row + x // 8]
    return (byte >> (7 - x % 8)) & 1


def check_ico(chk, name, data, sizes):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    chk.expect((reserved, kind, count) == (0, 1, len(sizes)), name + ": ICONDIR")
    for i, size in enumerate(sizes):
        w, h, colours, res, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        chk.expect((w, h, colours, res, planes, bits) == (size, size, 0, 0, 1, 32), name + ": entry %d" % size)
        blob = data[offset:offset + length]
        hdr = struct.unpack_from("<IiiHHI", blob, 0)
        chk.expect(hdr == (40, size, 2 * size, 1, 32, 0), name + ": %d header (BMP, not PNG)" % size)
        xor_len = size * size * 4
        and_len = (size + 31) // 32 * 4 * size
        chk.expect(length == 40 + xor_len + and_len, name + ": %d length" % size)
        good_mask = True
        for y in range(size):
            for x in range(size):
                alpha = blob[40 + ((size - 1 - y) * size + x) * 4 + 3]
                good_mask &= and_mask_bit(blob, size, size, x, y, 40 + xor_len) == (alpha == 0)
        chk.expect(good_mask, name + ": %d AND mask set exactly where alpha is 0" % size)
    img = Image.open(io.BytesIO(data))
    chk.expect(sorted(img.info.get("sizes", ())) == sorted((s, s) for s in sizes), name + ": Pillow reads it back")


def check_cur(chk, name, data, hotspot):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    chk.expect((reserved, kind, count) == (0, 2, 1), name + ": ICONDIR of a cursor")
    w, h, colours, res, hx, hy, length, offset = struct.unpack_from("<BBBBHHII", data, 6)
    chk.expect((w, h, colours, res) == (32, 32, 2, 0), name + ": entry")
    chk.expect((hx, hy) == hotspot, name + ": hot spot %s" % (hotspot,))
    chk.expect(offset == 22 and length == 40 + 8 + 128 + 128 == len(data) - offset, name + ": entry length")
    blob = data[offset:]
    chk.expect(struct.unpack_from("<IiiHHI", blob, 0) == (40, 32, 64, 1, 1, 0), name + ": 1-bit header")
    chk.expect(blob[40:48] == bytes((0, 0, 0, 0, 255, 255, 255, 0)), name + ": black and white colour table")
    chk.expect(and_mask_bit(blob, 32, 32, hx, hy, 48 + 128) == 0, name + ": hot spot is on the drawing")
    opaque = sum(1 - and_mask_bit(blob, 32, 32, x, y, 48 + 128) for y in range(32) for x in range(32))
    chk.expect(60 < opaque < 700, name + ": a drawing, not an empty or solid square")


def check_sample(chk, name, data):
    img = Image.open(io.BytesIO(data))
    chk.expect(img.mode == "RGBA" and img.size == SAMPLE_SIZE, name + ": RGBA, %dx%d" % SAMPLE_SIZE)
    alpha = img.getchannel("A")
    inside = Image.new("L", img.size, 0)
    for size, (left, top) in SAMPLE_SLOTS.items():
        inside.paste(255, (left, top, left + size, top + size))
        square = alpha.crop((left, top, left + size, top + size))
        values = set(square.getdata())
        chk.expect(255 in values and any(0 < v < 255 for v in values), name + ": %d is drawn, edges soft" % size)
        border = [square.getpixel((x, y)) for x in range(size) for y in (0, size - 1)]
        border += [square.getpixel((x, y)) for y in range(size) for x in (0, size - 1)]
        chk.expect(max(border) == 0, name + ": %d stays inside its square" % size)
        if GEM[size]["shadow"]:
            shadow = alpha.crop((left, top, left + size, top + size)).getpixel(
                (int(size / 2 + GEM[size]["shadow"][0]), GEM[size]["bottom"] + GEM[size]["shadow"][1] - 1))
            chk.expect(0 < shadow < 255, name + ": %d casts a soft shadow" % size)
    outside = ImageChops.multiply(alpha, ImageChops.invert(inside))
    chk.expect(outside.getbbox() is None, name + ": transparent outside the four squares")


def check(files):
    chk = Checker()
    again = outputs()
    for path, data in files.items():
        on_disk = ROOT / path
        chk.expect(on_disk.exists() and on_disk.read_bytes() == data, path + ": file on disk is up to date")
        chk.expect(again[path] == data, path + ": the same bytes on a second run")
    check_ico(chk, "copy_arrow.ico", files["resources/art/copy_arrow.ico"], [32, 16])
    backdrop = check_bmp(chk, "grid_backdrop.bmp", files["resources/art/grid_backdrop.bmp"], BACKDROP_SIZE, 4)
    chk.expect(len(set(backdrop.getdata())) <= 16, "grid_backdrop.bmp: 16 colours at most")
    bull = check_bmp(chk, "bullet.bmp", files["resources/art/bullet.bmp"], (BULLET_SIZE, BULLET_SIZE), 24)
    chk.expect(bull.getpixel((0, 0)) == FACE, "bullet.bmp: on the dialog face")
    mark = check_bmp(chk, "logo.bmp", files["resources/art/logo.bmp"], LOGO_SIZE, 8)
    chk.expect(mark.getpixel((0, 0)) == FACE == mark.getpixel((207, 66)), "logo.bmp: on the dialog face")
    check_cur(chk, "move.cur", files["resources/art/move.cur"], MOVE_HOTSPOT)
    check_cur(chk, "hand.cur", files["resources/art/hand.cur"], HAND_HOTSPOT)
    check_sample(chk, "sample-artwork.png", files["examples/sample-artwork.png"])
    print("%d passed, %d failed" % (chk.passed, chk.failed))
    return chk.failed == 0


def preview(files, folder):
    """Enlarged pictures for review: each asset on the dialog face and on a checkerboard."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)

    def backed(img, scale, bg):
        img = img.convert("RGBA")
        big = img.resize((img.width * scale, img.height * scale), Image.NEAREST)
        if bg == "checker":
            out = Image.new("RGBA", big.size, (255, 255, 255, 255))
            draw = ImageDraw.Draw(out)
            for y in range(0, big.height, 8):
                for x in range(0, big.width, 8):
                    if (x // 8 + y // 8) % 2:
                        draw.rectangle([x, y, x + 7, y + 7], fill=(204, 204, 204, 255))
        else:
            out = Image.new("RGBA", big.size, bg + (255,))
        out.alpha_composite(big)
        return out

    def cursor_image(data):
        blob = data[22:]
        img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
        for y in range(32):
            for x in range(32):
                if not and_mask_bit(blob, 32, 32, x, y, 48 + 128):
                    white = and_mask_bit(blob, 32, 32, x, y, 48)
                    img.putpixel((x, y), (255, 255, 255, 255) if white else (0, 0, 0, 255))
        return img

    icon = Image.open(io.BytesIO(files["resources/art/copy_arrow.ico"]))
    for size in (32, 16):
        icon.size = (size, size)
        backed(icon.copy(), 8, FACE).save(folder / ("copy_arrow_%d.png" % size))
    for name in ("grid_backdrop", "bullet", "logo"):
        img = Image.open(io.BytesIO(files["resources/art/%s.bmp" % name]))
        backed(img, 3 if name != "bullet" else 16, FACE).save(folder / (name + ".png"))
    for name in ("move", "hand"):
        backed(cursor_image(files["resources/art/%s.cur" % name]), 8, (150, 170, 190)).save(folder / (name + ".png"))
    sample = Image.open(io.BytesIO(files["examples/sample-artwork.png"]))
    backed(sample, 4, "checker").save(folder / "sample-artwork.png")
    print("previews in %s" % folder)


def main(argv):
    args = argv[1:]
    files = outputs()
    if args[:1] == ["--check"]:
        return 0 if check(files) else 1
    for path, data in files.items():
        target = ROOT / path
        target.parent.mkdir(parents=True, exist_ok=True)
        if not target.exists() or target.read_bytes() != data:
            target.write_bytes(data)
            print("wrote %s (%d bytes)" % (path, len(data)))
    if args[:1] == ["--preview"] and len(args) == 2:
        preview(files, args[1])
    elif args:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
