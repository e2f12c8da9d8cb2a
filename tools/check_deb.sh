#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it with lintian --pedantic:
# any error or warning fails. Then installs it into a clean Debian 12 made by
# debootstrap and runs both programs there from an unrelated folder.
# Usage (root): tools/check_deb.sh [--lintian-only] [build-dir] [chroot-dir]
#   --lintian-only  stop after lintian (no root, no network needed)
set -euo pipefail
lintian_only=0
if [ "${1:-}" = --lintian-only ]; then lintian_only=1; shift; fi
B=$(realpath "${1:-build}")
R=${2:-/var/tmp/orbisk-deb-root}
here=$(cd "$(dirname "$0")" && pwd)

# The package, in a folder of its own so an older one is never picked up.
out=$B/deb
rm -rf "$out"
cpack -G DEB --config "$B/CPackConfig.cmake" -B "$out" >"$out.log" 2>&1 || {
  cat "$out.log" >&2
  exit 1
}
debs=("$out"/orbisk_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "cpack made no single orbisk_*.deb in $out" >&2; exit 1; }
deb=${debs[0]}
echo "package: $deb"

# lintian prints every tag it finds (info and pedantic ones included, so they
# are seen); only errors and warnings fail.
set +e
lintian --pedantic --display-info --fail-on error,warning "$deb"
rc=$?
set -e
if [ $rc -ne 0 ]; then
  echo "lintian: the package has errors or warnings (exit $rc)" >&2
  exit 1
fi
echo "lintian: no error, no warning"
[ $lintian_only -eq 1 ] && exit 0

. "$here/debian_root.sh"
fresh_root "$R"
trap 'keep_downloads "$R"; drop_root "$R"' EXIT
cp "$deb" "$R/root/orbisk.deb"
chroot "$R" bash -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /root/orbisk.deb >/dev/null'
chroot "$R" bash -c 'mkdir -p /tmp/anywhere && cd /tmp/anywhere &&
  orbisk-cli --version &&
  [ -x "$(dirname "$(readlink -f "$(command -v orbisk-cli)")")/orbisk-import" ] && echo "orbisk-import beside the programs" &&
  orbisk-cli search company --name bank --top 3 &&
  { QT_QPA_PLATFORM=offscreen timeout 3 orbisk; [ $? -eq 124 ]; } && echo "orbisk started and kept running"'
