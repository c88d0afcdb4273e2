#!/usr/bin/env bash
# The Windows stage: cross-builds the Qt-free layers (platform, shell) and their tests with
# mingw-w64 and runs them under Wine in a fresh Wine prefix inside the build folder.
# Usage: scripts/test-windows.sh [build folder, default build-mingw]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-mingw}
for tool in x86_64-w64-mingw32-g++-posix wine wineserver wineboot; do
  command -v "$tool" >/dev/null || { echo "test-windows.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -f /usr/src/googletest/CMakeLists.txt ] || { echo "test-windows.sh: /usr/src/googletest is missing (package googletest)" >&2; exit 1; }
mkdir -p "$build"
build=$(cd "$build" && pwd)

# GoogleTest for the cross compiler, built once and installed into the build folder.
gtest_prefix=$build/gtest
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/gtest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF \
    >/dev/null
  cmake --build "$build/gtest-build" -j2 >/dev/null
  cmake --install "$build/gtest-build" >/dev/null
fi

werror=()  # POLCARO_WERROR=ON in the environment (CI sets it) makes warnings errors
[ -n "${POLCARO_WERROR:-}" ] && werror=(-DPOLCARO_WERROR="$POLCARO_WERROR")
cmake -S . -B "$build/project" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DPOLCARO_CORE_ONLY=ON \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" "${werror[@]}" >/dev/null
cmake --build "$build/project" --target platform_tests shell_tests -j2

# A Wine prefix of our own: nothing from the user's ~/.wine is read or changed.
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
trap 'exit 143' TERM INT  # a timeout still stops the Wine server
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1
  # The settings above take effect once the server restarts.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
fi
wineserver -p >/dev/null 2>&1
wine wineboot >/dev/null 2>&1

ctest --test-dir "$build/project" --output-on-failure -j2
