#!/usr/bin/env bash
# Benchmarks Quorlin.exe against a bare dialog built from the same templates
# (bench): start-up, cost per device-change broadcast, idle CPU per
# refresh tick, exe sizes and a soak, taken side by side in one run under
# Wine on a virtual display, with a removable drive added. Then whole starts
# of QuorlinCmd.exe, one command line at a time, each paired with a start of
# a bare console program (bench/console_reference_win.cpp), taken and laid
# out by scripts/bench_console.py. Prints the machine's facts and two
# tables; asserts nothing (see docs/PERFORMANCE.md).
# Installs what is missing and builds what it needs; leaves nothing behind
# but the build folders.
#
#   scripts/bench.sh [win32|win64] [--profile] [--cmd LINE]... [--cmd-pairs N]
#                    [--quorlincmd PATH] [--only LIST] [driver options]
#
# win32 measures the i686 exe, win64 the x86_64 one. The default is win32,
# or win64 on a host that runs no 32-bit programs or runs them by emulation
# (scripts/host.sh), which it says in one line; there win32 is refused.
# --profile adds the refresh tick and a logged broadcast taken apart step by
# step (bench/profile_win.cpp). The driver's options (--starts N,
# --quorlin PATH for another build, --verbose 1, ...) are listed at the top
# of bench/quorlin_bench_win.cpp. --only takes its figures and "console".
# --cmd replaces the console program's command lines (by default list,
# list --json, --version, report C:, eject of a letter with no drive, and
# who C:); a line that the QuorlinCmd.exe measured does not understand (exit
# code 64) is left out with a note. --cmd-pairs sets the pairs of starts per
# line (21), --quorlincmd another build of QuorlinCmd.exe (a path here).
# Last, the who table (scripts/bench_who.py): "QuorlinCmd who E:" with N
# file handles held open (--who-sizes, 2000,20000,100000) beside a bare walk
# of the same handles, median of --who-runs runs (3). --only who gives it alone.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/host.sh

preset=$quorlin_run_preset
if [ "$QUORLIN_HOST_WIN32_BY" = emulation ]; then
  preset=win64
  [ $# -gt 0 ] && [[ "$1" == win32 || "$1" == win64 ]] ||
    echo "bench.sh: this host runs 32-bit programs by emulation only; measuring the x64 build (build/$preset)"
fi
if [ $# -gt 0 ] && [[ "$1" == win32 || "$1" == win64 ]]; then
  preset=$1
  shift
fi

fail() {
  echo "bench.sh: $*" >&2
  exit 1
}

profile=0
cmd_lines=()
cmd_pairs=21
quorlincmd=build/$preset/bin/QuorlinCmd.exe
only=""
who_sizes=2000,20000,100000
who_runs=3
driver_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --profile)
      profile=1
      shift
      continue
      ;;
  esac
  [ $# -ge 2 ] || fail "$1 wants a value"
  case "$1" in
    --cmd) cmd_lines+=("$2") ;;
    --cmd-pairs) cmd_pairs=$2 ;;
    --quorlincmd) quorlincmd=$2 ;;
    --only) only=$2 ;;
    --who-sizes) who_sizes=$2 ;;
    --who-runs) who_runs=$2 ;;
    *) driver_args+=("$1" "$2") ;;
  esac
  shift 2
done
[[ "$cmd_pairs" =~ ^[1-9][0-9]*$ ]] || fail "--cmd-pairs wants a positive number"
[[ "$who_sizes" =~ ^[1-9][0-9]*(,[1-9][0-9]*)*$ ]] || fail "--who-sizes wants numbers such as 2000,20000"
[[ "$who_runs" =~ ^[1-9][0-9]*$ ]] || fail "--who-runs wants a positive number"

# --only splits into the driver's figures and the console starts.
console=1
who=1
window_figures=""
if [ -n "$only" ]; then
  console=0
  who=0
  for figure in ${only//,/ }; do
    case "$figure" in
      console) console=1 ;;
      who) who=1 ;;
      *) window_figures+="${window_figures:+,}$figure" ;;
    esac
  done
  [ -z "$window_figures" ] || driver_args+=(--only "$window_figures")
fi
window=1
[ -z "$only" ] || [ -n "$window_figures" ] || window=0

if [ "$preset" = win32 ] && [ "$QUORLIN_HOST_WIN32" = 0 ]; then
  fail "this host runs no 32-bit programs, so the i686 build cannot be measured here; use win64"
fi
if [ "$preset" = win32 ] && [ "$QUORLIN_HOST_WIN32_BY" = emulation ]; then
  fail "this host runs 32-bit programs by emulation, where the i686 build's figures would mean nothing; use win64"
fi
[ "$preset" = win32 ] || [ "$QUORLIN_HOST_WIN32" = 1 ] ||
  echo "bench.sh: this host runs no 32-bit programs; measuring the x64 build (build/$preset)"

