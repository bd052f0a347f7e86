#!/usr/bin/env bash
# Installs what is missing, builds, starts the local service database and opens the toolbox.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
scripts/service-db.sh start
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: Orbisel is a desktop program. Start it inside a desktop session, or run: xvfb-run -a ./run.sh" >&2
  exit 1
fi
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
exec build/orbisel
