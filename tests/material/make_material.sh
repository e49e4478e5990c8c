#!/usr/bin/env bash
# Recreates the small real files the tests and the built-in sample image are
# made of. Needs imagemagick, ffmpeg and python3. The files are committed, so
# this only runs when the material should change.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 640x480 -seed 7 plasma:red-blue -quality 85 photo.jpg
convert -size 320x240 -seed 11 plasma:green-yellow -quality 90 \
  -set comment "Ostrel sample" thumb.jpg
convert -size 160x120 -seed 3 gradient:navy-gold -swirl 90 photo.png
convert -size 200x150 -seed 5 plasma:orange-purple -colors 64 animation.gif
convert -size 120x90 -seed 9 plasma:fractal -compress lzw photo.tif
python3 - <<'PY'
# A small but complete PDF (one page of text) with a correct xref table.
objs = [
    b"<< /Type /Catalog /Pages 2 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
    b"/Resources << /Font << /F1 5 0 R >> >> >>",
    None,
    b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
]
text = b"BT /F1 24 Tf 72 760 Td (Ostrel sample document) Tj ET\n" * 40
objs[3] = b"<< /Length %d >>\nstream\n" % len(text) + text + b"endstream"
out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
offsets = []
for i, o in enumerate(objs, 1):
    offsets.append(len(out))
    out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
for off in offsets:
    out += b"%010d 00000 n \n" % off
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
open("doc.pdf", "wb").write(out)
PY
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:duration=3" -c:a libmp3lame -b:a 64k \
  -metadata title="Ostrel tone" tone.mp3
ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=660:duration=1" -ac 1 -ar 8000 tone.wav
ffmpeg -loglevel error -y -f lavfi -i "testsrc=size=320x240:rate=10:duration=2" \
  -c:v libx264 -pix_fmt yuv420p -preset veryfast -movflags +faststart clip.mp4
python3 - <<'PY'
import zipfile
with zipfile.ZipFile("notes.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("notes.txt", "Recovered notes\n" * 200)
with zipfile.ZipFile("letter.docx", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml",
               '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
               '<Default Extension="xml" ContentType="application/xml"/>'
               '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
    z.writestr("word/document.xml",
               '<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
               '<w:body><w:p><w:r><w:t>Dear reader</w:t></w:r></w:p></w:body></w:document>')
PY
ls -l

# Pictures the thumbnails decode outside Qt's own formats (window tests).
mkdir -p pictures
for f in photo.webp photo.heic photo.avif; do
  convert -size 120x80 -seed 17 plasma:green-magenta -quality 70 "pictures/$f"
done
convert -size 120x80 gradient:green-magenta -depth 8 -compress RLE pictures/photo.psd
convert -size 120x80 gradient:green-magenta -depth 8 -compress RLE PSB:pictures/photo.psb
convert -size 60x40 gradient:green-magenta -colorspace CMYK -compress None pictures/cmyk.psd
convert -size 160x120 -seed 21 plasma:orange-teal -quality 80 pictures/preview.tmp.jpg
python3 make_dng.py pictures/preview.tmp.jpg pictures/photo.dng pictures/raw-only.dng
rm pictures/preview.tmp.jpg
