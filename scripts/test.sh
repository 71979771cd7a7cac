#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
BUILD_DIR="${SORU_BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 300
