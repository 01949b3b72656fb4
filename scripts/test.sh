#!/usr/bin/env bash
# Installs what is missing, builds all three presets and runs every test:
# the unit tests natively (ASan/UBSan), then the unit, Windows-side and
# end-to-end tests of the i686 and x86_64 builds under Wine on a virtual
# display, each in a private Wine prefix, and last the release zips and MSIs
# (scripts/test-packages.sh). Leaves the build folders only.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

status=0
ctest --preset native || status=1

source scripts/wine-env.sh
trap quorlin_wine_cleanup EXIT
for preset in win32 win64; do
  ctest --preset "$preset" || status=1
  wineserver -k >/dev/null 2>&1 || true
done
./scripts/test-packages.sh || status=1
exit $status
