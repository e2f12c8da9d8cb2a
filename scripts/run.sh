#!/usr/bin/env bash
# Installs what Orbisk needs to run, builds the program with its sample
# directory and starts it. It configures only what running needs (no tests, no
# benchmarks, whose packages only the test command installs) in a build folder
# of its own, build-run/, so it never spoils the test command's build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
B=build-run
[ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja -DBUILD_TESTING=OFF -DORBISK_BENCH=OFF
cmake --build "$B"
exec "$B/bin/orbisk" "$@"
