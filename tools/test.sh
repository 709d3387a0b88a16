#!/usr/bin/env bash
# Builds everything and runs every test, then the thread checks.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVINE_BUILD_DIR:-"$repo/build"}
"$repo/tools/build.sh"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
"$repo/tools/thread-check.sh"
