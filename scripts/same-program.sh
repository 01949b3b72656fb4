#!/usr/bin/env bash
# Tells whether a signed Windows program is an unsigned one plus its
# Authenticode signature, so that anyone can check that the programs of a
# signed release are the ones this source builds (docs/REPRODUCIBLE.md).
# With the signature removed (osslsigncode remove-signature), the two must be
# the same byte for byte, but for the PE checksum field, which signing
# rewrites, and the zero bytes that pad the program to a multiple of 8 bytes
# ahead of the signature.
#
#   scripts/same-program.sh SIGNED.exe UNSIGNED.exe
#
# Prints "same program" and exits 0 when they are; otherwise prints one line
# naming the difference and exits 1. Leaves nothing.
set -euo pipefail
export LC_ALL=C

fail() {
  echo "same-program: $*" >&2
  exit 1
}

[ $# = 2 ] || fail "usage: scripts/same-program.sh SIGNED.exe UNSIGNED.exe"
signed=$1 unsigned=$2
for file in "$signed" "$unsigned"; do
  [ -f "$file" ] && [ -r "$file" ] || fail "cannot read '$file'"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The PE header: "MZ", at 0x3C the offset of "PE\0\0", then the 20-byte file
# header and the optional header, whose checksum is at 64 in both PE32 and
# PE32+.
[ "$(head -c 2 "$unsigned")" = MZ ] || fail "$unsigned is not a Windows program"
pe=$(od -An -tu4 -j 60 -N 4 "$unsigned" | tr -d ' ')
[ "$(od -An -tx1 -j "${pe:-0}" -N 4 "$unsigned" | tr -d ' ')" = 50450000 ] ||
  fail "$unsigned is not a Windows program"
checksum=$((pe + 4 + 20 + 64))

osslsigncode remove-signature -in "$signed" -out "$tmp/removed" >"$tmp/log" 2>&1 ||
  fail "$signed carries no signature"

size=$(stat -c %s "$unsigned")
pad=$(($(stat -c %s "$tmp/removed") - size))
[ "$pad" -ge 0 ] && [ "$pad" -lt 8 ] ||
  fail "$signed without its signature is $pad bytes longer than $unsigned"
[ "$(tail -c "+$((size + 1))" "$tmp/removed" | tr -d '\0' | wc -c)" = 0 ] ||
  fail "$signed has bytes other than zeros after the program"
# cmp -l counts bytes from 1.
first=$({ cmp -l -n "$size" "$unsigned" "$tmp/removed" || true; } |
  awk -v from=$((checksum + 1)) -v to=$((checksum + 4)) '$1 < from || $1 > to { print $1 - 1; exit }')
[ -z "$first" ] || fail "$signed is another program than $unsigned (first difference at byte $first)"
echo "same program"
