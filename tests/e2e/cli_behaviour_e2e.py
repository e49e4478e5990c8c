#!/usr/bin/env python3
"""The headless front end as a user meets it: exit codes and messages for a
missing source, an unwritable destination, a range past the end, a missing
signature file, no arguments (the usage) and the audio types listed
(signals, stops and the command that continues a stopped search:
cli_signals_e2e.py). Needs only python3. With --destination-on-medium
only the loop-device check runs; it needs root, losetup, mkfs.ext2 and mount
and exits 77 (skipped) without them."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

from e2e_checks import check, status


def run(recover, *args, **kw):
    return subprocess.run([recover, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kw)


def destination_on_medium(recover, work):
    """A destination elsewhere is accepted, one on the searched loop device
    refused; exits 77 (skipped) without root, losetup, mkfs.ext2 or mount."""
    if os.geteuid() != 0 or not all(shutil.which(t) for t in ("losetup", "mkfs.ext2", "mount")):
        print("skip: needs root, losetup, mkfs.ext2 and mount")
        return 77
    medium = os.path.join(work, "medium.img")
    with open(medium, "wb") as f:
        f.truncate(8 << 20)
    loop = subprocess.run(["losetup", "-f", "--show", medium], stdout=subprocess.PIPE, text=True)
    if loop.returncode != 0:
        print("skip: no loop device available")
        return 77
    dev, mnt = loop.stdout.strip(), os.path.join(work, "mnt")
    os.mkdir(mnt)
    mounted = False
    try:
        r = run(recover, dev, os.path.join(work, "elsewhere"))
        check(r.returncode == 0, f"a destination elsewhere is accepted (got {r.returncode})")
        fs = subprocess.run(["mkfs.ext2", "-q", "-F", dev], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        mounted = fs.returncode == 0 and subprocess.run(["mount", dev, mnt]).returncode == 0
        check(mounted, "the loop device is formatted and mounted")
        r = run(recover, dev, os.path.join(mnt, "results"))
        check(r.returncode == 1 and "on the medium being searched" in r.stderr,
              "a destination on the searched medium is refused")
        check(not os.path.exists(os.path.join(mnt, "results")), "nothing was written to the medium")
    finally:
        if mounted:
            subprocess.run(["umount", mnt])
        subprocess.run(["losetup", "-d", dev])
    return status()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--recover", required=True)
    ap.add_argument("--destination-on-medium", action="store_true", help="only the loop-device check")
    args = ap.parse_args()
    recover = args.recover

    with tempfile.TemporaryDirectory(prefix="ostrel-cli-") as work:
        if args.destination_on_medium:
            return destination_on_medium(recover, work)
        # A whole (if empty) JFIF file: header, then the end marker.
        whole = bytes.fromhex("FFD8FFE000104A46494600010100000100010000FFD9")
        jpeg = whole + b"\0" * (512 - len(whole))
        image = os.path.join(work, "small.img")
        with open(image, "wb") as f:
            f.write(b"\0" * 512 * 4 + jpeg + b"\x11" * 512 * 3 + b"\0" * 512 * 8)

        r = run(recover)
        check(r.returncode == 1 and "Usage:" in r.stdout and "Searching" not in r.stdout,
              "no arguments prints the usage and searches nothing")

        r = run(recover, os.path.join(work, "missing.img"), os.path.join(work, "out"))
        check(r.returncode == 2, f"missing source exits 2 (got {r.returncode})")
        check("Device Access Error" in r.stderr and "No such file" in r.stderr, "missing source says why")

        blocker = os.path.join(work, "blocker")
        open(blocker, "w").close()
        r = run(recover, image, os.path.join(blocker, "sub"))
        check(r.returncode == 3, f"unwritable destination exits 3 (got {r.returncode})")
        check("Unable to continue saving recovered data." in r.stderr, "unwritable destination shows the saving message")

        r = run(recover, "--range", "0:100", image, os.path.join(work, "out"))
        check(r.returncode == 1 and "has 16 sectors" in r.stderr, "a range past the end is refused")

        r = run(recover, "--mode", "raw", "--types", "NOPE", image, os.path.join(work, "out"))
        check(r.returncode == 1 and "has no type NOPE" in r.stderr, "an unknown type is refused with the list")

        r = run(recover, "--edition", "pictures", "--mode", "video", image, os.path.join(work, "out"))
        check(r.returncode == 1 and "no video mode" in r.stderr, "a mode the edition lacks is refused")

        out = os.path.join(work, "out")
        r = run(recover, image, out)
        check(r.returncode == 0, f"a completed search exits 0 (got {r.returncode})")
        check("GND00001.JPG" in r.stdout and "JPG" in r.stdout and "Unreadable sectors" not in r.stdout,
              "the summary names the file and no unreadable sectors")
        carved = os.path.join(out, "Ostrel Professional Recovery Results", "Photo Search",
                              "General Recovery Results", "JPG", "GND00001.JPG")
        check(os.path.isfile(carved) and open(carved, "rb").read() == whole, "the file is carved in the tree, to its end")
        r = run(recover, image, out)
        check(os.path.isfile(carved.replace("GND00001", "GND00002")), "a second run keeps the first run's file")

        resources = os.path.join(work, "resources")
        os.mkdir(resources)
        shipped = os.path.join(os.path.dirname(recover), "resources")
        for name in ("EXPExt2Adv.dll", "EXPRaw.dll", "EXPRawAdv.dll"):
            with open(os.path.join(shipped, name), "rb") as src, open(os.path.join(resources, name), "wb") as dst:
                dst.write(src.read())
        r = run(recover, "--resources", resources, image, os.path.join(work, "out3"))
        check(r.returncode == 6 and "EXPExt2.dll is missing" in r.stderr,
              f"a missing signature file is named before any reading (got {r.returncode}: {r.stderr.strip()})")
        check(not os.path.exists(os.path.join(work, "out3")), "nothing was written for it")

        r = run(recover, "--list-types", "--edition", "removable", "--mode", "audio")
        check(r.returncode == 0 and "MP3" in r.stdout and "WAV" in r.stdout, "audio types are listed")

    return status()


if __name__ == "__main__":
    sys.exit(main())
