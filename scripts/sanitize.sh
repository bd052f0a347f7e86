#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ and runs every test that does not need WebEngine. Any sanitizer
# report ends its test with a failure, and so the run.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
BUILD_DIR=build-asan scripts/build.sh -DORBISEL_SANITIZE=ON -DORBISEL_BUILD_BENCH=OFF -DORBISEL_WERROR=ON
echo "sanitizer build: $((SECONDS - started)) s" >&2
ctest --test-dir build-asan --output-on-failure --timeout 900 -j"$(nproc)" -LE webengine
