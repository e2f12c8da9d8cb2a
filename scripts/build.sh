#!/usr/bin/env bash
# Configures once and builds with Ninja into build/ (or $ORBISK_BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."
B=${ORBISK_BUILD:-build}
[ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja "$@"
cmake --build "$B"
