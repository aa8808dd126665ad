#!/usr/bin/env python3
"""The release package: scripts/package run twice makes the same bytes, once from the build folders of
scripts/test and once from fresh ones in another time zone, and what it holds is whole: each file there and nothing else,
each binary of the right machine type with its version resource, each page's links and pictures
found inside the package.

usage: package.py [ZIP]   (with a zip, only that package's contents are checked)
"""
import html.parser
import os
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

from checks import expect, report

ROOT = pathlib.Path(__file__).resolve().parents[2]
PE32, PE32_PLUS = 0x10B, 0x20B
BINARIES = {  # name: (machine, optional header, a DLL)
    "x64/tessera.8bf": (0x8664, PE32_PLUS, True),
    "x86/tessera.8bf": (0x14C, PE32, True),
    "tessera.exe": (0x8664, PE32_PLUS, False),
}
PAGES = ["readme.html", "tutorial.html"]
FIXED_STRINGS = {"ProductName": "Tessera", "CompanyName": "The Quorvane",
                 "LegalCopyright": "Copyright (c) 2026 The Quorvane"}


def pe_header(data):
    """(machine, optional header magic, the DLL flag) of a PE file, or None."""
    if data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    machine, characteristics = struct.unpack_from("<H", data, pe + 4)[0], struct.unpack_from("<H", data, pe + 22)[0]
    return machine, struct.unpack_from("<H", data, pe + 24)[0], bool(characteristics & 0x2000)


def version_blocks(data, offset, end):
    """The (key, value, children) blocks of a VS_VERSIONINFO from offset to end; a text value decoded."""
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            return
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        size = value_length * 2 if kind == 1 else value_length
        value = data[value_at:value_at + size]
        if kind == 1:
            value = value.decode("utf-16-le").rstrip("\0")
        yield key, value, ((value_at + size + 3) & ~3, offset + length)
        offset = (offset + length + 3) & ~3


def version_resource(path):
    """(file version, product version, {string: value}) of a binary's version resource, or None."""
    result = subprocess.run(["wrestool", "-x", "--raw", "-t", "16", str(path)], capture_output=True)
    data = result.stdout
    if result.returncode != 0 or not data:
        return None
    root = next(version_blocks(data, 0, len(data)), None)
    if root is None or root[0] != "VS_VERSION_INFO" or len(root[1]) < 52:
        return None
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", root[1])
    if signature != 0xFEEF04BD:
        return None
    numbers = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {}
    for key, _, children in version_blocks(data, *root[2]):
        if key == "StringFileInfo":
            for _, _, table in version_blocks(data, *children):
                strings.update((name, value) for name, value, _ in version_blocks(data, *table))
    return numbers(file_ms, file_ls), numbers(product_ms, product_ls), strings


class Page(html.parser.HTMLParser):
    """The links, pictures and ids of an HTML page."""

    def __init__(self):
        super().__init__()
        self.links, self.pictures, self.ids = [], [], set()

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "a" and "href" in attrs:
            self.links.append(attrs["href"])
        if tag == "img":
            self.pictures.append(attrs.get("src", ""))


def read_page(path):
    page = Page()
    page.feed(path.read_text(encoding="utf-8"))
    return page


def check_pages(checks, unpacked):
    """Every link and picture of every page resolves inside the package; returns the files they use."""
    used = set()
    for name in PAGES:
        path = unpacked / name
        if not path.is_file():
            continue
        page = read_page(path)
        for picture in page.pictures:
            target = (path.parent / picture).resolve()
            inside = unpacked in target.parents and target.is_file()
            expect(checks, inside, "%s shows %s, which is not in the package" % (name, picture))
            used.add(target)
        for link in page.links:
            if re.match(r"^(https?|mailto):", link):
                continue
            file, _, anchor = link.partition("#")
            target = (path.parent / file).resolve() if file else path
            inside = unpacked in target.parents and target.is_file()
            expect(checks, inside, "%s links %s, which is not in the package" % (name, link))
            if inside and anchor and target.suffix == ".html":
                expect(checks, anchor in read_page(target).ids, "%s links %s, which names no heading" % (name, link))
    return used


