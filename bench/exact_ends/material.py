"""Makes the files that go on the benchmark card: real files of every type
the editions search, each made by the encoder that makes such files
(ImageMagick, cjpeg, exiftool, ffmpeg, lame, flac, oggenc, opusenc, sox,
zip, 7z, gzip, bzip2, xz, zstd, lz4, gcab, cjxl, JxrEncApp, img2dcm,
sqlite) or, where none is installed, by python_formats.

make_material(folder, scale, seed) returns a list of dicts
{path, type, role, maker}; role "card" files go on the card in order,
role "later" files are small files that later overwrite parts of deleted
ones. The folder is reused when it already holds a finished set made with
the same scale and seed (index.json).
"""

import concurrent.futures
import email.message
import email.policy
import io
import json
import os
import random
import shutil
import sqlite3
import subprocess
import tarfile
import time
import zipfile
import zlib

import keepass_files
import python_formats as pf

IM = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
FF = ["ffmpeg", "-nostdin", "-loglevel", "error", "-y"]
BITEXACT = ["-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact"]

# Files of each type at scale 1, by where a camera or phone keeps them.
PLAN_BY_CATEGORY = {
    "picture": {
        "jpg": 160, "png": 12, "gif": 5, "bmp": 6, "tif": 6, "webp": 5, "heic": 4, "heif": 2, "avif": 3,
        "jp2": 2, "jxl": 2, "jxr": 2, "psd": 2, "psb": 1, "mng": 2, "exr": 2, "xcf": 2, "dcm": 2,
        "dng": 3, "cr2": 3, "cr3": 2, "crw": 2, "mrw": 1, "orf": 2, "raf": 2, "rw2": 2, "x3f": 1},
    "video": {
        "mp4": 6, "mov": 4, "3gp": 2, "3g2": 1, "avi": 2, "mkv": 2, "webm": 2, "flv": 1, "f4v": 1, "m4v": 1,
        "asf": 1, "wmv": 1, "mpg": 2, "ts": 1, "mts": 2, "mxf": 1, "ogv": 1, "rm": 1, "crm": 1, "r3d": 1},
    "audio": {
        "mp3": 20, "wav": 4, "flac": 4, "ogg": 3, "opus": 3, "m4a": 4, "m4b": 1, "m4p": 1, "aac": 2,
        "aiff": 2, "aifc": 1, "au": 1, "caf": 1, "amr": 2, "awb": 1, "ape": 1, "dff": 1, "dsf": 1, "mid": 2,
        "wma": 2},
    "document": {
        "pdf": 12, "docx": 8, "xlsx": 5, "pptx": 4, "odt": 3, "ods": 2, "odp": 2, "odg": 1, "epub": 2,
        "zip": 6, "7z": 3, "gz": 3, "bz2": 2, "xz": 2, "zst": 2, "lz4": 1, "rar": 2, "cab": 2, "doc": 4,
        "xls": 3, "ppt": 2, "msg": 2, "accdb": 1, "mdb": 1, "dwg": 1, "eml": 4, "ics": 2, "vcf": 2,
        "html": 4, "xml": 3, "rtf": 3, "eps": 2, "ps": 2, "kdb": 1, "kdbx": 2, "mobi": 1, "pst": 1,
        "sqlite": 3, "wpd": 1},
}
PLAN = {t: c for plan in PLAN_BY_CATEGORY.values() for t, c in plan.items()}


def category_of(kind):
    """"picture", "video", "audio" or "document" for a type of the plan."""
    return next(cat for cat, plan in PLAN_BY_CATEGORY.items() if kind in plan)


# Small files written later over parts of deleted files, by type.
LATER = {"jpg": 10, "png": 3, "pdf": 3, "mp3": 3, "zip": 2, "gif": 2, "docx": 2, "wav": 1}


def run(cmd, **kw):
    """Runs cmd, raising with its error output when it fails."""
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)
    if p.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(map(str, cmd[:6])), p.stderr.decode(errors="replace")[-400:]))
    return p.stdout


