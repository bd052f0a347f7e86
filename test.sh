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
# Each stage says how long it took, or that it failed, naming the release.
. scripts/lib/stage.sh
stage install scripts/install-deps.sh
stage build scripts/build.sh -DORBISEL_WERROR=ON
stage tests bash -c 'cd build && ctest --output-on-failure --timeout 600 -j"$(nproc)"'
if $sanitize; then
  stage sanitizer scripts/sanitize.sh
fi
