"""Writers for the file formats that no encoder installed here produces.

Each writer returns the bytes of one whole file laid out as the format
describes it (sizes, offsets and directories consistent), so a carver that
walks the structure finds the true end. Bodies that hold compressed or
encrypted data in real files (sensor data, encrypted databases, DSD bits)
are filled with seeded random bytes, which is what such data looks like.
Every writer takes a random.Random so the output depends only on the seed.
"""

import struct
import zlib

import dwg_format as dwg
import jet_format as jf


def _u16le(v):
    return struct.pack("<H", v)


def _u32le(v):
    return struct.pack("<I", v)


# ----------------------------------------------------------- OLE compound file

def ole_file(streams, root_clsid=b"\0" * 16):
    """A version 3 compound file (512-byte sectors) holding `streams`, a list
    of (name, bytes) in the root storage. Streams shorter than 4096 bytes are
    padded to 4096 so that every stream lives in the regular FAT (no mini
    stream). Returns the file's bytes."""
    sec = 512
    free, endchain, fatsect = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
    streams = [(n, d + b"\0" * max(0, 4096 - len(d))) for n, d in streams]
    # Directory order: the CFB name comparison (length first, then upper case).
    streams.sort(key=lambda s: (len(s[0]), s[0].upper()))
    fat = []
    body = bytearray()
    starts = []
    for _, data in streams:
        n = (len(data) + sec - 1) // sec
        first = len(fat)
        starts.append(first)
        fat.extend(range(first + 1, first + n))
        fat.append(endchain)
        body += data + b"\0" * (n * sec - len(data))
    entries = [("Root Entry", 5, 0xFFFFFFFF, 1 if streams else 0xFFFFFFFF, endchain, 0, root_clsid)]
    for i, (name, data) in enumerate(streams):
        right = i + 2 if i + 1 < len(streams) else 0xFFFFFFFF
        entries.append((name, 2, right, 0xFFFFFFFF, starts[i], len(data), b"\0" * 16))
    dir_bytes = bytearray()
    for name, kind, right, child, start, size, clsid in entries:
        raw = name.encode("utf-16-le")[:62]
        dir_bytes += raw + b"\0" * (64 - len(raw))
        dir_bytes += struct.pack("<HBBIII", len(raw) + 2, kind, 1, 0xFFFFFFFF, right, child)
        dir_bytes += clsid + b"\0" * 4 + b"\0" * 16 + struct.pack("<IQ", start, size)
    dir_bytes += b"\0" * (-len(dir_bytes) % sec)
    first_dir = len(fat)
    n_dir = len(dir_bytes) // sec
    fat.extend(range(first_dir + 1, first_dir + n_dir))
    fat.append(endchain)
    body += dir_bytes
    n_fat = 1
    while (len(fat) + n_fat + 127) // 128 > n_fat:
        n_fat += 1
    assert n_fat <= 109, "file too large for a header-only DIFAT"
    first_fat = len(fat)
    fat.extend([fatsect] * n_fat)
    fat.extend([free] * (n_fat * 128 - len(fat)))
    body += struct.pack("<%dI" % len(fat), *fat)
    difat = list(range(first_fat, first_fat + n_fat)) + [free] * (109 - n_fat)
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, n_fat, first_dir, 0, 4096, endchain, 0, endchain, 0) +
              struct.pack("<109I", *difat))
    return header + bytes(body)


def _prose(rng, words, n):
    return " ".join(rng.choice(words) for _ in range(n))


WORDS = ("the card was formatted but the pictures and documents were still there "
         "waiting for someone to look at every sector once more").split()


def summary_stream(title):
    """A \\x05SummaryInformation property set with one title property."""
    t = title.encode("latin-1") + b"\0"
    prop = struct.pack("<II", 30, len(t)) + t + b"\0" * (-len(t) % 4)
    section = struct.pack("<II", 8 + 8 + len(prop), 1) + struct.pack("<II", 2, 16) + prop
    fmtid = bytes.fromhex("E0859FF2F94F6810AB9108002B27B3D9")
    return (struct.pack("<HHI", 0xFFFE, 0, 0x00020006) + b"\0" * 16 + _u32le(1) + fmtid +
            _u32le(48) + section)


