#!/usr/bin/env bash
# Runs the README's first command, scripts/run.sh, in a clean Debian 12 made by
# debootstrap --variant=minbase bookworm, on a copy of this repository, up to
# the program's window (offscreen): it fails unless the program starts and is
# still running some seconds later. So a package missing from the run list of
# scripts/deps.sh, or a build step that needs the test packages, fails here.
# Usage (root): tools/check_fresh.sh [chroot-dir]
# ORBISK_FRESH_TIMEOUT: seconds allowed until the window (default 2400).
set -euo pipefail
cd "$(dirname "$0")/.."
R=${1:-/var/tmp/orbisk-fresh-root}
limit=${ORBISK_FRESH_TIMEOUT:-2400}
alive=5
. tools/debian_root.sh

t0=$SECONDS
fresh_root "$R"
log=$(mktemp /tmp/orbisk-fresh.XXXXXX.log)
pid=
finish() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -- -"$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  keep_downloads "$R"
  drop_root "$R"
}
trap finish EXIT

# The repository as a clone holds it: tracked files and new ones, no build folders.
mkdir -p "$R/root/orbisk"
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$R/root/orbisk"
echo "fresh Debian 12 ready after $((SECONDS - t0)) s; running scripts/run.sh there"

# A session of its own, so the whole command (apt, cmake, the compilers) can be
# stopped by its process group. run.sh ends by exec'ing the program, so the
# process started here becomes the program.
t1=$SECONDS
# A fresh machine's environment, not this one's (no compiler launchers, no
# build settings of the host leak in).
setsid chroot "$R" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  HOME=/root LANG=C.UTF-8 /bin/bash -c 'cd /root/orbisk && exec env QT_QPA_PLATFORM=offscreen scripts/run.sh' \
  >"$log" 2>&1 </dev/null &
pid=$!

fail() {
  echo "check_fresh: $1" >&2
  echo "---- last lines of scripts/run.sh's output ($log) ----" >&2
  tail -40 "$log" >&2
  exit 1
}
is_program() { [[ "$(readlink "/proc/$pid/exe" 2>/dev/null)" == */root/orbisk/build-run/bin/orbisk ]]; }

until is_program; do
  if ! kill -0 "$pid" 2>/dev/null; then
    rc=0; wait "$pid" || rc=$?
    pid=
    fail "scripts/run.sh ended with status $rc before the program started"
  fi
  [ $((SECONDS - t1)) -lt "$limit" ] || fail "no program after $limit s"
  sleep 1
done
started=$((SECONDS - t1))
sleep "$alive"
if ! is_program; then
  rc=0; wait "$pid" || rc=$?
  pid=
  fail "the program ended (status $rc) within $alive s of starting"
fi
echo "check_fresh: scripts/run.sh installed, built and started orbisk in ${started} s; still running after ${alive} s"
echo "check_fresh: whole check $((SECONDS - t0)) s"
rm -f "$log"
