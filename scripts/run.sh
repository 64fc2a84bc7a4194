#!/bin/sh
# Installs the packages (as root), builds, and starts the program. Without a display it
# runs under a virtual X server (Xvfb). Extra arguments go to the program.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" = 0 ] && [ -z "${SKIP_INSTALL:-}" ]; then
  "$top/scripts/install-deps.sh"
fi
"$top/scripts/build.sh"
program="${BUILD_DIR:-$top/build}/app/tamrel"
if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No DISPLAY: running under Xvfb (see README for taking a screenshot)." >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$program" "$@"
fi
exec "$program" "$@"
