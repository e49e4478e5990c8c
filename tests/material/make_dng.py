#!/usr/bin/env python3
"""Writes two small DNG camera raw files for the picture tests: one with an
embedded JPEG preview (IFD0, as cameras write it, the raw data in a SubIFD)
and one with the raw data only. The raw is a 16-bit RGGB mosaic of a colour
ramp. Usage: make_dng.py PREVIEW.jpg WITH_PREVIEW.dng WITHOUT_PREVIEW.dng"""
import struct
import sys

W, H = 128, 96


def mosaic():
    out = bytearray()
    for y in range(H):
        for x in range(W):
            r, g, b = x * 500, (x + y) * 280, y * 650
            v = (r if y % 2 == 0 else g) if x % 2 == 0 else (g if y % 2 == 0 else b)
            out += struct.pack("<H", min(v, 65535))
    return bytes(out)


def ifd(entries, data_at):
    """entries: (tag, type, values); returns (ifd bytes, extra data) placed at data_at."""
    sizes = {1: 1, 2: 1, 3: 2, 4: 4, 10: 8}
    fmt = {1: "B", 2: "B", 3: "H", 4: "I", 10: "i"}
    head = struct.pack("<H", len(entries))
    extra = bytearray()
    extra_at = data_at + 2 + 12 * len(entries) + 4
    for tag, typ, vals in sorted(entries):
        if typ == 2:
            vals = list(vals.encode() + b"\0")
        raw = b"".join(struct.pack("<" + fmt[typ], v) for v in vals)
        count = len(vals) // 2 if typ == 10 else len(vals)
        if len(raw) <= 4:
            head += struct.pack("<HHI", tag, typ, count) + raw.ljust(4, b"\0")
        else:
            head += struct.pack("<HHII", tag, typ, count, extra_at + len(extra))
            extra += raw + (b"\0" if len(raw) % 2 else b"")
    return head + struct.pack("<I", 0), bytes(extra)


def raw_entries(strip_at):
    return [(254, 4, [0]), (256, 4, [W]), (257, 4, [H]), (258, 3, [16]), (259, 3, [1]), (262, 3, [32803]),
            (273, 4, [strip_at]), (277, 3, [1]), (278, 4, [H]), (279, 4, [W * H * 2]),
            (33421, 3, [2, 2]), (33422, 1, [0, 1, 1, 2]), (50717, 4, [65535])]


def camera_entries():
    return [(271, 2, "Ostrel"), (272, 2, "Test Camera"), (274, 3, [1]), (50706, 1, [1, 4, 0, 0]),
            (50708, 2, "Ostrel Test Camera"), (50721, 10, [1, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 1]),
            (50778, 3, [21])]


def write(path, preview):
    pixels = mosaic()
    out = bytearray(b"II*\0" + struct.pack("<I", 8))
    if preview is None:
        # IFD0 is the raw image; its data follows the directory.
        probe, extra = ifd(raw_entries(0) + camera_entries(), 8)
        strip_at = 8 + len(probe) + len(extra)
        block, extra = ifd(raw_entries(strip_at) + camera_entries(), 8)
        out += block + extra + pixels
    else:
        # IFD0 is the preview, the raw a SubIFD after it.
        def ifd0(jpeg_at, sub_at):
            return ifd([(254, 4, [1]), (256, 4, [160]), (257, 4, [120]), (258, 3, [8, 8, 8]), (259, 3, [7]),
                        (262, 3, [6]), (273, 4, [jpeg_at]), (277, 3, [3]), (278, 4, [120]),
                        (279, 4, [len(preview)]), (330, 4, [sub_at])] + camera_entries(), 8)
        block, extra = ifd0(0, 0)
        sub_at = 8 + len(block) + len(extra)
        sub, sub_extra = ifd(raw_entries(0), sub_at)
        jpeg_at = sub_at + len(sub) + len(sub_extra)
        strip_at = jpeg_at + len(preview) + (len(preview) % 2)
        block, extra = ifd0(jpeg_at, sub_at)
        sub, sub_extra = ifd(raw_entries(strip_at), sub_at)
        out += block + extra + sub + sub_extra + preview + (b"\0" if len(preview) % 2 else b"") + pixels
    open(path, "wb").write(out)


preview = open(sys.argv[1], "rb").read()
write(sys.argv[2], preview)
write(sys.argv[3], None)
