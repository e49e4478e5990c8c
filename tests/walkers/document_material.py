#!/usr/bin/env python3
"""Writes the document and archive test files that no installed tool makes:
ZIP64 and data-descriptor ZIPs, office and e-book skeletons with the right
entry names, ZIPs with a JPEG at a sector boundary inside a stored entry.
Usage: document_material.py <folder> [<jpeg file>]"""
import io
import os
import sys
import zipfile

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
