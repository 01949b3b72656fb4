#!/usr/bin/env bash
# Builds Quorlin for x86 and x64 and writes the release files to dist/:
#   Quorlin-<version>-x86.zip, Quorlin-<version>-x64.zip
#       Quorlin.exe, README.txt, README.ja.txt and LICENSE.txt, ready to run;
#   Quorlin-<version>-x86.msi, Quorlin-<version>-x64.msi
#       per-machine installers (package/quorlin.wxs);
#   SHA256SUMS over those four.
# <version> is the file version of the version block in res/version.rc.
#
#   scripts/package.sh [--out DIR] [--version A.B.C.D]
#
# --out writes elsewhere than dist/; --version packages the same build under
# another version (the package tests make a "newer build" that way). Leaves the
# build folders and the output files; its temporary folder is removed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The build's programs that ship, each in both zips and both MSIs.
programs=(
  Quorlin.exe
)

fail() {
  echo "package: $*" >&2
  exit 1
}

out=$root/dist
version=""
while [ $# -gt 0 ]; do
  case $1 in
    --out) [ $# -ge 2 ] || fail "--out needs a folder"; out=$2; shift 2 ;;
    --version) [ $# -ge 2 ] || fail "--version needs a value"; version=$2; shift 2 ;;
    *) fail "unknown argument '$1' (use --out DIR, --version A.B.C.D)" ;;
  esac
done

if [ -z "$version" ]; then
  version=$(sed -n 's/^FILEVERSION *\([0-9]*\) *, *\([0-9]*\) *, *\([0-9]*\) *, *\([0-9]*\) *\r\?$/\1.\2.\3.\4/p' \
    res/version.rc)
  [ -n "$version" ] || fail "no FILEVERSION a, b, c, d line in res/version.rc"
fi
# Windows Installer takes at most 255.255.65535 for the first three fields.
IFS=. read -r major minor build revision extra <<<"$version"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] && [ -z "$extra" ] &&
  [ "$major" -le 255 ] && [ "$minor" -le 255 ] && [ "$build" -le 65535 ] &&
  [ "$revision" -le 65535 ] || fail "version '$version' is not A.B.C.D within 255.255.65535.65535"

# Debian's wixl 0.101 drops text outside ASCII from the tables, or crashes
# on it; what Windows shows must therefore be ASCII in the source.
if LC_ALL=C grep -nP '[^\x00-\x7F]' package/quorlin.wxs >&2; then
  fail "package/quorlin.wxs has text outside ASCII, which wixl cannot store"
fi

./scripts/install-deps.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "${programs[@]%.exe}" >/dev/null ||
    fail "build of the $preset preset failed"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
out=$(cd "$out" && pwd)

# Windows users open the documents with Notepad: CRLF line ends, and a UTF-8
# byte order mark so that older Notepads do not guess another code page.
windows_text() {
  printf '\xEF\xBB\xBF'
  sed 's/\r\?$/\r/' "$1"
}

for arch in x86 x64; do
  if [ "$arch" = x86 ]; then
    preset=win32 programfiles=ProgramFilesFolder win64=no platform=Intel
  else
    preset=win64 programfiles=ProgramFiles64Folder win64=yes platform=x64
  fi
  name=Quorlin-$version-$arch
  work=$tmp/$arch
  stage=$work/stage
  mkdir -p "$stage"
  for program in "${programs[@]}"; do
    cp "build/$preset/bin/$program" "$stage/"
  done
  # The READMEs without their picture, which a text file cannot show, and
  # pointing at each other's text file.
  for readme in README README.ja; do
    sed -e '/^!\[/d' -e 's/README\(\.ja\)\?\.md/README\1.txt/g' "$readme.md" >"$work/$readme.md"
    windows_text "$work/$readme.md" >"$stage/$readme.txt"
  done
  windows_text LICENSE >"$stage/LICENSE.txt"

  (cd "$stage" && zip -q -X "$work/$name.zip" -- *) || fail "zip of $name failed"

  # One File line per shipped file; the first program is the component's key.
  {
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Include>'
    keypath=' KeyPath="yes"'
    for file in "${programs[@]}" README.txt README.ja.txt LICENSE.txt; do
      echo "  <File Id=\"$file\" Source=\"stage/$file\"$keypath/>"
      keypath=""
    done
    echo '</Include>'
  } >"$work/files.wxi"
  cp res/quorlin.ico "$work/"
  # wixl finds sources relative to the current folder only.
  (cd "$work" && wixl -a "$arch" -D Version="$version" -D ProgramFiles="$programfiles" \
    -D Win64="$win64" -D Icon=quorlin.ico -I . -o "$name.msi" "$root/package/quorlin.wxs") ||
    fail "wixl failed for $name.msi"

  # wixl 0.101 leaves out the upgrade row's inclusive maximum (attribute
  # 512): without it a newer build of the same 1.0.1 version would install
  # beside the old one. Attributes is part of the Upgrade table's key, so the
  # row is replaced through an exported table rather than updated.
  (cd "$work" && msiinfo export "$name.msi" Upgrade >Upgrade.idt &&
    sed -i 's/^\(.*\t\)256\(\t\tWIX_UPGRADE_DETECTED\r\?\)$/\1768\2/' Upgrade.idt &&
    grep -q $'\t768\t\tWIX_UPGRADE_DETECTED' Upgrade.idt &&
    msibuild "$name.msi" -i Upgrade.idt) || fail "patching the Upgrade table of $name.msi failed"
  # The summary's language list says Japanese, like the product's.
  msibuild "$work/$name.msi" -s "Quorlin $version" Tesserine "$platform;1041" ||
    fail "setting the summary of $name.msi failed"

  mv "$work/$name.zip" "$work/$name.msi" "$out/"
done

(cd "$out" && sha256sum "Quorlin-$version-x86.zip" "Quorlin-$version-x64.zip" \
  "Quorlin-$version-x86.msi" "Quorlin-$version-x64.msi" >SHA256SUMS)
echo "Wrote to $out:"
(cd "$out" && ls -l "Quorlin-$version"-* SHA256SUMS)
