# shellcheck shell=bash
# `stage NAME COMMAND…` runs one stage of a build or CI run and says how long it took, or that
# it failed, on a line naming the release it runs on (set `stage_release` to name another).
# Sourced by test.sh, .ci/run and scripts/release-stage.sh.

stage_release="${stage_release:-$(. /etc/os-release 2>/dev/null && echo "${NAME%% *} ${VERSION_ID:-}")}"

stage() {
  local name="$1" started=$SECONDS status=0
  shift
  "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$stage_release: $name failed (exit $status) after $((SECONDS - started)) s" >&2
    return "$status"
  fi
  echo "$stage_release: stage $name: $((SECONDS - started)) s" >&2
}