class Ctx:
    """What the makers share: the scratch folder, seeded randomness per
    file, base pictures and small JPEGs for previews and attachments."""

    def __init__(self, folder, seed):
        self.folder, self.seed = folder, seed
        self.tmp = os.path.join(folder, "tmp")
        os.makedirs(self.tmp, exist_ok=True)

    def rng(self, key):
        return random.Random("%s-%s" % (self.seed, key))

    def scratch(self, name):
        return os.path.join(self.tmp, name)

    def make_bases(self):
        """Camera-sized pictures with sensor-like noise (so they compress
        like photos), plus small JPEG previews."""
        self.bases = []
        colours = ["tan-skyblue", "green-yellow", "orange-purple", "grey-steelblue"]
        jobs = []
        for i, c in enumerate(colours):
            out = self.scratch("base%d.ppm" % i)
            self.bases.append(out)
            jobs.append([IM, "-size", "816x612", "-seed", str(self.seed + i), "plasma:" + c, "-resize", "400%",
                         "-attenuate", "0.4", "+noise", "Gaussian", out])
        with concurrent.futures.ThreadPoolExecutor(2) as ex:
            list(ex.map(run, jobs))
        self.previews = []
        for i, b in enumerate(self.bases):
            p = self.scratch("preview%d.jpg" % i)
            run([IM, b, "-resize", "1600x1200", "-quality", "85", p])
            t = self.scratch("thumb%d.jpg" % i)
            run([IM, b, "-resize", "160x120", "-quality", "80", t])
            self.previews.append(p)
        self.thumbs = [self.scratch("thumb%d.jpg" % i) for i in range(len(self.bases))]

    def crop(self, rng, w, h, extra=(), out=None, fmt=None):
        """A w x h crop of a random base at a random place, through
        ImageMagick, written to out (with an optional format prefix)."""
        base = rng.choice(self.bases)
        x, y = rng.randrange(0, 3264 - w), rng.randrange(0, 2448 - h)
        target = (fmt + ":" if fmt else "") + out
        run([IM, base, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"] + list(extra) + [target])
        return out

    def preview_bytes(self, rng):
        return open(rng.choice(self.previews), "rb").read()

    def thumb_bytes(self, rng):
        return open(rng.choice(self.thumbs), "rb").read()


# Every maker(ctx, rng, out, n) writes file number n of its type to `out`,
# drawing all choices from `rng`, and returns the name of what made it.

# ------------------------------------------------------------------ pictures

def make_jpg(ctx, rng, out, n):
    base = rng.choice(ctx.bases)
    q = rng.randrange(80, 96)
    args = ["cjpeg", "-quality", str(q), "-optimize"] + (["-progressive"] if rng.random() < 0.2 else [])
    big = ctx.scratch(os.path.basename(out) + ".full.jpg")
    with open(big, "wb") as f:
        f.write(run(args + [base]))
    # Lossless crop to a camera or phone size: 1.3 to 8 megapixels.
    w, h = rng.choice([(3264, 2448), (3000, 2000), (2592, 1944), (2048, 1536), (1600, 1200), (1280, 960)])
    x, y = rng.randrange(0, 3264 - w + 1) // 16 * 16, rng.randrange(0, 2448 - h + 1) // 16 * 16
    with open(out, "wb") as f:
        f.write(run(["jpegtran", "-copy", "none", "-crop", "%dx%d+%d+%d" % (w, h, x, y), big]))
    os.unlink(big)
    return "cjpeg+jpegtran"


def exif_args(ctx, rng, path, n):
    """exiftool arguments that turn a software JPEG into a camera one: the
    JFIF header replaced by Exif with make, model, date and a thumbnail."""
    if rng.random() < 0.25:
        return []
    make, model = rng.choice([("Canon", "Canon EOS 80D"), ("NIKON CORPORATION", "NIKON D5300"),
                              ("SONY", "ILCE-6000"), ("Apple", "iPhone 12"), ("samsung", "SM-G991B")])
    return ["-JFIF:all=", "-Make=" + make, "-Model=" + model,
            "-DateTimeOriginal=2024:06:%02d %02d:%02d:%02d" % (1 + n % 28, n % 24, n % 60, (n * 7) % 60),
            "-ImageUniqueID=%032x" % rng.getrandbits(128), "-ThumbnailImage<=" + rng.choice(ctx.thumbs),
            "-overwrite_original", path, "-execute"]


def make_png(ctx, rng, out, n):
    w, h = rng.choice([(1280, 720), (1920, 1080), (800, 600), (1080, 1920)])
    extra = ["-colors", "64"] if rng.random() < 0.5 else []
    ctx.crop(rng, w, h, extra, out, "png")
    return "imagemagick"


def make_gif(ctx, rng, out, n):
    if n % 3 == 0:
        frames = [ctx.crop(rng, 480, 360, ["-colors", "64"], ctx.scratch("g%d_%d.gif" % (n, k))) for k in range(3)]
        run([IM, "-delay", "50"] + frames + ["-loop", "0", out])
    else:
        ctx.crop(rng, 640, 480, ["-colors", "128"], out, "gif")
    return "imagemagick"


def make_bmp(ctx, rng, out, n):
    fmt, extra = [("BMP3", []), ("BMP3", ["-type", "palette"]), ("BMP", ["-alpha", "on"]),
                  ("BMP2", []), ("BMP3", ["-resize", "75%"]), ("BMP", [])][n % 6]
    ctx.crop(rng, 1024, 768, extra, out, fmt)
    return "imagemagick"


def make_tif(ctx, rng, out, n):
    extra = [["-compress", "lzw"], ["-compress", "none"], ["-compress", "zip", "-endian", "MSB"],
             ["-compress", "none", "-endian", "MSB"]][n % 4]
    ctx.crop(rng, 1024, 768, extra, out, "tiff")
    return "imagemagick"


def make_im_plain(fmt, w, h, extra=()):
    def maker(ctx, rng, out, n):
        ctx.crop(rng, w, h, list(extra), out, fmt)
        return "imagemagick"
    return maker


def make_heif(ctx, rng, out, n):
    tmp = ctx.scratch("h%d.heic" % n)
    ctx.crop(rng, 1024, 768, ["-quality", "60"], tmp, "heic")
    data = bytearray(open(tmp, "rb").read())
    # Same file under the plain HEIF major brand (compatible brands keep heic).
    assert data[4:12] == b"ftypheic"
    data[8:12] = b"mif1"
    open(out, "wb").write(data)
    return "imagemagick+brand"


def make_jxl(ctx, rng, out, n):
    png = ctx.crop(rng, 1600, 1200, [], ctx.scratch("x%d.png" % n))
    run(["cjxl", "--container=1", "-q", "85", png, out])
    return "cjxl"


def make_jxr(ctx, rng, out, n):
    bmp = ctx.crop(rng, 1280, 960, [], ctx.scratch("x%d.bmp" % n), "BMP3")
    run(["JxrEncApp", "-i", bmp, "-o", out, "-q", "0.8"])
    return "JxrEncApp"


def make_mng(ctx, rng, out, n):
    frames = [ctx.crop(rng, 480, 360, [], ctx.scratch("m%d_%d.png" % (n, k))) for k in range(3)]
    run([IM, "-delay", "40"] + frames + ["MNG:" + out])
    return "imagemagick"


def make_exr(ctx, rng, out, n):
    open(out, "wb").write(pf.openexr(480, 360, rng))
    return "python"


def make_xcf(ctx, rng, out, n):
    raw = ctx.scratch("x%d.rgb" % n)
    ctx.crop(rng, 800, 600, ["-depth", "8"], raw, "rgb")
    open(out, "wb").write(pf.gimp_xcf(800, 600, open(raw, "rb").read()))
    return "python"


def make_dcm(ctx, rng, out, n):
    jpg = ctx.crop(rng, 1024, 1024, ["-colorspace", "gray", "-quality", "90"], ctx.scratch("d%d.jpg" % n))
    run(["img2dcm", jpg, out])
    return "img2dcm"


def make_tiff_raw(kind):
    def maker(ctx, rng, out, n):
        open(out, "wb").write(pf.tiff_raw(kind, ctx.preview_bytes(rng), 1600, 1200, rng))
        return "python"
    return maker


def make_crw(ctx, rng, out, n):
    open(out, "wb").write(pf.canon_crw(ctx.preview_bytes(rng), rng, 2500000))
    return "python"


def make_mrw(ctx, rng, out, n):
    open(out, "wb").write(pf.minolta_mrw(rng, 1600, 1200))
    return "python"


def make_raf(ctx, rng, out, n):
    open(out, "wb").write(pf.fuji_raf(ctx.preview_bytes(rng), rng, 3000000))
    return "python"


def make_x3f(ctx, rng, out, n):
    open(out, "wb").write(pf.sigma_x3f(ctx.preview_bytes(rng), rng, 3000000))
    return "python"


# --------------------------------------------------------------------- video

def lavfi_av(rng, seconds, size, rate=25, audio=True, noise=12):
    """ffmpeg inputs: a moving test picture with film grain, and a tone."""
    v = "testsrc2=size=%s:rate=%d:duration=%d,noise=alls=%d:allf=t" % (size, rate, seconds, noise)
    args = ["-f", "lavfi", "-i", v]
    if audio:
        args += ["-f", "lavfi", "-i", "sine=frequency=%d:duration=%d" % (rng.randrange(200, 900), seconds)]
    return args


VIDEO = {
    # Per type: picture size, seconds, codec and container arguments.
    "mp4": ("1280x720", 8, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "5M", "-c:a", "aac", "-f", "mp4"]),
    "mov": ("1280x720", 5, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "4M", "-c:a", "aac", "-f", "mov"]),
    "3gp": ("352x288", 10, ["-c:v", "mpeg4", "-b:v", "600k", "-c:a", "aac", "-ac", "1", "-ar", "16000", "-f", "3gp"]),
    "3g2": ("352x288", 10, ["-c:v", "mpeg4", "-b:v", "600k", "-c:a", "aac", "-ac", "1", "-ar", "16000", "-f", "3g2"]),
    "avi": ("640x480", 6, ["-c:v", "mpeg4", "-q:v", "4", "-c:a", "libmp3lame", "-f", "avi"]),
    "mkv": ("1280x720", 5, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "3M", "-c:a", "libvorbis",
                            "-f", "matroska"]),
    "webm": ("480x270", 4, ["-c:v", "libvpx", "-deadline", "realtime", "-cpu-used", "16", "-b:v", "1500k",
                            "-c:a", "libvorbis", "-f", "webm"]),
    "flv": ("640x360", 6, ["-c:v", "flv", "-b:v", "1500k", "-c:a", "libmp3lame", "-ar", "44100", "-f", "flv"]),
    "f4v": ("640x360", 6, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "2M", "-c:a", "aac", "-f", "f4v"]),
    "m4v": ("640x360", 6, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "2M", "-c:a", "aac", "-f", "mp4",
                           "-brand", "M4V "]),
    "asf": ("640x360", 6, ["-c:v", "wmv2", "-b:v", "1500k", "-c:a", "wmav2", "-f", "asf"]),
    "wmv": ("640x360", 6, ["-c:v", "wmv2", "-b:v", "1500k", "-c:a", "wmav2", "-f", "asf"]),
    "ts": ("1280x720", 5, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "3M", "-c:a", "aac", "-f", "mpegts"]),
    "mts": ("1280x720", 5, ["-c:v", "libx264", "-preset", "ultrafast", "-b:v", "3M", "-c:a", "ac3", "-f", "mpegts",
                            "-mpegts_m2ts_mode", "1"]),
    "mxf": ("720x576", 4, ["-c:v", "mpeg2video", "-b:v", "8M", "-c:a", "pcm_s16le", "-ar", "48000", "-f", "mxf"]),
    "ogv": ("480x270", 4, ["-c:v", "libtheora", "-q:v", "6", "-c:a", "libvorbis", "-f", "ogg"]),
    "rm": ("352x288", 6, ["-c:v", "rv10", "-b:v", "500k", "-c:a", "ac3", "-f", "rm"]),
    "crm": ("1280x720", 1, ["-c:v", "mjpeg", "-q:v", "3", "-r", "12", "-f", "mov", "-brand", "crx "]),
}


