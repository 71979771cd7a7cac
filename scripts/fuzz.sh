#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) into build-fuzz/, writes their seed corpora and runs
# each target for FUZZ_SECONDS (default 45). Fails when any target reports
# a crash, a leak, a timeout or an out-of-memory; prints the executions per
# target. Inputs that made a target fail are kept in build-fuzz/artifacts/.
#
#   FUZZ_SECONDS=300 scripts/fuzz.sh            all targets, 5 minutes each
#   scripts/fuzz.sh fuzz_bitmap fuzz_jpeg       only these
#   FUZZ_JOBS=1 scripts/fuzz.sh                 one target at a time
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH="${FUZZ_SECONDS:-45}"
JOBS="${FUZZ_JOBS:-$(nproc)}"
BUILD_DIR="${SORU_FUZZ_BUILD_DIR:-build-fuzz}"
ALL_TARGETS=(fuzz_jpeg fuzz_bitmap fuzz_png fuzz_webp fuzz_heif fuzz_memo fuzz_folder_names)
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=("${ALL_TARGETS[@]}")

# --------------------------------------------------------------- packages
bash scripts/deps.sh
missing=()
for p in clang libclang-rt-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "fuzz: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ------------------------------------------------------------------ build
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S fuzz -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target soru_fuzz_seeds "${TARGETS[@]}"

# ------------------------------------------------------------------ seeds
export QT_QPA_PLATFORM=offscreen
"$BUILD_DIR/soru_fuzz_seeds" "$BUILD_DIR/seeds"

# -------------------------------------------------------------------- run
# Allocation stacks are kept two frames deep: unwinding further through the
# toolkit's frame-pointer-less code gives a new bogus stack at nearly every
# allocation, and storing them grew the process by a gigabyte in twenty
# minutes. Run an artifact again without these options for full stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:malloc_context_size=2}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(pwd)/fuzz/lsan.supp:print_suppressions=0}"

max_len() {
  case "$1" in
    fuzz_jpeg | fuzz_bitmap | fuzz_png | fuzz_webp | fuzz_heif) echo 16384 ;;
    fuzz_memo) echo 8192 ;;
    fuzz_folder_names) echo 2048 ;;
  esac
}
dict() {
  case "$1" in
    fuzz_jpeg) echo fuzz/jpeg.dict ;;
    fuzz_bitmap) echo fuzz/bitmap.dict ;;
    fuzz_png) echo fuzz/png.dict ;;
    fuzz_webp) echo fuzz/webp.dict ;;
    fuzz_heif) echo fuzz/heif.dict ;;
    fuzz_memo) echo fuzz/memo.dict ;;
    fuzz_folder_names) echo fuzz/folder_names.dict ;;
  esac
}

# The decoders' own limit on a decoded picture is 1 GiB (core/limits.h). A
# single allocation beyond it plus a margin for the decoders' working memory
# is a finding, and so is a process that grows past both.
MALLOC_LIMIT_MB=1280
RSS_LIMIT_MB=1536

run_target() {
  local t="$1" name="${1#fuzz_}"
  local corpus="$BUILD_DIR/corpus/$name" artifacts="$BUILD_DIR/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  "$BUILD_DIR/$t" "$corpus" "$BUILD_DIR/seeds/$name" \
    -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb="$RSS_LIMIT_MB" -malloc_limit_mb="$MALLOC_LIMIT_MB" \
    -max_len="$(max_len "$t")" -dict="$(dict "$t")" \
    -artifact_prefix="$artifacts" -print_final_stats=1 \
    >"$BUILD_DIR/logs/$t.log" 2>&1
}

mkdir -p "$BUILD_DIR/logs"
echo "fuzz: ${#TARGETS[@]} targets, ${SECONDS_EACH} s each, $JOBS at a time"
for t in "${TARGETS[@]}"; do
  rm -f "$BUILD_DIR/logs/$t.rc"
  while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n || true; done
  (
    set +e
    run_target "$t"
    echo $? >"$BUILD_DIR/logs/$t.rc"
  ) &
done
wait

failed=0
for t in "${TARGETS[@]}"; do
  rc="$(cat "$BUILD_DIR/logs/$t.rc" 2>/dev/null || echo 1)"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$BUILD_DIR/logs/$t.log" | tail -n 1)"
  if [ "$rc" = 0 ]; then
    printf 'fuzz: %-18s ok      %s executions\n' "$t" "${runs:-?}"
  else
    failed=1
    printf 'fuzz: %-18s FAILED  %s executions (exit %s)\n' "$t" "${runs:-?}" "$rc"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|.*check failed|artifact_prefix|Test unit written)' \
      "$BUILD_DIR/logs/$t.log" | head -n 20 | sed 's/^/    /'
    echo "    full log: $BUILD_DIR/logs/$t.log"
  fi
done
exit "$failed"
