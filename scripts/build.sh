#!/usr/bin/env bash
# Configures and builds into build/ (Ninja). Arguments are CMake options; given any,
# an existing build/ is configured again with them.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
fi
if [ ! -f build/build.ninja ] || [ $# -gt 0 ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
fi
cmake --build build --parallel "$(nproc)"
