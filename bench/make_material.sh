#!/usr/bin/env bash
# Makes the real files that make_bench_image embeds in the benchmark image:
# camera-sized JPEGs (JFIF and Exif), PNG, GIF, BMP, TIFF, MP4/MOV clips,
# MP3/WAV, PDF, ZIP and DOCX, plus the small files of tests/material.
#
#   bench/make_material.sh OUTDIR
#
# Needs imagemagick, ffmpeg and python3. The output depends only on the tool
# versions; OUTDIR/.complete marks a finished set so it can be reused.
set -euo pipefail

out=${1:?usage: make_material.sh OUTDIR}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
[[ -f $out/.complete ]] && exit 0
rm -rf "$out"
mkdir -p "$out"
cd "$out"

# Always the real ImageMagick, not a wrapper earlier on PATH.
im=/usr/bin/convert
[[ -x $im ]] || im=convert

cp "$repo"/tests/material/*.{jpg,png,gif,tif,mp4,mp3,wav,pdf,zip,docx} .

# Photos as a camera or phone leaves them: 1.5 to 6 megapixels, with sensor
# noise so they compress like real pictures.
i=0
for geo in 1600x1200 2048x1536 2400x1600 2592x1944 3000x2000 1920x1080 2304x1728 2816x2112; do
  i=$((i + 1))
  "$im" -size "$geo" -seed "$i" plasma:tan-skyblue -attenuate 0.4 +noise Gaussian \
    -quality $((84 + i)) "cam_$i.jpg"
done
"$im" -size 1280x960 -seed 21 plasma:fractal -attenuate 0.15 +noise Gaussian screen_1.png
"$im" -size 800x600 -seed 22 gradient:white-steelblue -swirl 120 screen_2.png
"$im" -size 640x480 -seed 23 plasma:green-yellow -colors 128 anim_1.gif
"$im" -size 1024x768 -seed 24 plasma:red-blue BMP3:scan_1.bmp
"$im" -size 800x600 -seed 25 plasma:fractal BMP3:scan_2.bmp
"$im" -size 1200x900 -seed 26 plasma:orange-purple -compress lzw scan_1.tif

# Camera photos carry Exif (APP1) instead of JFIF (APP0): put a minimal Exif
# block in front of half of them.
python3 - <<'PY'
import glob, struct
for n, path in enumerate(sorted(glob.glob("cam_*.jpg"))):
    if n % 2:
        continue
    data = open(path, "rb").read()
    assert data[:2] == b"\xff\xd8"
    # TIFF header (little endian) with one IFD holding Make and Model.
    make, model = b"Ostrel\0", b"Bench Camera %d\0" % n
    entries = 2
    ifd_off = 8
    data_off = ifd_off + 2 + entries * 12 + 4
    tiff = b"II*\0" + struct.pack("<I", ifd_off) + struct.pack("<H", entries)
    tiff += struct.pack("<HHII", 0x010F, 2, len(make), data_off)
    tiff += struct.pack("<HHII", 0x0110, 2, len(model), data_off + len(make))
    tiff += struct.pack("<I", 0) + make + model
    app1 = b"Exif\0\0" + tiff
    seg = b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1
    # Drop the JFIF APP0 if there is one.
    rest = data[2:]
    if rest[:2] == b"\xff\xe0":
        rest = rest[2 + struct.unpack(">H", rest[2:4])[0]:]
    open(path, "wb").write(b"\xff\xd8" + seg + rest)
PY

ff="ffmpeg -loglevel error -y -nostdin"
$ff -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=6" -f lavfi -i "sine=frequency=500:duration=6" \
  -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p -c:a aac -b:a 96k -fflags +bitexact \
  -movflags +faststart clip_720p.mp4
$ff -f lavfi -i "mandelbrot=size=640x480:rate=25" -t 8 -c:v libx264 -preset veryfast -crf 20 \
  -pix_fmt yuv420p -fflags +bitexact clip_vga.mp4
$ff -f lavfi -i "testsrc=size=640x480:rate=25:duration=5" -c:v mpeg4 -q:v 4 -fflags +bitexact clip_1.mov
$ff -f lavfi -i "sine=frequency=330:duration=90" -c:a libmp3lame -b:a 128k -fflags +bitexact \
  -metadata title="Bench track" track_1.mp3
$ff -f lavfi -i "anoisesrc=duration=40:color=pink:seed=3" -c:a libmp3lame -b:a 192k -fflags +bitexact \
  track_2.mp3
$ff -f lavfi -i "sine=frequency=440:duration=20" -ar 44100 -ac 2 -fflags +bitexact voice_1.wav

python3 - <<'PY'
import random, zipfile, zlib

rng = random.Random(7)

def pdf(path, pages, with_image):
    objs = []
    def add(b):
        objs.append(b)
        return len(objs)
    catalog = add(None)
    pages_obj = add(None)
    font = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
    img = None
    if with_image:
        raw = bytes(rng.getrandbits(8) for _ in range(300 * 200 * 3))
        comp = zlib.compress(raw)
        img = add(b"<< /Type /XObject /Subtype /Image /Width 300 /Height 200 /ColorSpace /DeviceRGB "
                  b"/BitsPerComponent 8 /Filter /FlateDecode /Length %d >>\nstream\n" % len(comp) + comp + b"\nendstream")
    kids = []
    for p in range(pages):
        text = b"".join(b"BT /F1 11 Tf 50 %d Td (Page %d line %d of the bench document) Tj ET\n" % (800 - 14 * l, p, l)
                        for l in range(50))
        if img:
            text += b"q 300 0 0 200 150 100 cm /Im1 Do Q\n"
        content = add(b"<< /Length %d >>\nstream\n" % len(text) + text + b"endstream")
        res = b"/Font << /F1 %d 0 R >>" % font + (b" /XObject << /Im1 %d 0 R >>" % img if img else b"")
        kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 595 842] /Contents %d 0 R "
                        b"/Resources << %s >> >>" % (pages_obj, content, res)))
    objs[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % pages_obj
    objs[pages_obj - 1] = (b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) +
                           b"] /Count %d >>" % len(kids))
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for i, o in enumerate(objs, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, catalog, xref)
    open(path, "wb").write(out)

pdf("report_1.pdf", 30, False)
pdf("scan_3.pdf", 4, True)

def fixed_zip(path, members, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, "w", method) as z:
        for name, data in members:
            info = zipfile.ZipInfo(name, date_time=(2024, 6, 7, 12, 0, 0))
            info.compress_type = method
            z.writestr(info, data)

words = "the card was formatted but the pictures were still there waiting".split()
def prose(n):
    return " ".join(rng.choice(words) for _ in range(n)).encode()

fixed_zip("backup_1.zip", [("notes/%02d.txt" % i, prose(4000)) for i in range(20)] +
          [("photos/raw.bin", bytes(rng.getrandbits(8) for _ in range(400000)))])
fixed_zip("archive_2.zip", [("data.bin", bytes(rng.getrandbits(8) for _ in range(900000)))], zipfile.ZIP_STORED)

ct = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
      '<Default Extension="xml" ContentType="application/xml"/>'
      '<Default Extension="png" ContentType="image/png"/>'
      '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
body = "".join("<w:p><w:r><w:t>%s</w:t></w:r></w:p>" % prose(60).decode() for _ in range(300))
doc = ('<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
       '<w:body>%s</w:body></w:document>' % body)
fixed_zip("minutes_1.docx", [("[Content_Types].xml", ct), ("word/document.xml", doc),
                             ("word/media/image1.png", open("screen_2.png", "rb").read())])
PY

touch .complete
