#!/usr/bin/env bash
# Builds the picture pipeline's, the companion index's, the thumbnail
# store's and the album scan's tests with ThreadSanitizer into build-tsan (or $SORU_TSAN_BUILD_DIR)
# and runs them.
# Only the libraries those tests need are built.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${SORU_TSAN_BUILD_DIR:-build-tsan}"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORU_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target soru_pipeline_tests soru_companion_index_tests soru_thumbnail_tests soru_core_tests
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
# The hostile library's decodes run on one thread only and are slow here.
"$BUILD_DIR/tests/media/pipeline/soru_pipeline_tests" --gtest_filter=-*Hostile*
"$BUILD_DIR/tests/core/soru_companion_index_tests"
"$BUILD_DIR/tests/media/thumbnails/soru_thumbnail_tests"
"$BUILD_DIR/tests/core/soru_core_tests" --gtest_filter='Albums.*'

