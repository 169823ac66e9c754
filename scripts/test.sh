#!/usr/bin/env bash
# Sets up, builds and runs every test: the sanitized parser tests first, then
# the whole suite through CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
bash "$root/scripts/setup.sh"
BUILD_DIR=$build bash "$root/scripts/build.sh"
bash "$root/scripts/test-sanitized.sh"
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
