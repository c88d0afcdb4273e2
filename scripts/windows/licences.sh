#!/usr/bin/env bash
# The licence notices of what the Windows download ships besides our own code: Qt (LGPL-3, with
# how to replace its DLLs), libxml2, libzip, pugixml, libdeflate, zlib and the mingw-w64 runtime (libstdc++, libgcc,
# winpthreads). The texts are Debian's copyright files of the same source packages the
# dependencies are built from (installed on the build machine by scripts/install-deps.sh) and
# Debian's copies of the GPL-3 and LGPL-3. Windows line ends, so Notepad shows them.
# Usage: scripts/windows/licences.sh <folder> [sources.txt of scripts/build-windows-deps.sh]
set -euo pipefail
out=$1
sources=${2:-}
mkdir -p "$out"

copy() { # copy <Debian file> <name in the folder>
  [ -f "$1" ] || { echo "licences.sh: $1 is missing (scripts/install-deps.sh installs its package)" >&2; exit 1; }
  sed 's/\r$//; s/$/\r/' "$1" >"$out/$2"
}
copy /usr/share/common-licenses/LGPL-3 LGPL-3.txt
copy /usr/share/common-licenses/GPL-3 GPL-3.txt
copy /usr/share/doc/libqt6core6/copyright Qt.txt
copy /usr/share/doc/libxml2/copyright libxml2.txt
copy /usr/share/doc/libzip4/copyright libzip.txt
copy /usr/share/doc/zlib1g/copyright zlib.txt
copy /usr/share/doc/libpugixml1v5/copyright pugixml.txt
copy /usr/share/doc/libdeflate0/copyright libdeflate.txt
copy /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime.txt
copy /usr/share/doc/mingw-w64-common/copyright mingw-w64.txt

built_from="Debian 12's source packages of Qt's base module (qt6-base), libxml2, libzip, pugixml,
libdeflate and zlib"
if [ -n "$sources" ] && [ -f "$sources" ]; then
  built_from="these Debian 12 source packages: $(sed 's|^\./||; s|/$||' "$sources" | paste -sd ' ')"
fi
{
  cat <<EOF
Licences of the libraries that come with Epub polcaro for Windows

Epub polcaro uses these libraries, each under its own licence. The files in this folder are
the copyright and licence notices of the Debian packages they were built from.

  Qt 6 (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, platforms\\qwindows.dll,
  styles\\qwindowsvistastyle.dll, translations\\qtbase_hu.qm)
      GNU Lesser General Public License version 3 (LGPL-3.txt, which builds on GPL-3.txt).
      Qt.txt lists the copyright holders and the licences of the code Qt bundles.
  libxml2 (libxml2.dll)                   MIT licence, see libxml2.txt
  libzip (libzip.dll)                     BSD 3-clause licence, see libzip.txt
  pugixml (libpugixml.dll)                MIT licence, see pugixml.txt
  libdeflate (libdeflate.dll)             MIT licence, see libdeflate.txt
  zlib (libzlib.dll)                      zlib licence, see zlib.txt
  GCC runtime (libstdc++-6.dll, libgcc_s_seh-1.dll)
                                          GPL-3 with the GCC Runtime Library Exception,
                                          see gcc-runtime.txt
  mingw-w64 winpthreads (libwinpthread-1.dll)
                                          MIT and BSD licences, see mingw-w64.txt

The libraries were built with the mingw-w64 cross compilers from $built_from.
Their source code is available from Debian (https://sources.debian.org/ and the
snapshot archive https://snapshot.debian.org/); the build recipe and its patches are
scripts/build-windows-deps.sh and scripts/windows-deps/ in Epub polcaro's sources.

Replacing the Qt libraries

Epub polcaro links Qt dynamically. You may replace Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll
and the plugins in the platforms and styles folders with your own build of Qt 6.4 for 64-bit
Windows made with the same compiler family (mingw-w64, x86_64, POSIX threads, for example from
Debian's qt6-base source package with your changes): put your DLLs into the program folder in
place of these, keeping their names. The program then uses your Qt. The files must stay
compatible with Qt 6.4's binary interface.
EOF
} | sed 's/$/\r/' >"$out/README.txt"
