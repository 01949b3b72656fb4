#!/usr/bin/env bash
# Checks the scripts' path for hosts that run no 32-bit programs, on any host,
# by forcing it with QUORLIN_HOST_WIN32=0: run.sh takes its screenshot from the
# x64 build, and a short test.sh run (one quick test) ends green and names
# what it skipped. Also checks that the probe's own answer matches whether
# this host's 32-bit Wine loader starts, so that the real host's path is
# taken without the override. Leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/../.."

tmp=$(mktemp -d /tmp/quorlin-fallback.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

failures=0
fail() {
  echo "host_fallback_test: $1" >&2
  [ -z "${2:-}" ] || tail -n 20 "$2" >&2
  failures=$((failures + 1))
}

# The probe, as a fresh script sees it.
# shellcheck disable=SC2016 # expanded by the inner shell
probed=$(env -u QUORLIN_HOST_WIN32 bash -c 'source scripts/host.sh && echo "$QUORLIN_HOST_WIN32"')
expected=0
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then expected=1; fi
[ "$probed" = "$expected" ] ||
  fail "the probe says QUORLIN_HOST_WIN32=$probed, but the 32-bit Wine loader says $expected"

# run.sh without a display, forced onto the 64-bit path, in a prefix of its
# own that goes with the temporary folder (run.sh ends its processes).
log=$tmp/run.log
status=0
env -u DISPLAY QUORLIN_HOST_WIN32=0 WINEPREFIX="$tmp/pfx" QUORLIN_SHOT="$tmp/shot.png" \
  QUORLIN_SHOT_DELAY=1 ./scripts/run.sh >"$log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "run.sh exited with $status" "$log"
grep -qx 'run.sh: this host runs no 32-bit programs; starting the x64 build (build/win64)' "$log" ||
  fail "run.sh did not say that it starts the x64 build" "$log"
[ "$(identify -format '%m %wx%h' "$tmp/shot.png" 2>/dev/null)" = "PNG 1280x1024" ] ||
  fail "run.sh saved no screenshot of the virtual display" "$log"
# The prefix that run.sh kept is a 64-bit one.
grep -q '^#arch=win64' "$tmp/pfx/system.reg" 2>/dev/null || fail "run.sh's prefix is not a 64-bit one"

# The probe's third answer: with QEMU registered for 32-bit programs, they
# run by emulation whatever the kernel could do. Tried where a private
# binfmt_misc can be had (a user namespace of its own, Linux 6.7 and later),
# so that nothing outside this check sees the handler.
if [ -x /usr/bin/qemu-i386-static ] && unshare --user --map-root-user --mount true 2>/dev/null; then
  # shellcheck disable=SC2016 # expanded by the inner shell
  answer=$(env -u QUORLIN_HOST_WIN32 unshare --user --map-root-user --mount bash -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || exit 0
    printf "%s" ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FOCP" \
      >/proc/sys/fs/binfmt_misc/register || exit 0
    source scripts/host.sh && echo "$QUORLIN_HOST_WIN32 ${QUORLIN_HOST_WIN32_BY:-none} ${QUORLIN_WIN32_TIME_SCALE:-1}"
    QUORLIN_HOST_WIN32=0 bash -c "source scripts/host.sh && echo \$QUORLIN_HOST_WIN32 \${QUORLIN_HOST_WIN32_BY:-none}"')
  case "$answer" in
    "") echo "host_fallback_test: no private binfmt_misc here; the emulation probe is not tried" ;;
    "1 emulation "[2-9]*$'\n'"0 none") ;;
    *) fail "with QEMU registered, the probe says '${answer//$'\n'/; }', not 32-bit by emulation with the time limits scaled (and off with QUORLIN_HOST_WIN32=0)" ;;
  esac
fi

# A short test.sh run on the same path.
log=$tmp/test.log
status=0
env -u DISPLAY -u WINEPREFIX -u QUORLIN_WORK QUORLIN_HOST_WIN32=0 \
  QUORLIN_CTEST_FILTER='^win\.system_menu_test$' ./scripts/test.sh >"$log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "test.sh exited with $status" "$log"
grep -q '^test.sh: not run, because this host runs no 32-bit programs (QUORLIN_HOST_WIN32=0): the i686 build.s 1 tests under Wine$' "$log" ||
  fail "test.sh did not name what it skipped" "$log"
grep -qx 'test.sh: passed: win64 (1 tests); skipped: win32 (1 tests) (no 32-bit programs on this host)' "$log" ||
  fail "test.sh's closing line does not count the i686 tests as skipped" "$log"

[ "$failures" = 0 ] && echo "host_fallback_test: passed" || echo "host_fallback_test: $failures failed"
[ "$failures" = 0 ]
