#!/usr/bin/env bash
# Checks that Orbisel builds, passes CI and packages on a Debian release: builds a minimal
# system of that release with debootstrap under /var/tmp (or $CHECK_RELEASE_DIR), clones
# the committed HEAD of this repository into it and runs `CI=true bash .ci/run` there.
# The system is unmounted and removed afterwards, also on failure or Ctrl-C.
# Usage: scripts/check-release.sh RELEASE   (12, 13 or a Debian suite name such as forky)
# Needs root (debootstrap, mount, chroot) and a Debian mirror: debootstrap's default, or
# $DEBIAN_MIRROR.
set -euo pipefail

case "${1:-}" in
  12) suite=bookworm ;;
  13) suite=trixie ;;
  [a-z]*) suite="$1" ;;
  *) echo "usage: scripts/check-release.sh RELEASE   (12, 13 or a Debian suite name)" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"

repo="$(cd "$(dirname "$0")/.." && pwd)"
commit="$(git -C "$repo" rev-parse HEAD)"
mirror=()
[ -z "${DEBIAN_MIRROR:-}" ] || mirror=("$DEBIAN_MIRROR")
started=$SECONDS
root=""

# Processes whose root directory is the chroot: the CI run and what it left behind.
chroot_processes() {
  local dir
  for dir in /proc/[0-9]*; do
    [ "$(readlink "$dir/root" 2>/dev/null)" = "$root" ] && echo "${dir#/proc/}"
  done
  return 0
}

stop_chroot_processes() {
  local signal pids
  for signal in TERM TERM KILL KILL; do
    pids="$(chroot_processes)"
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -s "$signal" $pids 2>/dev/null || true
    sleep 3
  done
}

# Everything mounted below the chroot, innermost last (ours and what debootstrap left).
mounts_below_root() {
  awk -v prefix="$root/" 'index($2, prefix) == 1 { print $2 }' /proc/self/mounts
}

cleanup() {
  local status=$? target
  trap - EXIT INT TERM HUP
  [ -n "$root" ] || exit "$status"
  stop_chroot_processes
  for target in $(mounts_below_root | tac); do
    umount "$target" || umount --lazy "$target" || true
  done
  if [ -n "$(mounts_below_root)" ]; then
    echo "check-release: $root still has mounts; not removed" >&2
  else
    rm -rf --one-file-system "$root"
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

mount_in_root() {
  local target="$root/$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target"
}

if ! command -v debootstrap >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi
root="$(mktemp -d "${CHECK_RELEASE_DIR:-/var/tmp}/orbisel-$suite-XXXXXX")"
chmod 755 "$root"
echo "check-release: Debian $suite in $root, commit $commit" >&2
step debootstrap debootstrap --variant=minbase "$suite" "$root" "${mirror[@]}" >/dev/null

# What the tests need of a running system: processes, pseudo-terminals (xvfb-run),
# shared memory (Chromium) and a temporary folder in memory like the hosts CI runs on.
mount_in_root proc -t proc proc
mount_in_root sys -t sysfs -o ro sysfs
mount_in_root dev/pts -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts
mount_in_root dev/shm -t tmpfs -o mode=1777 tmpfs
mount_in_root tmp -t tmpfs -o mode=1777 tmpfs
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"

step clone git clone --quiet --no-checkout --no-hardlinks "$repo" "$root/orbisel"
git -C "$root/orbisel" checkout --quiet --detach "$commit"

# The run goes in the background so that a signal reaches the trap at once.
env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root USER=root \
  LANG=C.UTF-8 TERM=dumb CI=true chroot "$root" bash -c 'cd /orbisel && bash .ci/run' &
run=$!
status=0
begun=$SECONDS
wait "$run" || status=$?
echo "check-release: CI run: $((SECONDS - begun)) s, exit $status" >&2
[ "$status" -eq 0 ] && echo "check-release: Debian $suite passes CI at $commit" >&2
exit "$status"