def make_video(kind):
    def maker(ctx, rng, out, n):
        size, seconds, args = VIDEO[kind]
        if kind == "mp4":
            # Phones put the index first, cameras often last; both are common.
            args = args + (["-movflags", "+faststart"] if n % 2 else []) + \
                (["-brand", ["mp42", "avc1", "isom"][n % 3]] if n % 3 else [])
        cmd = FF + lavfi_av(rng, seconds, size, audio=kind != "crm") + args + BITEXACT + [out]
        run(cmd)
        return "ffmpeg"
    return maker


def make_mpg(ctx, rng, out, n):
    fmt, codec = [("mpeg", "mpeg1video"), ("vob", "mpeg2video")][n % 2]
    run(FF + lavfi_av(rng, 6, "720x576") + ["-c:v", codec, "-b:v", "4M", "-c:a", "mp2", "-ar", "48000",
                                             "-f", fmt] + BITEXACT + [out])
    return "ffmpeg"


def make_cr3(ctx, rng, out, n):
    jpg = ctx.crop(rng, 1920, 1280, ["-quality", "92"], ctx.scratch("c%d.jpg" % n))
    run(FF + ["-i", jpg, "-c:v", "copy", "-f", "mov", "-brand", "crx "] + BITEXACT + [out])
    return "ffmpeg"


