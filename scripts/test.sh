#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build, the same suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
JOBS="$(nproc)"

echo "== build and test"
bash scripts/build.sh
BUILD_DIR="${SORU_BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" --timeout 300

echo "== benchmarks, as a quick smoke run (figures are printed, never asserted)"
"$BUILD_DIR/bench/soru_bench_pipeline" --smoke
"$BUILD_DIR/bench/soru_bench_jpeg_bounds" 1
# The photo frame's cross-fade: frames painted in one fade.
"$BUILD_DIR/bench/soru_frame_fade" --smoke
# First picture from process start: small libraries, one start each.
/usr/bin/python3 bench/start_blackbox.py --soru "$BUILD_DIR/app/soru" --smoke
# Today's formats against their own decoders, small pictures, one run.
"$BUILD_DIR/bench/soru_bench_formats" --smoke
# The first thumbnail page against vipsthumbnail, small photos, one round.
/usr/bin/python3 bench/thumbnail_page_blackbox.py --soru "$BUILD_DIR/app/soru" --smoke

echo "== the README's first command, as a newcomer without a display runs it"
demo_log="$BUILD_DIR/demo-run.log"
env -u DISPLAY -u WAYLAND_DISPLAY bash scripts/demo.sh | tee "$demo_log"
shot="$(sed -n 's/^Screenshot: //p' "$demo_log")"
[ -s "$shot" ] || { echo "demo: no screenshot written"; exit 1; }
# A picture on the screen, not an empty frame: the colours must vary.
spread="$(/usr/bin/identify -format '%[fx:standard_deviation]' "$shot")"
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || { echo "demo: screenshot looks blank ($spread)"; exit 1; }
echo "demo: screenshot $shot (colour spread $spread)"

echo "== install tree, Debian package and the installed program"
bash scripts/package_check.sh
echo "== the program under a headless Wayland compositor"
bash scripts/wayland_check.sh
echo "== the portable copy on a minimal Debian 12 and beside the installed toolkit"
bash scripts/portable_check.sh
echo "== a running slide show holds off the X server's screen saver"
bash scripts/screensaver_check.sh

echo "== Windows wallpaper code, checked with the MinGW cross compiler"
x86_64-w64-mingw32-g++ -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I. platform/windows/wallpaper_windows.cpp

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
SORU_BUILD_DIR=build-asan \
SORU_CMAKE_ARGS="-DSORU_SANITIZE=ON -DSORU_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug" \
  bash scripts/build.sh
# Leak checking is left to the fuzzers: the toolkit's own caches look like
# leaks to LeakSanitizer at exit.
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS" --timeout 600

echo "== the picture pipeline's tests under ThreadSanitizer"
bash scripts/tsan.sh

if [ -f scripts/fuzz.sh ]; then
  echo "== fuzzing"
  # Seven targets: 15 s each keeps the whole run well under half an hour.
  FUZZ_SECONDS="${FUZZ_SECONDS:-15}" bash scripts/fuzz.sh
fi
