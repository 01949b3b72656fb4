#!/usr/bin/env bash
# Prints the picture of which program folder includes which, as a Mermaid
# graph (docs/LAYERS.md holds its output): one arrow per pair of folders,
# labelled with the number of include lines, drawn from the includer to the
# folder it includes. The folders are those that cmake/layers.cmake
# declares, and every arrow should point down; one that runs along no
# declared use is told on the standard error, and the script fails. Reads
# the sources only; leaves nothing behind.
#   scripts/include-graph.sh
set -euo pipefail
exec python3 "$(dirname "$0")/layers.py" include-graph
