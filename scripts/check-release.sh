#!/usr/bin/env bash
# Checks that Orbisel builds, passes CI and packages on a Debian release as on a new machine:
# builds a minimal system of that release with debootstrap under /var/tmp (or
# $CHECK_RELEASE_DIR), clones the committed HEAD of this repository into it and runs
# `CI=true bash .ci/run` there (without its stages for other releases). The system is
# unmounted and removed afterwards, also on failure or Ctrl-C.
# Usage: scripts/check-release.sh RELEASE   (12, 13 or a Debian suite name such as forky)
# Needs root (debootstrap, mount, chroot) and a Debian mirror: debootstrap's default, or
# $DEBIAN_MIRROR. $CHECK_RELEASE_CCACHE names a compiler cache to build with (for example the
# one scripts/release-stage.sh keeps, /var/cache/orbisel-ci/ccache-trixie); without it every
# build starts from nothing.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
. "$repo/scripts/lib/debian-root.sh"
suite="$(debian_suite "${1:-}")" ||
  { echo "usage: scripts/check-release.sh RELEASE   (12, 13 or a Debian suite name)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"

commit="$(git -C "$repo" rev-parse HEAD)"
started=$SECONDS
root=""

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  [ -n "$root" ] || exit "$status"
  if release_root; then
    rm -rf --one-file-system "$root"
  else
    echo "check-release: $root still has mounts; not removed" >&2
  fi
  echo "check-release: total $((SECONDS - started)) s" >&2
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

step() {
  local name="$1" begun=$SECONDS
  shift
  "$@"
  echo "check-release: $name: $((SECONDS - begun)) s" >&2
}

mirror_reachable || { echo "check-release: the Debian mirror $(debian_mirror) cannot be reached" >&2; exit 1; }
install_debootstrap
root="$(mktemp -d "${CHECK_RELEASE_DIR:-/var/tmp}/orbisel-$suite-XXXXXX")"
chmod 755 "$root"
echo "check-release: Debian $suite in $root, commit $commit" >&2
step debootstrap debootstrap --variant=minbase "$suite" "$root" "$(debian_mirror)" >/dev/null
mount_test_system
cache=()
if [ -n "${CHECK_RELEASE_CCACHE:-}" ]; then
  mkdir -p "$CHECK_RELEASE_CCACHE"
  mount_in_root var/cache/ccache --bind "$CHECK_RELEASE_CCACHE"
  cache=(CCACHE_DIR=/var/cache/ccache)
fi

step clone git clone --quiet --no-checkout --no-hardlinks "$repo" "$root/src/orbisel"
git -C "$root/src/orbisel" checkout --quiet --detach "$commit"

# The run goes in the background so that a signal reaches the trap at once.
run_in_root CI=true ORBISEL_CI_RELEASES= "${cache[@]}" 'cd /src/orbisel && bash .ci/run' &
run=$!
status=0
begun=$SECONDS
wait "$run" || status=$?
echo "check-release: CI run: $((SECONDS - begun)) s, exit $status" >&2
[ "$status" -eq 0 ] && echo "check-release: Debian $suite passes CI at $commit" >&2
exit "$status"
