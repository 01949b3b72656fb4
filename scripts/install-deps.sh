#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the run, the packaging and the
# tests need. 32-bit Wine (the i386 architecture and wine32:i386) only where
# the host runs 32-bit programs (scripts/host.sh): elsewhere it could not run.
# Safe to run again: it only installs what is missing.
set -euo pipefail
source "$(dirname "$0")/host.sh"

need=(cmake ninja-build g++ libgtest-dev googletest
      mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
      wine wine64
      xvfb xauth x11-utils imagemagick fonts-ipafont-gothic fonts-horai-umefont fonts-wine locales
      wixl msitools zip unzip binutils nlohmann-json3-dev osslsigncode openssl faketime
      clang-14 libclang-rt-14-dev python3 shellcheck)

[ "$QUORLIN_HOST_WIN32" = 0 ] || need+=(wine32:i386)

# Wine takes its ANSI code page from the locale (ja_JP: 932, en_US: 1252) and
# converts file names with the locale's charset, which needs the glibc
# locales themselves for names outside ASCII. They are made as folders of
# their own, not into the locale archive: glibc reads the archive once per
# process, so test.sh, which runs this script as a child, would keep the
# archive as it was when it started (on a fresh machine, without them or
# missing altogether) and warn "cannot change locale" on setting LC_ALL. A
# folder is looked up afresh each time.
need_locales() {
  for l in ja_JP en_US; do
    [ -d "/usr/lib/locale/$l.utf8" ] || return 0
  done
  return 1
}

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep 'install ok installed' >/dev/null || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  need_locales || exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if [ "$QUORLIN_HOST_WIN32" = 1 ] && ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
  $SUDO dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if need_locales; then
  for l in ja_JP en_US; do
    $SUDO localedef --no-archive -i "$l" -f UTF-8 "$l.UTF-8"
  done
fi