def ole_word(rng, paragraphs):
    text = "\r".join(_prose(rng, WORDS, 60) for _ in range(paragraphs)).encode("cp1252")
    fib = struct.pack("<HHHHH", 0xA5EC, 0xC1, 0x6F, 0x409, 0) + b"\0" * (0x200 - 10)
    clsid = bytes.fromhex("0609020000000000C000000000000046")
    return ole_file([("WordDocument", fib + text), ("1Table", bytes(rng.randbytes(6000))),
                     ("\x05SummaryInformation", summary_stream("Minutes"))], clsid)


def ole_excel(rng, rows):
    recs = bytearray(struct.pack("<HHHHII", 0x0809, 16, 0x0600, 0x0005, 0, 0) + b"\0" * 4)
    for r in range(rows):
        for c in range(8):
            recs += struct.pack("<HHHHHd", 0x0203, 14, r, c, 15, rng.random() * 1000)
    recs += struct.pack("<HH", 0x000A, 0)
    clsid = bytes.fromhex("2008020000000000C000000000000046")
    return ole_file([("Workbook", bytes(recs)), ("\x05SummaryInformation", summary_stream("Budget"))], clsid)


def ole_powerpoint(rng, slides):
    doc = bytearray()
    for _ in range(slides):
        text = _prose(rng, WORDS, 120).encode("cp1252")
        doc += struct.pack("<HHI", 0x0000, 0x0FA8, len(text)) + text
    user = struct.pack("<HHI", 0, 0x0FF6, 20) + struct.pack("<IIIHHBBH", 20, 0xE391C05F, 0, 8, 0x03F4, 3, 0, 0)
    clsid = bytes.fromhex("108D81649B4FCF1186EA00AA00B929E8")
    return ole_file([("PowerPoint Document", bytes(doc)), ("Current User", user),
                     ("\x05SummaryInformation", summary_stream("Slides"))], clsid)


def ole_outlook_msg(rng):
    def utf16(s):
        return s.encode("utf-16-le")
    props = b"\0" * 32
    streams = [("__substg1.0_001A001F", utf16("IPM.Note")),
               ("__substg1.0_0037001F", utf16("Pictures from the trip")),
               ("__substg1.0_1000001F", utf16(_prose(rng, WORDS, 400))),
               ("__substg1.0_0C1A001F", utf16("Card Owner")),
               ("__properties_version1.0", props)]
    clsid = bytes.fromhex("0B0D020000000000C000000000000046")
    return ole_file(streams, clsid)


# ------------------------------------------------------------------ RAR 4

def rar4_stored(members):
    """A RAR 4 archive of `members` [(name, bytes)] stored without
    compression (method 0x30)."""
    def block(head_type, flags, rest):
        head = struct.pack("<BHH", head_type, flags, 7 + len(rest)) + rest
        return _u16le(zlib.crc32(head) & 0xFFFF) + head
    out = bytearray(b"Rar!\x1a\x07\x00")
    out += block(0x73, 0, b"\0" * 6)
    dos_time = (44 << 25) | (6 << 21) | (7 << 16) | (12 << 11)
    for name, data in members:
        n = name.encode()
        rest = struct.pack("<IIBIIBBHI", len(data), len(data), 3, zlib.crc32(data), dos_time, 20, 0x30,
                           len(n), 0o100644) + n
        out += block(0x74, 0x8000, rest) + data
    out += block(0x7B, 0x4000, b"")
    return bytes(out)


# --------------------------------------------------------------- pictures

def _half_pixels(width, height, rng):
    """Rows of (B, G, R) half-float planes: a smooth gradient with noise."""
    rows = []
    for y in range(height):
        planes = []
        for k in range(3):
            vals = [((x * (k + 1) + y * (3 - k)) % 512) / 512.0 + rng.random() * 0.02 for x in range(width)]
            planes.append(struct.pack("<%de" % width, *vals))
        rows.append(b"".join(planes))
    return rows


