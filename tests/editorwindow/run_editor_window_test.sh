#!/usr/bin/env bash
# Runs the editor window host on the built bundle on the display DISPLAY
# names, and keeps its screenshots as test artifacts. The test runs it under
# with_private_xvfb, on an Xvfb of its own.
#
# Usage: run_editor_window_test.sh HOST BUNDLE ARTIFACT_DIR
set -euo pipefail

host=$1
bundle=$(realpath "$2")
artifacts=$3

# In editor coordinates (resource/plug.uidesc): the about box's on/off
# button and its label; then clicks that must edit a parameter, as x,y,id:
# low on the Level fader, high on the LPCut fader, and the Bypass button;
# and a drag as x,y,dy,id: pressed high on the Mix fader, away from its
# handle, and moved 20 down.
about_button=27,312
about_label=46,302,400,20
edits=(--edit 62,225,1 --edit 562,130,6 --edit 564,39,0 --drag 162,130,20,2)

mkdir -p "$artifacts"

# Opened and closed many times at 1x; then as on a HiDPI screen, where the
# editor draws at twice the size with the 2x bitmaps; then by hosts that
# show the editor in other ways: every opening must show its picture at once.
# Each run goes on after a failure, so all of them report.
status=0
"$host" "$bundle" --screenshot "$artifacts/editor.png" --cycles 25 \
  --click "$about_button" --watch "$about_label" "${edits[@]}" || status=1
"$host" "$bundle" --screenshot "$artifacts/editor-2x.png" --cycles 3 --scale 2 \
  --click "$about_button" --watch "$about_label" "${edits[@]}" || status=1
for embedder in shows-after-attaching silent; do
  "$host" "$bundle" --screenshot "$artifacts/editor-$embedder.png" --cycles 5 --embedder "$embedder" \
    --click "$about_button" --watch "$about_label" "${edits[@]}" || status=1
done
exit $status
