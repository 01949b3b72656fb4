#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the run, the packaging and the
# tests need, with 32-bit Wine (the i386 architecture and wine32:i386) unless
# QUORLIN_HOST_WIN32=0 turns the 32-bit programs off.
# Where the kernel runs no 32-bit programs, they can still run by user-mode
# emulation: it then also installs qemu-user-static, mounts binfmt_misc if
# needed and registers QEMU's i386 handler there (scripts/host.sh tells the
# scripts). That handler is system-wide and lasts until reboot;
# `echo -1 > /proc/sys/fs/binfmt_misc/qemu-i386` removes it. It registers
# only where no i386 handler exists, never replaces one, and says in one
# line what it did. Where it cannot (not root, no binfmt_misc), it says why,
# and the scripts run the x86_64 build alone.
# Safe to run again: it only installs and registers what is missing.
set -euo pipefail
# shellcheck source=scripts/host.sh
source "$(dirname "$0")/host.sh"

need=(cmake ninja-build g++ libgtest-dev googletest
      mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
      wine wine64
      xvfb xauth x11-utils imagemagick fonts-ipafont-gothic fonts-horai-umefont fonts-wine locales
      wixl msitools zip unzip binutils nlohmann-json3-dev osslsigncode openssl faketime
      clang-14 libclang-rt-14-dev python3 python3-pytest shellcheck)

# How this host can run 32-bit programs: natively (the kernel runs them, and
# no emulator stands in for it), by an emulation registered already, or by
# one registered here.
win32=native
if [ "$QUORLIN_HOST_WIN32_USER" = 0 ]; then
  win32=off
elif quorlin_i386_emulated || [ -n "$(quorlin_i386_handlers)" ]; then
  win32=registered
elif ! quorlin_runs_i386_elf; then
  win32=emulate
fi
case "$win32" in
  native | registered) need+=(wine32:i386) ;;
  emulate) need+=(wine32:i386 qemu-user-static) ;;
esac

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
# QEMU's usual i386 handler: the first 20 bytes of an ELF header (class 32,
# little endian, version 1, type executable or shared object, machine 3)
# under its mask. F opens the emulator now, so that it serves in every mount
# namespace and chroot; O, C and P as QEMU's own set-up has them. The
# kernel reads the \x escapes itself (written as they stand: a NUL byte
# would end the entry).
qemu_handler=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FOCP'

register_emulation() {
  local say="install-deps.sh: this host's kernel runs no 32-bit programs"
  if [ "$(id -u)" != 0 ]; then
    echo "$say, and only root can register an emulator for them: the i686 build's programs will not run here" >&2
    return
  fi
  if [ ! -e "$quorlin_binfmt/register" ] &&
    ! mount -t binfmt_misc binfmt_misc "$quorlin_binfmt" 2>/dev/null; then
    echo "$say, and binfmt_misc cannot be mounted to register an emulator for them (a container without it?): the i686 build's programs will not run here" >&2
    return
  fi
  # Another i386 handler may have come meanwhile: it is left as it is.
  [ -z "$(quorlin_i386_handlers)" ] || return 0
  if ! printf '%s' "$qemu_handler" >"$quorlin_binfmt/register" 2>/dev/null; then
    echo "$say, and binfmt_misc refused the emulator's handler: the i686 build's programs will not run here" >&2
    return
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo -1 >"$quorlin_binfmt/qemu-i386"
    echo "$say, and Wine's 32-bit loader does not start under the emulator /usr/bin/qemu-i386-static: its handler is removed again, and the i686 build's programs will not run here" >&2
    return
  fi
  echo "install-deps.sh: this host's kernel runs no 32-bit programs: registered the emulator /usr/bin/qemu-i386-static for them in binfmt_misc (qemu-i386, system-wide until reboot; echo -1 > $quorlin_binfmt/qemu-i386 removes it)"
}

if [ ${#missing[@]} -eq 0 ]; then
  if [ "$win32" = emulate ]; then register_emulation; fi
  need_locales || exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if [ "$win32" != off ] && ! dpkg --print-foreign-architectures | grep -x i386 >/dev/null; then
  $SUDO dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ "$win32" = emulate ]; then register_emulation; fi
if need_locales; then
  for l in ja_JP en_US; do
    $SUDO localedef --no-archive -i "$l" -f UTF-8 "$l.UTF-8"
  done
fi
