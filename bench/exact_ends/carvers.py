"""Runs the carvers on an image into fresh temporary folders, times them and
lists what they wrote: ostrel-recover (every edition and mode asked for,
general pass alone and with --thorough) and PhotoRec when it is installed.

Every run returns a dict: label, seconds (wall), cpu_seconds (user + sys of
the child), exit code, destination folder and outputs, a list of
(path, pass, type) with pass "general", "thorough" or "all" and type the
lower-case extension the carver gave the file.
"""

import os
import re
import resource
import shutil
import subprocess
import tempfile
import time

GENERAL_FOLDER = "General Recovery Results"
THOROUGH_FOLDER = "Omitted (recovered by Thorough Scan)"


def timed(cmd, cwd=None, env=None, timeout=3600):
    """Runs cmd with no input after flushing dirty pages (so earlier writes
    are not paid by this run); returns (exit code, wall s, cpu s, output)."""
    os.sync()
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    p = subprocess.run(cmd, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, timeout=timeout)
    wall = time.perf_counter() - t0
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return p.returncode, wall, cpu, p.stdout.decode(errors="replace")


def list_editions(recover):
    """{edition key: [modes]} from ostrel-recover --list-editions."""
    out = subprocess.run([recover, "--list-editions"], stdout=subprocess.PIPE, check=True).stdout.decode()
    editions = {}
    for line in out.splitlines():
        m = re.match(r"(\S+)\s+.*?\[([a-z, ]+)\]", line)
        if m:
            editions[m.group(1)] = [x.strip() for x in m.group(2).split(",")]
    return editions


def list_types(recover, edition, mode):
    """(general types, all types) of an edition's mode, lower-case."""
    out = subprocess.run([recover, "--edition", edition, "--mode", mode, "--list-types"],
                         stdout=subprocess.PIPE, check=True).stdout.decode()
    general, every = set(), set()
    for line in out.splitlines():
        m = re.match(r"\s+(\S+)\s", line)
        if m and line.startswith("  "):
            every.add(m.group(1).lower())
            if "[thorough pass only]" not in line:
                general.add(m.group(1).lower())
    return general, every


def ostrel_outputs(dest):
    """(recovered files under DEST/<bundle> Results/<mode>/<pass>/<type>/,
    paths of any other files, such as a map of unreadable sectors)."""
    outputs, others = [], []
    for root, _, names in os.walk(dest):
        parts = os.path.relpath(root, dest).split(os.sep)
        if len(parts) < 4 or parts[2] not in (GENERAL_FOLDER, THOROUGH_FOLDER):
            others += [os.path.join(root, n) for n in names]
            continue
        which = "general" if parts[2] == GENERAL_FOLDER else "thorough"
        for n in names:
            ext = os.path.splitext(n)[1].lstrip(".").lower() or re.sub(r"_\d{3}$", "", parts[3]).lower()
            outputs.append((os.path.join(root, n), which, ext))
    return outputs, others


def run_ostrel(recover, edition, mode, thorough, image, parent):
    """One ostrel-recover run; `recover` is the program and its extra
    options as a list."""
    dest = tempfile.mkdtemp(prefix="ostrel-%s-%s-" % (edition, mode), dir=parent)
    cmd = list(recover) + ["--edition", edition, "--mode", mode, "-q"] + (["--thorough"] if thorough else []) + [image, dest]
    rc, wall, cpu, log = timed(cmd)
    outputs, others = ostrel_outputs(dest)
    return {"tool": "ostrel", "edition": edition, "mode": mode, "thorough": thorough, "rc": rc, "seconds": wall,
            "cpu_seconds": cpu, "dest": dest, "outputs": outputs, "other_files": others, "command": cmd,
            "log": log[-2000:]}


PHOTOREC_OPTIONS = "partition_none,options,paranoid,keep_corrupted_file_no,fileopt,everything,enable,wholespace,search"


def run_photorec(image, parent):
    """PhotoRec on the whole image, every file type it knows enabled; None
    when it is not installed."""
    exe = shutil.which("photorec")
    if not exe:
        return None
    dest = tempfile.mkdtemp(prefix="photorec-", dir=parent)
    cmd = [exe, "/log", "/d", os.path.join(dest, "recup_dir"), "/cmd", image, PHOTOREC_OPTIONS]
    rc, wall, cpu, log = timed(cmd, cwd=dest, env=dict(os.environ, TERM="dumb"))
    outputs = []
    for root, _, names in os.walk(dest):
        if not os.path.basename(root).startswith("recup_dir"):
            continue
        for n in names:
            if n == "report.xml":
                continue
            outputs.append((os.path.join(root, n), "all", os.path.splitext(n)[1].lstrip(".").lower()))
    return {"tool": "photorec", "edition": "-", "mode": "all", "thorough": False, "rc": rc, "seconds": wall,
            "cpu_seconds": cpu, "dest": dest, "outputs": outputs, "command": cmd, "log": log[-2000:]}


def floor_seconds(image, out_bytes, parent, repeats=2):
    """The physical floor of a pass on the page-cached image: the best of
    `repeats` times of cat IMAGE > /dev/null, and of dd copying out_bytes of
    the image into a file beside the results. Returns (cat s, dd s)."""
    subprocess.run(["cat", image], stdout=subprocess.DEVNULL, check=True)
    cat = min(timed(["sh", "-c", 'cat "$1" > /dev/null', "sh", image])[1] for _ in range(repeats))
    blocks = out_bytes // (1 << 20)
    dd = 0.0
    if blocks:
        target = os.path.join(parent, "dd-floor.bin")
        times = []
        for _ in range(repeats):
            times.append(timed(["dd", "if=" + image, "of=" + target, "bs=1M", "count=%d" % blocks])[1])
            os.unlink(target)
        dd = min(times)
    return cat, dd
