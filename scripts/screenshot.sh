#!/usr/bin/env bash
# Regenerates docs/screenshot.png, the README's picture: Quorlin.exe of the
# i686 build (the x86_64 one on a host that runs no 32-bit programs, which it
# says in one line) in a Wine virtual desktop (there Wine draws the window frame),
# with a removable drive E: selected, its report shown, the remove button
# enabled and a few device-change lines in the log, cropped to the window
# with its title bar and frame. The scene is set up and copied by
# screenshot_scene.exe (tools/), a helper built with the tests.
#
#   scripts/screenshot.sh [OUT.png [ABOUT.png]]
#
# OUT.png is docs/screenshot.png by default; ABOUT.png, when given, gets a
# picture of the About box too, for checking how its texts are drawn.
#
# Leaves the picture only: its Wine prefix, virtual display and temporary
# folder go.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshot.png}")
about=${2:+$(realpath -m "$2")}

fail() {
  echo "screenshot: $*" >&2
  exit 1
}

source scripts/host.sh
./scripts/install-deps.sh
quorlin_host_probe
preset=$quorlin_run_preset
[ "$preset" = win32 ] || echo "screenshot: this host runs no 32-bit programs; taking the x64 build (build/$preset)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Quorlin screenshot_scene >/dev/null || fail "build failed"

# A private prefix in a temporary folder, which the cleanup removes.
unset WINEPREFIX
source scripts/wine-env.sh
tmp=$QUORLIN_WORK

# The desktop closes once the helper, the only program in it, has ended.
bmp=$tmp/shot.bmp
args=("$(winepath -w "$bmp")")
[ -z "$about" ] || args+=("$(winepath -w "$tmp/about.bmp")")
timeout 120 wine explorer /desktop=Quorlin,800x600 "build/$preset/bin/screenshot_scene.exe" "${args[@]}" ||
  true
[ -s "$bmp" ] || fail "screenshot_scene.exe made no picture"
[ -z "$about" ] || [ -s "$tmp/about.bmp" ] || fail "screenshot_scene.exe made no About box picture"

# -strip leaves out the time stamps, so an unchanged window gives the same file.
for pair in "$bmp:$out" ${about:+"$tmp/about.bmp:$about"}; do
  mkdir -p "$(dirname "${pair#*:}")"
  convert "${pair%%:*}" -strip "${pair#*:}" || fail "cannot write ${pair#*:}"
  echo "Screenshot: ${pair#*:} ($(identify -format '%wx%h' "${pair#*:}"))"
done
