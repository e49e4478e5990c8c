#!/usr/bin/python3
"""Exact-ends benchmark: how many recovered files are the original files.

Makes a FAT32 card image of real files of every type the editions search
(material.py, card_image.py), runs ostrel-recover on it in every mode of
the chosen editions, the general pass alone and with the thorough pass,
and PhotoRec on the same image, then scores every run against the ground
truth (scoring.py) and times the photo general pass against the physical
floor (cat of the image plus dd of as many bytes as the pass wrote). A
second check runs the thorough pass of every mode of every edition over
N GiB of random data and counts the files each signature table wrote.

Not a test: nothing runs it but a person. See bench/README.md for the
commands. Prints a table and writes a JSON file with every number.
"""

import argparse
import datetime
import json
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import card_image  # noqa: E402
import carvers  # noqa: E402
import material  # noqa: E402
import scoring  # noqa: E402

REPO = os.path.dirname(os.path.dirname(HERE))
NEEDED = ["mkfs.vfat", "mcopy", "mmd", "mdel", "mshowfat", "ffmpeg", "ffprobe", "cjpeg", "jpegtran", "exiftool",
          "identify"]

T0 = time.monotonic()


def log(msg):
    print("[%6.1fs] %s" % (time.monotonic() - T0, msg), file=sys.stderr, flush=True)


def parse_args():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--recover", default=os.path.join(REPO, "build", "bin", "ostrel-recover"),
                    help="path of ostrel-recover (default: build/bin/ostrel-recover)")
    ap.add_argument("--recover-args", default="",
                    help="more ostrel-recover options for every run, space-separated")
    ap.add_argument("--work", default="/tmp/ostrel-exact-ends", help="material, images and results")
    ap.add_argument("--scale", type=float, default=1.0, help="number of files on the card, 1 = about 450")
    ap.add_argument("--seed", type=int, default=20240607)
    ap.add_argument("--editions", default="professional,removable", help="editions searched on the card")
    ap.add_argument("--repeats", type=int, default=3, help="runs of each carver; its time is the best")
    ap.add_argument("--no-photorec", action="store_true", help="do not run PhotoRec")
    ap.add_argument("--no-card", action="store_true", help="skip the card image runs")
    ap.add_argument("--random-gib", type=float, default=1.0, help="size of the random-data check (0 skips it)")
    ap.add_argument("--random-editions", default="all", help="editions of the random-data check")
    ap.add_argument("--check-cap", type=int, default=20,
                    help="at most this many outputs of one type per run are opened in a reader")
    ap.add_argument("--keep", action="store_true", help="keep the recovered files")
    ap.add_argument("--json", help="result file (default WORK/results-<time>.json)")
    return ap.parse_args()


def pct(n, d):
    return "%5.1f%%" % (100.0 * n / d) if d else "    - "


def row_text(r):
    s = r["score"]
    ratio = scoring.ratio(s["output_bytes"], s["on_image_bytes"])
    share, whole = s["readable_share"], s.get("readable_whole_share")
    return "%-9s %-13s %-6s %-9s %8.2f %6d %8.1f %6s  %s %4d/%-4d %s %4d/%-4d %s %5d/%-5d %s %s %5d" % (
        r["tool"], r["edition"], r["mode"], r["pass"], r["seconds"], s["outputs"], s["output_bytes"] / 1e6,
        "%.2f" % ratio if ratio is not None else "-",
        pct(s["identical"], s["whole_originals"]), s["identical"], s["whole_originals"],
        pct(s["complete"], s["whole_originals"]), s["complete"], s["whole_originals"],
        pct(share, 1) if share is not None else pct(0, 0), s["readable_checked"], s["outputs_with_reader"],
        pct(whole, 1) if whole is not None else pct(0, 0), pct(s["junk"], s["outputs"]), s["junk"])


HEADER = ("%-9s %-13s %-6s %-9s %8s %6s %8s %6s  %-16s %-16s %-18s %-6s %s" % (
    "tool", "edition", "mode", "pass", "time s", "files", "out MB", "x img", "identical", "complete",
    "readable (opened/of)", "whole", "junk"))


def warn_other_files(run):
    """Files outside the pass folders are not scored; say so, as the layout
    of the results may have changed."""
    if run["other_files"]:
        log("  %d files outside the pass folders, e.g. %s" % (len(run["other_files"]), run["other_files"][0]))


def recover_cmd(args):
    """ostrel-recover and the extra options given for every run."""
    return [args.recover] + args.recover_args.split()


