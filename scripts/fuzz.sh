#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang) and runs one of them:
#   scripts/fuzz.sh <reader> [seconds]      e.g. scripts/fuzz.sh ledger_file 600
# Readers: the folders of tests/fuzz/corpus. New inputs go to build-fuzz/corpus/<reader>,
# crashing inputs to build-fuzz/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
reader="${1:?usage: scripts/fuzz.sh <reader> [seconds]}"
seconds="${2:-600}"
[ -d "tests/fuzz/corpus/$reader" ] || { echo "no reader $reader in tests/fuzz/corpus" >&2; exit 2; }
CC=clang CXX=clang++ BUILD_DIR=build-fuzz BUILD_TARGETS="fuzz_$reader" \
  scripts/build.sh -DORBISEL_BUILD_FUZZ=ON -DORBISEL_BUILD_BENCH=OFF >/dev/null
mkdir -p "build-fuzz/corpus/$reader"
exec "build-fuzz/tests/fuzz/fuzz_$reader" "build-fuzz/corpus/$reader" "tests/fuzz/corpus/$reader" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/crash-
