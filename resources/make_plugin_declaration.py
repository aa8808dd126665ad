#!/usr/bin/env python3
"""Writes the PiPL and AETE resources that declare the filter to the host.

usage: make_plugin_declaration.py x64|x86 OUTDIR

Four-character codes are stored as little-endian 32-bit values ('8BIM' becomes the bytes M I B 8).
Every property's data is padded with zeros to a multiple of 4 and its length counts the padding, so
hosts that round the length and hosts that do not read the same thing.
"""
import pathlib
import struct
import sys

UNIQUE_ID = "5b2f9c1e-7d4a-4e63-9a0b-3c8d1f6e2a47"  # fixed forever: hosts key recorded actions on it
ENTRY_POINT = b"PluginMain\0"


def code(four):
    assert len(four) == 4
    return struct.pack("<I", int.from_bytes(four.encode("latin-1"), "big"))


def pstring(text):
    data = text.encode("latin-1")
    assert len(data) < 256
    return bytes([len(data)]) + data


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def prop(key, data):
    data = pad4(data)
    return code("8BIM") + code(key) + struct.pack("<iI", 0, len(data)) + data


def pipl(arch):
    fici = struct.pack("<BBBB", 1, 1, 3, 0) * 7
    hstm = struct.pack("<i", 0) + code("sdk1") + code("sdk1") + struct.pack("<h", 16000) + \
        UNIQUE_ID.encode("ascii") + b"\0"
    props = [
        prop("kind", code("8BFM")),
        prop("name", pstring("Tessera 1.2...")),
        prop("catg", pstring("Quorvane")),
        prop("vers", struct.pack("<I", 0x00040000)),
        prop("wx86", ENTRY_POINT),
    ]
    if arch == "x64":
        # A 64-bit host loads only filters that name their x64 entry point.
        props.append(prop("8664", ENTRY_POINT))
    props += [
        prop("mode", bytes([0x10, 0x00])),
        prop("hstm", hstm),
        prop("enbl", b"in (PSHOP_ImageMode, RGBMode)\0"),
        prop("fici", fici),
    ]
    return struct.pack("<hiI", 1, 0, len(props)) + b"".join(props)


def aete():
    event = (pstring("Tessera 1.2") + pstring("Tessera filter plug-in") + code("sdk1") + code("sdk1") +
             code("null") + pstring("") + struct.pack("<H", 0) +
             code("#ImR") + pstring("") + struct.pack("<H", 0xB000) +
             struct.pack("<H", 0))
    suite = (pstring("Quorvane") + pstring("Adobe example plug-ins") + code("sdk1") +
             struct.pack("<HHH", 1, 1, 1) + event + struct.pack("<HHH", 0, 0, 0))
    return struct.pack("<HBBHHH", 1, 1, 0, 0, 0, 1) + suite


def write_if_changed(path, data):
    if not path.exists() or path.read_bytes() != data:
        path.write_bytes(data)


def main():
    arch, out = sys.argv[1], pathlib.Path(sys.argv[2])
    if arch not in ("x64", "x86"):
        sys.exit("usage: make_plugin_declaration.py x64|x86 OUTDIR")
    out.mkdir(parents=True, exist_ok=True)
    write_if_changed(out / "pipl.bin", pipl(arch))
    write_if_changed(out / "aete.bin", aete())


if __name__ == "__main__":
    main()
