#!/bin/sh
# Installs what the build, the tests and the run need (Debian 12, as root): only when a listed
# package is missing, so that a start with everything in place asks no package server.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
missing=""
for package in $(grep -v '^#' "$here/packages.txt"); do
  case "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" in
    *" installed") ;;
    *) missing="$missing $package" ;;
  esac
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $missing
