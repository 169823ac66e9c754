#!/usr/bin/env bash
# Builds the file, disc-image and stream parsers and their tests with
# AddressSanitizer and UndefinedBehaviorSanitizer in their own build folder
# ($ASAN_BUILD_DIR, default build-asan/) and runs those test programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ASAN_BUILD_DIR:-$root/build-asan}
targets=(settings_test platform_cd_test tw_tags_tests tw_acs_core_tests tw_acs_wave_tests
  tw_convert_tests procs_test converter_filter_test converter_components_test vorbis_test
  rip_test job_runner_test tw_encoders_tests tw_wmaenc_tests platform_cddb_test tw_tags_cddb_tests
  platform_registry_test fuzz_replay)
cmake -S "$root" -B "$build" -G Ninja -DTW_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "${targets[@]}" trackwell-discimage trackwell-wmaenc -j2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
failed=()
for t in "${targets[@]}"; do
  echo "== sanitized: $t"
  if ! "$build/tests/$t" --gtest_brief=1; then failed+=("$t"); fi
done
if ((${#failed[@]})); then
  echo "sanitized runs failed: ${failed[*]}"
  exit 1
fi
echo "sanitized runs passed: ${#targets[@]} programs"
