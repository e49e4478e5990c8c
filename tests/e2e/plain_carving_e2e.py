#!/usr/bin/env python3
"""With the plain-carving switch set, ostrel-recover must carve exactly as
the plain method does (files end at their size limit or at the next header,
every member of a carve group is written, the thorough pass carves again):
the output of every edition and mode, both passes, is compared with a
recorded manifest (count, bytes and a hash of every path, size and content).

The image is made here, deterministically: the built-in sample's real files,
then every header of the tables at its position in a sector of its own, with
pseudo-random and zero filler between them. The tables are a frozen copy of
the USB Media edition's (all four modes), so that corrections to the shipped
tables do not change what this test compares.
Needs python3 only. --record rewrites the manifest (only when the plain
method itself is meant to change)."""

import argparse
import hashlib
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MANIFEST = os.path.join(HERE, "plain_carving_manifest.json")
MODES = ["photo", "video", "raw", "audio"]


class Stream:
    """Deterministic pseudo-random bytes (SHA-256 in counter mode)."""

    def __init__(self, seed):
        self.seed, self.counter = seed.encode(), 0

    def bytes(self, n):
        out = bytearray()
        while len(out) < n:
            out += hashlib.sha256(self.seed + self.counter.to_bytes(8, "little")).digest()
            self.counter += 1
        return bytes(out[:n])


def entries(path):
    """(header bytes, position text) of each entry of a signature file."""
    values = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if ":" in line:
                key, _, value = line.partition(":")
                values.append((key.strip(), value.strip()))
    out = []
    for k in range(0, len(values) - 5, 6):
        header, position = values[k + 2][1], values[k + 3][1]
        try:
            out.append((bytes.fromhex(header), position))
        except ValueError:
            pass
    return out


def make_image(path, resources, sample):
    rng = Stream("plain carving")
    parts = [open(sample, "rb").read()] if sample else []
    index = 0
    for name in sorted(os.listdir(resources)):
        if not name.endswith(".dll"):
            continue
        for header, position in entries(os.path.join(resources, name)):
            at = 0 if position == "1" else 100 if position == "nn" else int(position) - 1
            if at < 0 or at + len(header) > 512:
                continue
            sector = bytearray(rng.bytes(512))
            sector[at:at + len(header)] = header
            parts.append(bytes(sector))
            parts.append(rng.bytes(512 * (index % 5)))
            if index % 3 == 0:
                parts.append(b"\0" * 512 * (1 + index % 4))
            index += 1
    data = b"".join(parts)
    data += b"\0" * (-len(data) % 512)
    with open(path, "wb") as f:
        f.write(data)


def editions(recover):
    out = subprocess.run([recover, "--list-editions"], stdout=subprocess.PIPE, text=True, check=True).stdout
    result = []
    for line in out.splitlines():
        words = line.split()
        if not words:
            continue
        modes = line[line.index("[") + 1:line.index("]")].replace(",", " ").split()
        result.append((words[0], modes))
    return result


def manifest_of(folder):
    lines, total = [], 0
    for root, _, files in os.walk(folder):
        for name in files:
            full = os.path.join(root, name)
            data = open(full, "rb").read()
            total += len(data)
            lines.append(f"{os.path.relpath(full, folder)}\t{len(data)}\t{hashlib.sha256(data).hexdigest()}")
    lines.sort()
    return {"files": len(lines), "bytes": total,
            "sha256": hashlib.sha256("\n".join(lines).encode()).hexdigest()}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--recover", required=True)
    ap.add_argument("--resources", default=os.path.join(HERE, "plain_carving_tables"))
    ap.add_argument("--sample", default="")
    ap.add_argument("--switch", default="", help="the option that selects plain carving")
    ap.add_argument("--record", action="store_true")
    args = ap.parse_args()

    results = {}
    with tempfile.TemporaryDirectory(prefix="ostrel-plain-") as work:
        image = os.path.join(work, "soup.img")
        make_image(image, args.resources, args.sample if os.path.exists(args.sample) else "")
        for edition, modes in editions(args.recover):
            if edition != "removable":
                continue
            for mode in modes:
                out = os.path.join(work, f"{edition}-{mode}")
                command = [args.recover, "--quiet", "--edition", edition, "--mode", mode, "--thorough",
                           "--resources", args.resources]
                if args.switch:
                    command.append(args.switch)
                r = subprocess.run(command + [image, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                results[f"{edition} {mode}"] = dict(manifest_of(out), status=r.returncode)
                subprocess.run(["rm", "-rf", out])

    if args.record:
        with open(MANIFEST, "w") as f:
            json.dump(results, f, indent=1, sort_keys=True)
            f.write("\n")
        print(f"recorded {len(results)} runs")
        return 0
    expected = json.load(open(MANIFEST))
    failures = 0
    for run in sorted(set(expected) | set(results)):
        ok = expected.get(run) == results.get(run)
        print(("ok   " if ok else "FAIL ") + run)
        if not ok:
            print(f"     expected {expected.get(run)}\n     got      {results.get(run)}")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
