#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it with lintian --pedantic:
# any error or warning fails. Then installs it into a clean Debian 12 made by
# debootstrap and runs both programs there from an unrelated folder.
# Usage (root): tools/check_deb.sh [--lintian-only|--install-only] [build-dir] [chroot-dir]
#   --lintian-only  package the build as it is and stop after lintian (no root,
#                   no network needed)
#   --install-only  skip lintian (when the tests already ran it)
set -euo pipefail
lintian_only=0 run_lintian=1
case "${1:-}" in
  --lintian-only) lintian_only=1; shift ;;
  --install-only) run_lintian=0; shift ;;
esac
B=$(realpath "${1:-build}")
R=${2:-/var/tmp/orbisk-deb-root}
here=$(cd "$(dirname "$0")" && pwd)

# The package, from an up-to-date build (the test run calls this after its
# build), in a folder of its own so an older one is never picked up.
[ $lintian_only -eq 1 ] || cmake --build "$B" >/dev/null
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

# The extended description reaches the package as written (CPack once turned
# an apostrophe into "&apos;").
if ! diff <(dpkg-deb -f "$deb" Description | tail -n +2 | sed 's/^ //; s/^\.$//') \
          "$here/../packaging/description.txt"; then
  echo "the package's description differs from packaging/description.txt" >&2
  exit 1
fi

# lintian prints every tag it finds (info and pedantic ones included, so they
# are seen); only errors and warnings fail.
if [ $run_lintian -eq 1 ]; then
  set +e
  lintian --pedantic --display-info --fail-on error,warning "$deb"
  rc=$?
  set -e
  if [ $rc -ne 0 ]; then
    echo "lintian: the package has errors or warnings (exit $rc)" >&2
    exit 1
  fi
  echo "lintian: no error, no warning"
fi
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
