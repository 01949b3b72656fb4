# Sourced first by every script: what this host can run, decided once.
#
# Exports QUORLIN_HOST_WIN32: 1 when this host runs 32-bit programs (and so
# the i686 build under Wine), 0 when it does not. Some kernels have their
# 32-bit emulation switched off; there only the 64-bit Wine loader works. The
# answer comes from trying: the installed 32-bit Wine loader, or before Wine
# is installed a tiny 32-bit program. A value of 0 or 1 already set (by the
# caller, or by the script that sourced this before) is kept, so that the
# 64-bit-only path can be tried on any host.
#
# Also makes the scripts and the tools they call speak English: only Wine's
# own processes get the Japanese locale (scripts/wine/wine).
# Leaves nothing behind.

export LC_ALL=C.UTF-8
unset LANGUAGE

# Runs a 32-bit x86 Linux program of 96 bytes that exits with 42: an ELF
# header, one loadable segment, and mov eax, 1; mov ebx, 42; int 0x80.
quorlin_runs_i386_elf() {
  local dir status=0
  dir=$(mktemp -d "${TMPDIR:-/tmp}/quorlin-probe.XXXXXX") || return 1
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >"$dir/probe"
  printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\140\0\0\0\140\0\0\0\5\0\0\0\0\020\0\0' >>"$dir/probe"
  printf '\270\1\0\0\0\273\052\0\0\0\315\200' >>"$dir/probe"
  chmod +x "$dir/probe"
  "$dir/probe" 2>/dev/null || status=$?
  rm -rf "$dir"
  [ "$status" = 42 ]
}

quorlin_probe_win32() {
  if [ -x /usr/lib/wine/wine ]; then
    /usr/lib/wine/wine --version >/dev/null 2>&1
  else
    quorlin_runs_i386_elf
  fi
}

case "${QUORLIN_HOST_WIN32:-}" in
  0 | 1) ;;
  "")
    if quorlin_probe_win32; then QUORLIN_HOST_WIN32=1; else QUORLIN_HOST_WIN32=0; fi
    ;;
  *)
    echo "QUORLIN_HOST_WIN32 is '$QUORLIN_HOST_WIN32': set it to 0 (no 32-bit programs), 1, or leave it unset" >&2
    exit 1
    ;;
esac
export QUORLIN_HOST_WIN32

# The preset whose programs this host runs by default: the i686 one where it
# can, the x86_64 one where it cannot.
if [ "$QUORLIN_HOST_WIN32" = 1 ]; then
  quorlin_run_preset=win32
else
  quorlin_run_preset=win64
fi
