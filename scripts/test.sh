#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the
# unit tests natively (ASan/UBSan), each fuzz target for a few seconds, the
# unit, Windows-side and end-to-end tests of the i686 and x86_64 builds under
# Wine on a virtual display in a private Wine prefix, and beside them the
# release zips and MSIs (scripts/test-packages.sh) and the checks of the
# scripts themselves (shellcheck over every shell script, nothing left
# behind, the 64-bit-only path). Says how long each part took, and ends with
# one line that says what passed, what failed and what was skipped.
# On a host that runs no 32-bit programs (scripts/host.sh) everything is
# built, but the i686 build's tests under Wine and the package checks' x86
# program starts cannot run: they are named at the start and counted as
# skipped. (The checks of the i686 shipped files need no Wine and still run.)
# Where 32-bit programs run by emulation, the i686 tests run beside the rest,
# a subset by default (QUORLIN_WIN32_SUITE=all runs them all; see below);
# those left out, and those the emulator cannot pass, are named and counted
# as skipped.
# Leaves the build folder (build/) and nothing else.
# QUORLIN_CTEST_FILTER=<regex> runs only the matching tests of the host's
# Windows build (i686 where it runs, x86_64 otherwise) under Wine, and nothing
# else (the scripts' checks run it so).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/host.sh

