#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Epub polcaro needs.
# Idempotent and quiet: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libdbus-1-dev
  libzip-dev libxml2-dev libpugixml-dev libdeflate-dev zlib1g-dev libgtest-dev googletest
  xvfb xauth dbus dbus-x11 fonts-wine desktop-file-utils zip pkexec
  clang-format
  # bench_read_ahead compares inspect with this C reader (benchmarks only).
  libepub-dev
  # The package stage: validators, the desktop's MIME queries (gio, xdg-mime), the .deb tools,
  # and the window check under Xvfb (xdotool, xdpyinfo, Xlib, screenshots).
  appstream xdg-utils libglib2.0-bin dpkg-dev imagemagick xdotool x11-utils libx11-dev
  # Qt's own dialogs in Hungarian; the desktop check runs the window under a real window manager.
  qt6-translations-l10n openbox
  clang libclang-rt-14-dev  # the libFuzzer targets of fuzz/
)
# The Windows build: cross compilers, Debian's source packages of the libraries it needs
# (scripts/build-windows-deps.sh), the icon renderers, Wine and the tools of its smoke check, and
# NSIS for the setup program.
cross_packages=(
  g++-mingw-w64-x86-64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix dpkg-dev patch
  xz-utils bzip2 debian-archive-keyring librsvg2-bin icoutils wine wine64 xdotool nsis
)

missing=()
for p in "${packages[@]}" "${cross_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
