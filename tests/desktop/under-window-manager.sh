#!/bin/sh
# Runs a command on a private X server of its own, under a small window
# manager, so that windows get real frames and title bars.
# Usage: under-window-manager.sh COMMAND [ARGS...]
set -u

for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null 2>&1 || {
    echo "under-window-manager: $tool is not installed (scripts/packages.txt)" >&2
    exit 1
  }
done

work=$(mktemp -d)
xvfb=
wm=
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The server picks a free display itself and tells its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
tries=0
while [ ! -s "$work/display" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 100 ] || ! kill -0 "$xvfb" 2>/dev/null; then
    echo "under-window-manager: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

# Openbox runs its start-up command once it manages windows.
HOME="$work" XDG_CONFIG_HOME="$work/config" \
  openbox --sm-disable --startup "touch $work/wm-ready" >"$work/wm.log" 2>&1 &
wm=$!
tries=0
while [ ! -e "$work/wm-ready" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 100 ] || ! kill -0 "$wm" 2>/dev/null; then
    echo "under-window-manager: openbox did not start" >&2
    cat "$work/wm.log" >&2
    exit 1
  fi
  sleep 0.1
done

QT_QPA_PLATFORM=xcb "$@"
status=$?
[ $status -ne 0 ] && cat "$work/wm.log" >&2
exit $status
