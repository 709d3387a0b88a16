#!/usr/bin/env bash
# Builds the plug-in, installs the bundle for the current user, checks it
# with the SDK's validator and renders the demo signal through it.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVINE_BUILD_DIR:-"$repo/build"}

die() { echo "setup: $*" >&2; exit 1; }

"$repo/tools/build.sh"

# build.sh configures a Release build; the SDK lays its outputs out by config.
bundle="$build_dir/VST3/Release/Tarvine.vst3"
validator="$build_dir/bin/Release/validator"
render="$build_dir/bin/Release/tarvine-render"
[ -d "$bundle" ] || die "no bundle at $bundle"

vst3_dir="$HOME/.vst3"
installed="$vst3_dir/Tarvine.vst3"
mkdir -p "$vst3_dir"
rm -rf "$installed"
cp -R "$bundle" "$installed"

log="$build_dir/validator.log"
if ! "$validator" "$installed" >"$log" 2>&1; then
  grep -E "ERROR|Result:" "$log" >&2 || true
  die "the validator found faults (full report: $log)"
fi
validator_result=$(grep -m 1 "Result:" "$log" | sed 's/^.*Result: *//' || true)
[ -n "$validator_result" ] || die "the validator printed no result (full report: $log)"

# The render's exit status alone would not tell a silent file from a reverb.
demo="$build_dir/tarvine-demo.wav"
render_log="$build_dir/demo-render.log"
"$render" --plugin "$installed" --out "$demo" 2>"$render_log" \
  || { cat "$render_log" >&2; die "rendering the demo failed (its report: $render_log)"; }
demo_peak=$(python3 "$repo/tools/wavpeak.py" "$demo") \
  || die "the demo render $demo holds no usable sound"

echo "setup: installed $installed"
echo "setup: validator: $validator_result"
echo "setup: demo rendered to $demo (not silent: $demo_peak)"
