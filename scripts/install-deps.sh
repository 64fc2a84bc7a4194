#!/bin/sh
# Installs what the build, the tests and the run need (Debian 12, as root).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2046
apt-get install -y --no-install-recommends $(grep -v '^#' "$here/packages.txt")
