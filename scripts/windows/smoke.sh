#!/usr/bin/env bash
# The smoke check of the Windows program under Wine, called by scripts/test-windows.sh with its
# Wine prefix, WINEPATH and X server in the environment: the window appears, a WM_COPYDATA
# hand-over from tests/app/sender adds a folder of books with Hungarian names, Start organises
# them into the files the default options name, and the context-menu entries are written to and
# removed from Wine's registry with the program's switches.
# Usage: scripts/windows/smoke.sh <cross build folder> <work folder> [program folder]
# The program folder (default: the build's src/app) holds the epub-polcaro.exe to check, such as
# an installed copy; handover_sender.exe always comes from the build.
set -euo pipefail
project=$1
work=$2
for tool in xdotool zip iconv; do
  command -v "$tool" >/dev/null || { echo "smoke.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
exe=${3:-$project/src/app}/epub-polcaro.exe
sender=$project/tests/app/handover_sender.exe
winpath() { printf 'Z:%s' "${1//\//\\}"; }
fail() { echo "smoke.sh: FAILED: $*" >&2; exit 1; }
# A step that fails outside fail() names itself, rather than ending the check without a word.
set -o errtrace
trap 'echo "smoke.sh: FAILED at line $LINENO: $BASH_COMMAND" >&2' ERR
rm -rf "$work"
mkdir -p "$work/Könyvtár/Régiek" "$work/out"
work=$(cd "$work" && pwd)

# A minimal EPUB: the mimetype entry first and stored, then the container and the package.
make_epub() { # make_epub <file> <title> <creator>
  local dir
  dir=$(mktemp -d)
  printf 'application/epub+zip' >"$dir/mimetype"
  mkdir -p "$dir/META-INF" "$dir/OEBPS"
  cat >"$dir/META-INF/container.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
EOF
  cat >"$dir/OEBPS/content.opf" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:title>$2</dc:title><dc:creator>$3</dc:creator><dc:language>hu</dc:language>
    <dc:identifier id="id">$2</dc:identifier>
  </metadata>
  <manifest><item id="t" href="t.xhtml" media-type="application/xhtml+xml"/></manifest>
  <spine><itemref idref="t"/></spine>
</package>
EOF
  printf '<html xmlns="http://www.w3.org/1999/xhtml"><body><p>%s</p></body></html>' "$2" >"$dir/OEBPS/t.xhtml"
  (cd "$dir" && zip -qX0 book.epub mimetype && zip -qXr9 book.epub META-INF OEBPS)
  mv "$dir/book.epub" "$1"
  rm -rf "$dir"
}
make_epub "$work/Könyvtár/arany_ember.epub" "Az arany ember" "Jókai Mór"
make_epub "$work/Könyvtár/Légy jó mindhalálig.epub" "Légy jó mindhalálig" "Móricz Zsigmond"
make_epub "$work/Könyvtár/Régiek/Egyperces novellák.epub" "Egyperces novellák" "Örkény István"

# The stored output folder, so the first-run prompt does not come up. Wine's roaming folder.
# Right after a long test run Wine now and then answers this first question with nothing: ask
# again before giving up.
appdata=""
for attempt in 1 2 3 4 5; do
  appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r') || true
  [ -n "$appdata" ] && [ "$appdata" != "%APPDATA%" ] && break
  appdata=""
  sleep "$attempt"
done
[ -n "$appdata" ] || fail "Wine did not name its %APPDATA% folder"
appdata_unix=$(winepath -u "$appdata" 2>/dev/null) || fail "winepath cannot map $appdata"
mkdir -p "$appdata_unix/Epub_polcaro"
printf '[kimeneti_mappa]\r\nDirectory=%s\\\r\n' "$(winpath "$work/out")" >"$appdata_unix/Epub_polcaro/epub_polcaro.ini"

# The window appears.
wine "$exe" >"$work/window.log" 2>&1 &
window_pid=$!
window=""
for _ in $(seq 300); do
  window=$(xdotool search --onlyvisible --name '^Epub polcaro$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the window did not appear"
echo "smoke: the window is up"

# The hand-over: the folder's three books are appended; a missing path and a short record are
# ignored; every message is answered 0.
wine "$sender" "title:Epub polcaro" "$(winpath "$work/Könyvtár")" || fail "hand-over of the folder"
wine "$sender" "title:Epub polcaro" "$(winpath "$work/nowhere")" || fail "hand-over of a missing path"
wine "$sender" "title:Epub polcaro" "$(winpath "$work/Könyvtár")" 2 || fail "hand-over with cbData 2"
echo "smoke: hand-over answered"
sleep 2
if command -v import >/dev/null; then import -window root "$work/window.png" 2>/dev/null || true; fi

# Start: the first toolbar button, near the client area's top left corner.
xdotool mousemove --window "$window" 14 14 click 1
expected=(
  "out/Jókai Mór/Jókai Mór - Az arany ember.epub"
  "out/Móricz Zsigmond/Móricz Zsigmond - Légy jó mindhalálig.epub"
  "out/Örkény István/Örkény István - Egyperces novellák.epub"
)
for _ in $(seq 300); do
  all=1
  for f in "${expected[@]}"; do [ -f "$work/$f" ] || all=0; done
  [ "$all" = 1 ] && break
  sleep 0.1
done
for f in "${expected[@]}"; do
  [ -f "$work/$f" ] || { (cd "$work" && find out -type f) >&2; fail "Start did not write $f"; }
done
cmp -s "$work/${expected[0]}" "$work/Könyvtár/arany_ember.epub" || fail "the copy differs from its source"
[ "$(find "$work/out" -type f | wc -l)" = 3 ] || fail "other files than the three books in the output folder"
[ -f "$work/Könyvtár/arany_ember.epub" ] || fail "a copy run removed its source"
echo "smoke: Start organised the three books"
if command -v import >/dev/null; then import -window root "$work/after-start.png" 2>/dev/null || true; fi
xdotool windowclose "$window" 2>/dev/null || true
for _ in $(seq 100); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
kill "$window_pid" 2>/dev/null || true

# The context-menu entries: the elevated copy's switches write and remove exactly these keys.
marker=/5E1A7C93D04B4F2A8E61B7C0D9F34A27
export_key() { # export_key <key> -> the key's .reg text in UTF-8, empty when it is missing
  rm -f "$work/key.reg"
  wine reg export "$1" "$(winpath "$work/key.reg")" /y >/dev/null 2>&1 || true
  if [ -f "$work/key.reg" ]; then iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r'; fi
}
code=0
wine "$exe" "$marker" /register_global_file_associations || code=$?
[ "$code" = 0 ] || fail "register switch ended with $code"
folder_reg=$(export_key 'HKCR\Directory\shell\epubpolcaro')
file_reg=$(export_key 'HKCR\SystemFileAssociations\.epub\shell')
grep -qx '@="Gyüjtö könyvtárba másolás ..."' <<<"$folder_reg" || fail "folder verb caption: $folder_reg"
grep -q '^\[HKEY_CLASSES_ROOT\\Directory\\shell\\epubpolcaro\\[Cc]ommand\]' <<<"$folder_reg" || fail "folder verb command key: $folder_reg"
grep -q '^\[HKEY_CLASSES_ROOT\\SystemFileAssociations\\.epub\\shell\\Gyüjtö könyvtárba másolás ...\\command\]' <<<"$file_reg" ||
  fail "file verb: $file_reg"
grep -qi 'epub-polcaro.exe\\" \\"%1\\""' <<<"$folder_reg" || fail "folder verb command: $folder_reg"
echo "smoke: verbs registered"
code=0
wine "$exe" "$marker" /unregister_global_file_associations || code=$?
[ "$code" = 0 ] || fail "unregister switch ended with $code"
[ -z "$(export_key 'HKCR\Directory\shell\epubpolcaro')" ] || fail "folder verb left behind"
grep -q 'Gyüjtö' <<<"$(export_key 'HKCR\SystemFileAssociations\.epub\shell')" && fail "file verb left behind"
code=0
wine "$exe" "$marker" /no_such_switch || code=$?
[ "$code" = 31 ] || fail "an unknown switch ended with $code, not 31"
echo "smoke: verbs unregistered; unknown switch 31"
echo "smoke: passed"
