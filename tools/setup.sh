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
echo "setup: installed $installed"

log="$build_dir/validator.log"
if ! "$validator" "$installed" >"$log" 2>&1; then
  grep -E "ERROR|Result:" "$log" >&2 || true
  die "the validator found faults (full report: $log)"
fi
grep "Result:" "$log" | sed 's/^/setup: validator: /'

demo="$build_dir/tarvine-demo.wav"
"$render" --plugin "$installed" --out "$demo" >/dev/null || die "rendering the demo failed"
echo "setup: demo rendered to $demo"