def prepare_card(args):
    folder = os.path.join(args.work, "material-s%g-%d" % (args.scale, args.seed))
    log("material in %s (made once, then reused)" % folder)
    files = material.make_material(folder, args.scale, args.seed, log)
    image = os.path.join(args.work, "card-s%g-%d.img" % (args.scale, args.seed))
    manifest_path = image + ".manifest.json"
    # The card is reused only when it was made after the material it holds:
    # remade material keeps its paths, so the names alone cannot tell.
    made_after = os.path.exists(image) and \
        os.path.getmtime(image) >= os.path.getmtime(os.path.join(folder, "index.json"))
    if os.path.exists(manifest_path) and made_after:
        manifest = json.load(open(manifest_path))
        if sorted(m["path"] for m in manifest["originals"] if m["role"] == "card") == \
                sorted(f["path"] for f in files if f["role"] == "card"):
            log("reusing %s" % image)
            return manifest
    log("making the card image %s" % image)
    return card_image.make_card(files, material.category_of, image, args.seed, log)


def best_run(args, run, *run_args):
    """Runs a carver args.repeats times on the page-cached image: a run of
    well under a second is mostly noise, so its time is the best of them.
    The first run's outputs are kept and scored, the others removed."""
    first = run(*run_args)
    if first is None:
        return None
    first["seconds_runs"] = [first["seconds"]]
    for _ in range(args.repeats - 1):
        again = run(*run_args)
        shutil.rmtree(again["dest"], ignore_errors=True)
        first["seconds_runs"].append(again["seconds"])
    first["seconds"] = min(first["seconds_runs"])
    return first


def card_runs(args, manifest, editions, report):
    truth = scoring.Truth(manifest)
    image = manifest["image"]
    runs_dir = os.path.join(args.work, "runs")
    os.makedirs(runs_dir, exist_ok=True)
    for _ in range(2):
        subprocess.run(["cat", image], stdout=subprocess.DEVNULL, check=True)
    rows, floors = [], []

    def add(tool, edition, mode, which, seconds, outputs, searched, extra=None):
        t0 = time.monotonic()
        r = {"tool": tool, "edition": edition, "mode": mode, "pass": which, "seconds": seconds,
             "score": scoring.score(outputs, truth, searched, args.check_cap)}
        r.update(extra or {})
        r["scoring_seconds"] = time.monotonic() - t0
        rows.append(r)
        print(row_text(r), flush=True)
        log("  scored in %.1f s" % r["scoring_seconds"])
        return r

    print(HEADER)
    mode_types = {}
    for edition in args.editions.split(","):
        general_all, thorough_all, searched_g, searched_t, dests = [], [], set(), set(), []
        secs_g = secs_t = 0.0
        for mode in editions[edition]:
            general, every = carvers.list_types(args.recover, edition, mode)
            mode_types[(edition, mode)] = every
            log("ostrel %s %s: general pass" % (edition, mode))
            g = best_run(args, carvers.run_ostrel, recover_cmd(args), edition, mode, False, image, runs_dir)
            log("ostrel %s %s: general and thorough passes" % (edition, mode))
            t = best_run(args, carvers.run_ostrel, recover_cmd(args), edition, mode, True, image, runs_dir)
            dests += [g["dest"], t["dest"]]
            for run in (g, t):
                if run["rc"] != 0:
                    log("  exit %d: %s" % (run["rc"], run["log"][-300:]))
                warn_other_files(run)
            gr = add("ostrel", edition, mode, "general", g["seconds"], g["outputs"], general,
                     {"rc": g["rc"], "cpu_seconds": g["cpu_seconds"]})
            thorough_only = [o for o in t["outputs"] if o[1] == "thorough"]
            add("ostrel", edition, mode, "thorough", max(0.0, t["seconds"] - g["seconds"]), thorough_only, every,
                {"rc": t["rc"], "note": "thorough pass alone: time of both passes less the general run"})
            add("ostrel", edition, mode, "both", t["seconds"], t["outputs"], every,
                {"rc": t["rc"], "cpu_seconds": t["cpu_seconds"]})
            secs_g += g["seconds"]
            secs_t += t["seconds"]
            general_all += g["outputs"]
            thorough_all += t["outputs"]
            searched_g |= general
            searched_t |= every
            if mode == "photo":
                cat, dd = carvers.floor_seconds(image, gr["score"]["output_bytes"], runs_dir, args.repeats)
                floors.append({"edition": edition, "pass_seconds": g["seconds"], "cat_seconds": cat,
                               "dd_seconds": dd, "output_bytes": gr["score"]["output_bytes"],
                               "x_floor": g["seconds"] / (cat + dd) if cat + dd else None})
        add("ostrel", edition, "total", "general", secs_g, general_all, searched_g)
        add("ostrel", edition, "total", "both", secs_t, thorough_all, searched_t)
        if not args.keep:
            for d in dests:
                shutil.rmtree(d, ignore_errors=True)

    if not args.no_photorec:
        log("PhotoRec, every file type")
        p = best_run(args, carvers.run_photorec, image, runs_dir)
        if p is None:
            log("PhotoRec is not installed (Debian package testdisk); skipped")
        else:
            add("photorec", "-", "total", "all", p["seconds"], p["outputs"], None, {"rc": p["rc"]})
            for (edition, mode), every in mode_types.items():
                mine = [o for o in p["outputs"] if o[2] in every]
                add("photorec", edition, mode, "same types", p["seconds"], mine, every)
            if not args.keep:
                shutil.rmtree(p["dest"], ignore_errors=True)

    print()
    for f in floors:
        print("photo general pass, %s: %.2f s against the floor %.2f s (cat %.2f s + dd of %.0f MB %.2f s): %.2fx" % (
            f["edition"], f["pass_seconds"], f["cat_seconds"] + f["dd_seconds"], f["cat_seconds"],
            f["output_bytes"] / 1e6, f["dd_seconds"], f["x_floor"] or 0))
    report["card"] = {"image": image, "image_bytes": manifest["image_bytes"],
                      "originals": len(manifest["originals"]),
                      "whole_originals": sum(o["whole"] for o in manifest["originals"]),
                      "on_image_bytes": sum(o["size"] for o in manifest["originals"]),
                      "rows": rows, "floors": floors}


