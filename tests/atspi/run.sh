#!/usr/bin/env bash
# Runs the accessibility walk: a private X server, a private D-Bus session with
# the AT-SPI bus, and Debian's Python with pyatspi (not whatever python3 comes
# first on PATH). Without those the test is skipped (exit code 77).
# Usage: tests/atspi/run.sh PROGRAM
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run Xvfb xauth dbus-run-session xdotool; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing (scripts/deps.sh test)"; exit 77; }
done
if [ ! -x /usr/bin/python3 ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "skipped: /usr/bin/python3 with pyatspi is missing (python3-pyatspi)"; exit 77
fi
if [ ! -e /usr/share/dbus-1/services/org.a11y.Bus.service ]; then
  echo "skipped: the AT-SPI bus is missing (at-spi2-core)"; exit 77
fi
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1366x768x24" /usr/bin/python3 "$here/walk.py" "$@"
