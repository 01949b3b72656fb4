# shellcheck shell=bash
# Sourced first by every script: what this host can run.
#
# Exports QUORLIN_HOST_WIN32: 1 when this host runs 32-bit programs (and so
# the i686 build under Wine), 0 when it does not; and, where it does,
# QUORLIN_HOST_WIN32_BY: "native" when the kernel runs them itself,
# "emulation" when they run by user-mode emulation (QEMU, registered with the
# kernel's binfmt_misc; install-deps.sh registers it where the kernel runs no
# 32-bit programs). Where it does not, QUORLIN_HOST_WIN32_WHY says why, for
# the scripts' skip lines. The answer comes from trying: an i386 handler
# registered in binfmt_misc means emulation; otherwise the installed 32-bit
# Wine loader, or before Wine is installed a tiny 32-bit program, says
# whether the kernel runs them.
#
# QUORLIN_HOST_WIN32=0 or 1 set by the user is kept (0 forces the 64-bit-only
# path on any host, and then nothing is registered; 1 takes the 32-bit path
# even where the probe finds none, which then fails in one line). The user's
# value is remembered in QUORLIN_HOST_WIN32_USER, so that a script asks again
# with quorlin_host_probe once install-deps.sh has set up the emulation.
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

quorlin_binfmt=/proc/sys/fs/binfmt_misc

# The binfmt_misc entries, enabled or not, that take 32-bit x86 programs:
# their magic is an ELF header of class 32, little endian, type executable
# (or shared object), machine 3. Prints their paths.
quorlin_i386_handlers() {
  local entry
  for entry in "$quorlin_binfmt"/*; do
    case "${entry##*/}" in register | status) continue ;; esac
    [ -f "$entry" ] || continue
    grep -qE '^magic 7f454c46010101[0-9a-f]{18}0[23]000300' "$entry" 2>/dev/null && echo "$entry"
  done
}

# An enabled entry among those: 32-bit programs then go to its interpreter,
# whatever the kernel could do itself.
quorlin_i386_emulated() {
  local entry
  [ "$(cat "$quorlin_binfmt/status" 2>/dev/null)" = enabled ] || return 1
  for entry in $(quorlin_i386_handlers); do
    [ "$(head -n 1 "$entry")" = enabled ] && return 0
  done
  return 1
}

# Why install-deps.sh registers no emulation here, or what it still needs.
quorlin_emulation_obstacle() {
  if [ ! -e "$quorlin_binfmt/register" ] && [ "$(id -u)" != 0 ]; then
    echo "binfmt_misc is not mounted, and only root can mount it"
  elif [ ! -e "$quorlin_binfmt/register" ]; then
    echo "binfmt_misc is not mounted and cannot be: a container without it?"
  elif [ ! -w "$quorlin_binfmt/register" ] || [ "$(id -u)" != 0 ]; then
    echo "only root can register it"
  elif [ ! -x /usr/bin/qemu-i386-static ]; then
    echo "scripts/install-deps.sh installs and registers it"
  else
    echo "scripts/install-deps.sh registers it"
  fi
}

quorlin_runs_win32() {
  if [ -x /usr/lib/wine/wine ]; then
    /usr/lib/wine/wine --version >/dev/null 2>&1
  else
    quorlin_runs_i386_elf
  fi
}

# Sets QUORLIN_HOST_WIN32, QUORLIN_HOST_WIN32_BY and QUORLIN_HOST_WIN32_WHY
# (see above), and the preset whose programs this host runs by default.
quorlin_host_probe() {
  QUORLIN_HOST_WIN32_BY=""
  QUORLIN_HOST_WIN32_WHY=""
  case "$QUORLIN_HOST_WIN32_USER" in
    0)
      QUORLIN_HOST_WIN32=0
      QUORLIN_HOST_WIN32_WHY="QUORLIN_HOST_WIN32=0"
      ;;
    *)
      local emulated=0
      quorlin_i386_emulated && emulated=1
      if quorlin_runs_win32; then
        QUORLIN_HOST_WIN32=1
        QUORLIN_HOST_WIN32_BY=native
        [ "$emulated" = 0 ] || QUORLIN_HOST_WIN32_BY=emulation
      elif [ "$QUORLIN_HOST_WIN32_USER" = 1 ]; then
        # Asked for: the scripts take the 32-bit path and fail on it in one
        # line (Wine cannot start) rather than quietly taking another.
        QUORLIN_HOST_WIN32=1
        QUORLIN_HOST_WIN32_BY=native
        [ "$emulated" = 0 ] || QUORLIN_HOST_WIN32_BY=emulation
      else
        QUORLIN_HOST_WIN32=0
        if [ "$emulated" = 1 ]; then
          QUORLIN_HOST_WIN32_WHY="the emulation registered for 32-bit programs does not start them"
        elif [ -n "$(quorlin_i386_handlers)" ]; then
          QUORLIN_HOST_WIN32_WHY="the kernel runs no 32-bit programs, and the emulation registered for them is switched off"
        else
          QUORLIN_HOST_WIN32_WHY="the kernel runs no 32-bit programs, and no emulation is registered for them ($(quorlin_emulation_obstacle))"
        fi
      fi
      ;;
  esac
  QUORLIN_HOST_WIN32_PROBED=$QUORLIN_HOST_WIN32
  export QUORLIN_HOST_WIN32 QUORLIN_HOST_WIN32_BY QUORLIN_HOST_WIN32_WHY QUORLIN_HOST_WIN32_PROBED
  # How much slower the i686 programs run than the tests' time limits were
  # set for: the one factor by which ctest's limits of the i686 tests, their
  # own waits (tests/support/wait.h) and the scripts' waits for a 32-bit
  # window grow. Under the emulation a program's start costs about 5 s
  # instead of 0.2; the i686 tests then took 4 to 50 s each (natively 0.5 to
  # 45 s), all within their unscaled limits, so twice those leaves room for
  # a slower or busier host without making a hang cost much more.
  if [ "$QUORLIN_HOST_WIN32_BY" = emulation ]; then
    export QUORLIN_WIN32_TIME_SCALE=2
  else
    unset QUORLIN_WIN32_TIME_SCALE
  fi
  # The preset whose programs this host runs by default: the i686 one where
  # it can, the x86_64 one where it cannot.
  # shellcheck disable=SC2034 # read by the scripts that source this
  if [ "$QUORLIN_HOST_WIN32" = 1 ]; then
    quorlin_run_preset=win32
  else
    quorlin_run_preset=win64
  fi
}

# The user's value: one that differs from what the probe last exported was
# set by the caller (a script that sourced this exports its own answer, and
# its children inherit it).
if [ -z "${QUORLIN_HOST_WIN32:-}" ]; then
  QUORLIN_HOST_WIN32_USER=""
elif [ "$QUORLIN_HOST_WIN32" != "${QUORLIN_HOST_WIN32_PROBED:-}" ]; then
  case "$QUORLIN_HOST_WIN32" in
    0 | 1) QUORLIN_HOST_WIN32_USER=$QUORLIN_HOST_WIN32 ;;
    *)
      echo "QUORLIN_HOST_WIN32 is '$QUORLIN_HOST_WIN32': set it to 0 (no 32-bit programs), 1, or leave it unset" >&2
      exit 1
      ;;
  esac
fi
export QUORLIN_HOST_WIN32_USER="${QUORLIN_HOST_WIN32_USER:-}"
quorlin_host_probe
