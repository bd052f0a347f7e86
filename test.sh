#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. With --sanitize, and always in
# CI (CI=true), the sanitizer pass follows (scripts/sanitize.sh).
set -euo pipefail
cd "$(dirname "$0")"
sanitize=false
[ "${CI:-}" = true ] && sanitize=true
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=true ;;
    *) echo "usage: ./test.sh [--sanitize]" >&2; exit 2 ;;
  esac
done
scripts/install-deps.sh
scripts/build.sh -DORBISEL_WERROR=ON
(cd build && ctest --output-on-failure --timeout 600 -j"$(nproc)")
if $sanitize; then
  scripts/sanitize.sh
fi
