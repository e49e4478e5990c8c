#!/usr/bin/env bash
# The main job for a newcomer: builds, then runs the headless front end.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
./build/bin/ostrel-recover "$@"
