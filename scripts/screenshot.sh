#!/usr/bin/env bash
# Regenerates docs/screenshot.png, the README's picture: Quorlin.exe of the
# i686 build in a Wine virtual desktop (there Wine draws the window frame),
# with a removable drive E: selected, its report shown, the remove button
# enabled and a few device-change lines in the log, cropped to the window
# with its title bar and frame. The scene is set up and copied by
# screenshot_scene.exe, a helper built with the tests.
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

./scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quorlin screenshot_scene >/dev/null || fail "build failed"

# A private prefix in a temporary folder, which the cleanup removes.
unset WINEPREFIX
source scripts/wine-env.sh
tmp=$QUORLIN_WORK

# The desktop closes once the helper, the only program in it, has ended.
bmp=$tmp/shot.bmp
args=("$(winepath -w "$bmp")")
[ -z "$about" ] || args+=("$(winepath -w "$tmp/about.bmp")")
timeout 120 wine explorer /desktop=Quorlin,800x600 build/win32/bin/screenshot_scene.exe "${args[@]}" ||
  true
[ -s "$bmp" ] || fail "screenshot_scene.exe made no picture"
[ -z "$about" ] || [ -s "$tmp/about.bmp" ] || fail "screenshot_scene.exe made no About box picture"

# -strip leaves out the time stamps, so an unchanged window gives the same file.
for pair in "$bmp:$out" ${about:+"$tmp/about.bmp:$about"}; do
  mkdir -p "$(dirname "${pair#*:}")"
  convert "${pair%%:*}" -strip "${pair#*:}" || fail "cannot write ${pair#*:}"
  echo "Screenshot: ${pair#*:} ($(identify -format '%wx%h' "${pair#*:}"))"
done
