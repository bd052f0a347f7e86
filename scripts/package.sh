#!/usr/bin/env bash
# Builds the programs in Release into build-release/ (warnings are errors, no tests or
# benchmarks), installs them into a temporary prefix, builds the Debian package and checks
# it: the unpacked programs answer, the desktop entry and the metainfo validate, and
# lintian reports no error. The package stays in build-release/.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd .. && pwd)}"
  # Checkouts in other folders (CI's clones) share the cache: the build folder is not hashed,
  # so debug information names the folder that compiled an object first.
  export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package check: $*" >&2
  exit 1
}
# Runs a step with its output held back; if it fails, shows the output and names the step.
quietly() {
  local step="$1" output
  shift
  output="$("$@" 2>&1)" || {
    local status=$?
    printf '%s\n' "$output" >&2
    fail "$step failed (exit $status)"
  }
}

quietly "configuring build-release" cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DORBISEL_WERROR=ON -DORBISEL_BUILD_TESTS=OFF -DORBISEL_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build build-release --parallel "$(nproc)" || fail "the Release build failed"

# The programs answer and the service-database script works from where they are installed.
check_tree() {
  local root="$1" version="$2" program
  [ "$("$root/bin/orbisel" --version)" = "Orbisel $version" ] || fail "$root/bin/orbisel --version is not $version"
  "$root/bin/orbisel" --help >/dev/null || fail "$root/bin/orbisel --help failed"
  if [ -e "$root/bin/orbisel-mine" ]; then
    "$root/bin/orbisel-mine" --help >/dev/null || fail "$root/bin/orbisel-mine --help failed"
    "$root/bin/orbisel-mine" --version | grep -qF "$version" || fail "$root/bin/orbisel-mine --version is not $version"
    [ -s "$root/share/bash-completion/completions/orbisel-mine" ] || fail "no bash completion of orbisel-mine"
    bash -c 'source "$1" && complete -p orbisel-mine' _ "$root/share/bash-completion/completions/orbisel-mine" \
      >/dev/null || fail "the bash completion of orbisel-mine does not load"
  fi
  for program in orbisel orbisel-mine orbisel-servicedb; do
    [ ! -e "$root/bin/$program" ] || [ -s "$root/share/man/man1/$program.1.gz" ] || fail "no manual page of $program"
  done
  local status=0
  "$root/bin/orbisel-servicedb" status --datadir "$work/servicedb" >/dev/null || status=$?
  [ "$status" -eq 3 ] || fail "orbisel-servicedb status gave $status, not 3 (not running)"
  for file in share/applications/orbisel.desktop share/metainfo/org.orbisel.orbisel.metainfo.xml \
    share/icons/hicolor/scalable/apps/orbisel.svg share/icons/hicolor/48x48/apps/orbisel.png \
    share/doc/orbisel/README.md share/doc/orbisel/copyright; do
    [ -s "$root/$file" ] || fail "$file missing under $root"
  done
  quietly "desktop-file-validate of $root's desktop entry" \
    desktop-file-validate "$root/share/applications/orbisel.desktop"
  quietly "appstreamcli validate of $root's metainfo" \
    appstreamcli validate --no-net "$root/share/metainfo/org.orbisel.orbisel.metainfo.xml"
  grep -q "<release version=\"$version\"" "$root/share/metainfo/org.orbisel.orbisel.metainfo.xml" ||
    fail "the metainfo has no release $version"
}

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/CMakeCache.txt)"
quietly "cmake --install" cmake --install build-release --prefix "$work/prefix"
check_tree "$work/prefix" "$version"

quietly "cpack" bash -c 'cd build-release && cpack -G DEB'
deb="build-release/orbisel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $deb"
quietly "unpacking $deb" dpkg-deb -x "$deb" "$work/deb"
check_tree "$work/deb/usr" "$version"
dpkg-deb -f "$deb" Package Version Depends Recommends
lintian_root=()
[ "$(id -u)" -eq 0 ] && lintian_root=(--allow-root)
lintian "${lintian_root[@]}" --fail-on error "$deb" || fail "lintian reports an error in $deb"
echo "Package $deb checked in $((SECONDS - started)) s."
