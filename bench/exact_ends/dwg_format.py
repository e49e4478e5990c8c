"""AutoCAD drawings laid out as the Open Design Alliance's public
description of the DWG format has them: an AutoCAD 2000 file (AC1015: section
locators, header variables, classes, objects, object map, second header,
preview image) and an AutoCAD 2018 one (AC1032, the R2004 paged layout:
the encrypted file header at 0x80, data pages with masked headers, the
section map, the section page map and the header's copy at the end).

The bit-coded contents (header variables, class and object records) are
seeded random bytes inside correct section framing: sentinels, sizes,
CRCs, object sizes, the object map and, in the paged layout, compression
(literal runs only, which the format allows), page checksums and maps.
"""

import struct
import zlib

# Sentinels (16 bytes) that open and close sections.
HEADER_VARS = (bytes.fromhex("CF7B1F23FDDE38A95F7C68B84E6D335F"), bytes.fromhex("3084E0DC0221C756A0839747B192CCA0"))
CLASSES = (bytes.fromhex("8DA1C4B8C4A9F8C5C0DCF45FE7CFB68A"), bytes.fromhex("725E3B473B56073A3F230BA018304975"))
SECOND_HEADER = (bytes.fromhex("D47B21CE28939FBF53244009123CAA01"), bytes.fromhex("2B84DE31D76C6040ACDBBFF6EDC355FE"))
IMAGE = (bytes.fromhex("1F256D07D43628289D57CA3F9D44102B"), bytes.fromhex("E0DA92F82BC9D7D762A835C062BBEFD4"))
LOCATORS_END = bytes.fromhex("95A04E2899821AE55E41E05F9D3A4D00")
# CRC of the file header, XORed with a constant for the number of locators.
LOCATOR_CRC_XOR = {3: 0xA598, 4: 0x8101, 5: 0x3CC4, 6: 0x8461}


def crc16(data, seed):
    """The DWG 16-bit CRC (polynomial 0xA001, reflected)."""
    crc = seed
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ (0xA001 if crc & 1 else 0)
    return crc


def modular_char(v):
    """A signed modular char: 7 bits a byte, low first, 0x80 continues,
    0x40 of the last byte the sign."""
    neg, v = v < 0, abs(v)
    out = bytearray()
    while True:
        out.append(v & 0x7F)
        v >>= 7
        if v == 0 and not out[-1] & 0x40:
            break
    for k in range(len(out) - 1):
        out[k] |= 0x80
    if neg:
        out[-1] |= 0x40
    return bytes(out)


def modular_short(v):
    """A modular short: 15 bits a little-endian word, 0x8000 continues."""
    out = bytearray()
    while True:
        word = v & 0x7FFF
        v >>= 15
        out += struct.pack("<H", word | (0x8000 if v else 0))
        if not v:
            return bytes(out)


def framed(sentinels, data):
    """A section between its sentinels: RL size, data, RS CRC of size and
    data (seed 0xC0C1)."""
    body = struct.pack("<I", len(data)) + data
    return sentinels[0] + body + struct.pack("<H", crc16(body, 0xC0C1)) + sentinels[1]


def objects(rng, count, total, base):
    """`count` object records (MS size, data, RS CRC) of about `total`
    bytes; returns the bytes and the offset of each record from `base`."""
    out, places = bytearray(), []
    for _ in range(count):
        data = rng.randbytes(max(8, int(rng.expovariate(count / total))))
        record = modular_short(len(data)) + data
        places.append(base + len(out))
        out += record + struct.pack("<H", crc16(record, 0xC0C1))
    return bytes(out), places


def object_map(places, first_handle=1):
    """The object map: sections of at most 2032 bytes, each a big-endian
    size (counting itself), pairs of handle and location offsets (modular
    chars, from the previous pair of the section) and a big-endian CRC;
    an empty section (size 2) ends it."""
    out, pairs, last_h, last_loc = bytearray(), bytearray(), 0, 0

    def close(body):
        sized = struct.pack(">H", len(body) + 2) + body
        return sized + struct.pack(">H", crc16(sized, 0xC0C1))
    for n, loc in enumerate(places):
        pair = modular_char(first_handle + n - last_h) + modular_char(loc - last_loc)
        if len(pairs) + len(pair) > 2030:
            out += close(bytes(pairs))
            pairs, last_h, last_loc = bytearray(), 0, 0
            pair = modular_char(first_handle + n) + modular_char(loc)
        pairs += pair
        last_h, last_loc = first_handle + n, loc
    return bytes(out + close(bytes(pairs)) + close(b""))


def preview(rng, at):
    """The preview image area placed at file offset `at`: start sentinel,
    RL size, image count, (code, start, size) per image (1: header data,
    2: BMP), the images, end sentinel."""
    width, height = 180, 120
    bmp_body = rng.randbytes(width * height)
    bmp = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bmp_body), 0, 0, 256, 0) + \
        rng.randbytes(1024) + bmp_body
    head = rng.randbytes(80)
    entries_at = at + 16 + 4 + 1 + 2 * 9
    body = b"\x02" + struct.pack("<BII", 1, entries_at, len(head)) + \
        struct.pack("<BII", 2, entries_at + len(head), len(bmp)) + head + bmp
    return IMAGE[0] + struct.pack("<I", len(body)) + body + IMAGE[1]


