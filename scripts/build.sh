#!/bin/sh
# Configures and builds into ./build (or $BUILD_DIR), with $BUILD_JOBS jobs (all cores by default).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
cmake --build "$build" -j "${BUILD_JOBS:-$(nproc)}"
