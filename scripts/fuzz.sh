#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a given time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); without TARGETs every target runs:
#   signature_loader_fuzzer  seeds: the shipped signature files (resources/*.dll)
#   lsblk_json_fuzzer        seeds: the recorded lsblk answers (tests/media/lsblk)
#   <family>_walker_fuzzer   seeds: the test material (tests/material), each
#                            file behind the two control bytes the target reads
# Each target keeps its corpus in BUILD/fuzz-corpus/<target> between runs;
# a finding is saved as BUILD/fuzz-findings/<target>-crash-... and makes the
# script exit 1. The closing table gives the executions of every target.
# BUILD is build-fuzz unless FUZZ_BUILD_DIR says otherwise; CXX picks clang.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-build-fuzz}
cxx=${CXX:-clang++}
all=(signature_loader_fuzzer lsblk_json_fuzzer image_walker_fuzzer camera_walker_fuzzer
     document_walker_fuzzer media_walker_fuzzer)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
  -DOSTREL_FUZZ=ON -DOSTREL_BUILD_GUI=OFF -DOSTREL_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
nice -n 10 cmake --build "$build" -j2 --target "${targets[@]}"

# Seed folders made from the sources above (rewritten in place, so two runs
# of this script on different targets may share the build folder).
seeds=$build/fuzz-seeds
mkdir -p "$seeds/signatures" "$seeds/walkers" "$build/fuzz-findings"
cp resources/*.dll "$seeds/signatures/"
for f in tests/material/*; do
  [ -f "$f" ] || continue
  # Type byte 0 (the target takes it modulo its type count) and piece byte
  # 27 (~1000-byte pieces): every file is fed as one walker would see it.
  { printf '\000\033'; cat "$f"; } > "$seeds/walkers/$(basename "$f")"
done

seed_folder() {
  case $1 in
    signature_loader_fuzzer) echo "$seeds/signatures" ;;
    lsblk_json_fuzzer) echo tests/media/lsblk ;;
    *) echo "$seeds/walkers" ;;
  esac
}

# Longest input per target. A signature entry is about 150 bytes, so 1 KiB
# holds several and keeps the reader fast enough for millions of runs; an
# lsblk answer with a few devices fits 4 KiB; walkers see whole files.
max_len() {
  case $1 in
    signature_loader_fuzzer) echo 1024 ;;
    lsblk_json_fuzzer) echo 4096 ;;
    *) echo 65536 ;;
  esac
}

status=0
report=()
for t in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$t
  log=$build/fuzz-findings/$t.log
  mkdir -p "$corpus"
  echo "== $t: $seconds s"
  set +e
  "$build/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$(max_len "$t")" \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$t-" "$corpus" "$(seed_folder "$t")" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  if [ $rc -ne 0 ]; then
    status=1
    report+=("$t  FINDING (exit $rc) after ${execs:-?} executions; see $log")
  else
    report+=("$t  ${execs:-?} executions, ${rate:-?}/s, no finding")
  fi
  tail -n 3 "$log"
done

echo
printf '%s\n' "${report[@]}"
exit $status