def r2000(rng, size):
    """An AutoCAD 2000 drawing (AC1015) of about `size` bytes."""
    head_len = 0x19 + 6 * 9 + 2 + 16
    header_vars = framed(HEADER_VARS, rng.randbytes(rng.randrange(700, 1100)))
    classes = framed(CLASSES, rng.randbytes(rng.randrange(200, 600)))
    objects_at = head_len + len(header_vars) + len(classes)
    count = max(10, size // 400)
    objs, places = objects(rng, count, size - 40000, objects_at)
    handles = object_map(places)
    handles_at = objects_at + len(objs)
    second_at = handles_at + len(handles)
    second = SECOND_HEADER[0] + rng.randbytes(rng.randrange(150, 250)) + SECOND_HEADER[1]
    measurement_at = second_at + len(second)
    measurement = struct.pack("<I", 0)
    aux_at = measurement_at + 4
    aux = b"\xff\x77\x01" + rng.randbytes(120)
    image_at = aux_at + len(aux)
    sections = [(0, head_len, len(header_vars)), (1, head_len + len(header_vars), len(classes)),
                (2, handles_at, len(handles)), (3, second_at, len(second)), (4, measurement_at, 4),
                (5, aux_at, len(aux))]
    head = b"AC1015" + b"\0" * 6 + b"\x01" + struct.pack("<IBBH", image_at, 0x17, 0, 30) + \
        struct.pack("<I", len(sections)) + b"".join(struct.pack("<BII", *s) for s in sections)
    head += struct.pack("<H", crc16(head, 0) ^ LOCATOR_CRC_XOR[len(sections)]) + LOCATORS_END
    assert len(head) == head_len
    return head + header_vars + classes + objs + handles + second + measurement + aux + preview(rng, image_at)


# ------------------------------------------------------ R2004 paged layout

PAGE_MAX = 0x7400  # decompressed bytes a data page holds
DATA_PAGE, PAGE_MAP, SECTION_MAP = 0x4163043B, 0x41630E3B, 0x4163003B


def _sequence(n):
    """The bytes that mask the R2004 header: a linear congruential
    generator seeded with 1, each step's bits 16-23."""
    seed, out = 1, bytearray()
    for _ in range(n):
        seed = (seed * 0x343FD + 0x269EC3) & 0xFFFFFFFF
        out.append((seed >> 16) & 0xFF)
    return bytes(out)


def page_checksum(seed, data):
    """The section page checksum: two 16-bit sums modulo 0xFFF1 over
    chunks of 0x15B0 bytes."""
    s1, s2 = seed & 0xFFFF, seed >> 16
    for at in range(0, len(data), 0x15B0):
        for b in data[at:at + 0x15B0]:
            s1 += b
            s2 += s1
        s1 %= 0xFFF1
        s2 %= 0xFFF1
    return (s2 << 16) | s1


def compress_literal(data):
    """The R2004 compressed form holding `data` as one literal run: its
    length (n - 3 up to 15, else 0, 0x00 bytes of 255 each and the rest,
    taking off 18), the bytes, then the 0x11 end opcode."""
    n = len(data)
    assert n >= 4
    if n <= 18:
        head = bytes([n - 3])
    else:
        rest = n - 18
        zeros = (rest - 1) // 255
        head = b"\0" + b"\0" * zeros + bytes([rest - 255 * zeros])
    return head + data + b"\x11"


def _pad(data):
    return data + b"\0" * (-len(data) % 0x20)


def system_page(kind, data):
    """A system page (section map or page map): 20-byte header (type,
    decompressed and compressed sizes, compression 2, checksum of the
    header with seed 0 then of the data), compressed data, padding."""
    comp = compress_literal(data)
    head = struct.pack("<IIIII", kind, len(data), len(comp), 2, 0)
    check = page_checksum(page_checksum(0, head), comp)
    return _pad(struct.pack("<IIIII", kind, len(data), len(comp), 2, check) + comp)


def data_page(section, start, data, address):
    """A data page at file offset `address`: the 32-byte header (type,
    section number, compressed and decompressed sizes, start offset,
    header and data checksums), each word XORed with 0x4164536B ^
    address, then the compressed data and padding."""
    comp = compress_literal(data)
    data_check = page_checksum(0, comp)
    words = [DATA_PAGE, section, len(comp), len(data), start, 0, data_check, 0]
    words[5] = page_checksum(data_check, struct.pack("<8I", *words))
    mask = 0x4164536B ^ address
    return _pad(struct.pack("<8I", *(w ^ mask for w in words)) + comp)


def summary_info(rng):
    """AcDb:SummaryInfo: title, subject, author, keywords, comments, last
    saved by, revision, hyperlink base (16-bit length, UTF-16 with its
    terminator), total editing time, create and update dates, property
    count and 8 trailing bytes."""
    def text(s):
        raw = (s + "\0").encode("utf-16-le")
        return struct.pack("<H", len(raw) // 2) + raw
    fields = ["Site plan %d" % rng.randrange(100), "Bench", "Card Owner", "plan", "", "Card Owner", "", ""]
    return b"".join(map(text, fields)) + struct.pack("<IIIIII", 0, 0, 2460000, 0, 2460100, 0) + \
        struct.pack("<H", 0) + b"\0" * 8


def r2018(rng, size):
    """An AutoCAD 2018 drawing (AC1032) of about `size` bytes."""
    count = max(10, size // 400)
    objs, places = objects(rng, count, size - 30000, 4)
    sections = [  # name, decompressed bytes; ids go down from the count to 1
        ("AcDb:SummaryInfo", summary_info(rng)),
        ("AcDb:Preview", preview(rng, 0)),
        ("AcDb:Header", framed(HEADER_VARS, rng.randbytes(rng.randrange(700, 1100)))),
        ("AcDb:Classes", framed(CLASSES, rng.randbytes(rng.randrange(200, 600)))),
        ("AcDb:AcDbObjects", struct.pack("<I", 0x0DCA) + objs),
        ("AcDb:Handles", object_map(places)),
    ]
    pages, descriptions, address, page_no = [], [], 0x100, 0
    first_page_of = {}
    for k, (name, data) in enumerate(sections):
        number = len(sections) - k
        if 0 < len(data) % PAGE_MAX < 4:  # a literal run holds 4 bytes at least
            data += b"\0" * 4
        entries = []
        for start in range(0, len(data), PAGE_MAX):
            chunk = data[start:start + PAGE_MAX]
            page_no += 1
            page = data_page(number, start, chunk, address)
            first_page_of.setdefault(name, address)
            entries.append(struct.pack("<IIQ", page_no, len(compress_literal(chunk)), start))
            pages.append((page_no, page))
            address += len(page)
        descriptions.append(struct.pack("<QIIIIII", len(data), len(entries), PAGE_MAX, 1, 2, number, 0) +
                            name.encode().ljust(64, b"\0") + b"".join(entries))
    # The section map opens with an empty, unnamed section numbered 0.
    empty = struct.pack("<QIIIIII", 0, 0, PAGE_MAX, 1, 2, 0, 0) + b"\0" * 64
    n_desc = len(descriptions) + 1
    section_map = struct.pack("<IIIII", n_desc, 2, PAGE_MAX, 0, n_desc) + empty + b"".join(descriptions)
    map_id, page_map_id = page_no + 1, page_no + 2
    section_map_page = system_page(SECTION_MAP, section_map)
    section_map_at = address
    address += len(section_map_page)
    page_map_at = address
    # The page map lists (number, size) of every page in file order; its
    # own size depends on its length only, which the entry count fixes.
    sizes = [(n, len(p)) for n, p in pages] + [(map_id, len(section_map_page))]
    own = len(system_page(PAGE_MAP, b"\0" * 8 * (len(sizes) + 1)))
    page_map_page = system_page(PAGE_MAP, b"".join(struct.pack("<ii", n, s) for n, s in sizes + [(page_map_id, own)]))
    assert len(page_map_page) == own
    end_of_pages = page_map_at + own
    copy_at = end_of_pages + 20
    h = bytearray(b"AcFssFcAJMB\0" + struct.pack("<III", 0, 0x6C, 4) + struct.pack("<iiiI", 0, 0, 0, 1) +
                  struct.pack("<IQQII", page_map_id, end_of_pages - 0x100, copy_at, 0, page_no) +
                  struct.pack("<III", 0x20, 0x80, 0x40) + struct.pack("<IQIII", page_map_id, page_map_at - 0x100,
                                                                       map_id, page_map_id, 0) + b"\0" * 4)
    h[0x68:0x6C] = struct.pack("<I", zlib.crc32(bytes(h)))
    mask = _sequence(0x80)
    encrypted = bytes(a ^ b for a, b in zip(h, mask))
    head = b"AC1032" + b"\0" * 5 + b"\x00\x03" + struct.pack("<IBBH", first_page_of["AcDb:Preview"] + 0x20, 0x21, 0, 30)
    head += b"\0" * 3 + struct.pack("<IIIII", 0, 0, first_page_of["AcDb:SummaryInfo"] + 0x20, 0, 0x80)
    head = head.ljust(0x80, b"\0") + encrypted + mask[0x6C:0x80]
    # The copy at the end: a system page header of no data, then the
    # encrypted header again.
    tail = struct.pack("<IIIII", PAGE_MAP, 0, 0, 2, 0) + encrypted
    out = head + b"".join(p for _, p in pages) + section_map_page + page_map_page + tail
    assert len(out) == copy_at + 0x6C and section_map_at > 0
    return out
