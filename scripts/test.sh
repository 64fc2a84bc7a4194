#!/bin/sh
# Installs the packages, builds, and runs every test.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" = 0 ] && [ -z "${SKIP_INSTALL:-}" ]; then
  "$top/scripts/install-deps.sh"
fi
"$top/scripts/build.sh"
cd "${BUILD_DIR:-$top/build}"
ctest --output-on-failure -j "$(nproc)" --timeout 600
