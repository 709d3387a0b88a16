# Sourced by the editor tests' scripts: start_private_xvfb DIR starts an
# Xvfb on a free display, exports DISPLAY for it and stops it when the
# script exits; its log goes to DIR/xvfb.log.
#
# Xvfb picks a free display number itself and writes it out once it
# accepts clients, so parallel runs never share or race for a display. The
# screen holds two editors side by side at twice the size.
start_private_xvfb() {
  local dir=$1
  local display_file="$dir/display"
  mkdir -p "$dir"
  rm -f "$display_file"
  Xvfb -displayfd 3 -screen 0 2560x1440x24 -nolisten tcp 3>"$display_file" >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT

  for _ in $(seq 1 100); do
    grep -q '^[0-9][0-9]*$' "$display_file" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$dir/xvfb.log" >&2; exit 1; }
    sleep 0.1
  done
  grep -q '^[0-9][0-9]*$' "$display_file" || { echo "Xvfb did not come up" >&2; exit 1; }
  export DISPLAY=":$(cat "$display_file")"
}
