#!/usr/bin/env bash
# CI stage: the window on a real desktop. Starts the built program under Xvfb with a window
# manager (openbox) inside a D-Bus session, as a user with an output folder and a favourite
# already chosen, and checks what a person would see and keep:
#  - the whole window, frame included, is on screen: its outer right and bottom edges sit at
#    the screen's usable edges (start-up places it in the bottom-right corner), at 1x and at 2x
#    scaling;
#  - SIGTERM (what a logout or shutdown sends) closes it in order: the settings and the
#    favourites are written, its hand-over socket is removed, and a stale socket of a dead
#    process found at start-up is gone too;
#  - the window shrinks back to its opening size after an enlargement (its minimum size does
#    not grow with it);
#  - closing the window as a window manager does (close_window.c) while a run organises 3,000
#    generated books ends the process within 10 s, with the settings and favourites written
#    and the run's journal undoable (epub-polcaro-cli undo).
# Usage: scripts/ci/desktop-smoke.sh [BUILD_FOLDER]  (default build; the program, the command
# line and bench_make_library must be built)
set -euo pipefail
cd "$(dirname "$0")/../.."
started=$(date +%s)
trap 'echo "desktop smoke: $(( $(date +%s) - started )) s"' EXIT

build="${1:-build}"
program="$PWD/$build/src/app/epub-polcaro"
[ -x "$program" ] || { echo "desktop smoke FAILED: $program is not built" >&2; exit 1; }
work="$PWD/$build/desktop-smoke"
rm -rf "$work" && mkdir -p "$work"
fail() { echo "desktop smoke FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

pids=()
cleanup() {
  # The program first: a D-Bus session whose child is gone ends its own bus daemon.
  for pid in "${pids[@]}"; do pkill -TERM -P "$pid" 2>/dev/null || true; done
  sleep 0.5
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  echo "desktop smoke: $(( $(date +%s) - started )) s"
}
trap cleanup EXIT

# Starts Xvfb with one screen of SIZE and openbox on it, in FOLDER; sets $display, $xvfb, $wm.
start_desktop() {
  local size="$1" pass="$2"
  # -noreset: without it the server resets when its last client leaves (the xdpyinfo check
  # below), and a window manager connecting during that reset fails to open the display.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$pass/display.txt" >"$pass/xvfb.log" 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do [ -s "$pass/display.txt" ] && break; sleep 0.1; done
  display=":$(head -n 1 "$pass/display.txt")"
  xdpyinfo -display "$display" >/dev/null || { cat "$pass/xvfb.log"; fail "Xvfb did not start"; }
  DISPLAY="$display" openbox --sm-disable >"$pass/openbox.log" 2>&1 &
  wm=$!
  pids+=("$wm")
  local managed=""
  for _ in $(seq 200); do
    managed=$(DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
    [[ "$managed" == *"window id"* ]] && break
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  [[ "$managed" == *"window id"* ]] || { cat "$pass/openbox.log"; fail "the window manager did not start"; }
}

# The client area of a window as WIDTHxHEIGHT.
client_size() {
  DISPLAY="$display" xwininfo -id "$1" | awk -F: '/^ *Width/ {w=$2+0} /^ *Height/ {h=$2+0} END {print w "x" h}'
}

# Starts the program on the pass's display with its settings folder and runtime folder (the
# caller's display, pass, config and runtime), with a Qt scale factor, a time limit for its
# window to appear, and its arguments. Sets the caller's session (the process) and window.
start_program() {
  local scale="$1" limit="$2"
  shift 2
  env DISPLAY="$display" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$runtime" \
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
    dbus-run-session -- "$program" "$@" >"$pass/program.log" 2>&1 &
  session=$!
  pids+=("$session")
  window=$(DISPLAY="$display" timeout "$limit" xdotool search --sync --onlyvisible --name '^Epub polcaro$' | head -n 1) ||
    { cat "$pass/program.log"; fail "the window did not appear"; }
}

# One pass: screen size, Qt scale factor.
run_pass() {
  local size="$1" scale="$2" pass="$work/$1-x$2"
  mkdir -p "$pass"
  step "screen $size, scale $scale"
  local display xvfb wm
  start_desktop "$size" "$pass"

  # A user who chose an output folder (stored without its trailing separator, which the exit
  # save adds) and one favourite (stored with LF line ends, which the exit save writes as CR LF).
  local config="$pass/config" runtime="$pass/runtime"
  mkdir -p "$config/Epub_polcaro" "$pass/collection"
  mkdir -m 700 "$runtime"
  printf '[kimeneti_mappa]\nDirectory=%s\n' "$pass/collection" >"$config/Epub_polcaro/epub_polcaro.ini"
  printf '%s/\n' "$pass/collection" >"$config/Epub_polcaro/directory.txt"
  # A socket left by a process that no longer runs.
  : >"$runtime/epub-polcaro-2147483646.sock"

  local session window
  start_program "$scale" 60
  # The window manager frames the window, then the program places it again with the frame.
  sleep 2
  DISPLAY="$display" import -window root "$pass/screen.png"

  local info x y w h extents left right top bottom area ax ay aw ah
  info=$(DISPLAY="$display" xwininfo -id "$window")
  x=$(awk -F: '/Absolute upper-left X/ {print $2+0}' <<<"$info")
  y=$(awk -F: '/Absolute upper-left Y/ {print $2+0}' <<<"$info")
  w=$(awk -F: '/^ *Width/ {print $2+0}' <<<"$info")
  h=$(awk -F: '/^ *Height/ {print $2+0}' <<<"$info")
  extents=$(DISPLAY="$display" xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= *//')
  IFS=', ' read -r left right top bottom <<<"$extents"
  area=$(DISPLAY="$display" xprop -root _NET_WORKAREA | sed 's/.*= *//')
  IFS=', ' read -r ax ay aw ah _ <<<"$area"
  echo "client ${w}x${h}+${x}+${y}, frame $left,$right,$top,$bottom, usable ${aw}x${ah}+${ax}+${ay}"
  [ "$top" -gt 0 ] || fail "the window has no frame: the window manager did not manage it"
  [ $((x - left)) -ge "$ax" ] && [ $((y - top)) -ge "$ay" ] ||
    fail "the frame's top-left corner is off screen"
  # Qt places windows in device-independent pixels: at scale 2 a frame border of an odd number
  # of device pixels cannot be matched exactly, so the edge may fall short by less than a
  # device-independent pixel (never beyond the screen).
  local gap_right=$((ax + aw - (x + w + right))) gap_bottom=$((ay + ah - (y + h + bottom)))
  [ "$gap_right" -ge 0 ] && [ "$gap_right" -lt "$scale" ] ||
    fail "outer right edge $((x + w + right)) is not the screen's usable right edge $((ax + aw))"
  [ "$gap_bottom" -ge 0 ] && [ "$gap_bottom" -lt "$scale" ] ||
    fail "outer bottom edge $((y + h + bottom)) is not the screen's usable bottom edge $((ay + ah))"

  # The window shrinks back after an enlargement: its minimum size stays at the opening size or
  # below, whatever size it had meanwhile.
  local opening bigger back
  opening=$(client_size "$window")
  DISPLAY="$display" xdotool windowsize "$window" $((w + 300)) $((h + 150))
  sleep 1
  bigger=$(client_size "$window")
  DISPLAY="$display" import -window root "$pass/enlarged.png"
  DISPLAY="$display" xdotool windowsize "$window" "$w" "$h"
  sleep 1
  back=$(client_size "$window")
  DISPLAY="$display" import -window root "$pass/shrunk.png"
  echo "opening $opening, enlarged $bigger, shrunk back $back"
  [ "$bigger" != "$opening" ] || fail "the window could not be enlarged"
  [ "$back" = "$opening" ] || fail "the window did not shrink back to $opening after an enlargement (it is $back)"

  local pid
  pid=$(DISPLAY="$display" xdotool getwindowpid "$window")
  kill -TERM "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "SIGTERM did not end the program"
  wait "$session" || true
  grep -qx "Directory=$pass/collection/" "$config/Epub_polcaro/epub_polcaro.ini" ||
    fail "the settings were not saved: $(cat "$config/Epub_polcaro/epub_polcaro.ini")"
  grep -q $'\r$' "$config/Epub_polcaro/directory.txt" || fail "the favourites were not saved"
  local left_over
  left_over=$(find "$runtime" -name 'epub-polcaro-*.sock')
  [ -z "$left_over" ] || fail "sockets left behind: $left_over"
  kill "$wm" "$xvfb" 2>/dev/null || true
  wait "$wm" "$xvfb" 2>/dev/null || true
}

# Closing the window the way its close button does while a run goes: the run stops after the
# book at hand, the settings are written, the process ends, and the run's journal undoes.
close_during_run() {
  local pass="$work/close-during-run"
  mkdir -p "$pass"
  step "close during a run"
  local display xvfb wm
  start_desktop 1280x900 "$pass"
  local generator="$PWD/$build/bench/bench_make_library" cli="$PWD/$build/tools/cli/epub-polcaro-cli"
  [ -x "$generator" ] && [ -x "$cli" ] || fail "bench_make_library and epub-polcaro-cli must be built"
  cc -O2 -o "$pass/close_window" scripts/ci/close_window.c -lX11 || fail "close_window does not build"
  "$generator" "$pass/library" 3000 >/dev/null || fail "the library was not generated"

  local config="$pass/config" runtime="$pass/runtime"
  mkdir -p "$config/Epub_polcaro" "$pass/collection"
  mkdir -m 700 "$runtime"
  printf '[kimeneti_mappa]\nDirectory=%s/\n' "$pass/collection" >"$config/Epub_polcaro/epub_polcaro.ini"
  printf '%s/\n' "$pass/collection" >"$config/Epub_polcaro/directory.txt"
  # The library as the first argument: listed while the splash window shows.
  local session window
  start_program 1 120 "$pass/library"
  sleep 1
  local pid
  pid=$(DISPLAY="$display" xdotool getwindowpid "$window")
  # The start button is the toolbar's first, at its top-left corner.
  DISPLAY="$display" xdotool mousemove --window "$window" 14 14 click 1
  local copied=0
  for _ in $(seq 200); do
    copied=$(find "$pass/collection" -name '*.epub' | wc -l)
    [ "$copied" -gt 0 ] && break
    sleep 0.05
  done
  [ "$copied" -gt 0 ] || fail "pressing the start button started no run"
  DISPLAY="$display" import -window root "$pass/running.png"
  DISPLAY="$display" "$pass/close_window" "$window" || fail "the close request could not be sent"
  local gone=""
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || { gone=yes; break; }; sleep 0.1; done
  [ -n "$gone" ] || fail "the program was still running 10 s after its window was closed during a run"
  wait "$session" || true
  copied=$(find "$pass/collection" -name '*.epub' | wc -l)
  echo "books organised before the close: $copied of 3000"
  [ "$copied" -lt 3000 ] || echo "note: the run had ended before the close arrived"
  grep -qx "Directory=$pass/collection/" "$config/Epub_polcaro/epub_polcaro.ini" ||
    fail "the settings were not saved: $(cat "$config/Epub_polcaro/epub_polcaro.ini")"
  grep -q $'\r$' "$config/Epub_polcaro/directory.txt" || fail "the favourites were not saved"
  XDG_CONFIG_HOME="$config" "$cli" undo >"$pass/undo.log" 2>&1 ||
    { cat "$pass/undo.log"; fail "the journal of the closed run does not undo"; }
  local left
  left=$(find "$pass/collection" -name '*.epub' | wc -l)
  [ "$left" -eq 0 ] || fail "$left books left in the collection after the undo"
  kill "$wm" "$xvfb" 2>/dev/null || true
  wait "$wm" "$xvfb" 2>/dev/null || true
}

run_pass 1280x900 1
run_pass 2560x1800 2
close_during_run
echo "desktop smoke: whole window on screen, shrinks back, saved on SIGTERM and on a close during a run, no stale socket"
