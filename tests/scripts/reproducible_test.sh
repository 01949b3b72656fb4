#!/usr/bin/env bash
# Checks that the release files are rebuilt bit for bit. Clones the current
# commit (HEAD: uncommitted changes are not in it) twice, into two folders of
# different names and depths, and packages each with scripts/package.sh from
# scratch, one after the other: the second later, under another time zone,
# umask and locale. Then compares every file of the two releases.
# In the first clone, the presets' build folders and the package's own are
# configured first with another home page address, as a developer's test
# build might leave them: that address must not reach the release.
# Two full cross builds: a few minutes, too long for scripts/test.sh, which
# does not run it.
# Prints the first release's SHA256SUMS and "reproducible: N files
# identical", or, from diff, one line per file that differs or is missing
# from one of them, and exits non-zero.
# Leaves nothing: the clones and their builds are in a temporary folder that
# goes.
# A && B || fail: fail runs when either of them fails, as meant.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/../.."
export LC_ALL=C.UTF-8

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "reproducible_test: $*" >&2
  exit 1
}

commit=$(git rev-parse HEAD) || fail "not a git checkout"
poison=http://poison.invalid

# clone FOLDER: a fresh clone of the commit in FOLDER.
clone() {
  git clone -q --no-checkout . "$1" && git -C "$1" checkout -q --detach "$commit" ||
    fail "cannot clone $commit into $1"
}

# poison FOLDER: the clone's build folders, the presets' and the package's
# own, configured with another home page address.
poison() {
  local preset
  for preset in win32 win64; do
    (cd "$1" && cmake --preset "$preset" -DQUORLIN_HOME_URL="$poison" &&
      cmake --preset "$preset" -B "build/package-$preset" -DQUORLIN_HOME_URL="$poison") \
      >"$tmp/poison.log" 2>&1 || fail "cannot configure the $preset build folders in $1"
  done
}

# package LABEL FOLDER UMASK TZ LANG: the clone in FOLDER packaged under that
# umask, time zone and locale into $tmp/LABEL.
package() {
  local label=$1 folder=$2 started=$SECONDS
  (cd "$folder" && umask "$3" &&
    env -u SOURCE_DATE_EPOCH TZ="$4" LANG="$5" ./scripts/package.sh --out "$tmp/$label") \
    >"$tmp/$label.log" 2>&1 || fail "packaging in $folder failed: $(tail -n 1 "$tmp/$label.log")"
  echo "packaged $commit in $folder in $((SECONDS - started)) s"
}

clone "$tmp/a/quorlin"
poison "$tmp/a/quorlin"
package first "$tmp/a/quorlin" 022 UTC C.UTF-8
clone "$tmp/somewhere/else/q"
package second "$tmp/somewhere/else/q" 077 Asia/Tokyo ja_JP.UTF-8

for zip in "$tmp"/first/*.zip; do
  unzip -p "$zip" '*.exe' >"$tmp/programs"
  ! LC_ALL=C grep -qaF "${poison#http://}" "$tmp/programs" ||
    fail "$(basename "$zip"): a program holds $poison, set in a build folder's cache"
done
cat "$tmp/first/SHA256SUMS"
diff -r "$tmp/first" "$tmp/second" || fail "the two releases differ"
released=("$tmp"/first/*)
echo "reproducible: ${#released[@]} files identical"
