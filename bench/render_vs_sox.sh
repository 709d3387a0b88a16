#!/usr/bin/env bash
# Whole-process wall time and peak memory of tarvine-render beside
# `sox in.wav out.wav reverb`, on 48 kHz stereo white noise of 10 s, 60 s
# and 10 min, measured with GNU time (-v); each render also bypassed, which
# leaves the tool's own cost, and each both into a new file and replacing
# an existing one (the render is then copied into that file). A benchmark,
# not a test: ctest does not run it.
#
#   bench/render_vs_sox.sh [--runs N] [TARVINE_RENDER ...]
#
# Needs sox and GNU time (Debian: apt-get install sox time) and a built
# tarvine-render (default: build/bin/Release/tarvine-render, which renders
# through the bundle of the same build). Several tools may be given, e.g.
# an older build beside the current one. Each figure is the best of N runs
# (default 5), as other work on the machine only ever adds time. The files
# (about 0.5 GB for 10 min) go to a temporary folder under $TMPDIR or /tmp,
# removed at the end.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=5
tools=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "${BASH_SOURCE[0]}"; exit 0 ;;
    *) tools+=("$1"); shift ;;
  esac
done
[ ${#tools[@]} -gt 0 ] || tools=("$repo/build/bin/Release/tarvine-render")

gnu_time=/usr/bin/time
command -v sox >/dev/null || { echo "needs sox (apt-get install sox)" >&2; exit 2; }
"$gnu_time" --version 2>&1 | grep -q GNU || { echo "needs GNU time at $gnu_time (apt-get install time)" >&2; exit 2; }
for tool in "${tools[@]}"; do
  [ -x "$tool" ] || { echo "no tarvine-render at $tool: build it first (tools/build.sh)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/render-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One measured run of the command: its wall time (s) in `wall` and its
# peak resident memory (KB) in `rss`.
timed() {
  local report="$work/time.txt"
  "$gnu_time" -v -o "$report" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  read -r wall rss < <(awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; wall = s }
    /Maximum resident set size/ { rss = $2 }
    END { print wall, rss }' "$report")
}

printf '%-8s  %-48s %10s %11s\n' "length" "command" "wall" "peak RSS"
for seconds in 10 60 600; do
  input="$work/noise-${seconds}s.wav"
  output="$work/out.wav"
  sox -n -r 48000 -c 2 -b 32 -e floating-point "$input" synth "$seconds" whitenoise vol 0.5

  # Each tool as it is and bypassed (the plug-in then only copies, which
  # leaves the tool's own work: loading the bundle, reading, writing), into
  # a new file and over the file an earlier run left, and sox. The runs
  # take turns, so that a busy moment of the machine falls on all of them
  # alike; each keeps its fastest run.
  labels=() commands=() fresh=()
  for tool in "${tools[@]}"; do
    name="$(basename "$(dirname "$tool")")/$(basename "$tool")"
    for setting in "" Bypass=1; do
      for target in new replacing; do
        labels+=("$name ${setting:+$setting }($target)")
        commands+=("$(printf '%q ' "$tool" --in "$input" --out "$output" $setting)")
        fresh+=("$([ "$target" = new ] && echo 1 || echo 0)")
      done
    done
  done
  labels+=("sox in.wav out.wav reverb")
  commands+=("$(printf '%q ' sox "$input" "$output" reverb)")
  fresh+=(0)

  best_wall=() best_rss=()
  for ((run = 0; run < runs; run++)); do
    for i in "${!commands[@]}"; do
      # A new file where asked; else the file of the run before stands.
      if [ "${fresh[$i]}" = 1 ]; then rm -f "$output"; else [ -e "$output" ] || cp "$input" "$output"; fi
      eval timed "${commands[$i]}"
      if [ -z "${best_wall[$i]:-}" ] || awk -v a="$wall" -v b="${best_wall[$i]}" 'BEGIN { exit !(a < b) }'; then
        best_wall[$i]=$wall
        best_rss[$i]=$rss
      fi
    done
  done
  for i in "${!labels[@]}"; do
    awk -v l="${seconds} s" -v c="${labels[$i]}" -v w="${best_wall[$i]}" -v r="${best_rss[$i]}" \
      'BEGIN { printf "%-8s  %-48s %8.2f s %8.1f MB\n", l, c, w, r / 1024 }'
  done
  rm -f "$input" "$output"
done
