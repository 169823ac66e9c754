#!/usr/bin/env bash
# Sets up, builds and starts Trackwell on the demo disc.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
exec "${BUILD_DIR:-$root/build}/trackwell"