def make_r3d(ctx, rng, out, n):
    open(out, "wb").write(pf.red_r3d(rng, 48, 60000))
    return "python"


# --------------------------------------------------------------------- audio

def tone_wav(ctx, rng, seconds, name, rate=44100, channels=2):
    """A pink-noise-and-tone PCM file to feed the audio encoders."""
    path = ctx.scratch(name)
    src = "anoisesrc=duration=%d:color=pink:seed=%d:amplitude=0.3" % (seconds, rng.randrange(1 << 30))
    run(FF + ["-f", "lavfi", "-i", src, "-f", "lavfi", "-i",
              "sine=frequency=%d:duration=%d" % (rng.randrange(200, 900), seconds),
              "-filter_complex", "amix=inputs=2", "-ar", str(rate), "-ac", str(channels)] + BITEXACT + [path])
    return path


def make_mp3(ctx, rng, out, n):
    seconds = rng.randrange(20, 150)
    rate = rng.choice(["128k", "192k", "256k"])
    wav = tone_wav(ctx, rng, seconds, "a%d.wav" % n)
    tags = ["-metadata", "title=Track %d" % n, "-metadata", "artist=Bench Band"]
    if n % 4 == 0:
        # Plain frames with a Xing/Info header and no ID3 tag.
        cmd = FF + ["-i", wav, "-c:a", "libmp3lame", "-b:a", rate, "-write_id3v2", "0"]
    elif n % 4 == 1:
        # Cover art in the ID3 tag: a JPEG inside the MP3.
        cmd = FF + ["-i", wav, "-i", rng.choice(ctx.thumbs), "-map", "0", "-map", "1", "-c:a", "libmp3lame",
                    "-b:a", rate, "-c:v", "copy", "-id3v2_version", "3", "-disposition:v", "attached_pic"] + tags
    else:
        cmd = FF + ["-i", wav, "-c:a", "libmp3lame", "-b:a", rate, "-id3v2_version", str(3 + n % 2)] + tags
    run(cmd + BITEXACT + ["-f", "mp3", out])
    os.unlink(wav)
    return "ffmpeg/lame"


def make_wav(ctx, rng, out, n):
    wav = tone_wav(ctx, rng, rng.randrange(8, 25), "w%d.wav" % n)
    extra = [[], ["-write_bext", "1"], ["-metadata", "title=Voice memo"], []][n % 4]
    run(FF + ["-i", wav, "-c:a", "pcm_s16le"] + extra + BITEXACT + ["-f", "wav", out])
    return "ffmpeg"


def make_flac(ctx, rng, out, n):
    wav = tone_wav(ctx, rng, rng.randrange(15, 40), "f%d.wav" % n)
    run(["flac", "-s", "-f", "-o", out] + (["--no-padding", "--no-seektable"] if n % 2 else []) + [wav])
    return "flac"


def make_ogg(ctx, rng, out, n):
    wav = tone_wav(ctx, rng, rng.randrange(30, 90), "o%d.wav" % n)
    run(["oggenc", "-Q", "-q", "5", "-o", out, wav])
    return "oggenc"


def make_opus(ctx, rng, out, n):
    wav = tone_wav(ctx, rng, rng.randrange(30, 90), "p%d.wav" % n, 48000)
    run(["opusenc", "--quiet", "--bitrate", "96", wav, out])
    return "opusenc"


def make_ffaudio(fmt, codec, brand=None, rate=44100, channels=2):
    def maker(ctx, rng, out, n):
        wav = tone_wav(ctx, rng, rng.randrange(20, 60), "x%d.wav" % n, rate, channels)
        args = ["-i", wav, "-c:a", codec] + (["-b:a", "128k"] if codec in ("aac", "wmav2") else [])
        run(FF + args + (["-brand", brand] if brand else []) + BITEXACT + ["-f", fmt, out])
        return "ffmpeg"
    return maker


def make_aifc(ctx, rng, out, n):
    wav = tone_wav(ctx, rng, rng.randrange(10, 30), "c%d.wav" % n)
    run(["sox", wav, "-t", "aifc", out])
    return "sox"


def make_py_audio(kind):
    def maker(ctx, rng, out, n):
        data = {"amr": lambda: pf.amr(rng, 120, False), "awb": lambda: pf.amr(rng, 90, True),
                "ape": lambda: pf.monkeys_audio(rng, 8), "dff": lambda: pf.dsd_dff(rng, 4),
                "dsf": lambda: pf.dsd_dsf(rng, 4), "mid": lambda: pf.midi(rng, 600)}[kind]()
        open(out, "wb").write(data)
        return "python"
    return maker


# ----------------------------------------------------------------- documents

def text_pdf(rng, pages, update):
    """A text PDF; with `update`, a second revision appended as an
    incremental update (two %%EOF markers, as editors save)."""
    objs = [b"<< /Type /Catalog /Pages 2 0 R >>", None, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    kids = []
    for p in range(pages):
        text = b"".join(b"BT /F1 10 Tf 50 %d Td (%s) Tj ET\n" % (800 - 14 * line, pf._prose(rng, pf.WORDS, 12).encode())
                        for line in range(52))
        stream = zlib_stream(text)
        objs.append(stream)
        objs.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents %d 0 R "
                    b"/Resources << /Font << /F1 3 0 R >> >> >>" % (len(objs)))
        kids.append(len(objs))
    objs[1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % k for k in kids), len(kids))
    out = pdf_from_objects(objs, b"1.5")
    xref = int(out.rsplit(b"startxref\n", 1)[1].split(b"\n")[0])
    if update:
        at = len(out)
        out += b"%d 0 obj\n<< /Title (Revised) /Producer (Bench) >>\nendobj\n" % (len(objs) + 1)
        x2 = len(out)
        out += b"xref\n0 1\n0000000000 65535 f \n%d 1\n%010d 00000 n \n" % (len(objs) + 1, at)
        out += b"trailer\n<< /Size %d /Root 1 0 R /Info %d 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(objs) + 2, len(objs) + 1, xref, x2)
    return bytes(out)


