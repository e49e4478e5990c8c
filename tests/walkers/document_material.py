#!/usr/bin/env python3
"""Writes the document and archive test files that no installed tool makes:
ZIP64 and data-descriptor ZIPs, office and e-book skeletons with the right
entry names, ZIPs with a JPEG at a sector boundary inside a stored entry.
Usage: document_material.py <folder> [<jpeg file>]"""
import io
import os
import sys
import zipfile
import zlib

out = sys.argv[1]
jpeg = open(sys.argv[2], "rb").read() if len(sys.argv) > 2 else b"\xff\xd8\xff\xe0" + bytes(2000)
text = b"".join(b"line %d of some text that compresses well\n" % i for i in range(400))
noise = bytes((i * 7919 + (i >> 3) * 31) & 0xFF for i in range(6000))


def path(name):
    return os.path.join(out, name)


class Unseekable(io.RawIOBase):
    """A sink that cannot seek, so zipfile writes data descriptors."""

    def __init__(self, f):
        self.f = f

    def writable(self):
        return True

    def write(self, b):
        return self.f.write(b)


def write_zip(name, entries, comment=b"", stream=False, zip64=False):
    with open(path(name), "wb") as f:
        sink = Unseekable(f) if stream else f
        with zipfile.ZipFile(sink, "w") as z:
            for entry_name, data, method in entries:
                info = zipfile.ZipInfo(entry_name, date_time=(2020, 1, 2, 3, 4, 6))
                info.compress_type = method
                with z.open(info, "w", force_zip64=zip64) as w:
                    w.write(data)
            z.comment = comment


D, S = zipfile.ZIP_DEFLATED, zipfile.ZIP_STORED
write_zip("zip64.zip", [("a.txt", text, D), ("b.bin", noise, S)], comment=b"a ZIP64 archive", zip64=True)
write_zip("stream.zip", [("a.txt", text, D), ("b.bin", noise, S), ("c.txt", text[:100], S)], stream=True)
write_zip("stream64.zip", [("a.txt", text, D), ("b.bin", noise, S)], stream=True, zip64=True)

# A stored entry holding a JPEG and a whole ZIP, each at a 512-byte boundary
# of the outer file (local header 30 bytes + 5-byte name).
inner = open(path("stream.zip"), "rb").read()
pad = 512 - 35
payload = bytes(pad) + jpeg
payload += bytes((-len(payload) - 35) % 512) + inner + noise
write_zip("embedded.zip", [("a.bin", payload, S), ("b.txt", text, D)])

office = {
    "DOCX": "word/document.xml",
    "XLSX": "xl/workbook.xml",
    "PPTX": "ppt/presentation.xml",
}
for ext, main in office.items():
    write_zip("skeleton." + ext.lower(), [
        ("[Content_Types].xml", b"<?xml version='1.0'?><Types/>", D),
        ("_rels/.rels", b"<Relationships/>", D),
        (main, text, D),
    ])
mimes = {
    "odt": b"application/vnd.oasis.opendocument.text",
    "ods": b"application/vnd.oasis.opendocument.spreadsheet",
    "odp": b"application/vnd.oasis.opendocument.presentation",
    "odg": b"application/vnd.oasis.opendocument.graphics",
    "epub": b"application/epub+zip",
}
for ext, mime in mimes.items():
    write_zip("skeleton." + ext, [("mimetype", mime, S), ("META-INF/manifest.xml", b"<manifest/>", D),
                                  ("content.xml", text, D)])
write_zip("skeleton.jar", [("META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\n", D), ("A.class", noise, D)])


# PDFs written object by object: an incremental update, a linearized-style
# early %%EOF, CRLF line ends, a JPEG at a sector boundary inside an image
# stream with a direct length (whose data also holds "%%EOF"), and a stream
# with an indirect length.
def pdf(objects, eol=b"\n", start=b"", first_eof_after=None, root=1):
    out = bytearray(start + b"%PDF-1.6" + eol + b"%\xe2\xe3\xcf\xd3" + eol)
    offsets = []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj" % i + eol + body + eol + b"endobj" + eol
        if first_eof_after == i:
            out += b"xref" + eol + b"0 1" + eol + b"0000000000 65535 f" + eol
            out += b"trailer" + eol + b"<< /Size 2 >>" + eol + b"startxref" + eol + b"0" + eol + b"%%EOF" + eol
    xref = len(out)
    out += b"xref" + eol + b"0 %d" % (len(objects) + 1) + eol + b"0000000000 65535 f " + eol
    for off in offsets:
        out += b"%010d 00000 n " % off + eol
    out += b"trailer" + eol + b"<< /Size %d /Root %d 0 R >>" % (len(objects) + 1, root) + eol
    out += b"startxref" + eol + b"%d" % xref + eol + b"%%EOF" + eol
    return out


