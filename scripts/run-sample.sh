#!/usr/bin/env bash
# The main job for a newcomer: builds, then runs the headless front end on
# the built-in sample image (extra arguments, e.g. --edition camera, pass on).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
./build/bin/ostrel-recover --sample "$@"
