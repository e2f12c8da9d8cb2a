#!/usr/bin/env bash
# Runs a window test on a real X server: a private Xvfb started by xvfb-run.
# Without Xvfb the test is skipped (exit code 77).
# Usage: tests/ui/x11/run.sh PROGRAM [ARGS...]
set -uo pipefail
if ! command -v xvfb-run >/dev/null || ! command -v Xvfb >/dev/null || ! command -v xauth >/dev/null; then
  echo "skipped: xvfb-run, Xvfb and xauth are needed for a real X server (scripts/deps.sh test)"
  exit 77
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1366x768x24" "$@"
