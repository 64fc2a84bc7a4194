#!/bin/sh
# Runs one test binary with its own fresh HOME and XDG folders, removed afterwards.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/tamrel-test.XXXXXX") || exit 1
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/runtime"
chmod 700 "$root/runtime"
HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/runtime" TMPDIR="$root" \
  "$@"
rc=$?
chmod -R u+rwX "$root" 2>/dev/null
rm -rf "$root"
exit $rc
