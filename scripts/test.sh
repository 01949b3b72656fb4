#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the
# unit tests natively (ASan/UBSan), each fuzz target for a few seconds, the
# unit, Windows-side and end-to-end tests of the i686 and x86_64 builds under
# Wine on a virtual display in a private Wine prefix, the release zips and
# MSIs (scripts/test-packages.sh), and last a check that a test run leaves
# none of its processes or files behind. Leaves the build folder (build/) and
# nothing else.
# QUORLIN_CTEST_FILTER=<regex> runs only the matching tests of the i686 build
# under Wine, and nothing else (the leftover check runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

filter="${QUORLIN_CTEST_FILTER:-}"
presets=(native win32 win64)  # scripts/fuzz.sh builds its own
[ -z "$filter" ] || presets=(win32)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

status=0
if [ -z "$filter" ]; then
  ctest --preset native || status=1
  ./scripts/fuzz.sh 4 || status=1
fi

source scripts/wine-env.sh
echo "test.sh: Wine prefix $WINEPREFIX, display $DISPLAY (Xvfb ${quorlin_xvfb_pid:-not started here}), server folder $(cat "$WINEPREFIX/wineserver" 2>/dev/null || echo unknown)"

if [ -n "$filter" ]; then
  ctest --preset win32 -R "$filter" --no-tests=error || status=1
  exit $status
fi
for preset in win32 win64; do
  ctest --preset "$preset" || status=1
  wineserver -k >/dev/null 2>&1 || true
done
./scripts/test-packages.sh || status=1

# Runs test.sh again, a few times, and checks what each run leaves.
tests/scripts/leftover_test.sh || status=1
exit $status
