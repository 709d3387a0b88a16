# shellcheck shell=bash
# Sourced by the tools that reach Debian's package archive. They take the
# archive from this machine's own apt configuration, so no host name is
# written anywhere in the project.
#
# debian_mirror ROOT: prints the mirrors named by the plain "deb" sources of
# the apt configuration under ROOT (/ for this machine, or a chroot's tree),
# the first one first; security archives are left out, since they hold only
# updates.
debian_mirror() {
  local root=${1%/}
  local f
  for f in "$root"/etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk '
      /^[[:space:]]*$/ { if (deb && uri != "" && suites !~ /security/) { print uri; exit } deb=0; uri=""; suites=""; next }
      /^Types:/ { deb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { suites = $0 }
      END { if (deb && uri != "" && suites !~ /security/) print uri }
    ' "$f" | head -n 1
  done
  for f in "$root"/etc/apt/sources.list "$root"/etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }' "$f"
  done
}