def zlib_stream(data):
    comp = zlib.compress(data)
    return b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(comp) + comp + b"\nendstream"


def photo_pdf(jpeg, width, height):
    """A one-page PDF showing a JPEG (DCTDecode image XObject)."""
    content = b"q 595 0 0 %d 0 0 cm /Im1 Do Q" % (595 * height // width)
    objs = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
            b"/Resources << /XObject << /Im1 5 0 R >> >> >>",
            b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream",
            b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB /BitsPerComponent 8 "
            b"/Filter /DCTDecode /Length %d >>\nstream\n" % (width, height, len(jpeg)) + jpeg + b"\nendstream"]
    return pdf_from_objects(objs)


def pdf_from_objects(objs, version=b"1.4"):
    """Numbers objs from 1 (the first is the catalog) and adds the xref
    table and trailer."""
    out = bytearray(b"%PDF-" + version + b"\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for i, o in enumerate(objs, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1) + b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
    return out


def camera_jpeg(ctx, rng, w, h, name):
    path = ctx.crop(rng, w, h, ["-quality", "85"], ctx.scratch(name))
    return open(path, "rb").read()


def make_pdf(ctx, rng, out, n):
    if n % 2 == 0:
        w = rng.choice([800, 1200, 1600])
        open(out, "wb").write(photo_pdf(camera_jpeg(ctx, rng, w, 1100, "p%d.jpg" % n), w, 1100))
        return "python (photo)"
    open(out, "wb").write(text_pdf(rng, rng.randrange(3, 40), n % 6 == 1))
    return "python"


def paragraphs(rng, n, words=60):
    return [pf._prose(rng, pf.WORDS, words) for _ in range(n)]


def write_zip(out, members, method=zipfile.ZIP_DEFLATED, zip64=False):
    """members: [(name, bytes, stored?)] in order, fixed dates."""
    with zipfile.ZipFile(out, "w", method) as z:
        for name, data, stored in members:
            info = zipfile.ZipInfo(name, date_time=(2024, 6, 7, 12, 0, 0))
            info.compress_type = zipfile.ZIP_STORED if stored else method
            with z.open(info, "w", force_zip64=zip64) as f:
                f.write(data if isinstance(data, bytes) else data.encode())


OOXML = {
    "docx": ("word/document.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml",
             "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument", "word/media/"),
    "xlsx": ("xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
             "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument", "xl/media/"),
    "pptx": ("ppt/presentation.xml", "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml",
             "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument", "ppt/media/"),
}


def make_ooxml(kind):
    def maker(ctx, rng, out, n):
        part, ctype, rel, media = OOXML[kind]
        body = "".join("<p>%s</p>" % p for p in paragraphs(rng, rng.randrange(40, 400)))
        ct = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
              '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
              '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
              '<Default Extension="xml" ContentType="application/xml"/><Default Extension="jpeg" ContentType="image/jpeg"/>'
              '<Override PartName="/%s" ContentType="%s"/></Types>' % (part, ctype))
        rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                '<Relationship Id="rId1" Type="%s" Target="%s"/></Relationships>' % (rel, part))
        members = [("[Content_Types].xml", ct, False), ("_rels/.rels", rels, False),
                   (part, '<?xml version="1.0" encoding="UTF-8"?><doc>%s</doc>' % body, False),
                   ("docProps/core.xml", "<coreProperties><title>Bench %d</title></coreProperties>" % n, False)]
        if n % 2 == 0:
            members.append((media + "image1.jpeg", ctx.thumb_bytes(rng) if n % 4 else ctx.preview_bytes(rng), True))
        write_zip(out, members)
        return "python zipfile"
    return maker


ODF = {"odt": "text", "ods": "spreadsheet", "odp": "presentation", "odg": "graphics"}


def make_odf(kind):
    def maker(ctx, rng, out, n):
        mt = "application/vnd.oasis.opendocument." + ODF[kind]
        manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                    'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                    '<manifest:file-entry manifest:full-path="/" manifest:media-type="%s"/>'
                    '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                    '</manifest:manifest>' % mt)
        body = "".join("<text:p>%s</text:p>" % p for p in paragraphs(rng, rng.randrange(30, 300)))
        content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
                   'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                   'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
                   '<office:body>%s</office:body></office:document-content>' % body)
        members = [("mimetype", mt, True), ("content.xml", content, False),
                   ("styles.xml", "<office:document-styles/>", False), ("meta.xml", "<office:document-meta/>", False),
                   ("Pictures/picture1.jpg", ctx.thumb_bytes(rng), True), ("META-INF/manifest.xml", manifest, False)]
        write_zip(out, members)
        return "python zipfile"
    return maker


def make_epub(ctx, rng, out, n):
    chapters = [("OEBPS/ch%d.xhtml" % i, "<html><body>%s</body></html>" % "".join(
        "<p>%s</p>" % p for p in paragraphs(rng, 60)), False) for i in range(rng.randrange(4, 12))]
    opf = ('<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" version="3.0"><metadata/>'
           '<manifest>%s</manifest><spine/></package>' % "".join(
               '<item id="c%d" href="%s"/>' % (i, c[0][6:]) for i, c in enumerate(chapters)))
    members = [("mimetype", "application/epub+zip", True),
               ("META-INF/container.xml", '<?xml version="1.0"?><container version="1.0"><rootfiles>'
                '<rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>'
                '</rootfiles></container>', False),
               ("OEBPS/content.opf", opf, False), ("OEBPS/cover.jpg", ctx.preview_bytes(rng), True)] + chapters
    write_zip(out, members)
    return "python zipfile"


