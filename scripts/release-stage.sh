#!/usr/bin/env bash
# CI's check of another Debian release: in a minimal system of that release it builds the
# committed HEAD with warnings as errors, runs every test and builds the package (no
# sanitizer pass). The system and a compiler cache are kept between runs under
# $ORBISEL_RELEASE_CACHE (default /var/cache/orbisel-ci): the system is made with debootstrap
# when missing or of another release, else refreshed with apt-get and scripts/install-deps.sh.
# Its mounts are released on every exit; the system stays.
# Usage: scripts/release-stage.sh RELEASE   (12, 13 or a Debian suite name)
# Needs root (debootstrap, mount, chroot) and a Debian mirror ($DEBIAN_MIRROR or the default).
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
. "$repo/scripts/lib/debian-root.sh"

release="${1:-}"
suite="$(debian_suite "$release")" ||
  { echo "usage: scripts/release-stage.sh RELEASE   (12, 13 or a Debian suite name)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"
[[ "$release" == [0-9]* ]] && stage_release="Debian $release" || stage_release="Debian $suite"
. "$repo/scripts/lib/stage.sh"

fail() {
  echo "$stage_release: $*" >&2
  exit 1
}

commit="$(git -C "$repo" rev-parse HEAD)"
cache="${ORBISEL_RELEASE_CACHE:-/var/cache/orbisel-ci}"
root="$cache/debian-$suite"
ccache_dir="$cache/ccache-$suite"
source_dir=/src/orbisel
mkdir -p "$cache" "$ccache_dir"

# One run at a time on a kept system.
exec 9>"$cache/debian-$suite.lock"
flock 9

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  release_root || echo "$stage_release: $root still has mounts" >&2
  # The clone and its build folders are made anew by every run; the system and cache stay.
  [ -n "$(mounts_below_root)" ] || rm -rf --one-file-system "${root:?}$source_dir"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# A kept system is usable when its debootstrap finished and it is of the release asked.
system_ready() {
  [ -f "$root/.orbisel-system" ] && [ "$(cat "$root/.orbisel-system")" = "$suite" ]
}

make_system() {
  local partial="$root.partial"
  install_debootstrap || return 1
  rm -rf --one-file-system "$partial" "$root"
  debootstrap --variant=minbase "$suite" "$partial" "$(debian_mirror)" >/dev/null || return 1
  echo "$suite" >"$partial/.orbisel-system"
  mv "$partial" "$root"
}

# What install-deps.sh needs of apt, current as a new system would be.
refresh_system() {
  run_in_root 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get -y -qq upgrade >/dev/null'
}

clone_commit() {
  rm -rf --one-file-system "${root:?}$source_dir"
  mkdir -p "$root$source_dir"
  git clone --quiet --no-checkout --no-hardlinks "$repo" "$root$source_dir" &&
    git -C "$root$source_dir" checkout --quiet --detach "$commit"
}

# Runs a step of the checkout's own scripts in the system, with the kept compiler cache.
in_checkout() {
  run_in_root CCACHE_DIR=/var/cache/ccache "cd $source_dir && $1"
}

started=$SECONDS
echo "$stage_release: checking commit $commit in $root" >&2
mirror_reachable || fail "the Debian mirror $(debian_mirror) cannot be reached"
release_root || fail "$root has mounts that cannot be released"
if system_ready; then
  echo "$stage_release: reusing the kept system" >&2
else
  stage system make_system || fail "debootstrap of $suite failed"
fi
mount_test_system
mount_in_root var/cache/ccache --bind "$ccache_dir"
stage refresh refresh_system
stage clone clone_commit
# test.sh and package.sh name the release of the system in their own stage lines.
in_checkout './test.sh'
stage package in_checkout scripts/package.sh
in_checkout 'ccache --show-stats 2>/dev/null | grep -iE "hits|misses" | head -n 3' >&2 || true
echo "$stage_release: passes at $commit; stage total: $((SECONDS - started)) s" >&2
