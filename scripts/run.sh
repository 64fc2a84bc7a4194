#!/bin/sh
# Installs the missing packages (as root), builds the program and the stand-in (the test command
# builds the rest), starts the local stand-in of the service on its default ports with the small
# sample data, and starts the program. Without a display it runs under a virtual X server
# (Xvfb). Extra arguments go to the program.
# TAMREL_DATA_SIZE=large serves the large sample set instead (generated into the build folder
# the first time, a few seconds). TAMREL_NO_DEVSERVER=1 leaves the stand-in out (for a stand-in
# started by hand).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" = 0 ] && [ -z "${SKIP_INSTALL:-}" ]; then
  "$top/scripts/install-deps.sh"
fi
"$top/scripts/build.sh" tamrel tamrel-devserver devdata_small
build="${BUILD_DIR:-$top/build}"
program="$build/app/tamrel"
devserver="$build/devserver/tamrel-devserver"
if [ -z "${TAMREL_NO_DEVSERVER:-}" ] && [ -x "$devserver" ]; then
  data="$build/devdata/${TAMREL_DATA_SIZE:-small}"
  if [ ! -f "$data/manifest.json" ]; then
    "$devserver" generate --size "${TAMREL_DATA_SIZE:-small}" --seed 1 --out "$data" >/dev/null
  fi
  "$devserver" serve --data "$data" >/dev/null &
  server=$!
  trap 'kill "$server" 2>/dev/null || true' EXIT
  trap 'exit 130' INT TERM
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No DISPLAY: running under Xvfb (see README for taking a screenshot)." >&2
  xvfb-run -a -s "-screen 0 1280x800x24" "$program" "$@"
else
  "$program" "$@"
fi
