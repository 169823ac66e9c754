#!/usr/bin/env bash
# Builds the parser fuzz targets with clang and libFuzzer in their own build
# folder ($FUZZ_BUILD_DIR, default build-fuzz/) and fuzzes each for the given
# seconds (default 60), one after another, at the lowest priority. Each
# target's corpus grows in $FUZZ_CORPUS_DIR/<target> (default
# build-fuzz/corpus), started from tests/fuzz/seeds/<target>; a crashing
# input lands in $FUZZ_BUILD_DIR/artifacts/<target>/ to be minimised and
# kept in tests/fuzz/crashes/<target>/.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
corpus=${FUZZ_CORPUS_DIR:-$build/corpus}
seconds=${1:-60}
shift || true
all=(profile_file wave_in id3_tag lame_output wma_output cue_sheet cddb mpeg_wave wma_args user_reg disc_image)
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")
if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTW_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target "${targets[@]/#/fuzz_}" -j2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in "${targets[@]}"; do
  mkdir -p "$corpus/$t" "$build/artifacts/$t"
  dict=()
  [[ -f $root/tests/fuzz/$t.dict ]] && dict=(-dict="$root/tests/fuzz/$t.dict")
  echo "== fuzzing $t for ${seconds}s"
  if ! nice -n 19 "$build/fuzz/fuzz_$t" "${dict[@]}" -max_total_time="$seconds" -max_len=8192 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t/" "$corpus/$t" "$root/tests/fuzz/seeds/$t"; then
    echo "fuzz_$t found a crash: see $build/artifacts/$t/"
    status=1
  fi
done
exit $status
