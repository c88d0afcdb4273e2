#!/usr/bin/env bash
# The Windows download: a folder and a .zip (the portable build) with the program and the command
# line, every DLL they load (Qt, libzip, libxml2, pugixml, libdeflate, zlib, the mingw runtime),
# Qt's windows platform plugin and windowsvista style, eng.lng and Qt's Hungarian texts in a
# translations subfolder, the libraries' licence notices in a licences subfolder and a short
# README for Windows users; and the setup program <name>-setup.exe (NSIS,
# data/windows/installer.nsi) that installs the same files.
# Run after scripts/test-windows.sh, which builds the program.
# Usage: scripts/package-windows.sh [build folder, default build-mingw]  -> <build>/package/
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build-mingw}" && pwd)
project=$build/project
prefix=$(bash scripts/build-windows-deps.sh --prefix)
[ -f "$prefix/../complete" ] || { echo "package-windows.sh: no dependency prefix; run scripts/test-windows.sh first" >&2; exit 1; }
version=$(sed -n 's/^project(EpubPolcaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=epub-polcaro-$version-windows-x64
out=$build/package/$name
setup=$build/package/$name-setup.exe
command -v makensis >/dev/null || { echo "package-windows.sh: makensis is missing (package nsis)" >&2; exit 1; }
rm -rf "$out" "$out.zip" "$setup"
mkdir -p "$out/platforms" "$out/styles" "$out/translations" "$out/licences"
strip=x86_64-w64-mingw32-strip

cp "$project/src/app/epub-polcaro.exe" "$project/tools/cli/epub-polcaro-cli.exe" "$out/"
cp "$prefix/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$prefix/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
# Not beside the program: there it would turn the interface English. Its header names the
# Windows settings folder.
sed 's|(\$XDG_CONFIG_HOME/Epub_polcaro/)|(%APPDATA%\\Epub_polcaro\\)|' translations/eng.lng \
  >"$out/translations/eng.lng"
if grep -q 'XDG' "$out/translations/eng.lng"; then
  echo "package-windows.sh: eng.lng still names an XDG folder" >&2
  exit 1
fi
# Qt's own texts (the folder picker, standard buttons) in Hungarian, from Debian's
# qt6-translations-l10n (the .qm files are the same on every platform); qt.conf tells Qt where.
qm=/usr/share/qt6/translations/qtbase_hu.qm
[ -f "$qm" ] || { echo "package-windows.sh: $qm is missing (package qt6-translations-l10n)" >&2; exit 1; }
cp "$qm" "$out/translations/"
printf '[Paths]\r\nPrefix = .\r\nTranslations = translations\r\n' >"$out/qt.conf"

# Every DLL the files above import, found in the prefix or the compiler's runtime folders;
# Windows' own DLLs are left to Windows.
search=(
  "$prefix/bin"
  "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
  "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")"
)
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'; }
pending=("$out"/*.exe "$out"/platforms/*.dll "$out"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  while read -r dll; do
    [ -f "$out/$dll" ] && continue
    for dir in "${search[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$out/"
        pending+=("$out/$dll")
        break
      fi
    done
  done < <(imports "$file")
done
find "$out" \( -name '*.exe' -o -name '*.dll' \) -exec "$strip" --strip-unneeded {} +

bash scripts/windows/licences.sh "$out/licences" "$prefix/../sources.txt"

cat >"$out/README.txt" <<EOF
Epub polcaro $version for Windows (64-bit)

Epub polcaro sorts EPUB books into folders by author, title, series and language.

Installing: run $name-setup.exe. It installs into
"C:\\Program Files\\Epub polcaro" (or, if you choose, for you alone into your own programs
folder), adds a Start-menu entry and an uninstaller under "Apps & features". The .zip is the
portable build: unpack it anywhere and start epub-polcaro.exe; keep the DLL files and the
"platforms" and "styles" folders beside the program.

English interface: the program speaks Hungarian. Copy translations\\eng.lng beside
epub-polcaro.exe (or into %APPDATA%\\Epub_polcaro) for English captions; remove it again for
Hungarian.

Context menu: the window's buttons add or remove the "Gyüjtö könyvtárba másolás ..." entry
for folders and .epub files in Explorer (this asks for administrator rights).

epub-polcaro-cli.exe is the command line: run it in a console with --help.

Your output folder and favourites are kept in %APPDATA%\\Epub_polcaro.

The licences of Qt, libxml2, libzip, pugixml, libdeflate, zlib and the mingw-w64 runtime are
in the "licences" folder, together with how to replace the Qt DLLs.
EOF
sed -i 's/$/\r/' "$out/README.txt"

(cd "$build/package" && zip -qr9 "$name.zip" "$name")

# The setup program. Every file is listed by name, for installing and for uninstalling (deepest
# folder last), so that the uninstaller removes exactly what was installed and never a folder
# the user chose that holds more.
nsis=$build/package/nsis
rm -rf "$nsis" && mkdir -p "$nsis"
winrel() { local rel=${1#./}; printf '%s' "${rel//\//\\}"; }
(
  cd "$out"
  find . -type d | sort | while read -r dir; do
    if [ "$dir" = . ]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\$(winrel "$dir")\""; fi
    find "$dir" -maxdepth 1 -type f | sort | while read -r file; do echo "File \"$out/${file#./}\""; done
  done >"$nsis/files.nsh"
  find . -type f | sort | while read -r file; do echo "Delete \"\$INSTDIR\\$(winrel "$file")\""; done >"$nsis/unfiles.nsh"
  find . -mindepth 1 -type d | sort -r | while read -r dir; do echo "RMDir \"\$INSTDIR\\$(winrel "$dir")\""; done >>"$nsis/unfiles.nsh"
)
makensis -V2 -WX -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DVERSION_QUAD="$version.0" -DOUTFILE="$setup" \
  -DICON="$project/windows-resources/epub-polcaro.ico" \
  -DFILES_NSH="$nsis/files.nsh" -DUNFILES_NSH="$nsis/unfiles.nsh" \
  data/windows/installer.nsi

echo "package-windows.sh: $out ($(find "$out" -type f | wc -l) files, $(du -sm "$out" | cut -f1) MB)"
echo "package-windows.sh: $out.zip ($(du -m "$out.zip" | cut -f1) MB)"
echo "package-windows.sh: $setup ($(du -m "$setup" | cut -f1) MB)"
