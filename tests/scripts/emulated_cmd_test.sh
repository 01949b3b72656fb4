#!/usr/bin/env bash
# Each QuorlinCmd command of a build (by default the i686 one), started the
# way a user or a script starts it, with its exit code and output checked:
# where 32-bit programs run by emulation, test.sh runs this beside the i686
# tests that the emulator can pass, since the console program's own test
# reads its output on threads of its own, which the emulator breaks (see
# scripts/test.sh). In a Wine prefix and on a display of its own (wine-env.sh);
# leaves nothing behind. Prints a line per failed check and "N passed,
# M failed" at the end.
set -euo pipefail
cd "$(dirname "$0")/../.."
exe=$(realpath "${1:-build/win32/bin/QuorlinCmd.exe}")
source scripts/wine-env.sh

out=$QUORLIN_WORK/out.txt
passed=0
failed=0
# expect CODE PATTERN ARGUMENTS...: QuorlinCmd ARGUMENTS exits with CODE and
# its output (both streams) has a line matching the extended PATTERN.
expect() {
  local code=$1 pattern=$2 status=0
  shift 2
  timeout $((60 * ${QUORLIN_WIN32_TIME_SCALE:-1})) wine "$exe" "$@" >"$out" 2>&1 || status=$?
  if [ "$status" = "$code" ] && grep -E "$pattern" "$out" >/dev/null; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: QuorlinCmd $* exited with $status (not $code), or printed no line like /$pattern/:"
    head -n 5 "$out"
  fi
}

expect 0 '^QuorlinCmd Ver\.:' --version
expect 0 '^C:\\ +Fixed' list
expect 0 '"letter" *: *"C"|"drive" *: *"C:"' list --json
expect 0 'GetVolumeInformation\(\):ret=TRUE' report C:
expect 2 'Q:' report Q:
expect 2 'Q:' eject Q:
expect 2 'Q:' eject --media Q:
expect 2 . eject --all
expect 64 '^QuorlinCmd: ' eject --media --all
expect 0 . who C:

# watch runs until it is ended: it must still be listening after a while.
timeout $((60 * ${QUORLIN_WIN32_TIME_SCALE:-1})) wine "$exe" watch >"$out" 2>&1 &
watcher=$!
sleep $((5 * ${QUORLIN_WIN32_TIME_SCALE:-1}))
if kill -0 "$watcher" 2>/dev/null; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL: QuorlinCmd watch ended by itself:"
  head -n 5 "$out"
fi
kill "$watcher" 2>/dev/null || true
wait "$watcher" 2>/dev/null || true

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
