#!/usr/bin/env bash
# Checks the release files under Wine the way a Windows user meets them:
# the pytest checks of tests/packages (what they check is said there). They
# make the release files with scripts/package.sh in a temporary folder, and
# a Wine prefix and a virtual display of their own.
# On a host that runs no 32-bit programs (scripts/host.sh) the x86 MSI is
# still installed and checked, but its programs are not started: those
# checks are skipped, and named at the end. QUORLIN_PACKAGES_SKIPPED names a
# file that gets their number.
# Arguments go to pytest (-k WORD runs the checks whose names have WORD).
# Leaves nothing: no cache or byte code is written into the source tree, the
# temporary folder with its prefixes goes, and the Wine servers and the
# display are ended.
set -euo pipefail
cd "$(dirname "$0")/.."
# Debian's interpreter, which has Debian's pytest (scripts/install-deps.sh),
# whatever python3 comes first on PATH.
exec /usr/bin/python3 -B -m pytest -q -rfEs --tb=short -p no:cacheprovider tests/packages "$@"