def stream(data, extra=b""):
    return b"<< /Length %08d%s >>\nstream\n" % (len(data), extra) + data + b"\nendstream"


def page(first=1, contents=b"BT /F1 12 Tf 10 10 Td (text) Tj ET\n" * 30, extra=()):
    n = first
    return [
        b"<< /Type /Catalog /Pages %d 0 R >>" % (n + 1),
        b"<< /Type /Pages /Kids [%d 0 R] /Count 1 >>" % (n + 2),
        b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 200 200] /Contents %d 0 R >>" % (n + 1, n + 3),
        stream(contents),
    ] + list(extra)


base = pdf(page())
open(path("crlf.pdf"), "wb").write(pdf(page(), eol=b"\r\n"))
open(path("linearized.pdf"), "wb").write(pdf([b"<< /Linearized 1 /L 9999 >>"] + page(2), first_eof_after=1, root=2))
update = b"5 0 obj\n<< /Producer (update) >>\nendobj\n"
update += b"xref\n0 1\n0000000000 65535 f \n5 1\n%010d 00000 n \n" % len(base)
update += b"trailer\n<< /Size 6 /Root 1 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (
    base.rfind(b"xref"), len(base) + len(b"5 0 obj\n<< /Producer (update) >>\nendobj\n"))
open(path("incremental.pdf"), "wb").write(base + update)
open(path("prefixed.pdf"), "wb").write(pdf(page(), start=b"x" * 300 + b"\n"))


def image_pdf(gap):
    image = b"%%EOF\n" + bytes(gap) + jpeg
    return pdf(page(extra=[stream(image, b" /Type /XObject /Subtype /Image /Filter /DCTDecode")]))


first = image_pdf(0)
at = first.find(jpeg)
open(path("image.pdf"), "wb").write(image_pdf((-at) % 512 + 512))
compressed = zlib.compress(noise + b"%%EOF\n" + noise)
indirect = b"<< /Length 6 0 R /Filter /FlateDecode >>\nstream\n" + compressed + b"\nendstream"
open(path("indirect.pdf"), "wb").write(pdf(page(extra=[indirect, b"%d" % len(compressed)])))


# OLE compound files: streams in regular sectors, a directory whose names
# give the type, FAT sectors after the data (as Word writes them) and, for
# more than 109 FAT sectors, a DIFAT sector.
END_OF_CHAIN, FREE, FAT_SECT, DIF_SECT, NO_STREAM = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFC, 0xFFFFFFFF


