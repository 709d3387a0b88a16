#!/usr/bin/env bash
# Starts a private Xvfb on a free display and runs one check of the editor
# leak host on the built bundle there; the X server's log (and valgrind's)
# stays in ARTIFACT_DIR.
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

# shellcheck source=tests/editorwindow/private_xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_xvfb.sh"
start_private_xvfb "$artifacts"

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
