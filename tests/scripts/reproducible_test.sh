#!/usr/bin/env bash
# Checks that the release files are rebuilt bit for bit. Clones the current
# commit (HEAD: uncommitted changes are not in it) twice, into two folders of
# different names and depths, and packages each with scripts/package.sh from
# scratch, one after the other: the second later, under another time zone,
# umask and locale. Then compares every file of the two releases.
# Two full cross builds: a few minutes, too long for scripts/test.sh, which
# does not run it.
# Prints the first release's SHA256SUMS and "reproducible: N files
# identical", or, from diff, one line per file that differs or is missing
# from one of them, and exits non-zero.
# Leaves nothing: the clones and their builds are in a temporary folder that
# goes.
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
# package LABEL FOLDER UMASK TZ LANG: a fresh clone of the commit in FOLDER,
# packaged under that umask, time zone and locale into $tmp/LABEL.
package() {
  local label=$1 folder=$2 started=$SECONDS
  git clone -q --no-checkout . "$folder" && git -C "$folder" checkout -q --detach "$commit" ||
    fail "cannot clone $commit into $folder"
  (cd "$folder" && umask "$3" &&
    env -u SOURCE_DATE_EPOCH TZ="$4" LANG="$5" ./scripts/package.sh --out "$tmp/$label") \
    >"$tmp/$label.log" 2>&1 || fail "packaging in $folder failed: $(tail -n 1 "$tmp/$label.log")"
  echo "packaged $commit in $folder in $((SECONDS - started)) s"
}

package first "$tmp/a/quorlin" 022 UTC C.UTF-8
package second "$tmp/somewhere/else/q" 077 Asia/Tokyo ja_JP.UTF-8

cat "$tmp/first/SHA256SUMS"
diff -r "$tmp/first" "$tmp/second" || fail "the two releases differ"
echo "reproducible: $(ls -A "$tmp/first" | wc -l) files identical"
