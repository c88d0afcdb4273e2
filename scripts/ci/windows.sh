#!/usr/bin/env bash
# CI stage: the Windows build. Builds the dependencies (or reuses the cached prefix), cross-builds
# the project, runs every test and the smoke check under Wine, and packages the .zip. Each part
# prints its own time.
set -euo pipefail
cd "$(dirname "$0")/../.."
started=$SECONDS
t0=$SECONDS
bash scripts/build-windows-deps.sh
echo "ci/windows.sh: dependencies $((SECONDS - t0)) s"
t0=$SECONDS
timeout 3600 bash scripts/test-windows.sh build-mingw
echo "ci/windows.sh: build, tests and smoke check $((SECONDS - t0)) s"
t0=$SECONDS
bash scripts/package-windows.sh build-mingw
echo "ci/windows.sh: package $((SECONDS - t0)) s"
echo "ci/windows.sh: $((SECONDS - started)) s in all"
