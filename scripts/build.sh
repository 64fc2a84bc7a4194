#!/bin/sh
# Configures and builds into ./build (or $BUILD_DIR), with $BUILD_JOBS jobs (all cores by default).
# Targets given as arguments are built alone (run.sh builds only what it starts); none builds all.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
if [ $# -gt 0 ]; then
  cmake --build "$build" -j "${BUILD_JOBS:-$(nproc)}" --target "$@"
else
  cmake --build "$build" -j "${BUILD_JOBS:-$(nproc)}"
fi
