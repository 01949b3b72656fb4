#!/usr/bin/env bash
# Checks an exe that the build leaves, which is the one that ships: no
# symbols or debug sections, a debug link to <exe>.debug beside it, that file
# resolving the program's entry function to its source file, and, when
# given, a size limit. Leaves nothing.
#   shipped_exe_test.sh EXE OBJDUMP NM ADDR2LINE MAX_BYTES(0: none) ENTRY SOURCE
# e.g. ENTRY WinMain, SOURCE framework/winmain_win.cpp.
set -uo pipefail
exe=$1 objdump=$2 nm=$3 addr2line=$4 max=$5 entry=$6 source=$7
debug=$exe.debug
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

sections=$("$objdump" -h "$exe") || fail "objdump cannot read $exe"
grep -q ' \.debug_' <<<"$sections" && fail "$exe still has debug sections"
[ -z "$("$nm" "$exe" 2>/dev/null)" ] || fail "$exe still has symbols"
grep -q ' \.gnu_debuglink ' <<<"$sections" && strings -a "$exe" | grep -x "${debug##*/}" >/dev/null ||
  fail "$exe has no debug link to ${debug##*/}"

# The debug file must describe this very link: same code section address
# and size, and our entry point resolved to its source line.
text() { "$objdump" -h "$1" | awk '$2 == ".text" { print $3, $4 }'; }
[ -f "$debug" ] || fail "no $debug beside the exe"
[ "$(text "$exe")" = "$(text "$debug")" ] || fail "$debug describes another link"
address=$("$nm" "$debug" | awk -v entry="$entry" '$3 ~ ("^_?" entry "(@[0-9]+)?$") { print $1 }')
line=$("$addr2line" -e "$debug" "0x${address:-0}")
[[ $line == */"$source":[0-9]* ]] || fail "$debug resolves $entry to '$line'"

size=$(stat -c %s "$exe")
echo "$exe: $size bytes"
[ "$max" = 0 ] || [ "$size" -le "$max" ] || fail "$exe is $size bytes, more than $max"
exit $failed
