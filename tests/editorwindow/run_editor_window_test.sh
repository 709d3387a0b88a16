#!/usr/bin/env bash
# Starts a private Xvfb on a free display, runs the editor window host on the
# built bundle there, and keeps its screenshot as a test artifact.
#
# Usage: run_editor_window_test.sh HOST BUNDLE ARTIFACT_DIR
set -euo pipefail

host=$1
bundle=$(realpath "$2")
artifacts=$3
mkdir -p "$artifacts"

# In editor coordinates (resource/plug.uidesc): the about box's on/off
# button and its label; then clicks that must edit a parameter, as x,y,id:
# low on the Level fader, high on the LPCut fader, and the Bypass button.
about_button=27,312
about_label=46,302,400,20
edits=(--edit 62,225,1 --edit 562,130,6 --edit 564,39,0)

display_number=
for n in $(seq 90 189); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display_number=$n
    break
  fi
done
[ -n "$display_number" ] || { echo "no free X display number" >&2; exit 1; }

Xvfb ":$display_number" -screen 0 1920x1200x24 -nolisten tcp >"$artifacts/xvfb.log" 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT

export DISPLAY=":$display_number"
for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$artifacts/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not come up on $DISPLAY" >&2; exit 1; }

# Opened and closed many times at 1x; then as on a HiDPI screen, where the
# editor draws at twice the size with the 2x bitmaps.
"$host" "$bundle" --screenshot "$artifacts/editor.png" --cycles 25 \
  --click "$about_button" --watch "$about_label" "${edits[@]}"
"$host" "$bundle" --screenshot "$artifacts/editor-2x.png" --cycles 3 --scale 2 \
  --click "$about_button" --watch "$about_label" "${edits[@]}"
