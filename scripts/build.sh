#!/usr/bin/env bash
# Configures and builds into build/ (Ninja), or into $BUILD_DIR. Arguments are CMake
# options; given any, an existing build folder is configured again with them.
# $BUILD_TARGETS (space-separated) builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
  # Checkouts in other folders (CI's clones) share the cache: the build folder is not hashed,
  # so debug information names the folder that compiled an object first.
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
fi
dir="${BUILD_DIR:-build}"
if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
fi
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
