#!/usr/bin/env bash
# Builds the program and starts it; arguments go to the program (a folder or an .epub file).
#
#   scripts/run.sh [FOLDER-or-BOOK]   the window, on that folder or book
#   scripts/run.sh --sample           the window, on a library of generated sample books
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY set, and no Qt platform chosen with
# QT_QPA_PLATFORM) the window cannot open. The script then says so and how to get one, shows
# what the program would do with the folder (or with the sample library when none is given) as
# a dry run of epub-polcaro-cli, and ends with the command that does it for real. The output
# folder is the one the window stored, else $XDG_DATA_HOME/Epub_polcaro/library (by default
# ~/.local/share/Epub_polcaro/library); a dry run creates nothing, not even that folder.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$PWD
program="$root/build/src/app/epub-polcaro"
cli="$root/build/tools/cli/epub-polcaro-cli"
helper="$root/build/tools/sample_library/epub-polcaro-sample"

sample=false
if [ "${1:-}" = "--sample" ]; then
  sample=true
  shift
  if [ $# -gt 0 ]; then
    echo "run.sh: --sample takes no folder or book (it makes its own library)" >&2
    exit 2
  fi
fi

# A relative folder or book names one below the folder the script was started from.
if [ $# -gt 0 ] && [ -n "$1" ] && [[ "$1" != /* ]]; then
  set -- "$caller/$1" "${@:2}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

# A fresh temporary folder with the sample books; it stays after the run, so that the window
# (or the command printed at the end) can still use it.
make_sample() {
  sample_folder=$(mktemp -d "${TMPDIR:-/tmp}/epub-polcaro-sample.XXXXXX")
  "$helper" library "$sample_folder"
}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  if $sample; then
    make_sample
    set -- "$sample_folder"
  fi
  exec "$program" "$@"
fi

# --- No display: explain, then show the main job as a dry run on the terminal. ---

# The argument as one shell word, for a command the user can paste.
quote() {
  case $1 in
    '' | *[!A-Za-z0-9_./:=@%+,-]*) printf "'%s'" "${1//\'/\'\\\'\'}" ;;
    *) printf '%s' "$1" ;;
  esac
}

# An absolute path (the table shows paths relative to the folders given here).
absolute() {
  if [ -d "$1" ]; then
    (cd -- "$1" && pwd)
  else
    printf '%s/%s\n' "$(cd -- "$(dirname -- "$1")" && pwd)" "$(basename -- "$1")"
  fi
}

if [ $# -gt 0 ] && [ ! -e "$1" ]; then
  echo "run.sh: '$1' does not exist (give a folder of books or an .epub file)" >&2
  exit 1
fi

cat <<'EOF'

Epub polcaro copies or moves EPUB books into an output folder, named and sorted into folders from
each book's own metadata (creator, title, series, language). Its window needs a desktop, and there
is none here: neither DISPLAY nor WAYLAND_DISPLAY is set. To see the window, start this script in a
desktop session, log in with `ssh -X` (X forwarding), or give it a virtual display as the README
shows:  Xvfb :99 & dbus-run-session -- env DISPLAY=:99 build/src/app/epub-polcaro FOLDER
Meanwhile, here is what it would do, as a dry run without the window that changes nothing on disk.

EOF

if [ $# -eq 0 ]; then
  make_sample 2>/dev/null
  path=$sample_folder
  library=$sample_folder
  library_note="a sample library of generated books; no folder was given"
else
  # The window takes its first argument only; so does this preview.
  path=$(absolute "$1")
  if [ -d "$path" ]; then
    library=$path
    library_note="searched with its subfolders"
  else
    library=$(dirname -- "$path")
    library_note="the folder of the book given"
  fi
fi

if output=$("$helper" output-folder); then
  output_note="stored by the window in ${XDG_CONFIG_HOME:-~/.config}/Epub_polcaro/epub_polcaro.ini"
else
  data_home=${XDG_DATA_HOME:-}
  [[ "$data_home" == /* ]] || data_home="$(cd ~ && pwd)/.local/share"
  output="$data_home/Epub_polcaro/library"
  output_note="none stored yet, so this default; the window asks for one on its first start"
fi
output=${output%/}

printf 'Library:        %s\n                (%s)\n' "$library" "$library_note"
printf 'Output folder:  %s\n                (%s)\n\n' "$output" "$output_note"

lines=$(mktemp "${TMPDIR:-/tmp}/epub-polcaro-run.XXXXXX")
trap 'rm -f "$lines"' EXIT
# Exit status 1 only says that some book would fail, which the table shows.
status=0
"$cli" organise --dry-run --english --output "$output" -- "$path" >"$lines" || status=$?
if [ "$status" -gt 1 ]; then
  echo "run.sh: epub-polcaro-cli organise --dry-run failed (exit status $status)" >&2
  exit "$status"
fi

width=100
if [ -t 1 ] && columns=$(tput cols 2>/dev/null) && [ "$columns" -ge 60 ] && [ "$columns" -lt 100 ]; then
  width=$columns
fi
"$helper" table --dry-run --width "$width" --library "$library" --output "$output" <"$lines"

echo
echo "Nothing was changed. To do it for real (copy the books, named \"Creator - Title.epub\" in a"
echo "folder per creator, and print one JSON line per book), run:"
echo
echo "    $(quote "$cli") organise --english --output $(quote "$output") $(quote "$path")"
echo
if [ $# -eq 0 ]; then
  echo "The sample library stays until you remove it: $(quote "$sample_folder")"
  echo "On a desktop, bash scripts/run.sh --sample opens the window on a new one."
fi
