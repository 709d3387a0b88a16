#!/usr/bin/env bash
# A developer's check that the README's two commands work on a bare Debian 12
# with nothing done by hand (it is not part of the CI run: it takes a while
# and needs root on the machine itself).
#
# It builds a minbase bookworm tree with debootstrap from the mirror that this
# machine's apt configuration names, adds only git and ca-certificates, clones
# the committed HEAD of this repository into it, and then, as root in a clean
# login shell inside the tree, runs tools/test.sh and then tools/setup.sh.
# Both results and their wall times are reported at the end; /proc, /sys,
# /dev and /dev/pts are bound into the tree only while it runs and are
# unmounted on every way out.
#
# Usage: tools/fresh-machine-check.sh [--work-dir DIR] [--clean]
#        tools/fresh-machine-check.sh [--work-dir DIR] --remove
#   --work-dir DIR  where the tree (DIR/root) and the logs (DIR/logs) live;
#                   default $TARVINE_FRESH_DIR or /var/tmp/tarvine-fresh-machine.
#                   A tree left there by an earlier check is replaced.
#   --clean         remove the tree after the check (the logs stay)
#   --remove        only remove a tree left by an earlier check
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work_dir=${TARVINE_FRESH_DIR:-/var/tmp/tarvine-fresh-machine}
clean_after=false
remove_only=false
suite=bookworm
# Where the clone lands inside the tree: a newcomer's clone in root's home.
clone_in_tree=/root/tarvine

say() { echo "fresh-machine-check: $*"; }
die() { echo "fresh-machine-check: $*" >&2; exit 1; }
# shellcheck source=tools/lib/debian-mirror.sh
source "$repo/tools/lib/debian-mirror.sh"

while [ $# -gt 0 ]; do
  case $1 in
    --work-dir) [ $# -ge 2 ] || die "--work-dir needs a directory"; work_dir=$2; shift 2 ;;
    --clean) clean_after=true; shift ;;
    --remove) remove_only=true; shift ;;
    -h|--help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "${BASH_SOURCE[0]}"; exit 0 ;;
    *) die "unknown argument: $1 (see --help)" ;;
  esac
done
[ "$(id -u)" -eq 0 ] || die "run this as root: it runs debootstrap, mount and chroot"
mkdir -p "$work_dir"
work_dir=$(cd "$work_dir" && pwd)
[ "$work_dir" != / ] || die "the work directory cannot be /"
root="$work_dir/root"
logs="$work_dir/logs"

# --- Leaving the tree -------------------------------------------------------
mounted=()

mounts_under_root() {
  awk -v root="$root" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo
}

# Processes still running inside the tree (a test's display server, say)
# would keep its mounts busy; they were all started by this check.
stop_processes_in_tree() {
  local proc pid
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] || continue
    pid=${proc#/proc/}
    kill -KILL "$pid" 2>/dev/null || true
  done
}

unmount_all() {
  local i
  [ -d "$root" ] || return 0
  stop_processes_in_tree
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount --lazy "${mounted[i]}" \
      || echo "fresh-machine-check: could not unmount ${mounted[i]}" >&2
  done
  mounted=()
}

remove_tree() {
  [ -e "$root" ] || return 0
  unmount_all
  # Never delete through a mount: that would reach the host's /dev or /sys.
  local left m
  left=$(mounts_under_root)
  if [ -n "$left" ]; then
    # Left by an earlier check that was killed: unmount deepest first.
    while read -r m; do
      umount "$m" 2>/dev/null || umount --lazy "$m" || true
    done < <(printf '%s\n' "$left" | sort -r)
    left=$(mounts_under_root)
    [ -z "$left" ] || die "still mounted, not removing $root: $left"
  fi
  rm -rf --one-file-system "$root"
}

trap unmount_all EXIT
trap 'exit 130' INT TERM

if $remove_only; then
  remove_tree
  say "removed $root"
  exit 0
fi

# --- The tree ---------------------------------------------------------------
mirror=$(debian_mirror / | head -n 1)
[ -n "$mirror" ] || die "no Debian mirror found in the apt configuration"

if ! command -v debootstrap >/dev/null; then
  say "installing debootstrap"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null || die "apt-get update failed"
  apt-get install -y -qq --no-install-recommends debootstrap >/dev/null \
    || die "installing debootstrap failed"
fi

head_commit=$(git -C "$repo" rev-parse HEAD)
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
  say "note: uncommitted changes are not part of the check; it checks $head_commit"
fi

remove_tree
rm -rf "$logs"
mkdir -p "$logs"

say "debootstrap --variant=minbase $suite into $root"
seconds_started=$SECONDS
if ! debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$logs/debootstrap.log" 2>&1; then
  tail -n 20 "$logs/debootstrap.log" >&2
  die "debootstrap failed (log: $logs/debootstrap.log)"
fi
say "minbase tree ready in $((SECONDS - seconds_started)) s"

# The tree's apt sources are the ones debootstrap wrote; the bootstrap inside
# reads its mirror from them just as on a newly installed machine.
[ -n "$(debian_mirror "$root" | head -n 1)" ] \
  || die "the tree's apt configuration names no mirror for the bootstrap inside it"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# Nothing boots in a chroot: packages must not start their services in it.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

for m in proc sys dev dev/pts; do
  mkdir -p "$root/$m"
  mount --bind "/$m" "$root/$m"
  mounted+=("$root/$m")
done

# A clean login shell as root inside the tree, with no variable of ours.
in_tree() {
  chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash TERM=dumb \
    /bin/bash --login -c "$1" </dev/null
}

say "adding git and ca-certificates"
if ! in_tree 'export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends git ca-certificates' \
    >"$logs/packages.log" 2>&1; then
  tail -n 20 "$logs/packages.log" >&2
  die "installing git and ca-certificates in the tree failed (log: $logs/packages.log)"
fi

git clone -q --no-hardlinks --no-checkout "$repo" "$root$clone_in_tree"
git -C "$root$clone_in_tree" checkout -q --detach "$head_commit"
say "cloned $head_commit into $clone_in_tree"

# --- The README's two commands ----------------------------------------------
results=()
failed=0
run_readme_command() { # command log-name
  local command=$1 log="$logs/$2.log" started status elapsed
  say "running $command (log: $log)"
  started=$SECONDS
  # In the background, so that a signal to this script is handled at once
  # (the handler stops everything in the tree) rather than after the command.
  (in_tree "cd $clone_in_tree && $command" 2>&1 | tee "$log") &
  status=0
  wait $! || status=$?
  elapsed=$((SECONDS - started))
  local outcome="passed"
  if [ "$status" -ne 0 ]; then
    outcome="FAILED (exit $status)"
    failed=1
  fi
  results+=("$(printf '%-15s %s in %dm%02ds' "$command" "$outcome" $((elapsed / 60)) $((elapsed % 60)))")
}

run_readme_command tools/test.sh test
run_readme_command tools/setup.sh setup

unmount_all
if $clean_after; then
  remove_tree
  say "removed $root"
fi

echo
say "bare Debian 12 ($suite minbase + git, ca-certificates), commit $head_commit:"
for line in "${results[@]}"; do
  say "  $line"
done
say "logs in $logs"
exit $failed
