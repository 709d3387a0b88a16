#!/usr/bin/env bash
# Builds the processor, the bundle and the tests that drive them from several
# threads at once with ThreadSanitizer, and runs those tests: a data race
# between the audio thread and the threads that save, restore and ask for the
# tail fails the run. It needs what tools/build.sh installed and unpacked.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVINE_TSAN_BUILD_DIR:-"$repo/build-tsan"}
flags=-fsanitize=thread

# shellcheck source=tools/lib/configure.sh
source "$repo/tools/lib/configure.sh"
configure_build thread-check "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=$flags" \
  "-DCMAKE_SHARED_LINKER_FLAGS=$flags" "-DCMAKE_MODULE_LINKER_FLAGS=$flags"
cmake --build "$build_dir" --parallel "$(nproc)" --target engine_tests bundle_tests \
  || { echo "thread-check: compiling failed" >&2; exit 1; }

# Any report fails the test binary with ThreadSanitizer's exit code.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
bin="$build_dir/bin/RelWithDebInfo"
"$bin/engine_tests" --gtest_filter='StatePersistence.*'
"$bin/bundle_tests" --gtest_filter='StateThreads.*'
echo "thread-check: no data race found"
