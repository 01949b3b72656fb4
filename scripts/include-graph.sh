#!/usr/bin/env bash
# Prints the picture of which program folder includes which, as a Mermaid
# graph (docs/LAYERS.md holds its output): one arrow per pair of folders,
# labelled with the number of include lines, drawn from the includer to the
# folder it includes. The layers run bottom to top, so every arrow should
# point down. Reads the sources only; leaves nothing behind.
#   scripts/include-graph.sh
set -euo pipefail
cd "$(dirname "$0")/.."

folders=(app ui cli removal devchange drives framework)
echo '```mermaid'
echo 'graph TD'
for from in "${folders[@]}"; do
  for to in "${folders[@]}" res; do
    [ "$from" != "$to" ] || continue
    n=$(cat "$from"/*.h "$from"/*.cpp 2>/dev/null | grep -c "^#include \"$to/" || true)
    [ "$n" = 0 ] || echo "  $from -->|$n| $to"
  done
done
echo '```'
