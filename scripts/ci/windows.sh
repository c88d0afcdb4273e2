#!/usr/bin/env bash
# CI stage: the Windows build. Builds the dependencies (or reuses the cached prefix), cross-builds
# the project, runs every test and the smoke check under Wine, packages the .zip and the setup
# program, and checks the setup program under Wine (silent install, the installed programs,
# silent uninstall). Each part prints its own time.
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
t0=$SECONDS
version=$(sed -n 's/^project(EpubPolcaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
timeout 900 bash scripts/windows/installer-check.sh \
  "build-mingw/package/epub-polcaro-$version-windows-x64-setup.exe" build-mingw/project \
  build-mingw/installer-check
echo "ci/windows.sh: setup program under Wine $((SECONDS - t0)) s"
echo "ci/windows.sh: $((SECONDS - started)) s in all"
