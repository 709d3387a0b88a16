#!/usr/bin/env bash
# Bootstraps the dependencies and builds everything into build/ (or $TARVINE_BUILD_DIR).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVINE_BUILD_DIR:-"$repo/build"}
"$repo/tools/bootstrap.sh"

# shellcheck source=tools/lib/configure.sh
source "$repo/tools/lib/configure.sh"
configure_build build "$build_dir" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build_dir" --parallel "$(nproc)" \
  || { echo "build: compiling failed; the first error above names the file" >&2; exit 1; }
