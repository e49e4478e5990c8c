#!/usr/bin/env python3
"""The headless front end under signals, spawned as a user's shell would:
Ctrl-C, SIGTERM and SIGHUP in the middle of a search stop it like the Stop
button (files closed and listed, summary printed, exit 130); output piped
into a program that quits (`| head`) ends only the output; a file-size limit
(SIGXFSZ, as a FAT32 destination at 4 GiB) is a save failure that names the
cause and leaves no partial file under a recovered name; a second Ctrl-C
ends the program at once, the file being written renamed as incomplete. Needs only
python3; a few seconds per signal on a sparse image."""

import argparse
import os
import resource
import signal
import subprocess
import sys
import tempfile
import time

from e2e_checks import check, status

JPEG = bytes.fromhex("FFD8FFE000104A46494600010100000100010000FFD9")  # a whole JFIF file


def files_under(folder):
    found = set()
    for root, _, names in os.walk(folder):
        for n in names:
            found.add(os.path.join(root, n))
    return found


def stop_with(recover, big, out, sig):
    """Starts a search, sends `sig` once a file has been listed."""
    proc = subprocess.Popen([recover, big, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    first = proc.stdout.readline()
    while first and "GND0" not in first:
        first = proc.stdout.readline()
    start = time.time()
    proc.send_signal(sig)
    try:
        rest, _ = proc.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        proc.kill()
        check(False, f"{sig.name} ends the search")
        return
    name = sig.name
    check(proc.returncode == 130, f"{name} exits 130 (got {proc.returncode})")
    check(time.time() - start < 20, f"{name} stops promptly")
    check("Recovered files by type" in rest, f"{name} still prints the summary")
    cont = [l for l in rest.splitlines() if l.startswith("To continue it: --range ")]
    check(len(cont) == 1 and cont[0].endswith(":%d" % ((48 << 30) // 512)), f"{name} prints the range that continues ({cont})")
    check(any(l.strip().startswith("ostrel-recover ") and l.strip().endswith(cont[0].split(": ")[1]) for l in rest.splitlines())
          if cont else False, f"{name} prints the whole command that continues")
    listed = set(l.strip().rsplit("  (", 1)[0] for l in (first + rest).splitlines() if "/GND" in l)
    on_disk = files_under(out)
    check(on_disk and on_disk == listed, f"{name}: every file on disk was listed ({len(on_disk)} files)")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--recover", required=True)
    recover = ap.parse_args().recover

    with tempfile.TemporaryDirectory(prefix="ostrel-signals-") as work:
        # A big sparse image with photo headers along the way.
        big = os.path.join(work, "big.img")
        with open(big, "wb") as f:
            for gib in range(0, 48, 4):
                f.seek(gib << 30)
                f.write(JPEG)
            f.truncate(48 << 30)
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            stop_with(recover, big, os.path.join(work, "out-" + sig.name), sig)

        # A second Ctrl-C while a file is being written ends the program at
        # once; the file it was writing is renamed, not left as complete.
        clip = os.path.join(work, "clip.img")
        with open(clip, "wb") as f:
            f.write(bytes.fromhex("00000020") + b"ftypisom" + bytes(20))
            f.truncate(48 << 30)
        out = os.path.join(work, "out-twice")
        proc = subprocess.Popen([recover, "--cut-at-next-header", "-m", "video", "-q", clip, out],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while not files_under(out) and time.time() < deadline and proc.poll() is None:
            time.sleep(0.05)
        # Held stopped, both signals are pending together and arrive one
        # right after the other, before the search can close its file.
        proc.send_signal(signal.SIGSTOP)
        proc.send_signal(signal.SIGINT)
        proc.send_signal(signal.SIGTERM)
        proc.send_signal(signal.SIGCONT)
        try:
            proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            proc.kill()
        names = sorted(os.path.basename(p) for p in files_under(out))
        check(proc.returncode in (-signal.SIGINT, -signal.SIGTERM), f"a second signal ends the program at once (got {proc.returncode})")
        check(len(names) == 1 and names[0].endswith(".incomplete"), f"the file being written is set aside ({names})")

        # `| head -c 1`: the reader is gone long before the summary is written.
        out = os.path.join(work, "out-pipe")
        r = subprocess.run(["bash", "-c", '"$0" --range 0:4194304 "$1" "$2" | head -c 1 >/dev/null; '
                            'exit "${PIPESTATUS[0]}"', recover, big, out],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
        check(r.returncode == 0, f"a closed output pipe does not end the search (exit {r.returncode})")
        check(len(files_under(out)) == 1, "the search behind the closed pipe still carved its file")

        # A file-size limit of 64 KiB and a photo that runs for 2 MiB (plain
        # carving: the file runs on past the photo's end).
        card = os.path.join(work, "card.img")
        with open(card, "wb") as f:
            f.write(JPEG + b"\x11" * (4096 * 512 - len(JPEG)))
        out = os.path.join(work, "out-fsize")

        def limit():
            resource.setrlimit(resource.RLIMIT_FSIZE, (64 << 10, resource.RLIM_INFINITY))

        r = subprocess.run([recover, "--cut-at-next-header", card, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                           preexec_fn=limit, timeout=60)
        check(r.returncode == 3, f"the file-size limit is a save failure, exit 3 (got {r.returncode})")
        check("Unable to continue saving recovered data." in r.stderr and "GND00001.JPG: File too large" in r.stderr,
              "the message names the file and the cause")
        names = [os.path.basename(p) for p in files_under(out)]
        check(names == ["GND00001.JPG.incomplete"], f"the partial file is set aside as incomplete ({names})")
    return status()


if __name__ == "__main__":
    sys.exit(main())
