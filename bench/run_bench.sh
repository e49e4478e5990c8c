#!/usr/bin/env bash
# Throughput and memory benchmark of ostrel-recover on an image that looks
# like a used memory card. Not a test: nothing runs it but a person.
#
#   bench/run_bench.sh [SIZE_GIB]          (default 4)
#
# Builds a Release ostrel-recover and make_bench_image in build-bench/, makes
# the embedded files and the image, warms the page cache, then times:
#   - cat IMAGE > /dev/null on the cached image (best of 3),
#   - ostrel-recover, Removable edition: photo, video, raw and audio general
#     passes, and the photo run with the thorough pass,
#   - two references: the engine with nothing to write (a video search for a
#     type not on the image) and a dd copy of as many bytes as the photo pass
#     writes (what the writes alone cost),
#   - the same photo search by foremost, scalpel and PhotoRec,
#   - a cold-cache photo pass against dd of the image (page cache dropped),
#   - peak memory of a photo run on 1 GiB and 8 GiB images,
# checks that the image is unchanged, and prints a table with the targets.
#
# Settings (environment):
#   BENCH_WORK=/tmp/ostrel-bench   images, material, results
#   BENCH_DEST=$BENCH_WORK/dest    destination folder of the searches (wiped
#                                  before every run); put it on a fast disk
#   BENCH_TMPFS_DEST=/dev/shm/ostrel-bench-dest  second cold-pass destination
#                                  on another device than the image (empty:
#                                  skip)
#   BENCH_RUNS=3                   runs per ostrel-recover row (best is kept)
#   BENCH_COLD_RUNS=2              runs per cold-cache row
#   BENCH_MEM_SIZES="1 8"          image sizes (GiB) of the memory check
#   BENCH_OTHERS=1                 0 skips foremost, scalpel and PhotoRec
#   BENCH_SEED=20240607            image seed
#   BENCH_QUIET_WAIT=120           seconds to wait for an idle machine
#                                  before each timed run
#   BENCH_KEEP=0                   1 keeps the images at the end
#   BENCH_BUILD_DIR=<repo>/build-bench
set -euo pipefail

SIZE_GIB=${1:-4}
REPO=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BENCH_BUILD_DIR:-$REPO/build-bench}
WORK=${BENCH_WORK:-/tmp/ostrel-bench}
DEST=${BENCH_DEST:-$WORK/dest}
TMPFS_DEST=${BENCH_TMPFS_DEST-/dev/shm/ostrel-bench-dest}
RUNS=${BENCH_RUNS:-3}
COLD_RUNS=${BENCH_COLD_RUNS:-2}
MEM_SIZES=${BENCH_MEM_SIZES:-"1 8"}
OTHERS=${BENCH_OTHERS:-1}
SEED=${BENCH_SEED:-20240607}
QUIET_WAIT=${BENCH_QUIET_WAIT:-120}
KEEP=${BENCH_KEEP:-0}

RECOVER=$BUILD/bin/ostrel-recover
MAKE_IMAGE=$BUILD/bin/make_bench_image
IMAGE=$WORK/card-${SIZE_GIB}g.img
MATERIAL=$WORK/material
STAMP=$(date +%Y%m%d-%H%M%S)
REPORT=$WORK/results-$STAMP.txt
LOG=$WORK/bench-$STAMP.log

mkdir -p "$WORK"
: >"$LOG"

say() { echo "[bench] $*" | tee -a "$LOG" >&2; }
die() { say "error: $*"; exit 1; }
calc() { awk "BEGIN { printf \"%s\", $* }"; }
fmt() { awk -v v="$1" -v f="$2" 'BEGIN { printf f, v }'; }

# ---------------------------------------------------------------- tools