def payload_folder(ctx, rng, name, files):
    """A folder of text notes and a few pictures to put in archives."""
    d = ctx.scratch(name)
    os.makedirs(d, exist_ok=True)
    for i in range(files):
        p = os.path.join(d, "note%02d.txt" % i)
        open(p, "w").write("\n".join(paragraphs(rng, rng.randrange(10, 80))))
    shutil.copy(rng.choice(ctx.previews), os.path.join(d, "photo.jpg"))
    open(os.path.join(d, "data.bin"), "wb").write(rng.randbytes(rng.randrange(20000, 400000)))
    return d


def make_zip(ctx, rng, out, n):
    d = payload_folder(ctx, rng, "z%d" % n, 12)
    if n % 3 == 2:
        members = [(os.path.basename(p), open(os.path.join(d, p), "rb").read(), n % 2 == 0) for p in sorted(os.listdir(d))]
        write_zip(out, members, zip64=True)
        return "python zipfile (zip64)"
    run(["zip", "-q", "-r", "-X"] + (["-0"] if n % 3 == 1 else []) + [os.path.abspath(out), "."], cwd=d)
    return "zip"


def make_7z(ctx, rng, out, n):
    d = payload_folder(ctx, rng, "s%d" % n, 10)
    run(["7z", "a", "-bd", "-mx=5", os.path.abspath(out), "."], cwd=d)
    return "7z"


def tarball(ctx, rng, n):
    d = payload_folder(ctx, rng, "t%s" % n, 8)
    buf = io.BytesIO()
    with tarfile.open(fileobj=buf, mode="w", format=tarfile.USTAR_FORMAT) as t:
        for name in sorted(os.listdir(d)):
            info = t.gettarinfo(os.path.join(d, name), name)
            info.mtime = 1717761600
            t.addfile(info, open(os.path.join(d, name), "rb"))
    path = ctx.scratch("t%s.tar" % n)
    open(path, "wb").write(buf.getvalue())
    return path


def make_compressed(tool, args):
    def maker(ctx, rng, out, n):
        tar = tarball(ctx, rng, "%s%d" % (tool, n))
        a = list(args)
        if tool == "gzip" and n % 2:
            a = ["-n"] + a
        with open(out, "wb") as f:
            f.write(run([tool] + a + ["-c", tar]))
        return tool
    return maker


def make_rar(ctx, rng, out, n):
    d = payload_folder(ctx, rng, "r%d" % n, 6)
    open(out, "wb").write(pf.rar4_stored([(p, open(os.path.join(d, p), "rb").read()) for p in sorted(os.listdir(d))]))
    return "python"


def make_cab(ctx, rng, out, n):
    d = payload_folder(ctx, rng, "c%d" % n, 6)
    run(["gcab", "-c", "-n"] + (["-z"] if n % 2 == 0 else []) + [os.path.abspath(out)] + sorted(os.listdir(d)), cwd=d)
    return "gcab"


def make_ole(kind):
    def maker(ctx, rng, out, n):
        data = {"doc": lambda: pf.ole_word(rng, rng.randrange(40, 400)),
                "xls": lambda: pf.ole_excel(rng, rng.randrange(200, 3000)),
                "ppt": lambda: pf.ole_powerpoint(rng, rng.randrange(10, 80)),
                "msg": lambda: pf.ole_outlook_msg(rng)}[kind]()
        open(out, "wb").write(data)
        return "python"
    return maker


def make_py_doc(kind):
    def maker(ctx, rng, out, n):
        data = {"accdb": lambda: pf.jet_database(rng, 200, True), "mdb": lambda: pf.jet_database(rng, 150, False),
                "dwg": lambda: pf.autocad_dwg(rng, 400000), "mobi": lambda: pf.mobipocket(rng, 60),
                "pst": lambda: pf.outlook_pst(rng, 2000000), "wpd": lambda: pf.wordperfect(rng, 200)}[kind]()
        open(out, "wb").write(data)
        return "python"
    return maker


def make_kdb(ctx, rng, out, n):
    try:
        keepass_files.file_keepass(rng, out, ctx.tmp, 1, 60000)
        return "File::KeePass"
    except (RuntimeError, OSError):  # no perl module: a header and a random body
        open(out, "wb").write(pf.keepass_kdb(rng, 60000))
        return "python"


def make_kdbx(ctx, rng, out, n):
    """Even numbers are KDBX 4, odd ones KDBX 3.1."""
    if keepass_files.pykeepass is None:
        raise RuntimeError("python3-pykeepass is missing")
    if n % 2 == 0:
        keepass_files.kdbx4(rng, out, ctx.tmp, 80000)
        return "pykeepass"
    keepass_files.kdbx31(rng, out, ctx.tmp, 80000)
    return "File::KeePass+pykeepass"


def make_eml(ctx, rng, out, n):
    # Folded as mail servers fold (long lines kept, "Received: from" on the
    # first line), not right after the field name as Python's default does.
    m = email.message.EmailMessage(policy=email.policy.default.clone(max_line_length=998))
    first = ["Return-Path", "Received", "Delivered-To"][n % 3]
    m[first] = {"Return-Path": "<sender@example.org>", "Delivered-To": "owner@example.org",
                "Received": "from mail.example.org by mx.example.org; Fri, 7 Jun 2024 12:00:00 +0000"}[first]
    m["From"], m["To"], m["Subject"] = "sender@example.org", "owner@example.org", "Photos %d" % n
    m.set_content("\n".join(paragraphs(rng, rng.randrange(5, 40))))
    if n % 2 == 0:
        m.add_attachment(ctx.preview_bytes(rng), maintype="image", subtype="jpeg", filename="photo.jpg")
    open(out, "wb").write(bytes(m))
    return "python email"


