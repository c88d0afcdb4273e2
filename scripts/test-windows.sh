#!/usr/bin/env bash
# The Windows stage: cross-builds the whole project (window, command line, every test) with
# mingw-w64 against the libraries of scripts/build-windows-deps.sh, runs every test under Wine,
# then the smoke check of the real window (scripts/windows/smoke.sh). Everything runs in a Wine
# prefix and on an X server (Xvfb) of its own inside the build folder.
# Usage: scripts/test-windows.sh [build folder, default build-mingw]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-mingw}
jobs=${POLCARO_JOBS:-2}
for tool in x86_64-w64-mingw32-g++-posix wine wineserver Xvfb rsvg-convert icotool; do
  command -v "$tool" >/dev/null || { echo "test-windows.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -f /usr/src/googletest/CMakeLists.txt ] || { echo "test-windows.sh: /usr/src/googletest is missing (package googletest)" >&2; exit 1; }
mkdir -p "$build"
build=$(cd "$build" && pwd)
started=$SECONDS
phase() { echo "== $1: $((SECONDS - phase_start)) s"; phase_start=$SECONDS; }
phase_start=$SECONDS

prefix=$(bash scripts/build-windows-deps.sh | tail -n 1)
phase "dependencies ($prefix)"

# GoogleTest for the cross compiler, built once and installed into the build folder.
gtest_prefix=$build/gtest
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/gtest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF \
    >/dev/null
  cmake --build "$build/gtest-build" -j"$jobs" >/dev/null
  cmake --install "$build/gtest-build" >/dev/null
fi

werror=()  # POLCARO_WERROR=ON in the environment (CI sets it) makes warnings errors
[ -n "${POLCARO_WERROR:-}" ] && werror=(-DPOLCARO_WERROR="$POLCARO_WERROR")
# Qt's toolchain file puts the prefix first on every search path and chain-loads ours. ccache
# hits across build folders when paths are relative to the checkout.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH='' \
  cmake -S . -B "$build/project" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_PREFIX_PATH="$prefix" -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" "${werror[@]}" >/dev/null
cmake --build "$build/project" -j"$jobs"
phase "cross build"

# A Wine prefix of our own: nothing from the user's ~/.wine is read or changed.
# shellcheck source=scripts/windows/wine-session.sh
source scripts/windows/wine-session.sh
start_wine_session "$build/wineprefix" 90
# The DLLs: Qt, libzip, libxml2, pugixml, libdeflate and zlib from the prefix, the mingw runtime from the compiler.
# Qt finds its platform and style plugins beside its own DLLs (<prefix>/plugins).
winpath() { printf 'Z:%s' "${1//\//\\}"; }
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
WINEPATH="$(winpath "$prefix/bin");$(winpath "$gcc_runtime");$(winpath "$pthread_runtime")"
export WINEPATH

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1
  # The settings above take effect once the server restarts.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
fi
# A persistent server and a booted prefix before ctest: otherwise test discovery hangs.
wineserver -p >/dev/null 2>&1
wine wineboot >/dev/null 2>&1
phase "wine prefix"

status=0
ctest --test-dir "$build/project" --output-on-failure -j"$jobs" || status=$?
phase "tests under wine"

bash scripts/windows/smoke.sh "$build/project" "$build/smoke" || status=$?
phase "smoke check"
echo "test-windows.sh: $((SECONDS - started)) s"
exit "$status"
