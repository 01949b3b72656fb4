#!/usr/bin/env bash
# Installs what is missing, builds Quorlin.exe and starts it under Wine: the
# i686 build (by emulation where the kernel runs no 32-bit programs), or the
# x86_64 one on a host that cannot run them at all (scripts/host.sh; it says
# so in one line).
# With no display it runs on a virtual one, saves a screenshot after a few
# seconds (quorlin-screenshot.png) and closes the program, so the command ends
# by itself; when the window does not appear it says so and fails instead.
# Extra arguments go to Quorlin.exe (e.g. -D583 for the console). It leaves
# the screenshot and its Wine prefix in build/wine-prefix, kept for the next
# run; nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/host.sh
./scripts/install-deps.sh
# Asked again: install-deps.sh may have set up the emulation.
quorlin_host_probe
preset=$quorlin_run_preset
[ "$preset" = win32 ] || echo "run.sh: this host runs no 32-bit programs; starting the x64 build (build/$preset)"
[ "$QUORLIN_HOST_WIN32_BY" != emulation ] ||
  echo "run.sh: this host runs 32-bit programs by emulation; the x86 build takes a while to start"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Quorlin

headless=0
[ -z "${DISPLAY:-}" ] && headless=1
# The program's own prefix is kept between runs (tests make their own).
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wine-prefix}"
source scripts/wine-env.sh

exe="build/$preset/bin/Quorlin.exe"
if [ "$headless" = 0 ]; then
  wine "$exe" "$@"
  exit 0
fi

wine "$exe" "$@" >/dev/null 2>&1 &
quorlin_pid=$!
if ! quorlin_wait_for_window "$quorlin_pid"; then
  echo "run.sh: the Quorlin window did not appear; no screenshot taken" >&2
  exit 1
fi
# Time for the panes to fill before the picture is taken.
sleep "${QUORLIN_SHOT_DELAY:-4}"
shot="${QUORLIN_SHOT:-$PWD/quorlin-screenshot.png}"
import -window root "$shot"
echo "Screenshot: $shot"
