"""Writes a FAT32 card image from the material with mkfs.vfat and mtools
(no root, no mount) and records the ground truth.

Files are copied one after another onto an empty file system, so each one
gets the next free clusters and is stored contiguously (checked with
mshowfat). Between some files a filler of random bytes or of zeros is
written (the bodies of other, unrecognisable files); at the end some files
and all fillers are deleted, and small "later" files are written straight
into the image over the middle of some deleted files, as a camera reusing
freed clusters would.

The manifest (IMAGE.manifest.json) lists every original: card path, type,
size, sha256, byte offset in the image, whether it is whole on the image
(contiguous and not overwritten), deleted, and what follows it.
"""

import hashlib
import json
import os
import random
import re
import struct
import subprocess

CATEGORY_FOLDERS = {"picture": "DCIM/100MEDIA", "video": "DCIM/100MEDIA", "audio": "MUSIC", "document": "DOCS"}
PREFIX = {"picture": "IMG", "video": "MOV", "audio": "SND", "document": "DOC"}
FILLER_FOLDER = "TMP"
MTOOLS_ENV = dict(os.environ, MTOOLS_SKIP_CHECK="1")
FIXED_TIME = 1717761600  # 2024-06-07 12:00 UTC, so images are the same on every run


def mtools(*cmd):
    p = subprocess.run(list(cmd), stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=MTOOLS_ENV)
    if p.returncode != 0:
        raise RuntimeError("%s: %s" % (" ".join(cmd[:3]), p.stderr.decode(errors="replace")))
    return p.stdout.decode(errors="replace")


