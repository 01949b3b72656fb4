#!/usr/bin/env bash
# Checks that a run of scripts/test.sh leaves none of its Xvfb, wineserver or
# Wine processes and nothing of it in /tmp, whether it passes, fails or is
# stopped by a signal. Each run is a real test.sh limited to one quick test
# (QUORLIN_CTEST_FILTER): one that passes, and one stopped while Quorlin.exe
# runs (which also ends with a failure). Only what belongs to those runs is
# looked at: their
# Wine prefix, temporary folder, display and server folder, as each run names
# them, never everything on the machine. Leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/../.."

logs="$(mktemp -d)"
runner=""
cleanup() {
  # A run still going (the check itself failed midway) is stopped, with its
  # whole process group.
  [ -z "$runner" ] || kill -TERM -- "-$runner" 2>/dev/null || true
  rm -rf "$logs"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

failures=0
passes=0

fail() {
  echo "leftover_test: $1" >&2
  failures=$((failures + 1))
}

# Starts test.sh in a process group of its own, without the caller's
# display, prefix or scratch folder, so that it makes its own.
start_run() {
  env -u DISPLAY -u WINEPREFIX -u QUORLIN_WORK QUORLIN_CTEST_FILTER="$1" \
    setsid ./scripts/test.sh >"$2" 2>&1 &
  runner=$!
}

# The line in which the run names its prefix, display, Xvfb and server folder.
run_line() { grep -m1 '^test.sh: Wine prefix ' "$1" || true; }

# Checks what the run described in log $2 left behind; $1 names the case.
check_leftovers() {
  local name="$1" log="$2" line prefix work display xvfb server
  line="$(run_line "$log")"
  if [ -z "$line" ]; then
    fail "$name: the run did not name its Wine prefix"
    tail -n 20 "$log" >&2
    return
  fi
  prefix="$(sed -n 's/^test.sh: Wine prefix \([^ ,]*\),.*/\1/p' <<<"$line")"
  display="$(sed -n 's/.*, display :\([0-9]*\) .*/\1/p' <<<"$line")"
  xvfb="$(sed -n 's/.*(Xvfb \([0-9]*\)).*/\1/p' <<<"$line")"
  server="$(sed -n 's/.*, server folder \(wine-[A-Za-z0-9]*\), preset .*/\1/p' <<<"$line")"
  work="$(dirname "$prefix")"
  if [ -z "$prefix" ] || [ -z "$display" ] || [ -z "$xvfb" ] || [ -z "$server" ]; then
    fail "$name: could not read the run's prefix, display, Xvfb and server folder from: $line"
    return
  fi

  local pids
  pids="$(grep -lzxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null | tr '\n' ' ' || true)"
  [ -z "$pids" ] || fail "$name: processes of prefix $prefix left running: $pids"
  if { tr '\0' ' ' <"/proc/$xvfb/cmdline"; } 2>/dev/null | grep 'Xvfb' >/dev/null; then
    fail "$name: its Xvfb (pid $xvfb) is still running"
  fi
  # A display number can be taken again by another server at once; only a
  # lock that still names this run's Xvfb is its own.
  if [ "$({ tr -d ' \n' <"/tmp/.X$display-lock"; } 2>/dev/null || true)" = "$xvfb" ]; then
    fail "$name: /tmp/.X$display-lock of its Xvfb is left"
  fi
  [ ! -e "$work" ] || fail "$name: its temporary folder $work is left"
  [ ! -e "/tmp/$server" ] || fail "$name: its wineserver folder /tmp/$server is left"
}

expect_status() {
  local name="$1" expected="$2" actual="$3" log="$4"
  if [ "$expected" = pass ] && [ "$actual" != 0 ]; then
    fail "$name: test.sh exited with $actual, expected success"
    tail -n 30 "$log" >&2
  elif [ "$expected" = fail ] && [ "$actual" = 0 ]; then
    fail "$name: test.sh succeeded, expected a failure"
  fi
}

run_case() {
  local name="$1" filter="$2" expected="$3" before="$failures" status=0
  local log="$logs/$name.log"
  start_run "$filter" "$log"
  wait "$runner" || status=$?
  runner=""
  expect_status "$name" "$expected" "$status" "$log"
  check_leftovers "$name" "$log"
  [ "$failures" != "$before" ] || { passes=$((passes + 1)); echo "leftover_test: $name: nothing left"; }
}

# A run that passes.
run_case passing '^win\.system_menu_test$' pass

# A run stopped by a signal to its whole process group (as Ctrl+C or a CI
# timeout would) while Quorlin.exe and its test run under Wine.
log="$logs/stopped.log"
before="$failures"
start_run '^e2e\.startup_test$' "$log"
for _ in $(seq 600); do
  grep -q 'Start .*e2e\.startup_test' "$log" 2>/dev/null && break
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
if grep -q 'Start .*e2e\.startup_test' "$log"; then
  sleep 5
  kill -TERM -- "-$runner" 2>/dev/null || true
  status=0
  wait "$runner" || status=$?
  runner=""
  expect_status stopped fail "$status" "$log"
  check_leftovers stopped "$log"
else
  fail "stopped: the run never reached its test"
  tail -n 20 "$log" >&2
fi
[ "$failures" != "$before" ] || { passes=$((passes + 1)); echo "leftover_test: stopped: nothing left"; }

echo "leftover_test: $passes passed, $failures failed"
[ "$failures" = 0 ]
