"""Whether a recovered file opens in the standard reader of its type:
python zipfile (testzip) for the ZIP family, pdfinfo, ffprobe for audio and
video, ImageMagick identify (warnings count as errors) for pictures,
sqlite3 PRAGMA integrity_check, 7z t / zstd -t / lz4 -t for archives,
olefile for the compound-file documents, pykeepass and File::KeePass (with
the bench password) for KeePass databases and mdbtools for Access ones. Types with no reader here are
left out of the readable share. Each check has a time limit.
"""

import concurrent.futures
import functools
import shutil
import subprocess
import zipfile

try:
    import pykeepass
except ImportError:  # python3-pykeepass; KDBX then has no reader
    pykeepass = None
try:
    import olefile
except ImportError:  # python3-olefile; OLE types then have no reader
    olefile = None

TIMEOUT = 60  # seconds; a loaded machine decodes a large JPEG 2000 slowly
ZIP_FAMILY = {"zip", "docx", "xlsx", "pptx", "odt", "ods", "odp", "odg", "epub"}
AV = {"mp4", "mov", "3gp", "3g2", "avi", "mkv", "webm", "flv", "f4v", "m4v", "asf", "wmv", "mpg", "ts", "mts",
      "mxf", "ogv", "rm", "crm", "mp3", "wav", "flac", "ogg", "opus", "m4a", "m4b", "m4p", "aac", "aiff", "aifc",
      "au", "caf", "amr", "awb", "ape", "dff", "dsf", "wma"}
ARCHIVES_7Z = {"7z", "gz", "bz2", "xz", "cab", "rar"}
OLE = {"doc", "xls", "ppt", "msg"}


def _quiet(cmd):
    try:
        p = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return None
    return p


def check_zip(path):
    try:
        with zipfile.ZipFile(path) as z:
            return z.testzip() is None
    except Exception:  # any failure to open is "does not open"
        return False


def check_cmd(cmd_of, path):
    p = _quiet(cmd_of(path))
    return p is not None and p.returncode == 0


def check_ffprobe(path):
    p = _quiet(["ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", path])
    return p is not None and p.returncode == 0 and bool(p.stdout.strip())


def check_sqlite(path):
    p = _quiet(["sqlite3", "-readonly", path, "PRAGMA integrity_check;"])
    return p is not None and p.returncode == 0 and p.stdout.strip() == b"ok"


def check_ole(path):
    try:
        with olefile.OleFileIO(path) as o:
            for s in o.listdir():
                o.openstream(s).read()
        return True
    except Exception:  # any failure to open is "does not open"
        return False


def check_kdbx(path):
    """Opens (decrypts, checks the HMAC or block hashes, parses the XML)."""
    try:
        pykeepass.PyKeePass(path, password="bench")
        return True
    except Exception:  # any failure to open is "does not open"
        return False


# Loads a KDB 1.x file, which checks the hash of the decrypted content.
KDB_LOAD = 'use File::KeePass; File::KeePass->new->load_db($ARGV[0], "bench")'


def check_access(path):
    """mdbtools reads the catalog, and every user table exports without a
    complaint and with as many rows as its definition counts (one line a
    row: the bench's values hold no line breaks)."""
    tables = _quiet(["mdb-tables", "-1", path])
    if tables is None or tables.returncode != 0 or tables.stderr or not tables.stdout.split():
        return False
    for name in tables.stdout.decode(errors="replace").splitlines():
        count = _quiet(["mdb-count", path, name])
        rows = _quiet(["mdb-export", "-H", path, name])
        if count is None or rows is None or rows.returncode != 0 or rows.stderr or count.returncode != 0 or \
                rows.stdout.count(b"\n") != int(count.stdout.strip() or -1):
            return False
    return True


@functools.lru_cache(maxsize=1)
def has_perl_keepass():
    p = _quiet(["perl", "-MFile::KeePass", "-e", "1"])
    return p is not None and p.returncode == 0


@functools.lru_cache(maxsize=1)
def identify_formats():
    """Lower-case picture formats ImageMagick reads here (mode 'r')."""
    p = _quiet(["identify", "-list", "format"])
    found = set()
    for line in (p.stdout.decode(errors="replace") if p else "").splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[2].startswith("r"):
            found.add(parts[0].rstrip("*").lower())
    return found


PICTURE_FORMATS = {"jpg": "jpeg", "png": "png", "gif": "gif", "bmp": "bmp", "tif": "tiff", "webp": "webp",
                   "heic": "heic", "heif": "heic", "avif": "avif", "jp2": "jp2", "psd": "psd", "psb": "psb",
                   "mng": "mng", "dcm": "dcm", "xcf": "xcf", "exr": "exr", "jxl": "jxl"}


def reader_for(kind):
    """The check function for a type, or None when there is no reader."""
    if kind in ZIP_FAMILY:
        return check_zip
    if kind == "pdf" and shutil.which("pdfinfo"):
        return functools.partial(check_cmd, lambda p: ["pdfinfo", p])
    if kind in AV and shutil.which("ffprobe"):
        return check_ffprobe
    if kind in PICTURE_FORMATS and PICTURE_FORMATS[kind] in identify_formats():
        return functools.partial(check_cmd, lambda p: ["identify", "-regard-warnings", p])
    if kind == "sqlite" and shutil.which("sqlite3"):
        return check_sqlite
    if kind in ARCHIVES_7Z and shutil.which("7z"):
        return functools.partial(check_cmd, lambda p: ["7z", "t", "-bd", p])
    if kind in ("zst", "lz4") and shutil.which({"zst": "zstd", "lz4": "lz4"}[kind]):
        tool = {"zst": "zstd", "lz4": "lz4"}[kind]
        return functools.partial(check_cmd, lambda p: [tool, "-q", "-t", p])
    if kind in OLE and olefile:
        return check_ole
    if kind in ("mdb", "accdb") and shutil.which("mdb-export"):
        return check_access
    if kind == "kdbx" and pykeepass:
        return check_kdbx
    if kind == "kdb" and has_perl_keepass():
        return functools.partial(check_cmd, lambda p: ["perl", "-e", KDB_LOAD, p])
    return None


def check_all(checks, workers=2):
    """[(type, path)] -> [bool], run on `workers` threads."""
    def one(item):
        return bool(reader_for(item[0])(item[1]))
    with concurrent.futures.ThreadPoolExecutor(workers) as ex:
        return list(ex.map(one, checks))
