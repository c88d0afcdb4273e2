#!/usr/bin/env bash
# Builds the libraries the Windows program needs (zlib, libzip, libxml2, pugixml, libdeflate,
# Qt's base module) from Debian's source packages with the mingw-w64 cross compilers, into a cache
# folder outside the work tree. A prefix built from the same recipe (this script and
# scripts/windows-deps/) is reused.
#
# Usage: scripts/build-windows-deps.sh            builds when needed; prints the prefix last
#        scripts/build-windows-deps.sh --prefix   only prints where the prefix is (or would be)
#        scripts/build-windows-deps.sh --fetch-only   fetches and unpacks the sources only
#
# The cache root is $POLCARO_WINDOWS_DEPS_CACHE, by default /var/cache/epub-polcaro/windows-deps;
# each recipe gets its own folder <root>/<recipe hash>/prefix. Everything runs at the current
# nice level; the CI stage and the Windows test script call this first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
recipe_dir=$here/windows-deps
cache_root=${POLCARO_WINDOWS_DEPS_CACHE:-/var/cache/epub-polcaro/windows-deps}
jobs=${POLCARO_JOBS:-2}

recipe_hash=$(cat "$0" "$recipe_dir"/* | sha256sum | cut -c1-16)
cache=$cache_root/$recipe_hash
prefix=$cache/prefix
if [ "${1:-}" = "--prefix" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$cache/complete" ]; then
  echo "build-windows-deps.sh: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

for tool in x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres \
  cmake ninja apt-get dpkg-source patch; do
  command -v "$tool" >/dev/null ||
    { echo "build-windows-deps.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -x /usr/lib/qt6/libexec/moc ] ||
  { echo "build-windows-deps.sh: Qt's host tools are missing (package qt6-base-dev-tools)" >&2; exit 1; }

work=$cache/work
mkdir -p "$work" "$prefix"
export POLCARO_WINDOWS_PREFIX=$prefix
# Nothing from the host's pkg-config may leak into the cross build.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
unset PKG_CONFIG_PATH
started=$SECONDS

# Runs one step unless it already finished in an earlier, interrupted run; prints its time.
step() {
  local name=$1
  shift
  if [ -f "$work/$name.done" ]; then
    echo "== $name: already done"
    return
  fi
  local t0=$SECONDS
  echo "== $name"
  "$@"
  touch "$work/$name.done"
  echo "== $name: $((SECONDS - t0)) s"
}

# Debian's source packages (the main archive; the security archive's pool is not reachable from
# every mirror) through a private source list: the system's apt configuration and
# package lists stay untouched.
fetch_sources() {
  local apt=$cache_root/apt downloads=$cache_root/downloads
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$downloads" \
    "$work/src"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  cat >"$apt/sources.list.d/debian-src.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
EOF
  local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources.list.d"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" -qq update
  # The downloads are kept across recipes: apt skips files it already has.
  (cd "$downloads" && apt-get "${opts[@]}" -qq source --download-only zlib libzip libxml2 qt6-base \
    pugixml libdeflate)
  local dsc
  for dsc in "$downloads"/*.dsc; do
    (cd "$work/src" && dpkg-source --no-check -x "$dsc" >/dev/null)
  done
}

source_dir() { # the unpacked tree of a source package, e.g. "source_dir libzip"
  find "$work/src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1
}

cmake_cross() { # cmake_cross <source> <build> [options...]
  local src=$1 build=$2
  shift 2
  cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$recipe_dir/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" >"$build.configure.log"
  cmake --build "$build" -j"$jobs" >"$build.build.log"
  cmake --install "$build" >/dev/null
}

build_zlib() {
  local src
  src=$(source_dir zlib)
  mkdir -p "$src/win32"
  cp "$recipe_dir/zlib1.rc" "$src/win32/zlib1.rc"
  cmake_cross "$src" "$work/build-zlib"
  # Only the DLL: nothing may link zlib statically by accident.
  rm -f "$prefix/lib/libzlibstatic.a"
}

build_libzip() {
  # Windows' own crypto (bcrypt.dll) only; no bzip2/lzma/zstd; no tools, tests or examples.
  cmake_cross "$(source_dir libzip)" "$work/build-libzip" -DBUILD_SHARED_LIBS=ON \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
    -DENABLE_WINDOWS_CRYPTO=ON -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
}

build_libxml2() {
  cmake_cross "$(source_dir libxml2)" "$work/build-libxml2" -DBUILD_SHARED_LIBS=ON \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF \
    -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_HTTP=OFF \
    -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF
}

# The fast reading path: pugixml as one DLL, no tests.
build_pugixml() {
  cmake_cross "$(source_dir pugixml)" "$work/build-pugixml" -DBUILD_SHARED_LIBS=ON \
    -DPUGIXML_BUILD_TESTS=OFF
}

# libdeflate 1.14 builds with its own Makefile, which knows mingw-w64: the DLL goes beside the
# others in bin/, its import library under the name the linker looks for; no static library and
# no gzip programs.
build_libdeflate() {
  local src
  src=$(source_dir libdeflate)
  make -C "$src" -j"$jobs" CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
    libdeflate.dll >"$work/build-libdeflate.log"
  mkdir -p "$prefix/bin" "$prefix/lib/pkgconfig" "$prefix/include"
  cp "$src/libdeflate.dll" "$prefix/bin/"
  cp "$src/libdeflate.lib" "$prefix/lib/libdeflate.dll.a"
  cp "$src/libdeflate.h" "$prefix/include/"
  sed -e "s|@PREFIX@|$prefix|" -e "s|@LIBDIR@|$prefix/lib|" -e "s|@INCDIR@|$prefix/include|" \
    -e "s|@VERSION@|1.14|" "$src/libdeflate.pc.in" >"$prefix/lib/pkgconfig/libdeflate.pc"
}

# Qt's base module cut down to what the program and its tests use: Core, Gui, Widgets, Test, the
# windows platform plugin and the windowsvista style. No network, D-Bus, SQL, OpenGL, printing,
# XML module or image plugins; the icons are embedded as PNG. No tablet events: Debian's source
# leaves out the Wintab header the windows platform plugin needs for them. Direct2D stays on
# because Qt 6.4 builds its DirectWrite font engine only with it, but without Direct2D 1.1 the
# separate direct2d platform plugin is left out. Optimised for size: smaller DLLs to ship, and a
# shorter build. Moc, rcc and uic come from the host's qt6-base-dev-tools, which are the same
# 6.4.2.
build_qtbase() {
  local src
  src=$(source_dir qtbase-opensource-src || true)
  [ -n "$src" ] || src=$(source_dir qt6-base)
  cmake_cross "$src" "$work/build-qtbase" -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DQT_BUILD_MANUAL_TESTS=OFF \
    -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_vulkan=OFF -DFEATURE_direct2d1_1=OFF -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_sql=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
    -DFEATURE_openssl=OFF -DINPUT_ssl=no \
    -DFEATURE_system_zlib=ON -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_androiddeployqt=OFF -DFEATURE_macdeployqt=OFF -DFEATURE_windeployqt=OFF \
    -DFEATURE_qmake=OFF
}

step fetch-sources fetch_sources
[ "${1:-}" = "--fetch-only" ] && { echo "$work/src"; exit 0; }
step zlib build_zlib
step libzip build_libzip
step libxml2 build_libxml2
step pugixml build_pugixml
step libdeflate build_libdeflate
step qtbase build_qtbase

# What was built, for the record; then the sources and build trees go, the prefix stays.
(cd "$work/src" && ls -d ./*/) >"$cache/sources.txt"
rm -rf "$work"
touch "$cache/complete"
echo "build-windows-deps.sh: dependencies built in $((SECONDS - started)) s into $prefix" >&2
echo "$prefix"
