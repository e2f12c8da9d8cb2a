#!/usr/bin/env bash
# Installs the Debian packages Orbisk needs; fast when they are already there.
# Usage: scripts/deps.sh run|test
set -euo pipefail
RUN_PKGS=(g++ cmake ninja-build pkg-config qt6-base-dev libsqlite3-dev mdbtools mdbtools-dev
          libxlsxwriter-dev libjpeg-dev libicu-dev libseccomp-dev fonts-dejavu-core fonts-wqy-microhei xdg-utils
          qt6-tools-dev qt6-l10n-tools qt6-translations-l10n)
TEST_PKGS=(libgtest-dev xvfb xauth libxcb1-dev locales sqlite3 imagemagick clang libclang-rt-14-dev
           appstream desktop-file-utils bash-completion groff-base
           libreoffice-calc-nogui python3 dbus at-spi2-core python3-pyatspi xdotool
           lintian dpkg-dev file debootstrap)
want=("${RUN_PKGS[@]}")
[ "${1:-run}" = test ] && want+=("${TEST_PKGS[@]}")
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
