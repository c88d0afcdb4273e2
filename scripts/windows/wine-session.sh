# shellcheck shell=bash
# Sourced, not run: a Wine session of the project's own. Sets the Wine variables for a prefix
# folder, starts an X server on a free-looking display from a base number (Wine drops every QT_*
# variable, so Qt programs draw on a real X server), and stops both the Wine server and the X
# server when the calling script ends, a timeout included.
# Usage: start_wine_session <prefix folder> <first display number> [extra DLL overrides]
start_wine_session() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=${3:+;$3}"
  export WINEARCH=win64
  local display_number=$(($2 + RANDOM % 100))
  Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  wine_session_xvfb=$!
  export DISPLAY=":$display_number"
  trap 'wineserver -k >/dev/null 2>&1 || true; kill "$wine_session_xvfb" 2>/dev/null || true' EXIT
  trap 'exit 143' TERM INT
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display_number" ] && break; sleep 0.1; done
}
