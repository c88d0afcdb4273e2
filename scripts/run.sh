#!/usr/bin/env bash
# Builds the program and starts it; arguments go to the program (a folder or an .epub file).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
exec build/src/app/epub-polcaro "$@"