def make_text(kind):
    def maker(ctx, rng, out, n):
        paras = paragraphs(rng, rng.randrange(20, 200))
        if kind == "ics":
            ev = "".join("BEGIN:VEVENT\r\nUID:%d-%d@bench\r\nDTSTART:202406%02dT120000Z\r\nSUMMARY:%s\r\nEND:VEVENT\r\n"
                         % (n, i, 1 + i % 28, p[:60]) for i, p in enumerate(paras))
            data = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n%sEND:VCALENDAR\r\n" % ev
        elif kind == "vcf":
            import base64
            photo = base64.b64encode(ctx.thumb_bytes(rng)).decode()
            data = "".join("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person %d\r\nTEL:+1555%07d\r\n%sEND:VCARD\r\n" % (
                i, rng.randrange(10 ** 7), ("PHOTO;ENCODING=b;TYPE=JPEG:%s\r\n" % photo) if i == 0 else "")
                for i in range(rng.randrange(20, 120)))
        elif kind == "html":
            doctype = ["<!DOCTYPE html>", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", "<!doctype html>",
                       ""][n % 4]
            # A page without a doctype starts at its <html> tag.
            data = doctype + ("\n" if doctype else "") + \
                "<html><head><title>Page %d</title></head><body>%s</body></html>\n" % (
                    n, "".join("<p>%s</p>\n" % p for p in paras))
        elif kind == "xml":
            data = '<?xml version="1.0" encoding="%s"?>\n<notes>%s</notes>\n' % (
                "UTF-16" if n % 3 == 2 else "UTF-8", "".join("<note id=\"%d\">%s</note>\n" % (i, p)
                                                             for i, p in enumerate(paras)))
            open(out, "wb").write(b"\xff\xfe" + data.encode("utf-16-le") if n % 3 == 2 else data.encode())
            return "python"
        elif kind == "rtf":
            pict = ctx.thumb_bytes(rng).hex() if n % 2 == 0 else ""
            data = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}\n%s%s}\n" % (
                "".join("\\pard %s\\par\n" % p for p in paras),
                "{\\pict\\jpegblip %s}" % pict if pict else "")
        open(out, "w", newline="").write(data)
        return "python"
    return maker


def make_ps(kind):
    def maker(ctx, rng, out, n):
        w, h = 400, 300
        jpeg = camera_jpeg(ctx, rng, w, h, "ps%d.jpg" % n)
        first = b"%!PS-Adobe-3.0 EPSF-3.0\n" if kind == "eps" else b"%!PS-Adobe-3.0\n"
        body = (b"%%%%BoundingBox: 0 0 %d %d\n%%%%Creator: bench\n%%%%Pages: 1\n%%%%EndComments\n"
                b"gsave %d %d scale /DeviceRGB setcolorspace\n"
                b"<< /ImageType 1 /Width %d /Height %d /BitsPerComponent 8 /Decode [0 1 0 1 0 1]\n"
                b"/ImageMatrix [%d 0 0 -%d 0 %d] /DataSource currentfile /ASCIIHexDecode filter /DCTDecode filter >>\n"
                b"image\n" % (w, h, w, h, w, h, w, h, h))
        hexdata = jpeg.hex().encode()
        lines = b"\n".join(hexdata[i:i + 78] for i in range(0, len(hexdata), 78))
        tail = b">\ngrestore\n" + (b"showpage\n" if kind == "ps" else b"") + b"%%EOF\n"
        open(out, "wb").write(first + body + lines + tail)
        return "python"
    return maker


def make_sqlite(ctx, rng, out, n):
    if os.path.exists(out):
        os.unlink(out)
    db = sqlite3.connect(out)
    db.execute("CREATE TABLE messages (id INTEGER PRIMARY KEY, sender TEXT, body TEXT, ts INTEGER)")
    db.execute("CREATE INDEX by_sender ON messages(sender)")
    db.executemany("INSERT INTO messages (sender, body, ts) VALUES (?, ?, ?)",
                   [("+1555%07d" % rng.randrange(10 ** 7), pf._prose(rng, pf.WORDS, rng.randrange(5, 60)),
                     1717761600 + i) for i in range(rng.randrange(500, 6000))])
    db.commit()
    db.close()
    return "sqlite3"


