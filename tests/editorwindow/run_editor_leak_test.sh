#!/usr/bin/env bash
# Runs one check of the editor leak host on the built bundle on the display
# DISPLAY names; valgrind's log stays in ARTIFACT_DIR. The test runs it under
# with_private_xvfb, on an Xvfb of its own whose log stays there too.
#
# Usage: run_editor_leak_test.sh HOST BUNDLE ARTIFACT_DIR CHECK [--under-valgrind]
#   --under-valgrind  runs the host under valgrind's memcheck: any read or
#                     write of freed or unowned memory fails the test (leaks
#                     at exit do not; the other checks measure growth)
set -euo pipefail

if [ $# -ne 4 ] && { [ $# -ne 5 ] || [ "$5" != --under-valgrind ]; }; then
  echo "usage: run_editor_leak_test.sh HOST BUNDLE ARTIFACT_DIR CHECK [--under-valgrind]" >&2
  exit 2
fi
host=$1
bundle=$(realpath "$2")
artifacts=$3
check=$4
wrapper=()
if [ $# -eq 5 ]; then
  wrapper=(valgrind --quiet --error-exitcode=99 --errors-for-leak-kinds=none
           --suppressions="$(dirname "${BASH_SOURCE[0]}")/xcb-request-padding.supp"
           --log-file="$artifacts/valgrind.log")
fi

mkdir -p "$artifacts"

# glibc's per-thread caches keep freed blocks for reuse, and its heap
# figures count those as in use: without them the host's heap figure is what
# the program holds, and a growth of it is memory somebody keeps.
export GLIBC_TUNABLES=glibc.malloc.tcache_count=0

status=0
"${wrapper[@]}" "$host" "$bundle" "$check" || status=$?
if [ $status -eq 99 ]; then
  echo "FAIL: valgrind found invalid memory accesses:" >&2
  cat "$artifacts/valgrind.log" >&2
fi
exit $status
