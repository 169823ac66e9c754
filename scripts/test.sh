#!/usr/bin/env bash
# Sets up, checks the formatting, builds with warnings as errors and runs
# every test: the sanitized parser tests first, then the whole suite through
# CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
bash "$root/scripts/check-format.sh"
BUILD_DIR=$build bash "$root/scripts/build.sh" -DTW_WERROR=ON
bash "$root/scripts/test-sanitized.sh"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
