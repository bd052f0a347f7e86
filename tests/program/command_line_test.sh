#!/usr/bin/env bash
# orbisel answers --help and --version on standard output and exits with 0, with no
# display and no service database; Qt's own single-dash options do not trip them.
# usage: command_line_test.sh PROGRAM VERSION
set -uo pipefail
program="$1"
version="$2"
failures=0

# arguments | expected output (an extended regular expression over the whole output)
cases=(
  "--version|^Orbisel ${version//./\\.}$"
  "-v|^Orbisel ${version//./\\.}$"
  "-platform offscreen --version|^Orbisel ${version//./\\.}$"
  "--help|^Usage: .*orbisel \\[options\\].*--help.*--version"
  "-h|^Usage: .*orbisel \\[options\\]"
  "-reverse --help|^Usage: .*orbisel \\[options\\]"
)
for entry in "${cases[@]}"; do
  args="${entry%%|*}"
  expected="${entry#*|}"
  # shellcheck disable=SC2086 # the arguments split on spaces
  output="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" $args 2>&1)"
  status=$?
  if [ "$status" -ne 0 ] || ! tr '\n' ' ' <<<"$output" | sed 's/ $//' | grep -Eq -- "$expected"; then
    echo "FAIL: orbisel $args -> exit $status, output:"
    echo "$output"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "orbisel answered every case"
exit $((failures > 0))
