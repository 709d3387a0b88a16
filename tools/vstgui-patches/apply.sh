#!/usr/bin/env bash
# Applies the project's changes to a freshly unpacked VSTGUI tree.
#
# The changes live with the code they serve, as a patch series under
# source/controller/vstgui/ (the slider's added click mode and its mode
# strings), applied in file-name order. Each patch must apply exactly: no
# fuzz, no reversal of an already-applied patch, no backup or reject files
# left in the tree. On the first failure one line naming the patch and the
# file it failed on goes to stderr and the script exits non-zero.
#
# Usage: tools/vstgui-patches/apply.sh <vstgui4 folder>
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
series_dir="$repo/source/controller/vstgui"
vstgui_dir=${1:?usage: apply.sh <vstgui4 folder>}

fail() { echo "$*" >&2; exit 1; }

[ -f "$vstgui_dir/vstgui/lib/vstguifwd.h" ] || fail "$vstgui_dir is not a VSTGUI tree"
command -v patch >/dev/null || fail "the patch tool is missing"

shopt -s nullglob
patches=("$series_dir"/*.patch)
[ ${#patches[@]} -gt 0 ] || fail "no VSTGUI patches in $series_dir"

for p in "${patches[@]}"; do
  # A dry run first, so a failing patch leaves the tree as the previous one left it.
  if ! log=$(patch -p1 --forward --batch --fuzz=0 --dry-run -d "$vstgui_dir" -i "$p" 2>&1); then
    # the file whose hunk failed, or the first file patch could not take
    where=$(printf '%s\n' "$log" | awk '
      /^(patching|checking) file / { file = $3 }
      /FAILED|Reversed|previously applied|can.t find file|No file to patch/ { print file; exit }')
    fail "$(basename "$p") does not apply to VSTGUI${where:+ (at $where)}"
  fi
  patch -p1 --forward --batch --fuzz=0 --no-backup-if-mismatch --quiet -d "$vstgui_dir" -i "$p" \
    >/dev/null || fail "$(basename "$p") failed while patching VSTGUI"
done