./scripts/install-deps.sh >/dev/null || fail "installing the packages failed"

work=$(mktemp -d /tmp/quorlin-bench.XXXXXX)
keeper=""
cleanup() {
  if [ -n "$keeper" ]; then
    kill "$keeper" 2>/dev/null || true
    wait "$keeper" 2>/dev/null || true
  fi
  if declare -F quorlin_wine_cleanup >/dev/null; then quorlin_wine_cleanup; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Both exes are built for their sizes; the measured preset gets the driver
# and the reference too.
for p in win32 win64; do
  cmake --preset "$p" >/dev/null || fail "configuring $p failed"
  targets=(Quorlin)
  [ "$p" = "$preset" ] &&
    targets+=(quorlin_bench quorlin_bench_reference quorlin_profile QuorlinCmd
      quorlin_bench_console_reference quorlin_bench_who_holder quorlin_bench_who_reference)
  cmake --build --preset "$p" --target "${targets[@]}" >"$work/build-$p.log" 2>&1 ||
    fail "building $p failed (see the output of: cmake --build --preset $p)"
done

export QUORLIN_WORK="$work"
export WINEPREFIX="$work/pfx"
unset DISPLAY
source scripts/wine-env.sh

winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, $(wine --version)"
[ -f "$quorlincmd" ] || fail "no QuorlinCmd.exe at $quorlincmd"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$window" = 1 ]; then
  if ! wine "build/$preset/bin/quorlin_bench.exe" \
      --size "i686=$(winpath build/win32/bin/Quorlin.exe)" \
      --size "x86_64=$(winpath build/win64/bin/Quorlin.exe)" \
      ${driver_args[@]+"${driver_args[@]}"} >"$work/table.txt" 2>"$work/error.txt"; then
    fail "the benchmark could not run: $(grep -m1 quorlin_bench "$work/error.txt" || tail -n1 "$work/error.txt")"
  fi
  echo "load after the window's figures: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
  cat "$work/table.txt"
fi
if [ "$profile" = 1 ]; then
  wine "build/$preset/bin/quorlin_profile.exe" >"$work/profile.txt" 2>"$work/error.txt" ||
    fail "the profile could not run: $(tail -n1 "$work/error.txt")"
  echo
  cat "$work/profile.txt"
fi
# The who table, last: it restarts the Wine server with the open-file limit
# that its holders need.
who_table() {
  [ "$who" = 1 ] || return 0
  echo
  python3 -B scripts/bench_who.py --bin "build/$preset/bin" --work "$work" --sizes "$who_sizes" \
    --runs "$who_runs" || fail "the who table could not be made"
}
if [ "$console" != 1 ]; then
  who_table
  exit 0
fi

# --- whole starts of the console program --------------------------------
# Timed and laid out by scripts/bench_console.py, each start a child of it.
# The server stays up between starts: Debian's wineserver ends as soon as
# no program runs, and the next start would start it and the prefix's
# services anew. A server that is running cannot be told so; it is ended
# first (the window's figures are taken by then).
wineserver -k >/dev/null 2>&1 || true
wineserver -p || fail "the Wine server could not be started to stay up"
# The desktop stays up too, as on Windows, where the shell holds it: Wine's
# desktop process ends a second after the last program with a window, and
# the next report (its shell query draws an icon) would wait for a new one.
# The bare dialog holds it and does nothing meanwhile.
wine "build/$preset/bin/quorlin_bench_reference.exe" >/dev/null 2>&1 &
keeper=$!
for _ in $(seq 100); do
  xwininfo -root -tree 2>/dev/null | grep '("quorlin_bench_reference.exe"' >/dev/null && break
  sleep 0.1
done
xwininfo -root -tree 2>/dev/null | grep '("quorlin_bench_reference.exe"' >/dev/null ||
  fail "the bare dialog that holds the desktop did not show"

# A letter that names no drive of the prefix, for eject.
free=""
for letter in {d..y}; do
  [ -e "$WINEPREFIX/dosdevices/$letter:" ] || { free=${letter^^}; break; }
done
[ -n "$free" ] || fail "the prefix has a drive for every letter from D to Y"
[ ${#cmd_lines[@]} -gt 0 ] ||
  cmd_lines=("list" "list --json" "--version" "report C:" "eject $free:" "who C:")

verbose=0
for ((i = 0; i + 1 < ${#driver_args[@]}; i += 2)); do
  [ "${driver_args[i]}" != --verbose ] || verbose=${driver_args[i + 1]}
done
# (-B here and for the who table: their shared scripts/bench_table.py leaves
# no compiled copy behind.)
python3 -B scripts/bench_console.py --quorlincmd "$quorlincmd" \
  --reference "build/$preset/bin/quorlin_bench_console_reference.exe" --pairs "$cmd_pairs" \
  --work "$work" --preset "$preset" --free "$free" --verbose "$verbose" -- "${cmd_lines[@]}" ||
  fail "the console starts could not be measured"
who_table