ensure_tools() {
    local missing=()
    command -v foremost >/dev/null || missing+=(foremost)
    command -v scalpel >/dev/null || missing+=(scalpel)
    command -v photorec >/dev/null || missing+=(testdisk)
    [[ -x /usr/bin/time ]] || missing+=(time)
    [[ -x /usr/bin/convert ]] || missing+=(imagemagick)
    command -v ffmpeg >/dev/null || missing+=(ffmpeg)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v ninja >/dev/null || missing+=(ninja-build)
    command -v fincore >/dev/null || missing+=(util-linux)
    if ((${#missing[@]})); then
        [[ $(id -u) == 0 ]] || die "missing packages: ${missing[*]} (install them, or run as root)"
        say "installing ${missing[*]}"
        apt-get update -qq >>"$LOG" 2>&1
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >>"$LOG" 2>&1
    fi
}

# ---------------------------------------------------------------- timing

# Percentage of all CPU time that was busy during one second.
cpu_busy() {
    local a b
    read -r -a a < <(grep '^cpu ' /proc/stat)
    sleep 1
    read -r -a b < <(grep '^cpu ' /proc/stat)
    local total=0 idle i
    for i in 1 2 3 4 5 6 7 8; do total=$((total + b[i] - a[i])); done
    idle=$((b[4] - a[4] + b[5] - a[5]))
    ((total > 0)) || { echo 0; return; }
    echo $(((total - idle) * 100 / total))
}

# Flushes dirty pages and waits (up to BENCH_QUIET_WAIT s) until other
# programs leave the CPUs idle; BUSY gets the last reading.
BUSY=0
settle() {
    sync
    local waited=0
    BUSY=$(cpu_busy)
    while ((BUSY > 10 && waited < QUIET_WAIT)); do
        if ((waited == 0)); then say "  waiting for an idle machine (busy ${BUSY}%)"; fi
        sleep 4
        waited=$((waited + 5))
        BUSY=$(cpu_busy)
    done
}

# run_timed CMD...: wall time (T_WALL, s), max RSS (T_RSS, KiB), exit code
# (T_RC) of CMD, its output in $WORK/last.out.
run_timed() {
    local t0 t1
    t0=$EPOCHREALTIME
    set +e
    /usr/bin/time -f '%M %U %S' -o "$WORK/time.out" "$@" >"$WORK/last.out" 2>&1
    T_RC=$?
    set -e
    t1=$EPOCHREALTIME
    T_WALL=$(calc "$t1 - $t0")
    read -r T_RSS T_USER T_SYS < <(tail -n 1 "$WORK/time.out")
    cat "$WORK/last.out" >>"$LOG"
    echo "[bench]    $*: exit $T_RC, wall $T_WALL s, user $T_USER s, sys $T_SYS s, max RSS $T_RSS KiB" >>"$LOG"
}

wipe() {
    rm -rf "$1"
    mkdir -p "$1"
}

drop_caches() {
    sync
    echo 3 >/proc/sys/vm/drop_caches 2>/dev/null
}

out_bytes() { du -sb "$1" | cut -f1; }
out_files() { find "$1" -type f "${@:2}" | wc -l; }

# ---------------------------------------------------------------- results

ROWS=()
# row NAME SECONDS BYTES_SCANNED CAT_SECONDS OUT_BYTES FILES RSS_KIB BUSY NOTE
row() {
    local name=$1 t=$2 scanned=$3 cat=$4 out=$5 files=$6 rss=$7 busy=$8 note=${9:-}
    local gbs ratio outmb rssm
    gbs=$(calc "$scanned / $t / 1e9")
    if [[ $cat == - ]]; then ratio=-; else ratio=$(fmt "$(calc "$t / ($cat * $scanned / $IMAGE_BYTES)")" '%.2f'); fi
    if [[ $out == - ]]; then outmb=-; else outmb=$(fmt "$(calc "$out / 1e6")" '%.0f'); fi
    if [[ $rss == - ]]; then rssm=-; else rssm=$(fmt "$(calc "$rss / 1024")" '%.1f'); fi
    ROWS+=("$(printf '%-48s %8.2f %7.2f %7s %9s %6s %8s %5s  %s' "$name" "$t" "$gbs" "$ratio" "$outmb" "$files" "$rssm" "$busy" "$note")")
    say "  $name: $(fmt "$t" '%.2f') s, $(fmt "$gbs" '%.2f') GB/s, x cat $ratio, out ${outmb} MB, $files files, RSS ${rssm} MiB"
}

TARGETS=()
target() { # target TEXT OK(0/1) MEASURED
    local verdict=MISS
    [[ $2 == 1 ]] && verdict=PASS
    TARGETS+=("$(printf '%-50s %-5s %s' "$1" "$verdict" "$3")")
}
ge() { awk -v a="$1" -v b="$2" 'BEGIN { print (a >= b) ? 1 : 0 }'; }
le() { awk -v a="$1" -v b="$2" 'BEGIN { print (a <= b) ? 1 : 0 }'; }

# ---------------------------------------------------------------- steps

ensure_tools

say "building Release ostrel-recover and make_bench_image in $BUILD"
if [[ ! -f $BUILD/build.ninja ]]; then
    cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_GUI=OFF \
        -DOSTREL_BUILD_TESTS=OFF >>"$LOG" 2>&1
fi
cmake --build "$BUILD" -j2 --target ostrel-recover make_bench_image >>"$LOG" 2>&1 || die "build failed, see $LOG"

say "making the embedded files in $MATERIAL"
"$REPO/bench/make_material.sh" "$MATERIAL" >>"$LOG" 2>&1 || die "material failed, see $LOG"

# Room for the image and for what the searches write (the raw-file mode can
# write a few times the image).
need_kib=$(calc "$SIZE_GIB * 1048576 * 4")
avail_kib=$(df -Pk "$WORK" | awk 'NR == 2 { print $4 }')
(($(ge "$avail_kib" "$need_kib"))) || die "$WORK has $((avail_kib / 1048576)) GiB free; about $((${need_kib%.*} / 1048576)) GiB are needed"

make_image() { # make_image SIZE PATH
    "$MAKE_IMAGE" --size-gib "$1" --seed "$SEED" --material "$MATERIAL" "$2" | tee -a "$LOG" >&2
}

say "making the ${SIZE_GIB} GiB image $IMAGE"
make_image "$SIZE_GIB" "$IMAGE"
IMAGE_BYTES=$(stat -c %s "$IMAGE")
IMAGE_FILES=$(($(wc -l <"$IMAGE.manifest.tsv") - 1))
PHOTO_FILES=$(awk -F'\t' 'NR > 1 && $4 ~ /^(jpg|png|gif|bmp|tif)$/' "$IMAGE.manifest.tsv" | wc -l)
say "checksum before the runs"
SUM_BEFORE=$(sha256sum "$IMAGE" | cut -d' ' -f1)

# ------------------------------------------------ cached image

say "warming the page cache"
cat "$IMAGE" >/dev/null
cat "$IMAGE" >/dev/null
cached=$(fincore --bytes --noheadings --output RES "$IMAGE" | tr -d ' ')
say "  $cached of $IMAGE_BYTES bytes in the page cache"

say "cat IMAGE > /dev/null, best of 3"
CAT=
for _ in 1 2 3; do
    settle
    # shellcheck disable=SC2016 # expanded by the inner shell
    run_timed sh -c 'cat "$1" >/dev/null' sh "$IMAGE"
    if [[ -z $CAT ]] || (($(le "$T_WALL" "$CAT"))); then CAT=$T_WALL; CAT_BUSY=$BUSY; fi
done
row "cat IMAGE > /dev/null (cached, best of 3)" "$CAT" "$IMAGE_BYTES" "$CAT" - - - "$CAT_BUSY"

# ostrel MODE LABEL PASSES [extra args]: best of BENCH_RUNS into the table.
PHOTO_T=
ostrel_row() {
    local mode=$1 label=$2 passes=$3
    shift 3
    local best='' best_out='' best_files='' best_rss='' best_busy='' rc_note='' all=''
    for ((r = 1; r <= RUNS; r++)); do
        wipe "$DEST"
        settle
        run_timed "$RECOVER" --edition removable --mode "$mode" -q "$@" "$IMAGE" "$DEST"
        ((T_RC == 0)) || rc_note="exit $T_RC "
        all="$all $(fmt "$T_WALL" '%.2f')"
        if [[ -z $best ]] || (($(le "$T_WALL" "$best"))); then
            best=$T_WALL
            best_busy=$BUSY
            best_rss=$T_RSS
            best_out=$(out_bytes "$DEST")
            best_files=$(out_files "$DEST")
        fi
    done
    wipe "$DEST"
    row "$label" "$best" "$((IMAGE_BYTES * passes))" "$CAT" "$best_out" "$best_files" "$best_rss" "$best_busy" \
        "${rc_note}runs:$all"
    LAST_T=$best
    LAST_OUT=$best_out
}

say "ostrel-recover, Removable edition, best of $RUNS"
ostrel_row photo "ostrel photo, general pass" 1
PHOTO_T=$LAST_T
PHOTO_OUT=$LAST_OUT

# The engine without its writes: a video search for one type that is not on
# the image (RealMedia) reads and tests every sector like the photo pass but
# finds and writes nothing.
ostrel_row video "ostrel scan only (video --types rm, no output)" 1 --types rm

# What writing alone costs: the photo pass writes nearly as much as it reads,
# so copying that many bytes of the cached image to the destination with dd
# is a floor for the pass on a single thread (reading the rest is the cat
# row).
copy_blocks=$((PHOTO_OUT / 2097152))
if ((copy_blocks > 0)); then
    best=''
    for ((r = 1; r <= RUNS; r++)); do
        wipe "$DEST"
        settle
        run_timed dd if="$IMAGE" of="$DEST/copy" bs=2M count="$copy_blocks"
        if [[ -z $best ]] || (($(le "$T_WALL" "$best"))); then best=$T_WALL; best_busy=$BUSY; fi
    done
    wipe "$DEST"
    COPY_T=$best
    row "reference: dd copy of the photo output size" "$COPY_T" "$((copy_blocks * 2097152))" "$CAT" \
        "$((copy_blocks * 2097152))" 1 - "$best_busy" "write floor"
fi
ostrel_row video "ostrel video, general pass" 1
ostrel_row raw "ostrel raw, general pass" 1
ostrel_row audio "ostrel audio, general pass" 1
ostrel_row photo "ostrel photo, general + thorough (2 passes)" 2 --thorough
# The thorough pass alone: the two-pass run less the general-pass run.
row "ostrel photo, thorough pass alone (derived)" "$(calc "$LAST_T - $PHOTO_T")" "$IMAGE_BYTES" "$CAT" \
    "$(calc "$LAST_OUT - $PHOTO_OUT")" - - - "derived"

# ------------------------------------------------ other carvers

if [[ $OTHERS == 1 ]]; then
    say "other carvers, same photo types, cached image"
    other() { # other NAME FILES_FILTER CMD...
        local name=$1
        shift
        wipe "$DEST"
        settle
        run_timed "$@"
        local note=
        ((T_RC == 0)) || note="exit $T_RC"
        local files
        files=$(out_files "$DEST" -regextype egrep -iregex '.*\.(jpe?g|png|gif|bmp|tiff?)$')
        row "$name" "$T_WALL" "$IMAGE_BYTES" "$CAT" "$(out_bytes "$DEST")" "$files" "$T_RSS" "$BUSY" "$note"
        OTHER_T[$name]=$T_WALL
        wipe "$DEST"
    }
    declare -A OTHER_T
    # foremost has no built-in TIFF type: jpg,png,gif,bmp built in, TIFF
    # from its example configuration entries.
    other foremost foremost -t jpg,png,gif,bmp -c "$REPO/bench/foremost-photo.conf" -i "$IMAGE" -o "$DEST/out"
    other scalpel scalpel -c "$REPO/bench/scalpel-photo.conf" -o "$DEST/out" "$IMAGE"
    # PhotoRec writes photorec.log into the working folder.
    # shellcheck disable=SC2016 # expanded by the inner shell
    other photorec sh -c 'cd "$1" && TERM=dumb exec photorec /log /d "$1/recup_dir" /cmd "$2" \
        partition_none,fileopt,everything,disable,jpg,enable,png,enable,gif,enable,tif,enable,bmp,enable,search \
        </dev/null' sh "$DEST" "$IMAGE"
fi

# ------------------------------------------------ cold cache

COLD_OK=0
if drop_caches; then
    COLD_OK=1
    say "cold cache (page cache dropped before every run), best of $COLD_RUNS"
    best=
    for ((r = 1; r <= COLD_RUNS; r++)); do
        settle
        drop_caches
        run_timed dd if="$IMAGE" of=/dev/null bs=4M
        if [[ -z $best ]] || (($(le "$T_WALL" "$best"))); then best=$T_WALL; best_busy=$BUSY; fi
    done
    COLD_DD=$best
    row "cold: dd if=IMAGE of=/dev/null bs=4M" "$COLD_DD" "$IMAGE_BYTES" - - - - "$best_busy"

    cold_ostrel() { # cold_ostrel LABEL DEST
        local best='' best_busy='' best_rss='' best_out=''
        for ((r = 1; r <= COLD_RUNS; r++)); do
            wipe "$2"
            settle
            drop_caches
            run_timed "$RECOVER" --edition removable --mode photo -q "$IMAGE" "$2"
            if [[ -z $best ]] || (($(le "$T_WALL" "$best"))); then
                best=$T_WALL best_busy=$BUSY best_rss=$T_RSS best_out=$(out_bytes "$2")
            fi
        done
        rm -rf "$2"
        local note
        note="x dd $(fmt "$(calc "$best / $COLD_DD")" '%.2f')"
        row "$1" "$best" "$IMAGE_BYTES" - "$best_out" - "$best_rss" "$best_busy" "$note"
        LAST_T=$best
    }
    cold_ostrel "cold: ostrel photo, dest on image's disk" "$DEST"
    COLD_PHOTO=$LAST_T
    COLD_TMPFS=
    if [[ -n $TMPFS_DEST ]]; then
        shm_avail=$(df -Pk "$(dirname "$TMPFS_DEST")" | awk 'NR == 2 { print $4 * 1024 }')
        if (($(ge "$shm_avail" "$(calc "$PHOTO_OUT * 1.2 + $IMAGE_BYTES")"))); then
            cold_ostrel "cold: ostrel photo, dest on tmpfs" "$TMPFS_DEST"
            COLD_TMPFS=$LAST_T
        else
            say "  $(dirname "$TMPFS_DEST") is too small for the tmpfs cold run; skipped"
        fi
    fi
else
    say "cannot drop the page cache (/proc/sys/vm/drop_caches not writable): cold-cache rows skipped"
fi

# ------------------------------------------------ memory

say "peak memory of a photo run"
declare -A MEM_RSS
for s in $MEM_SIZES; do
    img=$IMAGE
    if [[ $s != "$SIZE_GIB" ]]; then
        img=$WORK/mem-${s}g.img
        need=$(calc "$s * 1048576 * 2")
        avail_kib=$(df -Pk "$WORK" | awk 'NR == 2 { print $4 }')
        if (($(ge "$need" "$avail_kib"))); then
            say "  not enough room for a $s GiB image; skipped"
            continue
        fi
        make_image "$s" "$img"
    fi
    wipe "$DEST"
    settle
    run_timed "$RECOVER" --edition removable --mode photo -q "$img" "$DEST"
    note=
    ((T_RC == 0)) || note="exit $T_RC"
    MEM_RSS[$s]=$T_RSS
    row "memory: ostrel photo, $s GiB image" "$T_WALL" "$(stat -c %s "$img")" - "$(out_bytes "$DEST")" \
        "$(out_files "$DEST")" "$T_RSS" "$BUSY" "$note"
    wipe "$DEST"
    if [[ $img != "$IMAGE" ]]; then rm -f "$img" "$img.manifest.tsv"; fi
done
rm -rf "$DEST"

say "checksum after the runs"
SUM_AFTER=$(sha256sum "$IMAGE" | cut -d' ' -f1)

# ------------------------------------------------ targets

photo_gbs=$(calc "$IMAGE_BYTES / $PHOTO_T / 1e9")
photo_x=$(calc "$PHOTO_T / $CAT")
target "photo general pass >= 2 GB/s (cached)" "$(ge "$photo_gbs" 2)" "$(fmt "$photo_gbs" '%.2f') GB/s"
target "photo general pass <= 1.3x cat time (cached)" "$(le "$photo_x" 1.3)" "$(fmt "$photo_x" '%.2f')x"
if [[ $OTHERS == 1 ]]; then
    for t in photorec foremost scalpel; do
        want=10
        [[ $t == photorec ]] && want=2
        sp=$(calc "${OTHER_T[$t]} / $PHOTO_T")
        target "photo >= ${want}x the throughput of $t" "$(ge "$sp" "$want")" "$(fmt "$sp" '%.1f')x"
    done
fi
if ((${#MEM_RSS[@]})); then
    lo='' hi=''
    for s in "${!MEM_RSS[@]}"; do
        v=${MEM_RSS[$s]}
        [[ -z $lo || $v -lt $lo ]] && lo=$v
        [[ -z $hi || $v -gt $hi ]] && hi=$v
    done
    # shellcheck disable=SC2086 # one word per size
    sizes=$(printf '%s GiB ' $MEM_SIZES)
    # "The same" allows 2 MiB of allocator and thread-stack jitter.
    target "peak RSS < 64 MiB ($sizes)" "$(le "$hi" 65536)" "max $(fmt "$(calc "$hi / 1024")" '%.1f') MiB"
    target "peak RSS the same for every size (+-2 MiB)" "$(le "$((hi - lo))" 2048)" \
        "spread $(fmt "$(calc "($hi - $lo) / 1024")" '%.1f') MiB"
fi
if ((COLD_OK)); then
    x=$(calc "$COLD_PHOTO / $COLD_DD")
    target "cold photo pass <= 1.1x dd (dest on image's disk)" "$(le "$x" 1.1)" "$(fmt "$x" '%.2f')x"
    if [[ -n ${COLD_TMPFS:-} ]]; then
        x=$(calc "$COLD_TMPFS / $COLD_DD")
        target "cold photo pass <= 1.1x dd (dest on tmpfs)" "$(le "$x" 1.1)" "$(fmt "$x" '%.2f')x"
    fi
fi
same=0
[[ $SUM_BEFORE == "$SUM_AFTER" ]] && same=1
target "image unchanged (sha256 before = after)" "$same" "${SUM_AFTER:0:16}..."

# ------------------------------------------------ report

{
    echo
    echo "Ostrel Recovery benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo '?')"
    echo "machine: $(nproc) CPUs ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')), $(free -g | awk '/^Mem/ { print $2 }') GiB RAM, kernel $(uname -r)"
    echo "image: $IMAGE, $IMAGE_BYTES bytes ($SIZE_GIB GiB), seed $SEED, $IMAGE_FILES embedded files ($PHOTO_FILES photos)"
    echo "destination: $DEST ($(df -PT "$(dirname "$DEST")" | awk 'NR == 2 { print $2 " on " $1 }')), wiped before every run"
    echo "GB = 1e9 bytes. x cat = time / cat time for the same bytes. busy = CPU busy % on the machine just before the run."
    echo
    printf '%-48s %8s %7s %7s %9s %6s %8s %5s  %s\n' run "time s" "GB/s" "x cat" "out MB" files "RSS MiB" busy note
    printf '%s\n' "------------------------------------------------------------------------------------------------------------------"
    printf '%s\n' "${ROWS[@]}"
    echo
    echo "sha256 before: $SUM_BEFORE"
    echo "sha256 after:  $SUM_AFTER"
    echo
    echo "targets"
    printf '%s\n' "${TARGETS[@]}"
    echo
    echo "log: $LOG"
} | tee "$REPORT"

if [[ $KEEP != 1 ]]; then
    rm -f "$IMAGE" "$IMAGE.manifest.tsv"
    rm -rf "$WORK/last.out" "$WORK/time.out"
    if [[ -n $TMPFS_DEST ]]; then rm -rf "$TMPFS_DEST"; fi
fi
echo "results: $REPORT"
