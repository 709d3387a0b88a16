#!/usr/bin/env bash
# Installs what the build needs on Debian 12 and lays out the VST3 SDK sources.
#
# The SDK is not packaged for Debian 12, but Debian 13 ships it as the source
# package vst3sdk. Its upstream tarballs are fetched with apt's own transport
# from the mirror that this machine's apt sources already name, checked against
# pinned SHA-256 sums, cached outside the clone and unpacked into a tree the
# build owns. The project's own changes to VSTGUI (the patch series in
# source/controller/vstgui, applied by tools/vstgui-patches/apply.sh) are
# applied to that unpacked copy; the cached tarballs are never touched.
#
# Usage: tools/bootstrap.sh [SDK_DIR]   (default: <repo>/.deps/vst3sdk)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sdk_dir=${1:-"$repo/.deps/vst3sdk"}
cache_dir=${TARVINE_CACHE_DIR:-"${XDG_CACHE_HOME:-$HOME/.cache}/tarvine"}
patch_dir="$repo/tools/vstgui-patches"
# Everything that decides what the unpacked VSTGUI looks like.
vstgui_change_dirs=("$patch_dir" "$repo/source/controller/vstgui")

die() { echo "bootstrap: $*" >&2; exit 1; }
# shellcheck source=tools/lib/debian-mirror.sh
source "$repo/tools/lib/debian-mirror.sh"

# --- Debian packages -------------------------------------------------------
# Everything a bare Debian 12 (a minbase system with git) lacks for the build
# and the tests. The SDK builds VSTGUI's standalone library on Linux whatever
# we ask, and that library asks pkg-config for sqlite3.
packages=(
  cmake ninja-build pkg-config g++ git ca-certificates patch
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsndfile1-dev
  libx11-xcb-dev libxcb-util-dev libxcb-cursor-dev libxcb-keysyms1-dev
  libxcb-xkb-dev libxkbcommon-dev libxkbcommon-x11-dev
  libcairo2-dev libpango1.0-dev libfontconfig1-dev libfreetype-dev
  libglib2.0-dev libgtkmm-3.0-dev libsqlite3-dev
  xvfb libxtst-dev libxcb-res0-dev valgrind fonts-dejavu-core python3 locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || die "missing packages (${missing[*]}); run as root or install them"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null || die "apt-get update failed: package archive unreachable"
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
    || die "apt-get install failed for: ${missing[*]}"
fi

# --- SDK tarballs ----------------------------------------------------------
version='3.7.10.14+~4.13.3'
# component (empty for the SDK root) | folder inside the SDK | SHA-256
tarballs=(
  "|.|0c9fa7b578f8549d6ce6efeb427e9c7df8ca0e018bea13a523b78bb167663b81"
  "base|base|b9eb5c1e57ca2ef6b2560dd0e13822dd5a51e437b8f5a6c421b099d621d2bffb"
  "cmake|cmake|f4699e910a67e585d7d177b2a48f6aa43706b3f073c8e454615f094484374349"
  "pluginterfaces|pluginterfaces|fd426c6b26ef93fdfdc8aef7e9b836c1bf43f25b8a1ef4c0642a41fb9250ab8a"
  "public-sdk|public.sdk|ca1f70406b36f0763c799085c67deed5befc69514cc2b9cacb804512e95db335"
  "vstgui4|vstgui4|5a7673c7b22a66086a6749a0c7ff447fcfc4a10d2c2013d58ff1320be4e8456f"
)

fetch() { # file sum
  local file=$1 sum=$2
  if [ -f "$cache_dir/$file" ] && echo "$sum  $cache_dir/$file" | sha256sum -c --status; then
    return 0
  fi
  mkdir -p "$cache_dir"
  local mirror
  mirror=$(debian_mirror / | head -n 1)
  [ -n "$mirror" ] || die "no Debian mirror found in the apt configuration"
  rm -f "$cache_dir/$file.part"
  /usr/lib/apt/apt-helper -qq download-file "${mirror%/}/pool/main/v/vst3sdk/$file" \
      "$cache_dir/$file.part" "SHA256:$sum" >/dev/null 2>&1 \
    || die "download of $file failed (archive unreachable or checksum mismatch)"
  echo "$sum  $cache_dir/$file.part" | sha256sum -c --status || die "checksum mismatch for $file"
  mv "$cache_dir/$file.part" "$cache_dir/$file"
}

# The unpacked tree is redone whenever the pinned sums or our VSTGUI changes change.
stamp_of_inputs() {
  {
    printf '%s\n' "${tarballs[@]}"
    local d
    for d in "${vstgui_change_dirs[@]}"; do
      [ -d "$d" ] || continue
      find "$d" -type f | LC_ALL=C sort | xargs -r sha256sum | sed "s|$repo/||"
    done
  } | sha256sum | cut -d' ' -f1
}

stamp=$(stamp_of_inputs)
if [ -f "$sdk_dir/.tarvine-stamp" ] && [ "$(cat "$sdk_dir/.tarvine-stamp")" = "$stamp" ]; then
  exit 0
fi

for entry in "${tarballs[@]}"; do
  IFS='|' read -r component _ sum <<<"$entry"
  fetch "vst3sdk_${version}.orig${component:+-$component}.tar.gz" "$sum"
done

rm -rf "$sdk_dir.new"
mkdir -p "$sdk_dir.new"
for entry in "${tarballs[@]}"; do
  IFS='|' read -r component folder _ <<<"$entry"
  mkdir -p "$sdk_dir.new/$folder"
  tar -xzf "$cache_dir/vst3sdk_${version}.orig${component:+-$component}.tar.gz" \
      -C "$sdk_dir.new/$folder" --strip-components=1 \
    || die "unpacking ${component:-the SDK root} failed"
done

if [ -x "$patch_dir/apply.sh" ]; then
  apply_error=$("$patch_dir/apply.sh" "$sdk_dir.new/vstgui4" 2>&1 >/dev/null) \
    || die "the project's VSTGUI changes no longer apply: ${apply_error:-apply.sh failed}"
fi

echo "$stamp" > "$sdk_dir.new/.tarvine-stamp"
rm -rf "$sdk_dir"
mv "$sdk_dir.new" "$sdk_dir"
echo "bootstrap: VST3 SDK ready in $sdk_dir"
