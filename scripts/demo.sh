#!/usr/bin/env bash
# Installs what is missing, builds the viewer and the demo library, and runs
# the viewer on it. Without a display it runs under a virtual X server,
# saves a screenshot of the main window and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh soru demo_library
BUILD_DIR="${SORU_BUILD_DIR:-build}"
SORU="$BUILD_DIR/app/soru"
LIBRARY="$BUILD_DIR/demo-library"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$SORU" "$LIBRARY"
fi
SHOT="$(pwd)/$BUILD_DIR/demo-screenshot.png"
echo "No display: running under Xvfb at 1024x768 and saving a screenshot."
xvfb-run -a -s '-screen 0 1024x768x24' "$SORU" --screenshot "$SHOT" "$LIBRARY"
echo "Screenshot: $SHOT"
