#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the run and the tests need.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need=(cmake ninja-build g++ libgtest-dev googletest
      mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
      wine wine64 wine32:i386
      xvfb xauth x11-utils imagemagick fonts-ipafont-gothic)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
