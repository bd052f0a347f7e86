#!/usr/bin/env bash
# Installs the Debian packages Orbisel needs to build, run and test. Idempotent.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang
  qt6-base-dev qt6-webengine-dev libqt6opengl6-dev
  libcurl4-openssl-dev duktape-dev libmariadb-dev libxlsxwriter-dev
  mariadb-server
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-noto-cjk openssl ca-certificates
  python3 python3-openpyxl python3-pyftpdlib python3-jieba
  xdg-utils locales
  libsqlite3-dev libsqlitecpp-dev libqt6sql6-sqlite qt6-charts-dev libcli11-dev
  lintian appstream desktop-file-utils help2man dpkg-dev fakeroot file
  libclang-rt-14-dev ccache
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then as_root=(env); else as_root=(sudo env); fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
