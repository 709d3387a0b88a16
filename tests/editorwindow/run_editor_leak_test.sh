#!/usr/bin/env bash
# Starts a private Xvfb on a free display and runs one check of the editor
# leak host on the built bundle there; the X server's log stays in
# ARTIFACT_DIR.
#
# Usage: run_editor_leak_test.sh HOST BUNDLE ARTIFACT_DIR CHECK
set -euo pipefail

if [ $# -ne 4 ]; then
  echo "usage: run_editor_leak_test.sh HOST BUNDLE ARTIFACT_DIR CHECK" >&2
  exit 2
fi
host=$1
bundle=$(realpath "$2")
artifacts=$3
check=$4

# shellcheck source=tests/editorwindow/private_xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_xvfb.sh"
start_private_xvfb "$artifacts"

# glibc's per-thread caches keep freed blocks for reuse, and its heap
# figures count those as in use: without them the host's heap figure is what
# the program holds, and a growth of it is memory somebody keeps.
export GLIBC_TUNABLES=glibc.malloc.tcache_count=0

"$host" "$bundle" "$check"