MAKERS = {
    "jpg": make_jpg, "png": make_png, "gif": make_gif, "bmp": make_bmp, "tif": make_tif,
    "webp": make_im_plain("webp", 1600, 1200, ["-quality", "80"]),
    "heic": make_im_plain("heic", 1024, 768, ["-quality", "60"]), "heif": make_heif,
    "avif": make_im_plain("avif", 1024, 768, ["-quality", "60"]), "jp2": make_im_plain("jp2", 1280, 960),
    "jxl": make_jxl, "jxr": make_jxr, "psd": make_im_plain("psd", 1024, 768), "psb": make_im_plain("psb", 1024, 768),
    "mng": make_mng, "exr": make_exr, "xcf": make_xcf, "dcm": make_dcm,
    "dng": make_tiff_raw("dng"), "cr2": make_tiff_raw("cr2"), "orf": make_tiff_raw("orf"), "rw2": make_tiff_raw("rw2"),
    "cr3": make_cr3, "crw": make_crw, "mrw": make_mrw, "raf": make_raf, "x3f": make_x3f,
    "mpg": make_mpg, "r3d": make_r3d,
    "mp3": make_mp3, "wav": make_wav, "flac": make_flac, "ogg": make_ogg, "opus": make_opus,
    "m4a": make_ffaudio("ipod", "aac"), "m4b": make_ffaudio("ipod", "aac", "M4B "),
    "m4p": make_ffaudio("ipod", "aac", "M4P "), "aac": make_ffaudio("adts", "aac"),
    "aiff": make_ffaudio("aiff", "pcm_s16be"), "aifc": make_aifc, "au": make_ffaudio("au", "pcm_s16be"),
    "caf": make_ffaudio("caf", "alac"), "wma": make_ffaudio("asf", "wmav2"),
    "amr": make_py_audio("amr"), "awb": make_py_audio("awb"), "ape": make_py_audio("ape"),
    "dff": make_py_audio("dff"), "dsf": make_py_audio("dsf"), "mid": make_py_audio("mid"),
    "pdf": make_pdf, "docx": make_ooxml("docx"), "xlsx": make_ooxml("xlsx"), "pptx": make_ooxml("pptx"),
    "odt": make_odf("odt"), "ods": make_odf("ods"), "odp": make_odf("odp"), "odg": make_odf("odg"),
    "epub": make_epub, "zip": make_zip, "7z": make_7z,
    "gz": make_compressed("gzip", ["-6", "-N"]), "bz2": make_compressed("bzip2", ["-9"]),
    "xz": make_compressed("xz", ["-6"]), "zst": make_compressed("zstd", ["-q", "-10"]),
    "lz4": make_compressed("lz4", ["-q"]), "rar": make_rar, "cab": make_cab,
    "doc": make_ole("doc"), "xls": make_ole("xls"), "ppt": make_ole("ppt"), "msg": make_ole("msg"),
    "accdb": make_py_doc("accdb"), "mdb": make_py_doc("mdb"), "dwg": make_py_doc("dwg"), "kdb": make_kdb,
    "kdbx": make_kdbx, "mobi": make_py_doc("mobi"), "pst": make_py_doc("pst"), "wpd": make_py_doc("wpd"),
    "eml": make_eml, "ics": make_text("ics"), "vcf": make_text("vcf"), "html": make_text("html"),
    "xml": make_text("xml"), "rtf": make_text("rtf"), "eps": make_ps("eps"), "ps": make_ps("ps"),
    "sqlite": make_sqlite,
}
for _kind in VIDEO:
    MAKERS[_kind] = make_video(_kind)


def small_later(ctx, rng, kind, out, n):
    """A small file of `kind` for overwriting (a few to a few hundred KiB)."""
    if kind == "jpg":
        ctx.crop(rng, rng.choice([320, 640, 800]), 480, ["-quality", "85"], out, "jpg")
    elif kind == "png":
        ctx.crop(rng, 320, 240, [], out, "png")
    elif kind == "gif":
        ctx.crop(rng, 200, 150, ["-colors", "32"], out, "gif")
    elif kind == "pdf":
        open(out, "wb").write(text_pdf(rng, 2, False))
    elif kind == "mp3":
        wav = tone_wav(ctx, rng, 6, "l%d.wav" % n)
        run(FF + ["-i", wav, "-c:a", "libmp3lame", "-b:a", "128k"] + BITEXACT + ["-f", "mp3", out])
    elif kind == "wav":
        tone_wav_path = tone_wav(ctx, rng, 2, "lw%d.wav" % n, 22050, 1)
        shutil.copy(tone_wav_path, out)
    elif kind == "zip":
        write_zip(out, [("note.txt", "\n".join(paragraphs(rng, 20)), False)])
    elif kind == "docx":
        make_ooxml("docx")(ctx, rng, out, 1)
    return "small " + kind


def plan_counts(scale):
    """Files per type at `scale`: at least one of every type."""
    return {t: max(1, round(c * scale)) for t, c in PLAN.items()}, \
        {t: max(1, round(c * scale)) for t, c in LATER.items()}


def make_material(folder, scale, seed, log=print):
    """Makes (or reuses) the material in `folder`; returns its index."""
    index_path = os.path.join(folder, "index.json")
    key = {"scale": scale, "seed": seed, "version": 4}
    if os.path.exists(index_path):
        saved = json.load(open(index_path))
        if saved.get("key") == key:
            return saved["files"]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    ctx = Ctx(folder, seed)
    log("making base pictures")
    ctx.make_bases()
    counts, later = plan_counts(scale)
    jobs = [(t, i, "card") for t, c in counts.items() for i in range(c)] + \
           [(t, i, "later") for t, c in later.items() for i in range(c)]

    def one(job):
        kind, i, role = job
        rng = ctx.rng("%s-%s-%d" % (role, kind, i))
        out = os.path.join(folder, "%s_%s_%03d.%s" % (role, kind, i, kind))
        t0 = time.monotonic()
        try:
            maker = MAKERS[kind](ctx, rng, out, i) if role == "card" else small_later(ctx, rng, kind, out, i)
        except (RuntimeError, OSError, AssertionError) as e:
            log("  could not make %s %d: %s" % (kind, i, str(e).strip()[:200]))
            return None
        return {"path": out, "type": kind, "role": role, "maker": maker,
                "seconds": round(time.monotonic() - t0, 2)}

    log("making %d files with %d workers" % (len(jobs), 2))
    with concurrent.futures.ThreadPoolExecutor(2) as ex:
        files = [f for f in ex.map(one, jobs) if f]
    # Camera Exif for the JPEGs in one exiftool process.
    args = []
    for f in files:
        if f["type"] == "jpg" and f["role"] == "card":
            n = int(f["path"].rsplit("_", 1)[1].split(".")[0])
            extra = exif_args(ctx, ctx.rng("exif-%d" % n), f["path"], n)
            if extra:
                f["maker"] += "+exiftool"
            args += extra
    if args:
        argfile = ctx.scratch("exif.args")
        open(argfile, "w").write("\n".join(args) + "\n")
        run(["exiftool", "-q", "-q", "-@", argfile])
    shutil.rmtree(ctx.tmp, ignore_errors=True)
    json.dump({"key": key, "files": files}, open(index_path, "w"), indent=1)
    return files