def sha256_file(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def cluster_geometry(image):
    """(byte offset of cluster 2, bytes per cluster) from the FAT32 boot sector."""
    with open(image, "rb") as f:
        boot = f.read(512)
    bps, spc, reserved, fats = struct.unpack_from("<HBHB", boot, 11)
    fat_sectors = struct.unpack_from("<I", boot, 36)[0]
    return (reserved + fats * fat_sectors) * bps, bps * spc


def cluster_runs(image, card_paths):
    """{card path: [(first, last) cluster runs]} from one mshowfat call."""
    out = mtools("mshowfat", "-i", image, *["::/" + p for p in card_paths])
    runs = {}
    for line in out.splitlines():
        m = re.match(r"::/?(.*?)\s*(<.*)$", line.strip())
        if m:
            runs[m.group(1).lstrip("/")] = [(int(a), int(b or a)) for a, b in re.findall(r"<(\d+)(?:-(\d+))?>", m.group(2))]
    return runs


def choose_cluster_bytes(image_bytes):
    """The largest cluster (up to 32 KiB, as cards use) that still leaves
    FAT32 its minimum of 65525 clusters, with a margin."""
    for c in (32768, 16384, 8192, 4096, 2048, 1024, 512):
        if image_bytes // c >= 66000:
            return c
    return 512


def check_whole(image, originals):
    """Raises unless exactly the originals marked whole are on the image,
    byte for byte, at their offsets."""
    with open(image, "rb") as img:
        for m in originals:
            if m["offset"] is None:
                continue
            img.seek(m["offset"])
            there = hashlib.sha256(img.read(m["size"])).hexdigest() == m["sha256"]
            if there != m["whole"]:
                raise RuntimeError("ground truth wrong for %s (whole %s, on image %s)" % (m["name"], m["whole"], there))


def make_card(material, category_of, image, seed, log=print):
    """Writes `image` and its manifest from `material` (material.py index);
    returns the manifest dict."""
    rng = random.Random("card-%s" % seed)
    card = [dict(m) for m in material if m["role"] == "card"]
    later = [dict(m) for m in material if m["role"] == "later"]
    rng.shuffle(card)
    for m in material:
        os.utime(m["path"], (FIXED_TIME, FIXED_TIME))
    work = os.path.dirname(os.path.abspath(image))
    fillers = []
    counters = {}
    for n, m in enumerate(card):
        cat = category_of(m["type"])
        counters[cat] = counters.get(cat, 0) + 1
        m["card_path"] = "%s/%s_%04d.%s" % (CATEGORY_FOLDERS[cat], PREFIX[cat], counters[cat], m["type"].upper())
        m["size"] = os.path.getsize(m["path"])
        r = rng.random()
        m["followed_by"] = "random data" if r < 0.15 else "zeros" if r < 0.30 else "next file"
        if m["followed_by"] != "next file":
            fillers.append((n, m["followed_by"], rng.randrange(2000, 300000)))
        m["deleted"] = rng.random() < 0.4
    total = sum(m["size"] for m in card) + sum(f[2] for f in fillers)
    image_bytes = (int(total * 1.04) + (48 << 20)) // (1 << 20) * (1 << 20)
    cluster = choose_cluster_bytes(image_bytes)
    if os.path.exists(image):
        os.chmod(image, 0o644)
        os.unlink(image)
    subprocess.run(["mkfs.vfat", "-F", "32", "-s", str(cluster // 512), "-i", "0CA2D0E1", "-n", "CARD",
                    "-C", image, str(image_bytes // 1024)], check=True, stdout=subprocess.DEVNULL)
    mtools("mmd", "-i", image, "::/DCIM", "::/DCIM/100MEDIA", "::/MUSIC", "::/DOCS", "::/" + FILLER_FOLDER)
    log("writing %d files and %d fillers to a %d MiB FAT32 image (%d KiB clusters)" % (
        len(card), len(fillers), image_bytes >> 20, cluster >> 10))
    filler_at = {n: (kind, size) for n, kind, size in fillers}
    filler_paths = []
    filler_file = os.path.join(work, "filler.tmp")
    for n, m in enumerate(card):
        mtools("mcopy", "-m", "-i", image, m["path"], "::/" + m["card_path"])
        if n in filler_at:
            kind, size = filler_at[n]
            with open(filler_file, "wb") as f:
                f.write(rng.randbytes(size) if kind == "random data" else bytes(size))
            os.utime(filler_file, (FIXED_TIME, FIXED_TIME))
            p = "%s/F%05d.TMP" % (FILLER_FOLDER, n)
            mtools("mcopy", "-m", "-i", image, filler_file, "::/" + p)
            filler_paths.append(p)
    os.unlink(filler_file)

    data_start, cluster = cluster_geometry(image)
    runs = cluster_runs(image, [m["card_path"] for m in card])
    for m in card:
        r = runs.get(m["card_path"], [])
        m["contiguous"] = len(r) == 1
        m["offset"] = data_start + (r[0][0] - 2) * cluster if r else None
        m["sha256"] = sha256_file(m["path"])
        m["overwritten_by"] = None

    deleted = [m["card_path"] for m in card if m["deleted"]] + filler_paths
    for i in range(0, len(deleted), 200):
        mtools("mdel", "-i", image, *["::/" + p for p in deleted[i:i + 200]])

    # Later files over the middle of deleted files, at a cluster boundary.
    victims = [m for m in card if m["deleted"] and m["contiguous"] and m["size"] >= 256 * 1024]
    rng.shuffle(victims)
    placed = []
    with open(image, "r+b") as img:
        for lf in later:
            data = open(lf["path"], "rb").read()
            for v in victims:
                if v["overwritten_by"]:
                    continue
                lo = max(2, v["size"] // 4 // cluster)
                hi = (v["size"] * 3 // 4) // cluster
                if hi < lo or hi * cluster + len(data) > v["size"]:
                    continue
                at = v["offset"] + rng.randrange(lo, hi + 1) * cluster
                img.seek(at)
                img.write(data)
                lf.update(card_path=None, size=len(data), sha256=hashlib.sha256(data).hexdigest(), offset=at,
                          contiguous=True, deleted=True, followed_by="rest of " + v["card_path"],
                          overwritten_by=None, inside=v["card_path"])
                v["overwritten_by"] = os.path.basename(lf["path"])
                placed.append(lf)
                break
    originals = card + placed
    for m in originals:
        m["whole"] = bool(m["contiguous"] and not m["overwritten_by"])
        m["name"] = m["card_path"] or "later/" + os.path.basename(m["path"])
    check_whole(image, originals)
    manifest = {"image": os.path.abspath(image), "image_bytes": os.path.getsize(image), "cluster_bytes": cluster,
                "seed": seed, "originals": originals}
    json.dump(manifest, open(image + ".manifest.json", "w"), indent=1)
    os.chmod(image, 0o444)
    return manifest
