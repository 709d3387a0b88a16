#!/usr/bin/env bash
# The editor's bitmaps in resource/ are exactly what tools/make_bitmaps.py
# draws, so a change to the drawing cannot be forgotten in the bitmaps.
#
# Usage: bitmaps_match_script.sh REPO SCRATCH_DIR
set -euo pipefail
repo=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
python3 "$repo/tools/make_bitmaps.py" "$scratch"
status=0
shopt -s nullglob
drawn_files=("$scratch"/*.png)
if [ ${#drawn_files[@]} -eq 0 ]; then
  echo "tools/make_bitmaps.py drew no bitmaps" >&2
  exit 1
fi
for drawn in "${drawn_files[@]}"; do
  name=$(basename "$drawn")
  if ! cmp -s "$drawn" "$repo/resource/$name"; then
    echo "resource/$name differs from what tools/make_bitmaps.py draws" >&2
    status=1
  fi
done
# A committed bitmap the script no longer draws would go stale unnoticed.
for committed in "$repo"/resource/*.png; do
  name=$(basename "$committed")
  if [ ! -f "$scratch/$name" ]; then
    echo "resource/$name is not drawn by tools/make_bitmaps.py" >&2
    status=1
  fi
done
exit $status
