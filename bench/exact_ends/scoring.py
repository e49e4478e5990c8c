"""Scores a carver's outputs against the card's ground truth.

identical  an original that is whole on the image has the same sha256 as
           some output (counted once per original);
complete   an original that is whole on the image is a prefix of some
           output (identical ones included);
junk       an output whose first 4 KiB (all of it when shorter) match the
           start of no original at all, whole or not (a picture carved out
           of another file, such as an Exif thumbnail, counts as junk);
readable   an output opens in the standard reader of its type (readers.py):
           a sample of each type is opened and its share stands for all
           outputs of that type; the share is over the outputs of the types
           that have a reader; "readable_whole_share" is the same over the
           outputs that begin an original that is whole on the image (an
           original overwritten in part cannot open whoever carves it);
bytes      output bytes against the bytes of the originals on the image.
Shares of originals are over the whole originals of the searched types.
"""

import hashlib
import os

import readers

HEAD = 4096
KEY = 16


class Truth:
    """The manifest's originals, indexed by their first 16 bytes."""

    def __init__(self, manifest):
        self.originals = manifest["originals"]
        self.by_key = {}
        for n, o in enumerate(self.originals):
            with open(o["path"], "rb") as f:
                o["head"] = f.read(HEAD)
            o["id"] = n
            self.by_key.setdefault(o["head"][:KEY], []).append(o)

    def whole(self, types=None):
        return [o for o in self.originals if o["whole"] and (types is None or o["type"] in types)]

    def on_image_bytes(self, types=None):
        return sum(o["size"] for o in self.originals if types is None or o["type"] in types)


_EXAMINED = {}
_READABLE = {}


def _examine(path, truth):
    """(size, starts an original?, ids identical, ids complete) of one
    output; remembered per path, as the total rows see the same files."""
    if path not in _EXAMINED:
        _EXAMINED[path] = _examine_file(path, truth)
    return _EXAMINED[path]


def _examine_file(path, truth):
    with open(path, "rb") as f:
        head = f.read(HEAD)
        candidates = truth.by_key.get(head[:KEY], []) if len(head) >= KEY else []
        starts = [o for o in candidates if o["head"][:len(head)] == head[:len(o["head"])]]
        known = bool(starts)
        f.seek(0, 2)
        size = f.tell()
        wanted = sorted((o for o in candidates if o["whole"] and o["size"] <= size and
                         o["head"][:len(head)] == head[:len(o["head"])]), key=lambda o: o["size"])
        identical, complete = set(), set()
        if wanted:
            # One pass over the file, checking each candidate size on the way.
            f.seek(0)
            h = hashlib.sha256()
            done = 0
            for o in wanted:
                while done < o["size"]:
                    block = f.read(min(1 << 20, o["size"] - done))
                    if not block:
                        break
                    h.update(block)
                    done += len(block)
                if done == o["size"] and h.hexdigest() == o["sha256"]:
                    complete.add(o["id"])
                    if o["size"] == size:
                        identical.add(o["id"])
    return size, known, identical, complete, any(o["whole"] for o in starts)


_STARTS_WHOLE = {}


def _pick_key(path):
    """A pseudo-random order of outputs that is the same in every run: the
    hash of the pass folder, type folder and file name."""
    return hashlib.sha1(os.sep.join(path.split(os.sep)[-3:]).encode()).digest()


def score(outputs, truth, searched, check_cap=20):
    """Metrics of `outputs` [(path, pass, type)] for a search of the types
    `searched` (a set, None for all). Readers check at most check_cap
    outputs of each type, picked by a hash of their path."""
    whole = truth.whole(searched)
    identical, complete = set(), set()
    out_bytes = junk = 0
    by_type = {}
    for path, _, kind in outputs:
        size, known, ident, comp, starts_whole = _examine(path, truth)
        _STARTS_WHOLE[path] = starts_whole
        out_bytes += size
        junk += not known
        identical |= ident
        complete |= comp
        by_type.setdefault(kind, []).append(path)
    whole_ids = {o["id"] for o in whole}
    checks = []
    for kind, paths in sorted(by_type.items()):
        if readers.reader_for(kind):
            # The same pseudo-random pick in every row that holds the file,
            # so the total rows reuse the checks of the per-run rows, and in
            # every bench run: the hash leaves out the run's temporary folder.
            sample = sorted(paths, key=lambda p: (_pick_key(p), p))[:check_cap]
            checks += [(kind, p) for p in sample]
    todo = [c for c in checks if c[1] not in _READABLE]
    _READABLE.update(zip((c[1] for c in todo), readers.check_all(todo)))
    results = [_READABLE[c[1]] for c in checks]
    readable = {}
    for (kind, path), ok in zip(checks, results):
        r = readable.setdefault(kind, {"ok": 0, "checked": 0, "outputs": len(by_type[kind]),
                                       "whole_ok": 0, "whole_checked": 0,
                                       "whole_outputs": sum(_STARTS_WHOLE[p] for p in by_type[kind])})
        r["checked"] += 1
        r["ok"] += ok
        if _STARTS_WHOLE[path]:
            r["whole_checked"] += 1
            r["whole_ok"] += ok
    checked = sum(r["checked"] for r in readable.values())
    # Each type's checked share stands for all outputs of that type.
    with_reader = sum(r["outputs"] for r in readable.values())
    estimated = sum(r["ok"] / r["checked"] * r["outputs"] for r in readable.values())
    whole_counted = [r for r in readable.values() if r["whole_checked"]]
    whole_outputs = sum(r["whole_outputs"] for r in whole_counted)
    whole_estimated = sum(r["whole_ok"] / r["whole_checked"] * r["whole_outputs"] for r in whole_counted)
    return {
        "outputs": len(outputs), "output_bytes": out_bytes,
        "whole_originals": len(whole), "on_image_bytes": truth.on_image_bytes(searched),
        "identical": len(identical & whole_ids), "complete": len(complete & whole_ids),
        "identical_any_type": len(identical), "junk": junk,
        "readable_ok": sum(r["ok"] for r in readable.values()), "readable_checked": checked,
        "readable_share": estimated / with_reader if with_reader else None, "outputs_with_reader": with_reader,
        "readable_whole_share": whole_estimated / whole_outputs if whole_outputs else None,
        "readable_by_type": readable,
        "missed_whole": sorted(o["name"] for o in whole if o["id"] not in complete),
        "by_original_type": by_original_type(whole, identical, complete),
    }


def by_original_type(whole, identical, complete):
    """{type: [whole originals, identical, complete]} for the JSON file."""
    table = {}
    for o in whole:
        t = table.setdefault(o["type"], [0, 0, 0])
        t[0] += 1
        t[1] += o["id"] in identical
        t[2] += o["id"] in complete
    return table


def ratio(a, b):
    return a / b if b else None
