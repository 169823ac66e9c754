#!/usr/bin/env bash
# Builds the stream framework's, WAV and normaliser tests with AddressSanitizer
# and UndefinedBehaviorSanitizer in their own build folder and runs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ASAN_BUILD_DIR:-$root/build-asan}
cmake -S "$root" -B "$build" -G Ninja -DTW_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tw_acs_core_tests tw_acs_wave_tests tw_convert_tests -j2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600 \
  -R '^(CoreOutput|CoreOutputLifetime|CoreInputWiring|CoreConverter|WaveRead|WaveWrite|WavePeer|AdpcmIma|AdpcmMs|AdpcmFiles|ConvertWave|Normalize)\.'
