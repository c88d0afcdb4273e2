#!/usr/bin/env bash
# CI stage: the window on a real desktop. Starts the built program under Xvfb with a window
# manager (openbox) inside a D-Bus session, as a user with an output folder and a favourite
# already chosen, and checks what a person would see and keep:
#  - the whole window, frame included, is on screen: its outer right and bottom edges sit at
#    the screen's usable edges (start-up places it in the bottom-right corner), at 1x and at 2x
#    scaling;
#  - SIGTERM (what a logout or shutdown sends) closes it in order: the settings and the
#    favourites are written, its hand-over socket is removed, and a stale socket of a dead
#    process found at start-up is gone too.
# Usage: scripts/ci/desktop-smoke.sh [BUILD_FOLDER]  (default build; the program must be built)
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

# One pass: screen size, Qt scale factor.
run_pass() {
  local size="$1" scale="$2" pass="$work/$1-x$2"
  mkdir -p "$pass"
  step "screen $size, scale $scale"
  # -noreset: without it the server resets when its last client leaves (the xdpyinfo check
  # below), and a window manager connecting during that reset fails to open the display.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$pass/display.txt" >"$pass/xvfb.log" 2>&1 &
  local xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do [ -s "$pass/display.txt" ] && break; sleep 0.1; done
  local display=":$(head -n 1 "$pass/display.txt")"
  xdpyinfo -display "$display" >/dev/null || { cat "$pass/xvfb.log"; fail "Xvfb did not start"; }
  DISPLAY="$display" openbox --sm-disable >"$pass/openbox.log" 2>&1 &
  local wm=$!
  pids+=("$wm")
  local managed=""
  for _ in $(seq 200); do
    managed=$(DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
    [[ "$managed" == *"window id"* ]] && break
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  [[ "$managed" == *"window id"* ]] || { cat "$pass/openbox.log"; fail "the window manager did not start"; }

  # A user who chose an output folder (stored without its trailing separator, which the exit
  # save adds) and one favourite (stored with LF line ends, which the exit save writes as CR LF).
  local config="$pass/config" runtime="$pass/runtime"
  mkdir -p "$config/Epub_polcaro" "$pass/collection"
  mkdir -m 700 "$runtime"
  printf '[kimeneti_mappa]\nDirectory=%s\n' "$pass/collection" >"$config/Epub_polcaro/epub_polcaro.ini"
  printf '%s/\n' "$pass/collection" >"$config/Epub_polcaro/directory.txt"
  # A socket left by a process that no longer runs.
  : >"$runtime/epub-polcaro-2147483646.sock"

  env DISPLAY="$display" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$runtime" \
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
    dbus-run-session -- "$program" >"$pass/program.log" 2>&1 &
  local session=$!
  pids+=("$session")
  local window
  window=$(DISPLAY="$display" timeout 60 xdotool search --sync --onlyvisible --name '^Epub polcaro$' | head -n 1) ||
    { cat "$pass/program.log"; fail "the window did not appear"; }
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

run_pass 1280x900 1
run_pass 2560x1800 2
echo "desktop smoke: whole window on screen, saved on SIGTERM, no stale socket"
