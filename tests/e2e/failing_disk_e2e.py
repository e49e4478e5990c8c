#!/usr/bin/env python3
"""A dying card, as a user brings it: a 64 MiB disk served by the FUSE
simulator (tests/fuse/failing_disk) holding ten photos, with 8 unreadable
sectors (5 inside the tenth photo, 3 in the filler) at 2 ms per failed read,
a 4 MiB unreadable area at 100 ms and at 2 ms per failed read, and the disk
pulled out at 48 MiB (its node vanishing, or only every read failing).
Checks: nine photos whole and the tenth full length with zeros only at its
bad sectors; the mapfile lists exactly the bad sectors (ddrescuelog agrees,
where installed); exit statuses 4, 130 and 5; the first pass over the 4 MiB
area under a minute; Stop answered within about one failed read; a vanished
disk costing a couple of failed reads. Prints the measured numbers.
Needs root, /dev/fuse, fusermount3 and ImageMagick's convert; exits 77
(skipped) without them."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

from e2e_checks import check, status

SECTOR = 512
SECTORS = 64 * 1024 * 1024 // SECTOR
PHOTO_AT = [4096 + 12000 * i for i in range(10)]


def skip(reason):
    print("skip: " + reason)
    sys.exit(77)


def make_photos(work):
    photos = []
    for i in range(10):
        path = os.path.join(work, f"p{i}.jpg")
        subprocess.run(["convert", "-size", "360x270", "-seed", str(i + 1), "xc:gray", "+noise", "Random",
                        "-quality", "90", path], check=True)
        photos.append(open(path, "rb").read())
    return photos


def make_image(path, photos):
    with open(path, "wb") as f:
        for s in range(SECTORS):
            f.write(b"\x11" + s.to_bytes(4, "little") + b"\x11" * 507)
        for at, photo in zip(PHOTO_AT, photos):
            f.seek(at * SECTOR)
            f.write(photo)


class FailingDisk:
    """The simulator mounted on a fresh folder for one run."""

    def __init__(self, tool, image, work, *options):
        self.mnt = tempfile.mkdtemp(dir=work, prefix="mnt-")
        self.proc = subprocess.Popen([tool, image, self.mnt, "-f", *options])
        self.disk = os.path.join(self.mnt, "disk.img")
        deadline = time.time() + 10
        while not os.path.exists(self.disk) and time.time() < deadline:
            time.sleep(0.05)
        if not os.path.exists(self.disk):
            self.close()
            raise RuntimeError("the simulator did not mount")

    def stats(self):
        with open(os.path.join(self.mnt, "stats")) as f:
            return dict(line.split() for line in f.read().splitlines())

    def close(self):
        subprocess.run(["fusermount3", "-u", self.mnt], stderr=subprocess.DEVNULL)
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def mapfile_of(stdout):
    m = re.search(r"GNU ddrescue mapfile\): (.*)", stdout)
    return m.group(1).strip() if m else None


def bad_sectors_in(mapfile):
    bad = set()
    lines = [l for l in open(mapfile).read().splitlines() if l.strip() and not l.startswith("#")]
    for line in lines[1:]:  # the first is the status line
        pos, size, status = line.split()[:3]
        if status == "-":
            first = int(pos, 16) // SECTOR
            bad.update(range(first, first + int(size, 16) // SECTOR))
    return bad


def carved_photos(out):
    files = []
    for root, _, names in os.walk(out):
        files += [os.path.join(root, n) for n in names if n.startswith("GND") and n.endswith(".JPG")]
    return sorted(files, key=os.path.basename)


def run_and_stop(recover, disk, out, delay_ms):
    """Starts a search of the 4 MiB bad area, waits for the first pass to
    end (the retry of skipped sectors begins), stops it with Ctrl-C and
    returns (first pass seconds, stop latency seconds, exit status)."""
    start = time.time()
    proc = subprocess.Popen([recover, "--mode", "photo", disk, out], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    seen = threading.Event()
    lines = []

    def reader():
        for line in proc.stdout:
            lines.append(line)
            if line.startswith("( Reading again"):
                seen.set()
        seen.set()

    t = threading.Thread(target=reader)
    t.start()
    seen.wait(timeout=120)
    first_pass = time.time() - start
    pressed = time.time()
    proc.send_signal(signal.SIGINT)
    proc.wait(timeout=60)
    latency = time.time() - pressed
    t.join()
    print(f"measured: {delay_ms} ms per failed read, 4 MiB bad area: first pass {first_pass:.1f} s, "
          f"stop answered in {latency * 1000:.0f} ms", flush=True)
    return first_pass, latency, proc.returncode, "".join(lines)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--recover", required=True)
    ap.add_argument("--failing-disk", required=True)
    args = ap.parse_args()
    if os.geteuid() != 0:
        skip("mounting the FUSE simulator needs root")
    if not os.path.exists("/dev/fuse"):
        skip("no /dev/fuse on this machine")
    if not shutil.which("fusermount3") or not shutil.which("convert"):
        skip("fusermount3 (fuse3) and convert (imagemagick) are needed")

    with tempfile.TemporaryDirectory(prefix="ostrel-failing-") as work:
        photos = make_photos(work)
        image = os.path.join(work, "card.img")
        make_image(image, photos)
        inside = [PHOTO_AT[9] + d for d in (3, 4, 5, 40, 41)]
        filler = [60000, 60001, 90000]
        bad = sorted(filler + inside)

        # 1. Eight bad sectors at 2 ms per failed read.
        try:
            disk = FailingDisk(args.failing_disk, image, work, "--bad=" + ",".join(map(str, bad)), "--delay-ms=2")
        except RuntimeError as e:
            skip(str(e))
        out = os.path.join(work, "out1")
        try:
            r = subprocess.run([args.recover, "--mode", "photo", disk.disk, out], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True, timeout=300)
            stats = disk.stats()
        finally:
            disk.close()
        check(r.returncode == 4, f"unreadable sectors exit 4 (got {r.returncode}; {r.stderr.strip()})")
        check("Unreadable sectors: 8 (taken as zeros; sectors 60000-60001, 90000, %d-%d, %d-%d)"
              % (inside[0], inside[2], inside[3], inside[4]) in r.stdout, "the summary gives the count and the ranges")
        print(f"measured: 8 bad sectors cost {stats['failed']} failed reads", flush=True)
        check(int(stats["failed"]) <= 2 * len(bad), "each bad sector costs at most two failed reads")
        files = carved_photos(out)
        check(len(files) == 10, f"ten photos carved ({len(files)})")
        for i, (path, photo) in enumerate(zip(files, photos)):
            data = open(path, "rb").read()
            if i < 9:
                check(data[:len(photo)] == photo, f"photo {i + 1} is whole")
            else:
                expected = bytearray(photo)
                for s in inside:
                    o = (s - PHOTO_AT[9]) * SECTOR
                    expected[o:o + SECTOR] = bytes(SECTOR)
                check(len(data) >= len(photo) and data[:len(photo)] == bytes(expected),
                      "the tenth photo is full length with zeros only at its bad sectors")
        mapfile = mapfile_of(r.stdout)
        check(mapfile is not None and os.path.isfile(mapfile), "a mapfile is written beside the results")
        if mapfile:
            check(bad_sectors_in(mapfile) == set(bad), "the mapfile lists exactly the bad sectors")
            if shutil.which("ddrescuelog"):
                listed = subprocess.run(["ddrescuelog", "-l-", mapfile], stdout=subprocess.PIPE, text=True)
                check(listed.returncode == 0 and sorted(map(int, listed.stdout.split())) == bad,
                      "ddrescuelog reads the mapfile and finds the same sectors")
            else:
                print("skip: ddrescuelog (gddrescue) not installed; mapfile read by this test only")

        # 2. A 4 MiB unreadable area at 100 ms and 2 ms per failed read.
        area = f"{PHOTO_AT[5] + 500}-{PHOTO_AT[5] + 500 + 8191}"
        for delay, bound in ((100, 60.0), (2, 60.0)):
            disk = FailingDisk(args.failing_disk, image, work, "--bad=" + area, f"--delay-ms={delay}")
            try:
                first, latency, code, text = run_and_stop(args.recover, disk.disk, os.path.join(work, f"out-{delay}"),
                                                          delay)
            finally:
                disk.close()
            check(first < bound, f"{delay} ms: the first pass over a 4 MiB bad area takes under a minute ({first:.1f} s)")
            check(latency < delay / 1000 + 1.5, f"{delay} ms: Stop is answered promptly ({latency * 1000:.0f} ms)")
            check(code == 130, f"{delay} ms: a stopped search exits 130 (got {code})")
            check("skipped sectors were being read again" in text, f"{delay} ms: the stop is said to be in the retry")
            found = carved_photos(os.path.join(work, f"out-{delay}"))
            check(len(found) == 10 and all(open(p, "rb").read()[:len(ph)] == ph for p, ph in zip(found, photos)),
                  f"{delay} ms: every photo around the bad area is whole ({len(found)})")

        # 3. The disk pulled out at 48 MiB: the node vanishing, or reads failing only.
        gone_at = 48 * 1024 * 1024 // SECTOR
        for how, options in (("node vanishes", ["--vanish"]), ("reads fail", [])):
            disk = FailingDisk(args.failing_disk, image, work, f"--gone-at={gone_at}", "--delay-ms=2", *options)
            out = os.path.join(work, "out-gone-" + how.split()[0])
            try:
                t0 = time.time()
                r = subprocess.run([args.recover, "--mode", "photo", disk.disk, out], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, timeout=300)
                took = time.time() - t0
                stats = disk.stats()
            finally:
                disk.close()
            print(f"measured: disk gone at 48 MiB ({how}): {stats['failed']} failed reads, run {took:.1f} s", flush=True)
            check(r.returncode == 5, f"{how}: a vanished medium exits 5 (got {r.returncode})")
            check(f"stopped answering after sector {gone_at - 1}" in r.stdout, f"{how}: the last sector read is named")
            check(int(stats["failed"]) <= 3, f"{how}: only a couple of failed reads ({stats['failed']})")
            found = carved_photos(out)
            check(len(found) == 8 and all(open(p, "rb").read()[:len(ph)] == ph for p, ph in zip(found, photos)),
                  f"{how}: the eight photos before the end are listed and whole ({len(found)})")
    return status()


if __name__ == "__main__":
    sys.exit(main())
