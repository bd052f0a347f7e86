# shellcheck shell=bash
# Helpers for a minimal Debian system under a folder, sourced by scripts/check-release.sh and
# scripts/release-stage.sh. The caller sets `root` to the system's folder (empty: none yet).

# The suite name of a release given as 12, 13 or a suite name; fails on anything else.
debian_suite() {
  case "$1" in
    12) echo bookworm ;;
    13) echo trixie ;;
    [a-z]*) echo "$1" ;;
    *) return 1 ;;
  esac
}

# The mirror debootstrap and the kept systems use: $DEBIAN_MIRROR or Debian's default.
debian_mirror() {
  echo "${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
}

# True when the mirror's host answers on its port within 20 s.
mirror_reachable() {
  local url host port
  url="$(debian_mirror)"
  host="${url#*://}"
  host="${host%%/*}"
  port=80
  [[ "$url" == https://* ]] && port=443
  if [[ "$host" == *:* ]]; then
    port="${host##*:}"
    host="${host%:*}"
  fi
  timeout 20 bash -c 'exec 3<>"/dev/tcp/$1/$2"' _ "$host" "$port" 2>/dev/null
}

# Processes whose root directory is the system: a run and what it left behind.
root_processes() {
  local dir
  for dir in /proc/[0-9]*; do
    [ "$(readlink "$dir/root" 2>/dev/null)" = "$root" ] && echo "${dir#/proc/}"
  done
  return 0
}

stop_root_processes() {
  local signal pids
  for signal in TERM TERM KILL KILL; do
    pids="$(root_processes)"
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -s "$signal" $pids 2>/dev/null || true
    sleep 3
  done
}

# Everything mounted below the system, innermost last (ours and what debootstrap left).
mounts_below_root() {
  awk -v prefix="$root/" 'index($2, prefix) == 1 { print $2 }' /proc/self/mounts
}

# Stops what runs in the system and unmounts everything below it; fails when a mount stays.
release_root() {
  local target
  [ -n "$root" ] && [ -d "$root" ] || return 0
  stop_root_processes
  for target in $(mounts_below_root | tac); do
    umount "$target" 2>/dev/null || umount --lazy "$target" || true
  done
  [ -z "$(mounts_below_root)" ]
}

mount_in_root() {
  local target="$root/$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target"
}

# What the tests need of a running system: processes, pseudo-terminals (xvfb-run), shared
# memory (Chromium), a temporary folder in memory like the hosts CI runs on, name lookup.
mount_test_system() {
  mount_in_root proc -t proc proc
  mount_in_root sys -t sysfs -o ro sysfs
  mount_in_root dev/pts -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts
  mount_in_root dev/shm -t tmpfs -o mode=1777 tmpfs
  mount_in_root tmp -t tmpfs -o mode=1777 tmpfs
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
}

install_debootstrap() {
  command -v debootstrap >/dev/null && return 0
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
}

# Runs a command line in the system with a clean environment; extra VAR=VALUE words first.
run_in_root() {
  local assignments=()
  while [ $# -gt 1 ] && [[ "$1" == *=* ]]; do
    assignments+=("$1")
    shift
  done
  env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root USER=root \
    LANG=C.UTF-8 TERM=dumb "${assignments[@]}" chroot "$root" bash -c "$1"
}