def openexr(width, height, rng):
    """A scan-line OpenEXR image, uncompressed, half-float B, G, R."""
    def attr(name, kind, value):
        return name.encode() + b"\0" + kind.encode() + b"\0" + _u32le(len(value)) + value
    chans = b"".join(c + b"\0" + struct.pack("<iB3xii", 1, 0, 1, 1) for c in (b"B", b"G", b"R")) + b"\0"
    box = struct.pack("<iiii", 0, 0, width - 1, height - 1)
    head = (b"\x76\x2f\x31\x01" + _u32le(2) + attr("channels", "chlist", chans) +
            attr("compression", "compression", b"\0") + attr("dataWindow", "box2i", box) +
            attr("displayWindow", "box2i", box) + attr("lineOrder", "lineOrder", b"\0") +
            attr("pixelAspectRatio", "float", struct.pack("<f", 1.0)) +
            attr("screenWindowCenter", "v2f", struct.pack("<ff", 0, 0)) +
            attr("screenWindowWidth", "float", struct.pack("<f", 1.0)) + b"\0")
    rows = _half_pixels(width, height, rng)
    pos = len(head) + 8 * height
    offsets = []
    for row in rows:
        offsets.append(pos)
        pos += 8 + len(row)
    return head + struct.pack("<%dQ" % height, *offsets) + b"".join(
        struct.pack("<ii", y, len(r)) + r for y, r in enumerate(rows))


def _xcf_rle(plane):
    """XCF run-length coding of one channel using literal runs only."""
    out = bytearray()
    for i in range(0, len(plane), 127):
        chunk = plane[i:i + 127]
        out += bytes([256 - len(chunk)]) + chunk
    return bytes(out)


def gimp_xcf(width, height, rgb):
    """A GIMP XCF (version 0) image with one RLE-coded RGB layer; `rgb` is
    width*height*3 bytes. Tiles are 64x64, each channel coded on its own."""
    be = lambda *v: struct.pack(">%dI" % len(v), *v)
    name = b"Background\0"
    head = b"gimp xcf file\0" + be(width, height, 0) + be(17, 1) + b"\1" + be(0, 0)
    layer_pos = len(head) + 12
    hier_pos = layer_pos + 16 + len(name) + 16
    level_pos = hier_pos + 20
    tiles = []
    for ty in range(0, height, 64):
        for tx in range(0, width, 64):
            rows = [rgb[((ty + y) * width + tx) * 3:((ty + y) * width + min(tx + 64, width)) * 3]
                    for y in range(min(64, height - ty))]
            pixels = b"".join(rows)
            tiles.append(b"".join(_xcf_rle(pixels[c::3]) for c in range(3)))
    tile_pos = level_pos + 8 + 4 * (len(tiles) + 1)
    ptrs = []
    for t in tiles:
        ptrs.append(tile_pos)
        tile_pos += len(t)
    out = head + be(layer_pos, 0) + be(0)
    out += be(width, height, 0, len(name)) + name + be(0, 0) + be(hier_pos, 0)
    out += be(width, height, 3, level_pos, 0)
    out += be(width, height) + be(*ptrs) + be(0) + b"".join(tiles)
    return out


class Tiff:
    """Little-endian TIFF builder: IFDs whose tags point at data blobs.
    Each IFD is a list of (tag, type, values); a value given as ("blob", i)
    is replaced by the offset of blob i. Type 7 (undefined) values are bytes."""

    SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 7: 1, 5: 8}

    def __init__(self, prefix=b"II*\0", first_ifd_at=8, tail=b""):
        self.prefix, self.first, self.tail = prefix, first_ifd_at, tail
        self.ifds, self.blobs = [], []

    def blob(self, data):
        self.blobs.append(data)
        return ("blob", len(self.blobs) - 1)

    def add_ifd(self, entries):
        self.ifds.append(sorted(entries, key=lambda e: e[0]))
        return len(self.ifds) - 1

    def build(self, header_extra=lambda ifd_offsets: b""):
        # Layout: header, IFDs with their out-of-line values, then blobs.
        pos = self.first
        ifd_pos, extra_pos = [], []
        for ifd in self.ifds:
            ifd_pos.append(pos)
            pos += 2 + 12 * len(ifd) + 4
            extras = []
            for tag, typ, vals in ifd:
                size = len(vals) if typ in (2, 7) else self.SIZES[typ] * len(vals)
                if size > 4:
                    extras.append(pos)
                    pos += size + (size & 1)
                else:
                    extras.append(None)
            extra_pos.append(extras)
        blob_pos = []
        for b in self.blobs:
            blob_pos.append(pos)
            pos += len(b) + (len(b) & 1)
        fix = lambda v: blob_pos[v[1]] if isinstance(v, tuple) else v
        out = bytearray(self.prefix + _u32le(ifd_pos[0]) + header_extra(ifd_pos))
        out += b"\0" * (self.first - len(out))
        for n, ifd in enumerate(self.ifds):
            out += _u16le(len(ifd))
            tail = bytearray()
            for (tag, typ, vals), at in zip(ifd, extra_pos[n]):
                if typ in (2, 7):
                    raw = bytes(vals)
                else:
                    code = {1: "B", 3: "H", 4: "I", 5: "I"}[typ]
                    nums = [fix(v) for v in vals]
                    raw = struct.pack("<%d%s" % (len(nums), code), *nums)
                count = len(raw) // (self.SIZES[typ] if typ not in (2, 7) else 1)
                out += struct.pack("<HHI", tag, typ, count)
                if at is None:
                    out += raw + b"\0" * (4 - len(raw))
                else:
                    out += _u32le(at)
                    tail += raw + b"\0" * (len(raw) & 1)
            nxt = ifd_pos[n + 1] if n + 1 < len(self.ifds) else 0
            out += _u32le(nxt) + tail
        for b in self.blobs:
            out += b + b"\0" * (len(b) & 1)
        return bytes(out)


