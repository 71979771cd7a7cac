#!/usr/bin/env bash
# Configures and builds into build/ (or $SORU_BUILD_DIR). Extra arguments are
# the names of the targets to build; without any, everything is built.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${SORU_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${SORU_CMAKE_ARGS:-}
fi
if [ $# -gt 0 ]; then
  cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$@"
else
  cmake --build "$BUILD_DIR" -j "$(nproc)"
fi
