#!/usr/bin/env bash
# CI stage: the README's first command on a machine without a display. `scripts/run.sh` with
# neither DISPLAY nor WAYLAND_DISPLAY set must end with exit status 0 after saying why no window
# opens, a dry-run table of the sample library and the command that does it for real, and must
# leave the disk as it was: no output folder, no settings.
# Usage: scripts/ci/headless-run.sh  (builds into build/ as run.sh does)
set -euo pipefail
cd "$(dirname "$0")/../.."
started=$SECONDS
fail() { echo "headless run FAILED: $*" >&2; exit 1; }

work="$PWD/build/headless-run"
rm -rf "$work" && mkdir -p "$work/config" "$work/data" "$work/tmp"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" TMPDIR="$work/tmp" LC_ALL=C.UTF-8 \
  bash scripts/run.sh >"$work/out.txt" 2>"$work/err.txt" </dev/null || status=$?
out="$work/out.txt"
show() { echo "--- stdout"; cat "$out"; echo "--- stderr"; cat "$work/err.txt"; }
[ "$status" -eq 0 ] || { show; fail "run.sh ended with exit status $status"; }

expect() {
  grep -qF -- "$1" "$out" || { show; fail "$2 is missing (no line with: $1)"; }
}
expect "Its window needs a desktop" "the explanation"
expect "ssh -X" "the way to a desktop over SSH"
expect "Xvfb :99" "the README's Xvfb line"
expect "Output folder:  $work/data/Epub_polcaro/library" "the default output folder"
expect "SOURCE (in the library)" "the table heading"
# The sample library's rows: the books, the duplicate and the damaged download.
expect "magyar/egri_csillagok.epub" "the table's first book"
expect "Gárdonyi Géza/Gárdonyi Géza - Egri csillagok.epub" "a target named from the metadata"
expect "TargetExists" "the duplicate's row"
expect "ReadFailed" "the damaged book's row"
expect "13 books:" "the count"
expect "epub-polcaro-cli organise --english --output" "the command that does it for real"
# The table fits 100 columns (paths and commands around it are as long as they are).
too_wide=$(sed -n '/^SOURCE (in the library)/,/^$/p' "$out" | LC_ALL=C.UTF-8 grep -E '^.{101,}' || true)
[ -z "$too_wide" ] || { show; fail "table rows wider than 100 columns: $too_wide"; }

[ ! -e "$work/data/Epub_polcaro" ] || fail "the dry run created $work/data/Epub_polcaro"
[ -z "$(ls -A "$work/config")" ] || fail "the dry run wrote settings: $(ls -A "$work/config")"
rm -rf "$work"
echo "headless run: explanation, dry-run table and command shown in $((SECONDS - started)) s"
