#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test:
# the full build (core, windows, command line) and a sanitizer build of the core tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
if [ -f tests/node/package.json ]; then
  (cd tests/node && { [ -d node_modules ] || npm install --no-audit --no-fund --silent; })
fi
ORBISK_BUILD=build scripts/build.sh
(cd build && ctest --output-on-failure -j2)
# Address and undefined-behaviour sanitizers over the core tests.
B=build-asan
[ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DORBISK_GUI=OFF -DORBISK_SANITIZE=ON -DORBISK_BENCH=OFF
cmake --build "$B" --target orbisk_core_tests
(cd "$B" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j2 -L core)