def ole(names, shift=9, min_fat=1, size=5000):
    import struct
    S = 1 << shift
    per = S // 4
    sectors, fat = [], {}
    entries = [("Root Entry", 5, END_OF_CHAIN, 0)]
    for k, name in enumerate(names):
        data = bytes((k * 13 + i) & 0xFF for i in range(size))
        data += bytes(-len(data) % S)
        first = len(sectors)
        count = len(data) // S
        for j in range(count):
            fat[first + j] = first + j + 1 if j < count - 1 else END_OF_CHAIN
            sectors.append(data[j * S:(j + 1) * S])
        entries.append((name, 2, first, size))
    directory = b""
    for i, (name, kind, start, length) in enumerate(entries):
        encoded = name.encode("utf-16-le") + b"\0\0"
        child = 1 if kind == 5 and len(entries) > 1 else NO_STREAM
        right = i + 1 if kind == 2 and i + 1 < len(entries) else NO_STREAM
        directory += struct.pack("<64sHBBIII16sIQQIQ", encoded, len(encoded), kind, 1, NO_STREAM, right, child,
                                 bytes(16), 0, 0, 0, start, length)
    directory += bytes(-len(directory) % S)
    first_dir = len(sectors)
    dir_count = len(directory) // S
    for j in range(dir_count):
        fat[first_dir + j] = first_dir + j + 1 if j < dir_count - 1 else END_OF_CHAIN
        sectors.append(directory[j * S:(j + 1) * S])
    nfat = min_fat
    while True:
        ndif = max(0, -(-(nfat - 109) // (per - 1)))
        if len(sectors) + nfat + ndif <= nfat * per:
            break
        nfat += 1
    # DIFAT sectors first: a FAT sector the stream has passed cannot be read.
    dif_at = list(range(len(sectors), len(sectors) + ndif))
    fat_at = list(range(len(sectors) + ndif, len(sectors) + ndif + nfat))
    for s in fat_at:
        fat[s] = FAT_SECT
    for s in dif_at:
        fat[s] = DIF_SECT
    table = b"".join(struct.pack("<I", fat.get(i, FREE)) for i in range(nfat * per))
    listed = fat_at[109:]
    for k, s in enumerate(dif_at):
        chunk = listed[k * (per - 1):(k + 1) * (per - 1)]
        nxt = dif_at[k + 1] if k + 1 < len(dif_at) else END_OF_CHAIN
        sectors.append(struct.pack("<%dI" % (per - 1), *(chunk + [FREE] * (per - 1 - len(chunk)))) +
                       struct.pack("<I", nxt))
    sectors += [table[i * S:(i + 1) * S] for i in range(nfat)]
    difat = fat_at[:109] + [FREE] * (109 - len(fat_at[:109]))
    header = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + bytes(16)
    header += struct.pack("<HHHHH6sIIIIIIIII", 0x3E, 3 if shift == 9 else 4, 0xFFFE, shift, 6, bytes(6),
                          dir_count if shift == 12 else 0, nfat, first_dir, 0, 4096, END_OF_CHAIN, 0,
                          dif_at[0] if dif_at else END_OF_CHAIN, len(dif_at))
    header += struct.pack("<109I", *difat)
    header += bytes(S - len(header))
    return header + b"".join(sectors)


open(path("word.doc"), "wb").write(ole(["1Table", "\x01CompObj", "WordDocument", "\x05SummaryInformation"]))
open(path("book.xls"), "wb").write(ole(["Workbook", "\x05SummaryInformation"]))
open(path("slides.ppt"), "wb").write(ole(["Current User", "\x05SummaryInformation", "Pictures", "Other",
                                          "PowerPoint Document"]))
open(path("mail.msg"), "wb").write(ole(["__nameid_version1.0", "__substg1.0_0037001F", "__properties_version1.0"]))
open(path("big-sectors.doc"), "wb").write(ole(["WordDocument", "1Table"], shift=12))
open(path("difat.xls"), "wb").write(ole(["Workbook"], min_fat=112))


# Files whose header states their length, written field by field: DOS EPS
# (with a TIFF preview section) and Outlook PST headers (Unicode and ANSI).
def dos_eps(ps):
    import struct
    tiff = b"II*\0" + bytes(200)
    return struct.pack("<IIIIIIIH", 0xC6D3D0C5, 30, len(ps), 0, 0, 30 + len(ps), len(tiff), 0xFFFF) + ps + tiff


open(path("dos.eps"), "wb").write(dos_eps(b"%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nshowpage\n%%EOF\n"))


def pst(unicode):
    import struct
    size = 0x6400
    header = bytearray(size)
    header[0:4] = b"!BDN"
    struct.pack_into("<HHH", header, 8, 0x4D53, 23 if unicode else 14, 19)
    if unicode:
        struct.pack_into("<Q", header, 0xB8, size)
    else:
        struct.pack_into("<I", header, 0xA8, size)
    crc = zlib.crc32(bytes(header[8:8 + 471]), 0xFFFFFFFF) ^ 0xFFFFFFFF
    struct.pack_into("<I", header, 4, crc)
    return bytes(header)


open(path("unicode.pst"), "wb").write(pst(True))
open(path("ansi.pst"), "wb").write(pst(False))


# RAR archives (no encoder is packaged): RAR 5 and RAR 4 with stored files,
# block by block as the formats lay them out; 7z lists and tests them.
def vint(n):
    out = bytearray()
    while True:
        out.append((n & 0x7F) | (0x80 if n > 0x7F else 0))
        n >>= 7
        if not n:
            return bytes(out)


def rar5(files, end=True):
    import struct

    def block(kind, body, data=b"", flags=0):
        fields = vint(kind) + vint(flags | (2 if data else 0))
        if data:
            fields += vint(len(data))
        fields += body
        size = vint(len(fields))
        return struct.pack("<I", zlib.crc32(size + fields)) + size + fields + data

    out = b"Rar!\x1a\x07\x01\x00" + block(1, vint(0))
    for name, data in files:
        body = vint(0x04) + vint(len(data)) + vint(0o644) + struct.pack("<I", zlib.crc32(data))
        body += vint(0) + vint(1) + vint(len(name)) + name
        out += block(2, body, data)
    return out + (block(5, vint(0)) if end else b"")


def rar4(files):
    import struct

    def block(kind, flags, rest, data=b""):
        size = 7 + len(rest)
        head = struct.pack("<BHH", kind, flags, size) + rest
        return struct.pack("<H", zlib.crc32(head) & 0xFFFF) + head + data

    out = b"Rar!\x1a\x07\x00" + block(0x73, 0, bytes(6))
    for name, data in files:
        rest = struct.pack("<IIBIIBBHI", len(data), len(data), 3, zlib.crc32(data), 0x50210000, 29, 0x30,
                           len(name), 0o100644) + name
        out += block(0x74, 0x8000, rest, data)
    return out + block(0x7B, 0x4000, b"")


rar_files = [(b"a.txt", text), (b"photo.jpg", jpeg), (b"b.bin", noise)]
open(path("five.rar"), "wb").write(rar5(rar_files))
open(path("four.rar"), "wb").write(rar4(rar_files))


# RTF written as word processors lay it out: nested groups, escaped braces
# and backslashes, hex and Unicode escapes, and a picture as \bin data (a
# JPEG holding braces and zeros), with and without a line end after the
# last brace.
body = (b"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Arial;}}\r\n"
        b"{\\colortbl;\\red255\\green0\\blue0;}\r\n{\\*\\generator Writer}\\pard\\plain\\f0\\fs24 "
        + b"Braces \\{ and \\} and a backslash \\\\ in text, caf\\'e9 \\u8364? euro.\\par\r\n" * 40)
picture = b"{\\pict\\jpegblip\\picw8\\pich8\\bin%d " % len(jpeg) + jpeg + b"}"
open(path("plain.rtf"), "wb").write(body + b"}")
open(path("crlf.rtf"), "wb").write(body + b"\\par}\r\n")
open(path("picture.rtf"), "wb").write(body + picture + b"\\par}\n")


# Text formats, as their writers end them.
card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoë Example\r\nTEL;TYPE=cell:+1 555 0100\r\nEND:VCARD\r\n"
open(path("cards.vcf"), "wb").write((card * 3).encode())
open(path("event.ics"), "wb").write((
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\nUID:1@example\r\n"
    "DTSTART:20200102T030405Z\r\nSUMMARY:Café\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n").encode())
open(path("page.html"), "wb").write(("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Ünïcode</title>"
                                     "</head>\n<body>\n" + "<p>paragraph — text</p>\n" * 50 + "</body>\n</html>\n").encode())
xml = "<?xml version=\"1.0\" encoding=\"%s\"?>\n<root>\n" + "  <item name=\"é\">value</item>\n" * 60 + "</root>\n"
open(path("utf8.xml"), "wb").write((xml % "UTF-8").encode())
open(path("utf16.xml"), "wb").write(b"\xff\xfe" + (xml % "UTF-16").encode("utf-16-le"))
open(path("mail.eml"), "wb").write(b"Return-Path: <a@example.org>\r\nReceived: from example.org\r\n"
                                   b"Subject: " + "Grüße".encode() + b"\r\n"
                                   b"Content-Type: text/plain; charset=iso-8859-1\r\n\r\nCaf\xe9 body line\r\n" * 1
                                   + b"more body\r\n" * 30)


# A MOBI book in a Palm database: header, record list, a MOBI header record,
# text records, and the end record writers close a book with.
def mobi():
    import struct
    records = [b"\0\x02\0\0" + bytes(12) + b"MOBI" + struct.pack(">I", 232) + bytes(224)]
    records += [text[i:i + 4096] for i in range(0, len(text), 4096)]
    records.append(b"\xe9\x8e\r\n")
    header = b"Example book".ljust(32, b"\0") + struct.pack(">HHIIIIII", 0, 0, 0, 0, 0, 0, 0, 0)
    header += b"BOOKMOBI" + struct.pack(">IIH", 0, 0, len(records))
    offset = len(header) + 8 * len(records) + 2
    listing = b""
    for k, record in enumerate(records):
        listing += struct.pack(">II", offset, k * 2)
        offset += len(record)
    return header + listing + b"\0\0" + b"".join(records)


open(path("book.mobi"), "wb").write(mobi())
