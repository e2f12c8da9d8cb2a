#!/usr/bin/env bash
# Builds the Debian package and installs it into a clean Debian 12 made by
# debootstrap, then runs both programs there from an unrelated folder.
# Usage (root): tools/check_deb.sh [build-dir] [chroot-dir]
set -euo pipefail
B=${1:-build}
R=${2:-/tmp/orbisk-chroot}
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
(cd "$B" && cpack -G DEB >/dev/null)
deb=$(ls "$B"/orbisk_*_amd64.deb | head -1)
[ -d "$R/usr" ] || debootstrap --variant=minbase bookworm "$R" http://deb.debian.org/debian
cp "$deb" "$R/root/orbisk.deb"
cp /etc/resolv.conf "$R/etc/resolv.conf"
mountpoint -q "$R/proc" || mount -t proc proc "$R/proc"
trap 'umount "$R/proc" 2>/dev/null || true' EXIT
chroot "$R" bash -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /root/orbisk.deb >/dev/null'
chroot "$R" bash -c 'mkdir -p /tmp/anywhere && cd /tmp/anywhere &&
  orbisk-cli --version &&
  [ -x "$(dirname "$(readlink -f "$(command -v orbisk-cli)")")/orbisk-import" ] && echo "orbisk-import beside the programs" &&
  orbisk-cli search company --name bank --top 3 &&
  { QT_QPA_PLATFORM=offscreen timeout 3 orbisk; [ $? -eq 124 ]; } && echo "orbisk started and kept running"'
