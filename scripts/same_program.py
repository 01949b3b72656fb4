"""Tells whether a signed Windows program is an unsigned one plus its
Authenticode signature (scripts/same-program.sh starts it; see there).

With the signature removed (osslsigncode remove-signature), the two must be
the same byte for byte, but for the PE checksum field, which signing
rewrites, and the zero bytes that pad the program to a multiple of 8 bytes
ahead of the signature.
"""
import os
import subprocess
import sys
import tempfile


def fail(why):
    sys.exit(f"same-program: {why}")


def checksum_offset(program, name):
    """Where the PE checksum is: "MZ", at 0x3C the offset of "PE\\0\\0",
    then the 20-byte file header and the optional header, whose checksum
    is at 64 in both PE32 and PE32+."""
    pe = int.from_bytes(program[60:64], "little")
    if program[:2] != b"MZ" or len(program) < 64 or program[pe:pe + 4] != b"PE\0\0":
        fail(f"{name} is not a Windows program")
    return pe + 4 + 20 + 64


def first_difference(a, b):
    return next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), None) if a != b else None


def main(args):
    if len(args) != 2:
        fail("usage: scripts/same-program.sh SIGNED.exe UNSIGNED.exe")
    signed, unsigned = args
    for name in args:
        if not os.path.isfile(name) or not os.access(name, os.R_OK):
            fail(f"cannot read '{name}'")
    with open(unsigned, "rb") as f:
        program = f.read()
    checksum = checksum_offset(program, unsigned)
    with tempfile.TemporaryDirectory() as tmp:
        removed_path = os.path.join(tmp, "removed")
        removal = subprocess.run(["osslsigncode", "remove-signature", "-in", signed, "-out", removed_path],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if removal.returncode != 0:
            fail(f"{signed} carries no signature")
        with open(removed_path, "rb") as f:
            removed = f.read()
    size = len(program)
    pad = len(removed) - size
    if not 0 <= pad < 8:
        fail(f"{signed} without its signature is {pad} bytes longer than {unsigned}")
    if removed[size:].strip(b"\0"):
        fail(f"{signed} has bytes other than zeros after the program")
    for start, end in ((0, checksum), (checksum + 4, size)):
        first = first_difference(program[start:end], removed[start:end])
        if first is not None:
            fail(f"{signed} is another program than {unsigned} (first difference at byte {start + first})")
    print("same program")


if __name__ == "__main__":
    main(sys.argv[1:])
