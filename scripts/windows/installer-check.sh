#!/usr/bin/env bash
# The setup program as an administrator deploys it, under Wine in a fresh prefix of its own: a
# silent install into Program Files; the installed command line's --version and the smoke check
# of the installed window (scripts/windows/smoke.sh); the Start-menu shortcut and the
# "Apps & features" entry; then, with the context-menu entries registered by the installed
# program, a silent uninstall, after which nothing of the program is left in Program Files, the
# Start menu, the uninstall key or the context menu, while %APPDATA%\Epub_polcaro is kept. Last a
# per-user install into a folder given with /D= and its silent uninstall.
# Usage: scripts/windows/installer-check.sh <setup.exe> <cross build folder> <work folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
project=$(cd "$2" && pwd)
work=$3
for tool in wine wineserver winepath Xvfb iconv; do
  command -v "$tool" >/dev/null || { echo "installer-check.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
fail() { echo "installer-check.sh: FAILED: $*" >&2; exit 1; }
started=$SECONDS

# Nothing but the Wine prefix's own DLLs on the path: the installed folder must be complete.
# No host menu entries (winemenubuilder) for the shortcuts the installer creates.
# shellcheck source=scripts/windows/wine-session.sh
source "$here/wine-session.sh"
start_wine_session "$work/wineprefix" 200 "winemenubuilder.exe=d"
unset WINEPATH
wineboot -i >/dev/null 2>&1
wineserver -p >/dev/null 2>&1 || true  # a server of its own, kept between the wine calls
echo "installer-check: fresh Wine prefix $((SECONDS - started)) s"

winvar() { wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }
unixpath() { winepath -u "$1" 2>/dev/null; }
reg_text() { # reg_text <key> -> the key's .reg export in UTF-8, empty when it is missing
  rm -f "$work/key.reg"
  wine reg export "$1" "$(winepath -w "$work/key.reg")" /y >/dev/null 2>&1 || true
  if [ -f "$work/key.reg" ]; then iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r'; fi
}
# The uninstaller copies itself away and returns at once; its copy removes the uninstall key
# last, so the checks wait for that.
wait_uninstalled() { # wait_uninstalled <uninstall key>
  for _ in $(seq 120); do [ -z "$(reg_text "$1")" ] && return 0; sleep 0.5; done
  fail "$1 is still there a minute after uninstalling"
}

program_files=$(unixpath "$(winvar ProgramFiles)")
start_menu=$(unixpath "$(winvar ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")
appdata=$(unixpath "$(winvar APPDATA)")
folder="$program_files/Epub polcaro"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\EpubPolcaro'
version=$(basename "$setup" | sed -n 's/^epub-polcaro-\([0-9.]*\)-windows-x64-setup\.exe$/\1/p')
[ -n "$version" ] || fail "cannot read the version from $(basename "$setup")"

# Silent install, per machine.
wine "$setup" /S || fail "the silent install ended with $?"
for file in epub-polcaro.exe epub-polcaro-cli.exe uninstall.exe Qt6Core.dll platforms/qwindows.dll \
  translations/eng.lng licences/Qt.txt licences/LGPL-3.txt licences/README.txt; do
  [ -f "$folder/$file" ] || fail "$file is not in $folder"
done
[ -f "$folder/eng.lng" ] && fail "eng.lng beside the program would turn the interface English"
echo "installer-check: installed into $folder"

cli_version=$(wine "$folder/epub-polcaro-cli.exe" --version | tr -d '\r')
grep -q "$version" <<<"$cli_version" || fail "the installed command line says '$cli_version'"
echo "installer-check: installed command line: $cli_version"

bash "$here/smoke.sh" "$project" "$work/smoke" "$folder"

[ -f "$start_menu/Epub polcaro.lnk" ] || fail "no Start-menu shortcut in $start_menu"
[ -e "$(unixpath "$(winvar PUBLIC)")/Desktop/Epub polcaro.lnk" ] && fail "a desktop shortcut nobody asked for"
key=$(reg_text "$uninstall_key")
for value in '"DisplayName"="Epub polcaro"' "\"DisplayVersion\"=\"$version\"" \
  '"Publisher"="Epub polcaro developers"' '"InstallMode"="AllUsers"' '"NoModify"=dword:00000001'; do
  grep -qxF "$value" <<<"$key" || fail "the uninstall key lacks $value: $key"
done
grep -qx '"DisplayIcon"=".*\\\\Epub polcaro\\\\epub-polcaro.exe,0"' <<<"$key" || fail "DisplayIcon: $key"
grep -qx '"InstallLocation"=".*\\\\Epub polcaro"' <<<"$key" || fail "InstallLocation: $key"
grep -qx '"UninstallString"="\\"C:\\\\.*\\\\uninstall.exe\\" /AllUsers"' <<<"$key" || fail "UninstallString: $key"
size=$(sed -n 's/^"EstimatedSize"=dword:\([0-9a-f]*\)$/\1/p' <<<"$key")
[ -n "$size" ] && [ $((16#$size)) -gt 1000 ] || fail "EstimatedSize (KB) is '$size'"
echo "installer-check: Start-menu shortcut and uninstall key ($((16#$size)) KB)"

# The installed program registers its context-menu entries; uninstalling must take them away.
wine "$folder/epub-polcaro.exe" /5E1A7C93D04B4F2A8E61B7C0D9F34A27 /register_global_file_associations ||
  fail "registering the context-menu entries ended with $?"
[ -n "$(reg_text 'HKCR\Directory\shell\epubpolcaro')" ] || fail "the folder entry was not registered"
[ -d "$appdata/Epub_polcaro" ] || fail "the program left no settings folder to keep"

wine "$folder/uninstall.exe" /S || fail "the silent uninstall ended with $?"
wait_uninstalled "$uninstall_key"
[ -e "$folder" ] && fail "$folder is left: $(ls -R "$folder")"
[ -e "$start_menu/Epub polcaro.lnk" ] && fail "the Start-menu shortcut is left"
[ -z "$(reg_text 'HKCR\Directory\shell\epubpolcaro')" ] || fail "the folder context-menu entry is left"
grep -q 'Gyüjtö' <<<"$(reg_text 'HKCR\SystemFileAssociations\.epub\shell')" && fail "the file context-menu entry is left"
[ -f "$appdata/Epub_polcaro/epub_polcaro.ini" ] || fail "uninstalling removed the settings"
echo "installer-check: uninstalled; settings kept in $appdata/Epub_polcaro"

# Per user, into a folder of one's own. /D= takes the rest of the command line unquoted, as an
# administrator types it; wine would quote an argument with blanks, cmd passes it as it is.
cp "$setup" "$WINEPREFIX/drive_c/$(basename "$setup")"
wine cmd /c "C:\\$(basename "$setup") /S /CurrentUser /D=C:\\Polcaro programs\\Epub polcaro" ||
  fail "the per-user install ended with $?"
own=$(unixpath 'C:\Polcaro programs\Epub polcaro')
[ -f "$own/epub-polcaro.exe" ] || fail "/D= did not put the program into $own"
[ -n "$(reg_text 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\EpubPolcaro')" ] ||
  fail "no per-user uninstall key"
wine "$own/uninstall.exe" /S || fail "the per-user uninstall ended with $?"
wait_uninstalled 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\EpubPolcaro'
[ -e "$own" ] && fail "$own is left"
echo "installer-check: per-user install with /D= and uninstall"
echo "installer-check: passed in $((SECONDS - started)) s"
