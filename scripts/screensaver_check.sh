#!/usr/bin/env bash
# Runs the program from the existing build folder ($SORU_BUILD_DIR, default
# build) under Xvfb with a short screen-saver timeout, with no desktop
# session, and checks the X server's saver state (xssstate):
#  1. with the program idle, the saver comes on after the timeout;
#  2. with the slide show started (Ctrl+A), it stays off well past it;
#  3. with the show stopped again (Ctrl+A), it comes on after the timeout.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${SORU_BUILD_DIR:-build}"
SAVER_SECONDS=2
# How long the show must keep the saver off: twice the timeout.
HELD_SECONDS=4
START_SECONDS=20

cmake --build "$BUILD_DIR" --target soru demo_library >/dev/null
SORU="$(pwd)/$BUILD_DIR/app/soru"
LIBRARY="$(pwd)/$BUILD_DIR/demo-library"

tmp="$(mktemp -d /tmp/soru-saver.XXXXXX)"
xvfb_pid=""
soru_pid=""
cleanup() {
  [ -z "$soru_pid" ] || kill "$soru_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "screensaver: FAILED: $*" >&2
  [ ! -f "$tmp/soru.log" ] || cat "$tmp/soru.log" >&2
  exit 1
}

# saver_comes_on SECONDS: waits until the saver is on; fails after SECONDS.
saver_comes_on() {
  local deadline=$((SECONDS + $1))
  while [ "$SECONDS" -le "$deadline" ]; do
    [ "$(xssstate -s)" = on ] && return 0
    sleep 0.2
  done
  return 1
}

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || fail "no free display number"
# -noreset keeps the saver settings when the last client leaves.
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do xset q >/dev/null 2>&1 && break; sleep 0.1; done
xset s "$SAVER_SECONDS" 0 || fail "Xvfb did not start"

# No session bus: what is measured is the X server's own suspension.
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
"$SORU" "$LIBRARY" >"$tmp/soru.log" 2>&1 &
soru_pid=$!
# The main window is the one that covers the screen (the splash is smaller).
window=""
deadline=$((SECONDS + START_SECONDS))
while [ -z "$window" ] && [ "$SECONDS" -lt "$deadline" ]; do
  kill -0 "$soru_pid" 2>/dev/null || fail "the program exited"
  for w in $(xdotool search --onlyvisible --pid "$soru_pid" 2>/dev/null || true); do
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1024x768' && window="$w"
  done
  sleep 0.2
done
[ -n "$window" ] || fail "no main window after ${START_SECONDS} s"

saver_comes_on $((SAVER_SECONDS + 3)) || fail "the saver did not come on with the program idle"
echo "screensaver: idle program: saver on after ${SAVER_SECONDS} s"

xdotool windowfocus --sync "$window" key ctrl+a
sleep "$HELD_SECONDS"
state="$(xssstate -s)"
[ "$state" = off ] || fail "the saver is $state ${HELD_SECONDS} s into the slide show"
echo "screensaver: slide show running: saver still off after ${HELD_SECONDS} s"

xdotool key ctrl+a
saver_comes_on $((SAVER_SECONDS + 3)) || fail "the saver did not come on after the show stopped"
kill -0 "$soru_pid" 2>/dev/null || fail "the program exited"
echo "screensaver: slide show stopped: saver on again"