# The run's own scratch folder (results, the output of the parts that run
# beside the Windows-side suites); the cleanup also stops those parts, and
# ends the Wine prefix and display that scripts/wine-env.sh sets up below.
work=$(mktemp -d /tmp/quorlin-test.XXXXXX)
lanes=()  # "pid log" of each part running beside
cleanup() {
  local lane pid
  for lane in "${lanes[@]}"; do
    pid=${lane%% *}
    # Each check ends its own Wine processes and displays on TERM.
    pkill -TERM -P "$pid" 2>/dev/null || true
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if declare -F quorlin_wine_cleanup >/dev/null; then quorlin_wine_cleanup; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

./scripts/install-deps.sh
# Asked again: install-deps.sh may have set up the emulation.
quorlin_host_probe

filter="${QUORLIN_CTEST_FILTER:-}"
presets=(native win32 win64)  # scripts/fuzz.sh builds its own
[ -z "$filter" ] || presets=("$quorlin_run_preset")
# Where the i686 build's test programs cannot run, only its shipped programs
# are built up front (the packages and their checks need them); the rest of
# it is built beside the suites below, on the processor time they leave.
later_win32=0
[ "$QUORLIN_HOST_WIN32" = 1 ] || [ -n "$filter" ] || later_win32=1
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  if [ "$preset" = win32 ] && [ "$later_win32" = 1 ]; then
    cmake --build --preset win32 --target Quorlin QuorlinCmd
  else
    cmake --build --preset "$preset"
  fi
done

# test_count PRESET [REGEX]: how many of the preset's tests run (those of
# the filter, or REGEX).
test_count() {
  local only=${2:-$filter}
  ctest --preset "$1" -N ${only:+-R "$only"} | sed -n 's/^Total Tests: //p'
}

wine_presets=(win32 win64)
[ -z "$filter" ] || wine_presets=("$quorlin_run_preset")
skipped=()
# The checks of the shipped files need no Wine: they run on any host.
ship_checks='^ship\.'
if [ "$QUORLIN_HOST_WIN32" = 0 ]; then
  wine_presets=(win64)
  win32_tests=$(test_count win32 2>/dev/null || true)
  if [ -z "$filter" ] && [ -n "$win32_tests" ]; then
    win32_tests=$((win32_tests - $(test_count win32 "$ship_checks")))
  fi
  skipped+=("win32 (${win32_tests:+$win32_tests }tests)")
  packages_too=", and the package checks that start x86 programs"
  [ -z "$filter" ] || packages_too=""
  echo "test.sh: not run, because this host runs no 32-bit programs ($QUORLIN_HOST_WIN32_WHY):" \
    "the i686 build's ${win32_tests:+$win32_tests }tests under Wine$packages_too"
fi

# Where 32-bit programs run by emulation, the i686 suite runs beside the
# rest, in a prefix and on a display of its own, with its time limits
# scaled (scripts/host.sh), less the tests that the emulator cannot pass
# (emulation_gaps, each named with its reason). A start of a 32-bit program
# costs about 5 s there, so by default only the tests of emulated_subset
# run, with tests/scripts/emulated_cmd_test.sh, which starts each QuorlinCmd
# command: together they cover both programs (start-up, the window, the
# report, the device-change log, the About box and each command).
# QUORLIN_WIN32_SUITE=all runs every test but the gaps.
# A test that fails or times out there runs once more: the emulator hangs or
# crashes a 32-bit Wine process now and then, which the same programs never
# do where the kernel runs them.
emulated=0
[ "$QUORLIN_HOST_WIN32_BY" != emulation ] || [ -n "$filter" ] || emulated=1
threads="under QEMU's user-mode emulation a 32-bit Wine process that runs several threads hangs or dies at random (two of its threads end up on one thread's connection to Wine's server: 'wine client error: write: bad file descriptor', 'stack smashing detected' in Wine's Linux-side code)"
emulation_gaps=(
  "e2e.console_program_test: it reads QuorlinCmd's output on threads of its own, and $threads; tests/scripts/emulated_cmd_test.sh starts each command instead"
  "e2e.console_program_test.cp1252: as e2e.console_program_test"
  "e2e.drive_list_test: its own report queries run on the shell's threads, and $threads"
  "e2e.eject_test: the eject stand-in is loaded into Quorlin.exe by a thread started there, and $threads"
  "e2e.startup_test: GoogleTest's thread check failed and the process died, as $threads"
  "e2e.startup_test.cp1252: as e2e.startup_test"
  "e2e.startup_modules_test: it lists another process's modules by reading that process's memory, which the emulator keeps at an offset that Wine's server does not know"
  "win.holders_win_test: the walk's guard thread, and $threads"
  "win.removal_win_test: it died in one run of three, as $threads"
)
emulated_subset='^(unit|e2e\.about_box_test|e2e\.code_page_test|e2e\.devchange_log_test|e2e\.who_test|win\.drive_list_paint_test|win\.system_menu_test)$'
if [ "$emulated" = 1 ]; then
  wine_presets=(win64)
  gap_names=()
  for gap in "${emulation_gaps[@]}"; do
    gap_names+=("${gap%%: *}")
    echo "test.sh: left out where 32-bit programs run by emulation: $gap"
  done
  gap_regex=$(IFS='|'; echo "^(${gap_names[*]//./\\.})\$")
  emulated_run=(-E "$gap_regex|$ship_checks")
  [ "${QUORLIN_WIN32_SUITE:-subset}" = all ] || emulated_run=(-R "$emulated_subset")
  emulated_tests=$(ctest --preset win32 -N "${emulated_run[@]}" | sed -n 's/^Total Tests: //p')
  left_out=$(($(test_count win32) - $(test_count win32 "$ship_checks") - emulated_tests - ${#gap_names[@]}))
  skipped+=("win32 under emulation (${#gap_names[@]} tests the emulator cannot pass: ${gap_names[*]})")
  if [ "$left_out" -gt 0 ]; then
    skipped+=("win32 under emulation ($left_out more tests: QUORLIN_WIN32_SUITE=all runs them)")
    echo "test.sh: where 32-bit programs run by emulation, $emulated_tests of the i686 build's tests run;" \
      "QUORLIN_WIN32_SUITE=all ./scripts/test.sh runs the other $left_out too"
  fi
fi

# stage NAME COMMAND...: runs one part of the test run, says how long it
# took, and notes its outcome in the run's results.
results="$work/results"
: >"$results"
stage() {
  local name=$1 began=$SECONDS outcome=passed
  shift
  "$@" || outcome=failed
  echo "test.sh: $name $outcome in $((SECONDS - began)) s"
  echo "$outcome $name" >>"$results"
}

# beside COMMAND...: runs a part of the run in the background, beside the
# Windows-side suites; its output is shown once they are done.
beside() {
  local log="$work/beside-${#lanes[@]}.log"
  "$@" >"$log" 2>&1 &
  lanes+=("$! $log")
}

if [ -z "$filter" ]; then
  # The shell scripts: every .sh of scripts/ and tests/scripts/ as they are
  # now, and the wine wrapper, which has no suffix. From the top folder,
  # where their "# shellcheck source=" paths start.
  shell_scripts=(scripts/*.sh scripts/wine/wine tests/scripts/*.sh)
  stage "shellcheck (${#shell_scripts[@]} scripts)" shellcheck -x "${shell_scripts[@]}"
  stage "native ($(test_count native) tests)" ctest --preset native
  if [ "$QUORLIN_HOST_WIN32" = 0 ]; then
    stage "win32 shipped files ($(test_count win32 "$ship_checks") tests)" \
      ctest --preset win32 -R "$ship_checks"
  fi

  # The Windows-side suites mostly wait on Wine, and so do the package checks
  # and the scripts' own checks, which run Wine in prefixes and on displays
  # of their own: those run beside the suites, and so does the fuzzing.
  # (They start before this run's own display exists, so they never share it.)
  side_checks() {
    stage "package checks" env QUORLIN_PACKAGES_SKIPPED="$work/packages-skipped" ./scripts/test-packages.sh
    stage "leftover check" tests/scripts/leftover_test.sh
    stage "64-bit-only check" tests/scripts/host_fallback_test.sh
  }
  beside side_checks
  beside stage fuzzing ./scripts/fuzz.sh 4
  if [ "$emulated" = 1 ]; then
    stage "win32 shipped files ($(test_count win32 "$ship_checks") tests)" \
      ctest --preset win32 -R "$ship_checks"
    # In a prefix and on a display of its own (wine-env.sh makes them).
    emulated_lane() {
      stage "win32 by emulation ($emulated_tests tests)" \
        env -u DISPLAY -u WINEPREFIX -u QUORLIN_WORK \
        bash -c 'source scripts/wine-env.sh && ctest --preset win32 "$@"' ctest --repeat until-pass:2 \
        "${emulated_run[@]}"
      stage "win32 QuorlinCmd commands by emulation" \
        env -u DISPLAY -u WINEPREFIX -u QUORLIN_WORK tests/scripts/emulated_cmd_test.sh
    }
    beside emulated_lane
  fi
  if [ "$later_win32" = 1 ]; then
    beside stage "win32 build (its tests cannot run here)" nice -n 19 cmake --build --preset win32
  fi
fi

source scripts/wine-env.sh
echo "test.sh: Wine prefix $WINEPREFIX, display $DISPLAY (Xvfb ${quorlin_xvfb_pid:-not started here}), server folder $(cat "$WINEPREFIX/wineserver" 2>/dev/null || echo unknown), preset $quorlin_run_preset"

# A test that fails runs once more, and its first run stays in the log: under
# load, Wine's mount manager has now and then refused a test's drive, or
# given it another disk number, for a few seconds.
for preset in "${wine_presets[@]}"; do
  stage "$preset ($(test_count "$preset") tests)" ctest --preset "$preset" --repeat until-pass:2 \
    ${filter:+-R "$filter" --no-tests=error}
  wineserver -k >/dev/null 2>&1 || true
done

for lane in "${lanes[@]}"; do
  wait "${lane%% *}" || true
  cat "${lane#* }"
done
lanes=()
if [ -z "$filter" ]; then
  # How many package checks were skipped: those that start x86 programs.
  package_skips=0
  [ ! -s "$work/packages-skipped" ] || package_skips=$(<"$work/packages-skipped")
  [ "$package_skips" = 0 ] || skipped+=("$package_skips package checks that start x86 programs")
fi

list() {
  local IFS=';' all
  all="$*"
  echo "${all//;/, }"
}
mapfile -t passed < <(sed -n 's/^passed //p' "$results")
mapfile -t failed < <(sed -n 's/^failed //p' "$results")
line="passed: $(list "${passed[@]}")"
[ ${#failed[@]} = 0 ] || line="FAILED: $(list "${failed[@]}"); $line"
if [ ${#skipped[@]} -gt 0 ]; then
  if [ "$QUORLIN_HOST_WIN32" = 0 ]; then
    line="$line; skipped: $(list "${skipped[@]}") (no 32-bit programs on this host)"
  else
    line="$line; skipped: $(list "${skipped[@]}")"
  fi
fi
echo "test.sh: $line"
[ ${#failed[@]} = 0 ]
