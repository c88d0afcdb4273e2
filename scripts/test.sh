#!/usr/bin/env bash
# Builds everything and runs the whole test suite (the README's test command).
set -euo pipefail
cd "$(dirname "$0")/.."
# POLCARO_WERROR=ON in the environment (CI sets it) makes warnings errors; unset, the cached or
# default setting stands.
werror=()
[ -n "${POLCARO_WERROR:-}" ] && werror=(-DPOLCARO_WERROR="$POLCARO_WERROR")
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${werror[@]}" >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