def check_package(checks, zip_path):
    match = re.fullmatch(r"Tessera-(.+)-windows\.zip", zip_path.name)
    expect(checks, match is not None, "the package is called %s, not Tessera-<version>-windows.zip" % zip_path.name)
    version = match.group(1) if match else ""
    project = re.search(r"project\(Tessera VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
    expect(checks, version in (project, project + "-modified"),
           "the package's version %s is not the project's %s" % (version, project))
    with tempfile.TemporaryDirectory() as scratch:
        unpacked = pathlib.Path(scratch).resolve()
        with zipfile.ZipFile(zip_path) as archive:
            archive.extractall(unpacked)
        files = {p.resolve() for p in unpacked.rglob("*") if p.is_file()}
        for name, (machine, magic, dll) in BINARIES.items():
            path = unpacked / name
            expect(checks, path.is_file(), "%s is in the package" % name)
            if not path.is_file():
                continue
            expect(checks, pe_header(path.read_bytes()) == (machine, magic, dll),
                   "%s is a %s of machine %#x, PE header %s" % (name, "DLL" if dll else "program", machine,
                                                               pe_header(path.read_bytes())))
            resource = version_resource(path)
            expect(checks, resource is not None, "%s has a version resource" % name)
            if resource is None:
                continue
            numbers = (project + ".0.0").split(".")[:4]
            expect(checks, resource[:2] == (".".join(numbers),) * 2,
                   "%s's file and product version numbers %s are the project's %s" % (name, resource[:2], project))
            strings = resource[2]
            wanted = dict(FIXED_STRINGS, FileVersion=version, ProductVersion=version, OriginalFilename=path.name)
            for key, value in wanted.items():
                expect(checks, strings.get(key) == value, "%s's %s is %r, not %r" % (name, key, strings.get(key), value))
            expect(checks, strings.get("FileDescription", "").startswith("Tessera "),
                   "%s's FileDescription %r describes it" % (name, strings.get("FileDescription")))
        licence = unpacked / "LICENSE.txt"
        expect(checks, licence.is_file() and licence.read_bytes() == (ROOT / "LICENSE").read_bytes(),
               "LICENSE.txt is in the package, the repository's LICENSE")
        for name in PAGES:
            expect(checks, (unpacked / name).is_file(), "%s is in the package" % name)
        used = check_pages(checks, unpacked)
        known = {(unpacked / name).resolve() for name in list(BINARIES) + PAGES + ["LICENSE.txt"]} | used
        for extra in sorted(files - known):
            expect(checks, False, "%s is in the package, but neither shipped nor shown" % extra.relative_to(unpacked))


def package(build_root, dist, zone):
    command = [str(ROOT / "scripts" / "package"), "--dist", str(dist)]
    if build_root:
        command += ["--build-root", str(build_root)]
    result = subprocess.run(command, capture_output=True, text=True, env=dict(os.environ, TZ=zone))
    if result.returncode != 0:
        print(result.stdout + result.stderr)
        return None
    return pathlib.Path(result.stdout.strip().splitlines()[-1])


def main(argv):
    checks = []  # (passed, what it checks)
    if len(argv) == 2:
        check_package(checks, pathlib.Path(argv[1]))
    elif len(argv) == 1:
        with tempfile.TemporaryDirectory() as scratch:
            scratch = pathlib.Path(scratch)
            first = package(None, scratch / "first", "UTC")
            second = package(scratch / "build", scratch / "second", "Pacific/Auckland")
            expect(checks, first is not None and second is not None, "scripts/package makes a package twice")
            if first and second:
                expect(checks, first.name == second.name and first.read_bytes() == second.read_bytes(),
                       "the packages from build/ and from fresh build folders in another time zone are the same bytes")
                check_package(checks, first)
    else:
        print(__doc__)
        return 2
    return report(checks)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
