#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test:
# the full build (core, windows, command line) and a sanitizer build of the
# core and window tests. Under CI a warning fails the build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
if [ -f tests/node/package.json ]; then
  (cd tests/node && { [ -d node_modules ] || npm install --no-audit --no-fund --silent; })
fi
WERROR=OFF
[ "${CI:-}" = true ] && WERROR=ON
ORBISK_BUILD=build scripts/build.sh -DORBISK_WERROR=$WERROR
(cd build && ctest --output-on-failure -j2)
# Address and undefined-behaviour sanitizers over the core and window tests
# (Qt and the desktop libraries keep caches for the process's life, so the
# window tests do not count leaks).
B=build-asan
[ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DORBISK_SANITIZE=ON -DORBISK_BENCH=OFF -DORBISK_WERROR=$WERROR
cmake --build "$B" --target sanitized_tests
(cd "$B" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j2 -L core)
(cd "$B" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j2 -R '^ui\.[A-Za-z]+_test$')
