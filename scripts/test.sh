#!/usr/bin/env bash
# Checks the layer order of the includes first, then builds and runs every
# test: the normal build; the engine library's tests
# again under AddressSanitizer + UndefinedBehaviorSanitizer; the threaded
# code (engine, command line, window) under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/check-layers.sh
./scripts/build.sh -DOSTREL_BUILD_GUI=ON
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=address -DOSTREL_BUILD_GUI=OFF
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_SANITIZE=thread -DOSTREL_BUILD_GUI=ON
cmake --build build-tsan -j2
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
./build-tsan/bin/engine_tests
ctest --test-dir build-tsan --output-on-failure -j2 -L 'ui|e2e'
