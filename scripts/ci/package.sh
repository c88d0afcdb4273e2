#!/usr/bin/env bash
# CI stage: the Debian package as a user meets it. Builds it, installs it with apt-get,
# validates what it put in place, registers and unregisters the context-menu entries with the
# installed program (defaults of folders and EPUB files must not change), runs the installed
# command-line tool on a generated book, shows the installed window under Xvfb (screenshot in
# build/package-check/) and closes it cleanly, then removes the package and checks that
# nothing it installed is left. Runs as root (CI) or with sudo.
set -euo pipefail
cd "$(dirname "$0")/../.."
started=$(date +%s)
trap 'echo "package stage: $(( $(date +%s) - started )) s"' EXIT

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
work="$PWD/build/package-check"
rm -rf "$work" && mkdir -p "$work"
fail() { echo "package stage FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

step "build the package"
deb=$(bash scripts/package.sh | tail -n 1)
[ -f "$deb" ] || fail "no package built"
dpkg-deb --field "$deb" Package Version Depends
depends=$(dpkg-deb --field "$deb" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "shlibdeps found no Qt dependency"

step "install it with apt-get"
dpkg -s epub-polcaro >/dev/null 2>&1 && $SUDO apt-get purge -y -qq epub-polcaro >/dev/null
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
dpkg -L epub-polcaro | sort > "$work/installed.txt"
cat "$work/installed.txt"
app_id=hu.epubpolcaro.EpubPolcaro
for path in /usr/bin/epub-polcaro /usr/bin/epub-polcaro-cli \
    "/usr/share/applications/$app_id.desktop" \
    "/usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "/usr/share/metainfo/$app_id.metainfo.xml" \
    /usr/share/epub-polcaro/translations/eng.lng /usr/share/doc/epub-polcaro/copyright; do
  grep -qxF "$path" "$work/installed.txt" || fail "$path is not in the package"
  [ -f "$path" ] || fail "$path was not installed"
done

head -n 1 /usr/share/doc/epub-polcaro/copyright |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"

step "validate the launcher and the metainfo"
desktop-file-validate "/usr/share/applications/$app_id.desktop"
grep -q '^MimeType=' "/usr/share/applications/$app_id.desktop" && fail "the launcher names MIME types"
grep -qxF "Icon=$app_id" "/usr/share/applications/$app_id.desktop" || fail "the launcher has no icon"
appstreamcli validate --no-net --strict "/usr/share/metainfo/$app_id.metainfo.xml"

step "register the context-menu entries with the installed program"
# A private data folder in front of the system's, so the desktop's answers can be compared.
prefix="$work/share"
mkdir -p "$prefix"
query_defaults() {
  for type in inode/directory application/epub+zip; do
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_DIRS="$prefix:/usr/local/share:/usr/share" \
      XDG_DATA_HOME="$work/home-data" XDG_CONFIG_HOME="$work/no-config" \
      XDG_CONFIG_DIRS="$work/no-config" gio mime "$type" 2>&1 || true
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_DIRS="$prefix:/usr/local/share:/usr/share" \
      XDG_DATA_HOME="$work/home-data" XDG_CONFIG_HOME="$work/no-config" \
      XDG_CONFIG_DIRS="$work/no-config" xdg-mime query default "$type" 2>&1 || true
  done
}
query_defaults > "$work/defaults-before.txt"
grep -q "$app_id" "$work/defaults-before.txt" && fail "the launcher is offered as a handler"
marker=/5E1A7C93D04B4F2A8E61B7C0D9F34A27
$SUDO env EPUB_POLCARO_SYSTEM_PREFIX="$prefix" /usr/bin/epub-polcaro "$marker" \
  /register_global_file_associations || fail "registering ended with status $?"
(cd "$prefix" && find . -type f | sort) > "$work/registered.txt"
cat "$work/registered.txt"
printf '%s\n' ./file-manager/actions/epub-polcaro.desktop ./kio/servicemenus/epub-polcaro.desktop \
  ./nemo/actions/epub-polcaro.nemo_action | diff - "$work/registered.txt" ||
  fail "registering wrote other files"
query_defaults > "$work/defaults-after.txt"
diff "$work/defaults-before.txt" "$work/defaults-after.txt" || fail "registering changed a default handler"

step "validate the action files"
# No validator knows these three formats; check that each is a UTF-8 key file whose groups and
# keys are the ones its file manager reads, pointing at the installed program.
check_action_file() {  # file, first group, Exec line
  local file=$1 group=$2 exec=$3
  iconv -f UTF-8 -t UTF-8 "$file" >/dev/null || fail "$file is not UTF-8"
  [ "$(head -n 1 "$file")" = "$group" ] || fail "$file does not start with $group"
  grep -vxE '(\[[^]]+\]|[A-Za-z0-9-]+=.*|)' "$file" && fail "$file has lines that are no key file"
  grep -qxF "$exec" "$file" || fail "$file does not run the installed program"
  grep -qxF 'Name=Gyüjtö könyvtárba másolás ...' "$file" || fail "$file has another caption"
}
check_action_file "$prefix/kio/servicemenus/epub-polcaro.desktop" '[Desktop Entry]' \
  'Exec="/usr/bin/epub-polcaro" %f'
check_action_file "$prefix/nemo/actions/epub-polcaro.nemo_action" '[Nemo Action]' \
  "Exec='/usr/bin/epub-polcaro' %F"
check_action_file "$prefix/file-manager/actions/epub-polcaro.desktop" '[Desktop Entry]' \
  "Exec='/usr/bin/epub-polcaro' %f"

step "unregister them"
$SUDO env EPUB_POLCARO_SYSTEM_PREFIX="$prefix" /usr/bin/epub-polcaro "$marker" \
  /unregister_global_file_associations || fail "unregistering ended with status $?"
[ -z "$(find "$prefix" -type f)" ] || fail "unregistering left files: $(find "$prefix" -type f)"
query_defaults > "$work/defaults-unregistered.txt"
diff "$work/defaults-before.txt" "$work/defaults-unregistered.txt" || fail "defaults changed"

step "inspect a generated book with the installed command-line tool"
book="$work/books/Próba könyv.epub"
src="$work/book-source"
mkdir -p "$src/META-INF" "$src/OEBPS" "$work/books"
printf 'application/epub+zip' > "$src/mimetype"
cat > "$src/META-INF/container.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
XML
cat > "$src/OEBPS/content.opf" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:opf="http://www.idpf.org/2007/opf">
    <dc:title>A csomag próbája</dc:title>
    <dc:creator opf:role="aut">Teszt Elek</dc:creator>
    <dc:language>hu</dc:language>
    <dc:identifier id="id">package-check-1</dc:identifier>
  </metadata>
  <manifest>
    <item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
    <item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
  </manifest>
  <spine toc="ncx"><itemref idref="c1"/></spine>
</package>
XML
cat > "$src/OEBPS/toc.ncx" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1">
  <head><meta name="dtb:uid" content="package-check-1"/></head>
  <docTitle><text>A csomag próbája</text></docTitle>
  <navMap><navPoint id="p1" playOrder="1"><navLabel><text>Első</text></navLabel><content src="c1.xhtml"/></navPoint></navMap>
</ncx>
XML
printf '<html xmlns="http://www.w3.org/1999/xhtml"><body><p>Szia</p></body></html>\n' > "$src/OEBPS/c1.xhtml"
(cd "$src" && zip -q -X -0 "$book" mimetype && zip -q -X -r "$book" META-INF OEBPS)
/usr/bin/epub-polcaro-cli inspect "$book" | tee "$work/inspect.jsonl"
grep -q '"A csomag próbája"' "$work/inspect.jsonl" || fail "the installed tool did not read the title"
grep -q '"Teszt Elek"' "$work/inspect.jsonl" || fail "the installed tool did not read the creator"

step "start the installed program under Xvfb"
cc -O2 -o "$work/close_window" scripts/ci/close_window.c -lX11
# Xvfb picks a free display itself and writes its number to fd 3. -noreset keeps it from
# resetting when the xdpyinfo check leaves, which would refuse the program connecting then.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display.txt" >"$work/xvfb.log" 2>&1 &
xvfb=$!
stop_xvfb() { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
trap 'stop_xvfb; echo "package stage: $(( $(date +%s) - started )) s"' EXIT
for _ in $(seq 100); do [ -s "$work/display.txt" ] && break; sleep 0.1; done
display=":$(head -n 1 "$work/display.txt")"
xdpyinfo -display "$display" >/dev/null || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
# A user of the installed program: an output folder already chosen, the English language
# file in the per-user settings folder (the program folder /usr/bin is not theirs).
config="$work/user-config"
mkdir -p "$config/Epub_polcaro" "$work/collection"
printf '[kimeneti_mappa]\nDirectory=%s/\n' "$work/collection" > "$config/Epub_polcaro/epub_polcaro.ini"
cp /usr/share/epub-polcaro/translations/eng.lng "$config/Epub_polcaro/"
touch -d 2000-01-01 "$config/Epub_polcaro/epub_polcaro.ini"  # closing must write it again
runtime="$work/runtime"
mkdir -m 700 "$runtime"
env DISPLAY="$display" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb \
  dbus-run-session -- /usr/bin/epub-polcaro "$work/books" >"$work/program.log" 2>&1 &
program=$!
window=$(DISPLAY="$display" timeout 60 xdotool search --sync --onlyvisible --name '^Epub polcaro$' | head -n 1) ||
  { cat "$work/program.log"; fail "no window appeared"; }
sleep 3  # let the folder search fill the list
# Each property is read whole before it is searched: with pipefail, a grep -q that stops at the
# first match would fail the check through xprop's broken pipe while the icon is still printing.
class=$(DISPLAY="$display" xprop -id "$window" WM_CLASS) || fail "the window went away"
grep -q '"epub-polcaro"' <<<"$class" ||
  fail "the window's class does not match the launcher's StartupWMClass"
icon=$(DISPLAY="$display" xprop -id "$window" -notype _NET_WM_ICON) || fail "the window went away"
grep -q 'Icon (' <<<"$icon" || fail "the window has no icon"
DISPLAY="$display" import -window root "$work/window.png"
echo "screenshot: $work/window.png"
DISPLAY="$display" "$work/close_window" "$window"
status=0
timeout 30 tail --pid="$program" -f /dev/null || fail "the program did not close"
wait "$program" || status=$?
cat "$work/program.log"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
[ -n "$(find "$config/Epub_polcaro/epub_polcaro.ini" -newermt 2001-01-01)" ] ||
  fail "closing did not save the settings"
grep -q "Directory=$work/collection/" "$config/Epub_polcaro/epub_polcaro.ini" ||
  fail "the saved settings lost the output folder"
stop_xvfb
trap 'echo "package stage: $(( $(date +%s) - started )) s"' EXIT

step "remove the package; nothing it installed may be left"
$SUDO apt-get purge -y -qq epub-polcaro >/dev/null
dpkg -s epub-polcaro >/dev/null 2>&1 && fail "the package is still installed"
left=()
while read -r path; do
  [ -e "$path" ] || continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # Shared folders stay when another package owns them or they still hold others' files.
    dpkg -S "$path" >/dev/null 2>&1 && continue
    [ -n "$(ls -A "$path")" ] && continue
  fi
  left+=("$path")
done < "$work/installed.txt"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "package stage passed"