def _ascii(s):
    return list((s + "\0").encode())


def tiff_raw(kind, jpeg, width, height, rng):
    """A TIFF-based camera raw file (kind: cr2, orf, rw2, dng): IFD0 with the
    JPEG preview, a second IFD with the 16-bit sensor data as one strip."""
    raw = rng.randbytes(width * height * 2)
    make, model, prefix, first = {
        "cr2": ("Canon", "Canon EOS 80D", b"II*\0", 16),
        "orf": ("OLYMPUS IMAGING CORP.", "E-M10MarkII", b"IIRO", 8),
        "rw2": ("Panasonic", "DMC-GH4", b"IIU\0", 24),
        "dng": ("Ostrel", "Bench Phone", b"II*\0", 8),
    }[kind]
    t = Tiff(prefix, first)
    jp, rw = t.blob(jpeg), t.blob(raw)
    ifd0 = [(256, 4, [160]), (257, 4, [120]), (259, 3, [6]), (271, 2, _ascii(make)), (272, 2, _ascii(model)),
            (273, 4, [jp]), (279, 4, [len(jpeg)]), (274, 3, [1]), (305, 2, _ascii("Firmware 1.0"))]
    if kind == "dng":
        ifd0 += [(254, 4, [1]), (50706, 1, [1, 4, 0, 0]), (50708, 2, _ascii("Ostrel Bench Phone"))]
    t.add_ifd(ifd0)
    t.add_ifd([(254, 4, [0]), (256, 4, [width]), (257, 4, [height]), (258, 3, [16]), (259, 3, [1]),
               (262, 3, [32803]), (273, 4, [rw]), (277, 3, [1]), (278, 4, [height]),
               (279, 4, [len(raw)]), (33421, 3, [2, 2]), (33422, 1, [0, 1, 1, 2])])
    if kind == "cr2":
        return t.build(lambda ifds: b"CR\x02\0" + _u32le(ifds[1]))
    return t.build()


def canon_crw(jpeg, rng, raw_bytes):
    """A Canon CIFF (CRW) file: header, then one heap holding the JPEG
    (record 0x2007) and the raw data (0x2005), the record table at its end."""
    header = b"II" + _u32le(26) + b"HEAPCCDR" + _u32le(0x00010002) + b"\0" * 8
    raw = rng.randbytes(raw_bytes)
    heap = bytearray(jpeg + raw)
    table = _u16le(2) + struct.pack("<HII", 0x2007, len(jpeg), 0) + struct.pack("<HII", 0x2005, len(raw), len(jpeg))
    table_off = len(heap)
    heap += table + _u32le(table_off)
    return header + bytes(heap)