def random_check(args, editions, report):
    path = os.path.join(args.work, "random-%gg.bin" % args.random_gib)
    size = int(args.random_gib * (1 << 30)) // 512 * 512
    if not os.path.exists(path) or os.path.getsize(path) != size:
        log("writing %d bytes of random data to %s" % (size, path))
        with open(path, "wb") as f:
            left = size
            while left:
                n = min(left, 16 << 20)
                f.write(os.urandom(n))
                left -= n
    runs_dir = os.path.join(args.work, "runs")
    os.makedirs(runs_dir, exist_ok=True)
    names = list(editions) if args.random_editions == "all" else args.random_editions.split(",")
    rows = []
    print("\nrandom data, %g GiB: files written by each table (thorough runs; the goal is 0)" % args.random_gib)
    print("%-13s %-6s %8s %9s %9s %10s" % ("edition", "mode", "time s", "general", "thorough", "out MB"))
    for edition in names:
        for mode in editions[edition]:
            log("random data: %s %s" % (edition, mode))
            r = carvers.run_ostrel(recover_cmd(args), edition, mode, True, path, runs_dir)
            warn_other_files(r)
            general = sum(1 for o in r["outputs"] if o[1] == "general")
            thorough = sum(1 for o in r["outputs"] if o[1] == "thorough")
            out_bytes = sum(os.path.getsize(o[0]) for o in r["outputs"])
            by_type = {}
            for o in r["outputs"]:
                by_type["%s %s" % (o[1], o[2])] = by_type.get("%s %s" % (o[1], o[2]), 0) + 1
            rows.append({"edition": edition, "mode": mode, "seconds": r["seconds"], "rc": r["rc"],
                         "general_files": general, "thorough_files": thorough, "output_bytes": out_bytes,
                         "by_type": by_type})
            print("%-13s %-6s %8.2f %9d %9d %10.1f  %s" % (edition, mode, r["seconds"], general, thorough,
                                                         out_bytes / 1e6, " ".join(
                                                             "%s:%d" % kv for kv in sorted(by_type.items()))),
                  flush=True)
            shutil.rmtree(r["dest"], ignore_errors=True)
    total = sum(r["general_files"] + r["thorough_files"] for r in rows)
    print("total files written over random data: %d" % total)
    report["random"] = {"path": path, "bytes": size, "rows": rows, "total_files": total}


def main():
    args = parse_args()
    if not os.access(args.recover, os.X_OK):
        sys.exit("ostrel-recover not found at %s (build it, or give --recover)" % args.recover)
    missing = [t for t in NEEDED if not shutil.which(t)]
    if missing:
        sys.exit("missing tools: %s (Debian: dosfstools mtools ffmpeg libjpeg-turbo-progs "
                 "libimage-exiftool-perl imagemagick)" % " ".join(missing))
    os.makedirs(args.work, exist_ok=True)
    editions = carvers.list_editions(args.recover)
    for e in args.editions.split(","):
        if e not in editions:
            sys.exit("unknown edition %s (have %s)" % (e, ", ".join(editions)))
    commit = subprocess.run(["git", "-C", REPO, "rev-parse", "--short", "HEAD"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL).stdout.decode().strip()
    report = {"started": datetime.datetime.utcnow().isoformat() + "Z", "recover": args.recover, "commit": commit,
              "scale": args.scale, "seed": args.seed, "editions": args.editions, "check_cap": args.check_cap}
    if not args.no_card:
        manifest = prepare_card(args)
        m = manifest
        log("card: %d originals (%d whole), %.0f MB of files on a %.0f MB image" % (
            len(m["originals"]), sum(o["whole"] for o in m["originals"]),
            sum(o["size"] for o in m["originals"]) / 1e6, m["image_bytes"] / 1e6))
        card_runs(args, manifest, editions, report)
    if args.random_gib > 0:
        random_check(args, editions, report)
    report["seconds"] = time.monotonic() - T0
    out = args.json or os.path.join(args.work, "results-%s.json" % time.strftime("%Y%m%d-%H%M%S"))
    json.dump(report, open(out, "w"), indent=1, default=str)
    log("done in %.0f s; results in %s" % (report["seconds"], out))


if __name__ == "__main__":
    main()
