#!/usr/bin/env bash
# Checks the exe that the build leaves, which is the one that ships: no
# symbols or debug sections, a debug link to Quorlin.exe.debug beside it,
# that file resolving the exe's code to our sources, and, when given, a size
# limit. Leaves nothing.
#   shipped_exe_test.sh EXE OBJDUMP NM ADDR2LINE MAX_BYTES(0: none)
set -uo pipefail
exe=$1 objdump=$2 nm=$3 addr2line=$4 max=$5
debug=$exe.debug
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

sections=$("$objdump" -h "$exe") || fail "objdump cannot read $exe"
grep -q ' \.debug_' <<<"$sections" && fail "$exe still has debug sections"
[ -z "$("$nm" "$exe" 2>/dev/null)" ] || fail "$exe still has symbols"
grep -q ' \.gnu_debuglink ' <<<"$sections" && strings -a "$exe" | grep -qx "${debug##*/}" ||
  fail "$exe has no debug link to ${debug##*/}"

# The debug file must describe this very link: same code section address
# and size, and our entry point resolved to its source line.
text() { "$objdump" -h "$1" | awk '$2 == ".text" { print $3, $4 }'; }
[ -f "$debug" ] || fail "no $debug beside the exe"
[ "$(text "$exe")" = "$(text "$debug")" ] || fail "$debug describes another link"
winmain=$("$nm" "$debug" | awk '$3 ~ /^_?WinMain(@16)?$/ { print $1 }')
line=$("$addr2line" -e "$debug" "0x${winmain:-0}")
[[ $line == */framework/winmain_win.cpp:[0-9]* ]] || fail "$debug resolves WinMain to '$line'"

size=$(stat -c %s "$exe")
echo "$exe: $size bytes"
[ "$max" = 0 ] || [ "$size" -le "$max" ] || fail "$exe is $size bytes, more than $max"
exit $failed
