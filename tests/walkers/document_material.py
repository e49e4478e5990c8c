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
