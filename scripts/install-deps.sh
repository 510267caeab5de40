#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need and a fresh machine may lack.
# Does nothing when everything is there already.
set -euo pipefail

packages=(
  cmake g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev openssl libsqlite3-dev
  nlohmann-json3-dev   # QlmHost's property-bag files
  attr                 # getfattr, to check the Comments property from outside
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