def minolta_mrw(rng, width, height):
    """A Konica Minolta MRW: \\0MRM block holding PRD, WBG and TTW (TIFF)
    blocks, then the 12-bit packed sensor data."""
    be = lambda fmt, *v: struct.pack(">" + fmt, *v)
    prd = b"21810002" + be("HHHHBBBBH", height, width, height, width, 12, 12, 0x59, 0, 1) + b"\0" * 4
    wbg = bytes([0, 0, 0, 0]) + be("HHHH", 0x1B0, 0x100, 0x100, 0x1A0)
    t = Tiff(b"II*\0", 8)
    t.add_ifd([(271, 2, _ascii("Minolta Co., Ltd.")), (272, 2, _ascii("DYNAX 7D"))])
    ttw = t.build()
    blocks = b"".join(name + be("I", len(body)) + body for name, body in
                      ((b"\0PRD", prd), (b"\0WBG", wbg), (b"\0TTW", ttw)))
    return b"\0MRM" + be("I", len(blocks)) + blocks + rng.randbytes(width * height * 12 // 8)


def fuji_raf(jpeg, rng, raw_bytes):
    """A Fujifilm RAF: the fixed header, then the JPEG, the CFA header
    records and the raw data, located by the offset table at byte 84."""
    cfa_head = _u32le(0) + struct.pack(">I", 1) + struct.pack(">HH", 0x100, 4) + struct.pack(">HH", 2000, 3000)
    raw = rng.randbytes(raw_bytes)
    jpeg_off = 148
    cfa_head_off = jpeg_off + len(jpeg)
    cfa_off = cfa_head_off + len(cfa_head)
    head = (b"FUJIFILMCCD-RAW 0201FF383501" + b"X-T2".ljust(32, b"\0") + b"0100" + b"\0" * 20 +
            struct.pack(">6I", jpeg_off, len(jpeg), cfa_head_off, len(cfa_head), cfa_off, len(raw)))
    head += b"\0" * (jpeg_off - len(head))
    return head + jpeg + cfa_head + raw


def sigma_x3f(jpeg, rng, raw_bytes):
    """A Sigma X3F: FOVb header, a JPEG preview section and a raw section,
    the SECd directory at the end and its offset in the last 4 bytes."""
    head = b"FOVb" + _u32le(0x00020003) + rng.randbytes(16) + struct.pack("<IIII", 0, 2640, 1760, 0)
    head += b"\0" * (256 - len(head))
    sections = [(b"IMA2", b"SECi" + struct.pack("<IIIII", 0x00020000, 2, 18, 160, 120) + _u32le(0) + jpeg),
                (b"IMA2", b"SECi" + struct.pack("<IIIII", 0x00020000, 3, 30, 2640, 1760) + _u32le(0) +
                 rng.randbytes(raw_bytes))]
    out = bytearray(head)
    entries = b""
    for kind, body in sections:
        entries += struct.pack("<II", len(out), len(body)) + kind
        out += body + b"\0" * (-len(body) % 4)
    dir_off = len(out)
    out += b"SECd" + _u32le(0x00020000) + _u32le(len(sections)) + entries + _u32le(dir_off)
    return bytes(out)


def red_r3d(rng, frames, frame_bytes):
    """A RED R3D clip: the RED2 header atom, then REDV frame atoms (size,
    four-character code, payload), each padded to 512 bytes."""
    header = struct.pack(">I", 512) + b"RED2" + b"\0" * 504
    out = bytearray(header)
    for n in range(frames):
        payload = struct.pack(">I", n) + rng.randbytes(frame_bytes)
        size = 8 + len(payload)
        size += -size % 512
        out += struct.pack(">I", size) + b"REDV" + payload + b"\0" * (size - 8 - len(payload))
    return bytes(out)


# ------------------------------------------------------------------ audio

def amr(rng, seconds, wideband):
    """An AMR (12.2 kbit/s) or AMR-WB (23.85 kbit/s) file; 50 frames a second."""
    magic, frame_type, payload = (b"#!AMR-WB\n", 8, 60) if wideband else (b"#!AMR\n", 7, 31)
    head = bytes([(frame_type << 3) | 4])
    return magic + b"".join(head + rng.randbytes(payload) for _ in range(seconds * 50))


def monkeys_audio(rng, frames):
    """A Monkey's Audio (APE, version 3.99) file: descriptor, header, seek
    table and frame data."""
    blocks = 73728
    frame_data = [rng.randbytes(rng.randint(180000, 220000)) for _ in range(frames)]
    seek_bytes = 4 * frames
    desc_len, head_len = 52, 24
    data_len = sum(len(f) for f in frame_data)
    desc = (b"MAC " + struct.pack("<HH", 3990, 0) +
            struct.pack("<IIIIIII", desc_len, head_len, seek_bytes, 0, data_len, 0, 0) + rng.randbytes(16))
    head = struct.pack("<HHIIIHHI", 2000, 0, blocks, blocks // 3, frames, 16, 2, 44100)
    pos = desc_len + head_len + seek_bytes
    seeks = []
    for f in frame_data:
        seeks.append(pos)
        pos += len(f)
    return desc + head + struct.pack("<%dI" % frames, *seeks) + b"".join(frame_data)


def dsd_dsf(rng, seconds):
    """A DSF (DSD64 stereo) file: DSD, fmt and data chunks."""
    block = 4096
    nblocks = seconds * 2822400 // 8 // block
    data = rng.randbytes(nblocks * block * 2)
    total = 28 + 52 + 12 + len(data)
    return (b"DSD " + struct.pack("<QQQ", 28, total, 0) +
            b"fmt " + struct.pack("<QIIIIIIQII", 52, 1, 0, 2, 2, 2822400, 1, nblocks * block * 8, block, 0) +
            b"data" + struct.pack("<Q", 12 + len(data)) + data)


def dsd_dff(rng, seconds):
    """A DSDIFF (DSD64 stereo, uncompressed) file."""
    be = lambda fmt, *v: struct.pack(">" + fmt, *v)
    chunk = lambda cid, body: cid + be("Q", len(body)) + body + b"\0" * (len(body) & 1)
    # The compression name is a pascal string padded to an even length.
    cmpr = b"DSD " + bytes([14]) + b"not compressed" + b"\0"
    prop = b"SND " + chunk(b"FS  ", be("I", 2822400)) + chunk(b"CHNL", be("H", 2) + b"SLFTSRGT") + \
        chunk(b"CMPR", cmpr)
    body = b"DSD " + chunk(b"FVER", be("I", 0x01050000)) + chunk(b"PROP", prop) + \
        chunk(b"DSD ", rng.randbytes(seconds * 2822400 // 8 * 2))
    return chunk(b"FRM8", body)


def midi(rng, notes):
    """A standard MIDI file (format 1): a tempo track and a melody track."""
    def var(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.append(0x80 | (n & 0x7F))
            n >>= 7
        return bytes(reversed(out))
    tempo = b"\0\xFF\x51\x03\x07\xA1\x20" + b"\0\xFF\x2F\0"
    ev = bytearray(b"\0\xC0" + bytes([rng.randrange(0, 100)]))
    for _ in range(notes):
        key = rng.randrange(48, 84)
        ev += var(rng.choice((0, 120, 240))) + bytes([0x90, key, rng.randrange(50, 110)])
        ev += var(rng.choice((120, 240, 480))) + bytes([0x80, key, 0])
    ev += b"\0\xFF\x2F\0"
    track = lambda d: b"MTrk" + struct.pack(">I", len(d)) + bytes(d)
    return b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480) + track(tempo) + track(ev)


# ------------------------------------------------------- documents and data

CONTACTS = [("ID", jf.LONG), ("FirstName", jf.TEXT), ("LastName", jf.TEXT), ("City", jf.TEXT),
            ("Phone", jf.TEXT), ("Balance", jf.MONEY), ("Joined", jf.DATE), ("Active", jf.BOOL),
            ("Notes", jf.MEMO)]
ORDERS = [("OrderID", jf.LONG), ("ContactID", jf.LONG), ("Item", jf.TEXT), ("Quantity", jf.INT),
          ("Price", jf.DOUBLE), ("Ordered", jf.DATE), ("Shipped", jf.BOOL)]
NAMES = "Ada Bo Cy Dee Eli Fay Gus Hal Ida Jo Kai Lou Max Ned Ora Pia Quin Ray Sue Tom".split()
CITIES = "Aarhus Bergen Cork Dijon Essen Faro Graz Haifa Izmir Jena Krakow Lyon".split()


def _rows_filling(columns, make, pages):
    """Rows made by make(n) until they fill `pages` data pages."""
    rows, used, on_page = [], 1, []
    while True:
        values = make(len(rows) + 1)
        r = jf.row(columns, values)
        if not jf.fits(on_page, r):
            if used == pages:
                return rows
            used, on_page = used + 1, []
        on_page.append(r)
        rows.append(values)


def jet_database(rng, pages, ace):
    """An Access database (Jet 4 MDB or ACE ACCDB, see jet_format) of about
    `pages` 4096-byte pages: a Contacts table with memo notes and an Orders
    table, their rows drawn from rng."""
    created = 45000 + rng.random() * 500

    def contact(n):
        return [n, rng.choice(NAMES), rng.choice(NAMES) + "son", rng.choice(CITIES),
                "+1555%07d" % rng.randrange(10 ** 7), rng.randrange(-10 ** 8, 10 ** 9), created + rng.random() * 300,
                rng.random() < 0.7, _prose(rng, WORDS, rng.randrange(20, 120)) if rng.random() < 0.8 else None]

    def order(n):
        return [n, rng.randrange(1, 500), _prose(rng, WORDS, 3), rng.randrange(1, 50), rng.random() * 100,
                created + rng.random() * 400, rng.random() < 0.5]
    data_pages = pages - 12  # pages 0-5, and a map, bitmap and definition page per table
    tables = [("Contacts", CONTACTS, _rows_filling(CONTACTS, contact, data_pages * 2 // 3)),
              ("Orders", ORDERS, _rows_filling(ORDERS, order, data_pages - data_pages * 2 // 3))]
    return jf.database(ace, tables, created)


def autocad_dwg(rng, size):
    """An AutoCAD drawing of about `size` bytes, AutoCAD 2018 (the paged
    layout) or 2000 (section locators) as rng picks (see dwg_format)."""
    return (dwg.r2018 if rng.random() < 0.5 else dwg.r2000)(rng, size)


def keepass_kdb(rng, size):
    """A KeePass 1.x (KDB) database when File::KeePass is missing: the
    124-byte header (signatures, flags, version, seeds, IV, group and entry
    counts, content hash, rounds), then the encrypted body (a multiple of
    16 bytes)."""
    head = bytes.fromhex("03D9A29A65FB4BB5") + struct.pack("<II", 3, 0x00030004) + rng.randbytes(32) + \
        struct.pack("<II", 4, 25) + rng.randbytes(64) + _u32le(60000)
    return head + rng.randbytes((size // 16) * 16)


def mobipocket(rng, text_records):
    """A Mobipocket book: PalmDB header and record list, record 0 with the
    PalmDOC and MOBI headers, uncompressed text records, end-of-file record."""
    records = []
    text = []
    for _ in range(text_records):
        t = ("<p>" + _prose(rng, WORDS, 700) + "</p>").encode()[:4096]
        text.append(t + b" " * (4096 - len(t)))
    mobi = b"MOBI" + struct.pack(">IIII", 232, 2, 65001, rng.getrandbits(32)) + b"\0" * (232 - 20)
    rec0 = struct.pack(">HHIHHHH", 1, 0, 4096 * text_records, text_records, 4096, 0, 0) + mobi
    records = [rec0] + text + [b"\xe9\x8e\x0d\x0a"]
    head_len = 78 + 8 * len(records) + 2
    out = bytearray(b"Bench Book".ljust(32, b"\0") + struct.pack(">HHIIIIII", 0, 0, 0, 0, 0, 0, 0, 0) +
                    b"BOOKMOBI" + struct.pack(">IIH", 0, 0, len(records)))
    pos = head_len
    for n, r in enumerate(records):
        out += struct.pack(">I", pos) + bytes([0]) + struct.pack(">I", 2 * n)[1:]
        pos += len(r)
    out += b"\0\0" + b"".join(records)
    return bytes(out)


def outlook_pst(rng, size):
    """An Outlook (Unicode) PST: the 564-byte header with its magic, version
    23, the file size in its root record (ibFileEof at 0xB8) and the partial
    CRC over the 471 bytes from offset 8, then 512-byte pages."""
    pages = max(2, size // 512)
    total = 0x4400 + pages * 512
    head = bytearray(b"!BDN" + _u32le(0) + b"SM" + struct.pack("<HHBB", 23, 19, 1, 1) + b"\0" * 8)
    head += rng.randbytes(564 - len(head))
    head[0xB4:0xC0] = _u32le(0) + struct.pack("<Q", total)
    # The plain CRC-32, without zlib's pre- and post-inversion.
    head[4:8] = _u32le(zlib.crc32(bytes(head[8:8 + 471]), 0xFFFFFFFF) ^ 0xFFFFFFFF)
    return bytes(head) + b"\0" * (0x4400 - len(head)) + rng.randbytes(pages * 512)


def wordperfect(rng, paragraphs):
    """A WordPerfect 6.1 document: the 16-byte prefix (pointer to the text),
    the index header (its file size at byte 20, as WordPerfect 6.1 and later
    write it), then the text stream."""
    text = b"".join(_prose(rng, WORDS, 80).encode() + b"\xCC" for _ in range(paragraphs))
    start = 0x200
    prefix = b"\xFFWPC" + _u32le(start) + bytes([1, 10, 2, 1]) + _u16le(0) + _u16le(0x200)
    index = b"\x02\x00" + rng.randbytes(2) + _u32le(start + len(text)) + rng.randbytes(8)
    head = prefix + index
    return head + b"\0" * (start - len(head)) + text
