#!/usr/bin/env bash
# Tells whether a signed Windows program is an unsigned one plus its
# Authenticode signature, so that anyone can check that the programs of a
# signed release are the ones this source builds (docs/REPRODUCIBLE.md).
# With the signature removed (osslsigncode remove-signature), the two must be
# the same byte for byte, but for the PE checksum field, which signing
# rewrites, and the zero bytes that pad the program to a multiple of 8 bytes
# ahead of the signature. The comparison is scripts/same_program.py.
#
#   scripts/same-program.sh SIGNED.exe UNSIGNED.exe
#
# Prints "same program" and exits 0 when they are; otherwise prints one line
# naming the difference and exits 1. Leaves nothing.
set -euo pipefail
exec python3 "$(dirname "$0")/same_program.py" "$@"
