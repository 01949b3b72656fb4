#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, clang-14 with ASan and
# UBSan) and runs each for SECONDS (default 60) over a copy of its seed
# corpus, tests/fuzz/corpus/<target>, then prints its figures (read from
# its log by scripts/fuzz_stats.py):
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Set QUORLIN_FUZZ_RUNS to stop a target after that many executions instead.
# New inputs live in a temporary folder that is removed on exit; an input
# that fails is copied to build/fuzz/findings/ first. Nothing else is left.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
runs="${QUORLIN_FUZZ_RUNS:--1}"
targets=(device_change_text arguments drive_report version_text command_line)
[ $# -le 1 ] || targets=("${@:2}")

# Input size limits: every byte of an argument list can be a new argument,
# and thousands of them only slow the search down without reaching anything
# that a few do not.
declare -A max_len=([arguments]=1024 [command_line]=1024)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

if ! { cmake --preset fuzz && cmake --build --preset fuzz; } >"$work/build.log" 2>&1; then
  tail -n 40 "$work/build.log" >&2
  echo "fuzz.sh: building the fuzz targets failed" >&2
  exit 1
fi

status=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  log="$work/$target.log"
  options=(-max_total_time="$seconds" -runs="$runs" -print_final_stats=1
           -artifact_prefix="$work/$target-")
  [ -z "${max_len[$target]:-}" ] || options+=(-max_len="${max_len[$target]}")
  if ! "build/fuzz/bin/${target}_fuzz" "${options[@]}" "$corpus" >"$log" 2>&1; then
    mkdir -p build/fuzz/findings
    cp "$work/$target-"* build/fuzz/findings/ 2>/dev/null || true
    tail -n 40 "$log" >&2
    echo "fuzz.sh: $target failed on an input (kept in build/fuzz/findings/)" >&2
    status=1
    continue
  fi
  # Its figures, from the last status line and the final statistics.
  if ! python3 -B scripts/fuzz_stats.py "$target" "$log"; then
    tail -n 40 "$log" >&2
    echo "fuzz.sh: $target ran, but its figures could not be read from its log" >&2
    status=1
  fi
done
exit $status
