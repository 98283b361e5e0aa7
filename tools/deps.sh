#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# and only when one of them is missing.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config
  libwraster-dev libtiff-dev libxpm-dev libxext-dev libx11-dev libxtst-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils x11-apps wmaker fluxbox blackbox imagemagick
  clang libclang-rt-14-dev"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
