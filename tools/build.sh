#!/usr/bin/env bash
# Bootstraps the dependencies and builds everything into build/ (or $TARVINE_BUILD_DIR).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVINE_BUILD_DIR:-"$repo/build"}
"$repo/tools/bootstrap.sh"

# A successful configure stays quiet; a failed one shows everything CMake
# said, because its error names the module or package that is missing.
mkdir -p "$build_dir"
configure_log="$build_dir/configure.log"
if ! cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$configure_log" 2>&1; then
  cat "$configure_log" >&2
  echo >&2
  echo "build: configuring failed:" >&2
  grep -E "CMake Error|not found|Could NOT find" "$configure_log" | sed 's/^/build:   /' >&2 || true
  echo "build: full configure output: $configure_log" >&2
  exit 1
fi
cmake --build "$build_dir" --parallel "$(nproc)" \
  || { echo "build: compiling failed; the first error above names the file" >&2; exit 1; }
