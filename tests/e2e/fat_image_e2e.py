#!/usr/bin/env python3
"""End to end: a FAT32 card image made from real files, some of them then
deleted, is carved by ostrel-recover in every mode. Every file that the file
system stored contiguously (deleted or not) must come back byte for byte,
as exactly one recovered file of its type; with --cut-at-next-header its
original bytes need only be the start of some recovered file. The bytes
written stay close to the bytes of the files. The image must not change.

Needs mkfs.vfat (dosfstools), mtools, ffmpeg and imagemagick; exits 77
(skipped) when one is missing."""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def need(tool):
    if shutil.which(tool) is None:
        print(f"SKIP: {tool} is not installed")
        sys.exit(SKIP)


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)


def make_files(material, work):
    """Real files of every mode: committed material plus larger ones made now."""
    files = {}
    for name in ["photo.jpg", "thumb.jpg", "photo.png", "animation.gif", "photo.tif", "doc.pdf",
                 "letter.docx", "notes.zip", "tone.mp3", "tone.wav", "clip.mp4"]:
        files[name] = os.path.join(material, name)
    gen = os.path.join(work, "gen")
    os.makedirs(gen)
    def out(n):
        files[n] = os.path.join(gen, n)
        return files[n]
    run(["convert", "-size", "1600x1200", "-seed", "21", "plasma:", "-quality", "92", out("big.jpg")])
    run(["convert", "-size", "900x700", "-seed", "22", "plasma:", "-quality", "80",
         "-set", "comment", "second", out("holiday.jpg")])
    run(["convert", "-size", "500x400", "-seed", "23", "plasma:", out("scan.png")])
    run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
         "testsrc2=size=640x360:rate=25:duration=4", "-c:v", "libx264", "-pix_fmt", "yuv420p",
         "-preset", "veryfast", out("movie.mp4")])
    run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=300:duration=8",
         "-c:a", "libmp3lame", "-b:a", "128k", out("song.mp3")])
    return files


def cluster_chains(image, path):
    """Cluster ranges of a file, from mshowfat: '<3-9><20-21>'."""
    text = run(["mshowfat", "-i", image, "::" + path]).stdout.decode()
    return re.findall(r"<(\d+)(?:-(\d+))?>", text)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--recover", required=True, help="path of ostrel-recover")
    ap.add_argument("--material", required=True, help="tests/material folder")
    ap.add_argument("--plain", action="store_true", help="carve with --cut-at-next-header")
    args = ap.parse_args()
    for tool in ["mkfs.vfat", "mcopy", "mdel", "mshowfat", "ffmpeg", "convert"]:
        need(tool)

    with tempfile.TemporaryDirectory(prefix="ostrel-e2e-") as work:
        files = make_files(args.material, work)
        image = os.path.join(work, "card.img")
        run(["mkfs.vfat", "-F", "32", "-s", "2", "-n", "CARD", "-C", image, str(128 * 1024)])
        run(["mmd", "-i", image, "::/DCIM", "::/DOCS"])
        for name, src in files.items():
            folder = "/DOCS/" if name.endswith((".pdf", ".docx", ".zip")) else "/DCIM/"
            run(["mcopy", "-i", image, src, "::" + folder + name])
        contiguous = {}
        for name in files:
            folder = "/DOCS/" if name.endswith((".pdf", ".docx", ".zip")) else "/DCIM/"
            chains = cluster_chains(image, folder + name)
            if len(chains) == 1:
                contiguous[name] = files[name]
        deleted = ["big.jpg", "clip.mp4", "doc.pdf", "song.mp3", "letter.docx"]
        for name in deleted:
            folder = "/DOCS/" if name.endswith((".pdf", ".docx", ".zip")) else "/DCIM/"
            run(["mdel", "-i", image, "::" + folder + name])
        assert len(contiguous) >= len(files) - 2, f"only {len(contiguous)} contiguous files"

        before = hashlib.sha256(open(image, "rb").read()).hexdigest()
        os.chmod(image, 0o444)
        dest = os.path.join(work, "out")
        for mode in ["photo", "video", "raw", "audio"]:
            plain = ["--cut-at-next-header"] if args.plain else []
            proc = subprocess.run([args.recover, "--edition", "removable", "--mode", mode, "--thorough", "-q",
                                   *plain, image, dest], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if proc.returncode != 0:
                print(proc.stdout.decode(), proc.stderr.decode())
                print(f"FAIL: {mode} search exited with {proc.returncode}")
                return 1
        after = hashlib.sha256(open(image, "rb").read()).hexdigest()
        if before != after:
            print("FAIL: the searched image changed")
            return 1

        recovered = []
        for root, _, names in os.walk(dest):
            for n in names:
                recovered.append(os.path.join(root, n))
        by_hash, by_start, written = {}, {}, 0
        for path in recovered:
            with open(path, "rb") as f:
                data = f.read()
            written += len(data)
            by_hash.setdefault(hashlib.sha256(data).hexdigest(), []).append(path)
            by_start.setdefault(data[:64], []).append(path)
        failures = []
        for name, src in sorted(contiguous.items()):
            data = open(src, "rb").read()
            if args.plain:
                found = any(open(p, "rb").read(len(data)) == data for p in by_start.get(data[:64], []))
            else:
                copies = by_hash.get(hashlib.sha256(data).hexdigest(), [])
                # Video and audio searches both carry MP4 and MP3: one copy per mode.
                found = 1 <= len(copies) <= 2 and all(os.path.splitext(p)[1].lower() ==
                                                      os.path.splitext(name)[1].lower() for p in copies)
            state = "deleted" if name in deleted else "present"
            print(f"{'ok  ' if found else 'MISS'} {name:14} {len(data):9} bytes ({state})")
            if not found:
                failures.append(name)
        originals = sum(os.path.getsize(p) for p in contiguous.values())
        print(f"{len(recovered)} files recovered, {len(contiguous) - len(failures)} of {len(contiguous)} "
              f"contiguous originals found, {written} bytes written for {originals}")
        if failures:
            print("FAIL: not recovered: " + ", ".join(failures))
            return 1
        if not args.plain and written > 3 * originals:
            print("FAIL: far more bytes written than the files hold")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
