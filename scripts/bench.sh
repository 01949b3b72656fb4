#!/usr/bin/env bash
# Benchmarks Quorlin.exe against a bare dialog built from the same templates
# (bench): start-up, cost per device-change broadcast, idle CPU per
# refresh tick, exe sizes and a soak, taken side by side in one run under
# Wine on a virtual display, with a removable drive added. Prints the
# machine's facts and one table; asserts nothing (see docs/PERFORMANCE.md).
# Installs what is missing and builds what it needs; leaves nothing behind
# but the build folders.
#
#   scripts/bench.sh [win32|win64] [--profile] [driver options]
#
# win32 measures the i686 exe, win64 the x86_64 one. The default is win32,
# or win64 on a host that runs no 32-bit programs (scripts/host.sh), which it
# says in one line.
# --profile adds the refresh tick and a logged broadcast taken apart step by
# step (bench/profile_win.cpp). The driver's options (--starts N,
# --quorlin PATH for another build, --verbose 1, ...) are listed at the top
# of bench/quorlin_bench_win.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/host.sh

preset=$quorlin_run_preset
if [ $# -gt 0 ] && [[ "$1" == win32 || "$1" == win64 ]]; then
  preset=$1
  shift
fi

profile=0
if [ $# -gt 0 ] && [ "$1" = --profile ]; then
  profile=1
  shift
fi

fail() {
  echo "bench.sh: $*" >&2
  exit 1
}

if [ "$preset" = win32 ] && [ "$QUORLIN_HOST_WIN32" = 0 ]; then
  fail "this host runs no 32-bit programs, so the i686 build cannot be measured here; use win64"
fi
[ "$preset" = win32 ] || [ "$QUORLIN_HOST_WIN32" = 1 ] ||
  echo "bench.sh: this host runs no 32-bit programs; measuring the x64 build (build/$preset)"

./scripts/install-deps.sh >/dev/null || fail "installing the packages failed"

work=$(mktemp -d /tmp/quorlin-bench.XXXXXX)
cleanup() {
  if declare -F quorlin_wine_cleanup >/dev/null; then quorlin_wine_cleanup; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Both exes are built for their sizes; the measured preset gets the driver
# and the reference too.
for p in win32 win64; do
  cmake --preset "$p" >/dev/null || fail "configuring $p failed"
  targets=(Quorlin)
  [ "$p" = "$preset" ] && targets+=(quorlin_bench quorlin_bench_reference quorlin_profile)
  cmake --build --preset "$p" --target "${targets[@]}" >"$work/build-$p.log" 2>&1 ||
    fail "building $p failed (see the output of: cmake --build --preset $p)"
done

export QUORLIN_WORK="$work"
export WINEPREFIX="$work/pfx"
unset DISPLAY
source scripts/wine-env.sh

winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, $(wine --version)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
if ! wine "build/$preset/bin/quorlin_bench.exe" \
    --size "i686=$(winpath build/win32/bin/Quorlin.exe)" \
    --size "x86_64=$(winpath build/win64/bin/Quorlin.exe)" \
    "$@" >"$work/table.txt" 2>"$work/error.txt"; then
  fail "the benchmark could not run: $(grep -m1 quorlin_bench "$work/error.txt" || tail -n1 "$work/error.txt")"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
cat "$work/table.txt"
if [ "$profile" = 1 ]; then
  wine "build/$preset/bin/quorlin_profile.exe" >"$work/profile.txt" 2>"$work/error.txt" ||
    fail "the profile could not run: $(tail -n1 "$work/error.txt")"
  echo
  cat "$work/profile.txt"
fi
