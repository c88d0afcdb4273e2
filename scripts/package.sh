#!/usr/bin/env bash
# Builds the Debian package (CPack, installing below /usr) and prints its path.
# Usage: scripts/package.sh [BUILD_FOLDER]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
rm -f "$build"/epub-polcaro_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$PWD/$build"/epub-polcaro_*.deb
