#!/usr/bin/env bash
# Runs the program from the existing build folder ($SORU_BUILD_DIR, default
# build) under a real Wayland compositor: a headless weston with its desktop
# shell (top panel included) and a 1024 x 768 output.
#  1. --screenshot of the demo library on Wayland must match the same
#     screenshot taken on X11 under Xvfb at the same size.
#  2. Started normally, the window must cover the whole output: the
#     compositor's own capture of the output must become the program's
#     screenshot (nothing of the panel or the desktop left showing).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${SORU_BUILD_DIR:-build}"
WIDTH=1024
HEIGHT=768
# Pixels allowed to differ between two pictures of the window.
TOLERANCE="${SORU_WAYLAND_TOLERANCE:-0}"
START_SECONDS=20

cmake --build "$BUILD_DIR" --target soru demo_library >/dev/null
SORU="$(pwd)/$BUILD_DIR/app/soru"
LIBRARY="$(pwd)/$BUILD_DIR/demo-library"

tmp="$(mktemp -d /tmp/soru-wayland.XXXXXX)"
weston_pid=""
soru_pid=""
cleanup() {
  [ -z "$soru_pid" ] || kill "$soru_pid" 2>/dev/null || true
  [ -z "$weston_pid" ] || kill "$weston_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "wayland: FAILED: $*" >&2
  exit 1
}

# pixels_differing A B: the number of pixels in which two pictures differ.
pixels_differing() {
  /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true
}

# The compositor and its clients talk through a socket of our own in a
# private runtime folder, so no desktop session of the user is touched.
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket="soru-check-$$"
unset DISPLAY
# --debug lets weston-screenshooter capture the output.
weston --backend=headless-backend.so --use-pixman --width="$WIDTH" --height="$HEIGHT" \
  --socket="$socket" --idle-time=0 --debug >"$tmp/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
  kill -0 "$weston_pid" 2>/dev/null || { cat "$tmp/weston.log" >&2; fail "weston exited at start"; }
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || { cat "$tmp/weston.log" >&2; fail "weston made no socket in 10 s"; }
export WAYLAND_DISPLAY="$socket"

echo "== wayland: screenshot on Wayland against the one on X11"
xvfb-run -a -s "-screen 0 ${WIDTH}x${HEIGHT}x24" \
  "$SORU" --screenshot "$tmp/x11.png" "$LIBRARY" >/dev/null
QT_QPA_PLATFORM=wayland "$SORU" --screenshot "$tmp/wayland.png" "$LIBRARY" >/dev/null ||
  fail "the program failed on Wayland"
size="$(/usr/bin/identify -format '%wx%h' "$tmp/wayland.png")"
[ "$size" = "${WIDTH}x${HEIGHT}" ] || fail "window is $size on a ${WIDTH}x${HEIGHT} output"
differing="$(pixels_differing "$tmp/x11.png" "$tmp/wayland.png")"
[ "$differing" -le "$TOLERANCE" ] 2>/dev/null ||
  fail "Wayland and X11 screenshots differ in $differing pixels (allowed $TOLERANCE)"
echo "wayland: screenshot ${size}, differs from X11 in $differing pixels"

echo "== wayland: the window covers the whole output"
mkdir "$tmp/captures"
QT_QPA_PLATFORM=wayland "$SORU" "$LIBRARY" >"$tmp/soru.log" 2>&1 &
soru_pid=$!
covered=""
deadline=$((SECONDS + START_SECONDS))
while [ "$SECONDS" -lt "$deadline" ]; do
  kill -0 "$soru_pid" 2>/dev/null || { cat "$tmp/soru.log" >&2; fail "the program exited"; }
  # The screenshooter writes wayland-screenshot-<time>.png into its working folder.
  rm -f "$tmp"/captures/*.png
  (cd "$tmp/captures" && weston-screenshooter >/dev/null 2>&1) || true
  capture="$(ls "$tmp"/captures/*.png 2>/dev/null | head -n 1 || true)"
  if [ -n "$capture" ]; then
    differing="$(pixels_differing "$tmp/wayland.png" "$capture")"
    if [ "$differing" -le "$TOLERANCE" ] 2>/dev/null; then
      covered=yes
      break
    fi
    cp "$capture" "$tmp/last-capture.png"
  fi
  sleep 0.5
done
if [ -z "$covered" ]; then
  keep="$(pwd)/$BUILD_DIR/wayland-last-capture.png"
  [ ! -f "$tmp/last-capture.png" ] || cp "$tmp/last-capture.png" "$keep"
  fail "after ${START_SECONDS} s the output still differs from the window in ${differing:-?} pixels (last capture: $keep)"
fi
echo "wayland: the output shows exactly the window (full screen at 0,0)"
