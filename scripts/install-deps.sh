#!/usr/bin/env bash
# Installs the Debian packages Orbisel needs to build, run and test, on Debian 12 or 13.
# Idempotent. A package the package lists do not know is named, the others are installed,
# and the script then fails.
set -euo pipefail

# One list for every release. Where the releases differ, an entry NAME@R is only for
# Debian release R (VERSION_ID in /etc/os-release); any other release takes the newest
# release's entries:
#   libqt6opengl6-dev@12  Debian 13 has these files in qt6-base-dev.
# Version-free names (libclang-rt-dev) follow each release's own compiler.
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-dev ccache
  qt6-base-dev qt6-webengine-dev libqt6opengl6-dev@12
  libcurl4-openssl-dev duktape-dev libmariadb-dev libxlsxwriter-dev libminizip-dev libfreexl-dev
  mariadb-server
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-noto-cjk openssl ca-certificates
  python3 python3-openpyxl python3-pyftpdlib python3-jieba
  xdg-utils locales
  libsqlite3-dev libsqlitecpp-dev libqt6sql6-sqlite qt6-charts-dev libcli11-dev
  lintian appstream desktop-file-utils help2man dpkg-dev fakeroot file
)
supported=(12 13)

release="$(. /etc/os-release && echo "${VERSION_ID:-}")"
case " ${supported[*]} " in
  *" $release "*) ;;
  *)
    echo "Debian release '${release:-unknown}' is not one of ${supported[*]}; using the package names of ${supported[-1]}." >&2
    release="${supported[-1]}"
    ;;
esac

wanted=()
for entry in "${packages[@]}"; do
  case "$entry" in
    *@"$release") wanted+=("${entry%@*}") ;;
    *@*) ;;
    *) wanted+=("$entry") ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then as_root=(env); else as_root=(sudo env); fi
"${as_root[@]}" apt-get update -qq

# True when apt has a version of the package to install. (A pipe into grep -q could
# fail under pipefail when apt-cache is cut off.)
has_candidate() {
  local policy
  policy="$(LC_ALL=C apt-cache policy "$1" 2>/dev/null)"
  [[ "$policy" == *"Candidate: "* && "$policy" != *"Candidate: (none)"* ]]
}

# A name without an installation candidate would make apt refuse the whole list.
installable=()
unknown=()
for p in "${missing[@]}"; do
  if has_candidate "$p"; then
    installable+=("$p")
  else
    unknown+=("$p")
  fi
done
if [ ${#installable[@]} -gt 0 ]; then
  echo "Installing: ${installable[*]}"
  "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${installable[@]}" >/dev/null
fi
if [ ${#unknown[@]} -gt 0 ]; then
  echo "Not found in the package lists of Debian $release: ${unknown[*]}" >&2
  exit 1
fi
