#!/usr/bin/env bash
# Installs what Orbisk needs, builds it with its sample directory and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
scripts/build.sh
exec "${ORBISK_BUILD:-build}/bin/orbisk"
