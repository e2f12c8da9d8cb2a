# Sourced by tools/check_deb.sh and tools/check_fresh.sh: a clean Debian 12
# (debootstrap --variant=minbase bookworm) made once per machine and kept, then
# copied afresh for every check, so each check starts from the same untouched
# system while the download and the unpacking happen once. Packages that apt
# fetched inside one copy are kept for the next (apt checks them against its
# lists as it would its own cache), so the checks do not download Qt twice.
# Needs root, debootstrap, and Debian's mirror.

ORBISK_ROOT_CACHE=${ORBISK_ROOT_CACHE:-/var/cache/orbisk-check}
ORBISK_MIRROR=${ORBISK_MIRROR:-http://deb.debian.org/debian}

# The clean system, made when missing or left half made.
debian_base() {
  local base=$ORBISK_ROOT_CACHE/bookworm-minbase
  BOOKWORM_BASE=$base
  if [ ! -f "$base.done" ]; then
    command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
    drop_root "$base.partial"
    drop_root "$base"
    mkdir -p "$ORBISK_ROOT_CACHE"
    echo "debootstrap --variant=minbase bookworm (once per machine)..." >&2
    debootstrap --variant=minbase bookworm "$base.partial" "$ORBISK_MIRROR" >"$ORBISK_ROOT_CACHE/debootstrap.log" 2>&1 || {
      tail -20 "$ORBISK_ROOT_CACHE/debootstrap.log" >&2
      return 1
    }
    mv "$base.partial" "$base"
    touch "$base.done"
  fi
}

# Unmounts everything below a folder, deepest first, and removes it; refuses
# to remove anything while a mount is left (never deletes through a mount).
drop_root() {
  local R=$1 m left
  [ -e "$R" ] || return 0
  R=$(realpath "$R")
  awk -v r="$R" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r |
    while read -r m; do umount "$m" 2>/dev/null || umount -l "$m"; done
  left=$(awk -v r="$R" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts)
  if [ -n "$left" ]; then
    echo "still mounted, not removed: $left" >&2
    return 1
  fi
  rm -rf --one-file-system "$R"
}

# fresh_root DIR: DIR becomes a copy of the clean system with /proc mounted,
# the host's name servers and the packages fetched by earlier checks.
fresh_root() {
  local R=$1
  debian_base
  drop_root "$R"
  mkdir -p "$(dirname "$R")"
  cp -a "$BOOKWORM_BASE" "$R"
  cp /etc/resolv.conf "$R/etc/resolv.conf"
  # No service is started inside the copy (there is no init to own it).
  printf '#!/bin/sh\nexit 101\n' >"$R/usr/sbin/policy-rc.d"
  chmod 755 "$R/usr/sbin/policy-rc.d"
  mkdir -p "$ORBISK_ROOT_CACHE/apt-archives"
  copy_debs "$ORBISK_ROOT_CACHE/apt-archives" "$R/var/cache/apt/archives"
  mount -t proc proc "$R/proc"
}

# keep_downloads DIR: the packages apt fetched inside DIR, for the next check.
keep_downloads() {
  local R=$1
  [ -d "$R/var/cache/apt/archives" ] || return 0
  copy_debs "$R/var/cache/apt/archives" "$ORBISK_ROOT_CACHE/apt-archives"
}

# copy_debs FROM TO: the .deb files of FROM that TO lacks, as hard links where
# both are on one file system.
copy_debs() {
  local f
  for f in "$1"/*.deb; do
    [ -f "$f" ] && [ ! -e "$2/${f##*/}" ] || continue
    ln "$f" "$2/" 2>/dev/null || cp "$f" "$2/"
  done
}
