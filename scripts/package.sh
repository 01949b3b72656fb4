#!/usr/bin/env bash
# Builds Quorlin for x86 and x64 and writes the release files to dist/:
#   Quorlin-<version>-x86.zip, Quorlin-<version>-x64.zip
#       Quorlin.exe, QuorlinCmd.exe, README.txt, README.ja.txt and LICENSE.txt,
#       ready to run;
#   Quorlin-<version>-x86.msi, Quorlin-<version>-x64.msi
#       per-machine installers (package/quorlin.wxs);
#   SHA256SUMS over those four.
# <version> is the programs' version, QUORLIN_VERSION in res/version.h.
#
#   scripts/package.sh [--out DIR] [--version A.B.C.D] [--sign FILE.pfx [--timestamp URL]]
#
# --out writes elsewhere than dist/; --version packages the same build under
# another version (the package tests make a "newer build" that way).
#
# The same commit gives the same bytes, wherever and whenever it is packaged:
# every time stored is SOURCE_DATE_EPOCH (by default the commit's time), the
# MSI's product code is derived from version and architecture and its package
# code from its contents, and nothing depends on the folder, time zone or
# umask (docs/REPRODUCIBLE.md).
#
# --sign signs both programs, before they go into the zip and the MSI, and
# then the MSI, with the certificate and key in FILE.pfx (SHA-256). Its
# password is read from the environment variable QUORLIN_SIGN_PASSWORD,
# never from the command line. --timestamp adds an RFC 3161 time stamp from
# that server, so that the signatures outlive the certificate. The build's
# own programs stay unsigned; scripts/same-program.sh tells whether a signed
# one is the same program.
#
# The programs are built in build folders of the script's own,
# build/package-win32 and build/package-win64, configured afresh from the
# presets every time: nothing set in another build folder, or left in these
# by an earlier run, reaches a release.
#
# The files are made in a temporary folder and moved into the output folder
# only when all of them are done: a failure leaves the output as it was.
# Leaves its two build folders and the output files; its temporary folder
# goes.
# A && B || fail: fail runs when either of them fails, as meant.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export LC_ALL=C.UTF-8 TZ=UTC

# The build's programs that ship, each in both zips and both MSIs.
programs=(
  Quorlin.exe
  QuorlinCmd.exe
)
documents=(README.txt README.ja.txt LICENSE.txt)

fail() {
  echo "package: $*" >&2
  exit 1
}

out=$root/dist
version=""
pfx=""
timestamp=""
while [ $# -gt 0 ]; do
  case $1 in
    --out) [ $# -ge 2 ] || fail "--out needs a folder"; out=$2; shift 2 ;;
    --version) [ $# -ge 2 ] || fail "--version needs a value"; version=$2; shift 2 ;;
    --sign) [ $# -ge 2 ] || fail "--sign needs a .pfx file"; pfx=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || fail "--timestamp needs a server address"; timestamp=$2; shift 2 ;;
    *) fail "unknown argument '$1' (use --out DIR, --version A.B.C.D, --sign FILE.pfx, --timestamp URL)" ;;
  esac
done
[ -z "$timestamp" ] || [ -n "$pfx" ] || fail "--timestamp goes with --sign"

if [ -z "$version" ]; then
  version=$(sed -n 's/^#define QUORLIN_VERSION *\([0-9]*\) *, *\([0-9]*\) *, *\([0-9]*\) *, *\([0-9]*\) *\r\?$/\1.\2.\3.\4/p' \
    res/version.h)
  [ -n "$version" ] || fail "no '#define QUORLIN_VERSION a, b, c, d' line in res/version.h"
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
upgrade_code=$(sed -n 's/.*UpgradeCode="\([-0-9A-F]*\)".*/\1/p' package/quorlin.wxs)
[[ "$upgrade_code" =~ ^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$ ]] ||
  fail "package/quorlin.wxs has no UpgradeCode=\"XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX\""

# The one time stored in the zips and the MSIs. Zip entries cannot hold a
# time before 1980.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    fail "not a git checkout: set SOURCE_DATE_EPOCH to the release's time (seconds since 1970)"
fi
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] && [ "$SOURCE_DATE_EPOCH" -ge 315532800 ] ||
  fail "SOURCE_DATE_EPOCH '$SOURCE_DATE_EPOCH' is not a time in seconds since 1970, from 1980 on"
epoch=$SOURCE_DATE_EPOCH
epoch_text=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The certificate is checked before the build, so that a wrong one is told
# at once, in one line.
if [ -n "$pfx" ]; then
  [ -f "$pfx" ] && [ -r "$pfx" ] || fail "cannot read the certificate file '$pfx'"
  export QUORLIN_SIGN_PASSWORD=${QUORLIN_SIGN_PASSWORD-}
  # The certificate that goes with the key (-clcerts). A .pfx made by
  # Windows may use ciphers that OpenSSL 3 keeps apart (-legacy).
  for legacy in "" -legacy; do
    openssl pkcs12 $legacy -in "$pfx" -passin env:QUORLIN_SIGN_PASSWORD -nokeys -clcerts \
      -out "$tmp/signer.pem" 2>"$tmp/openssl.txt" && break
  done
  if ! grep -q 'BEGIN CERTIFICATE' "$tmp/signer.pem" 2>/dev/null; then
    if grep -qi 'mac verify' "$tmp/openssl.txt"; then
      fail "wrong password for '$pfx' (QUORLIN_SIGN_PASSWORD)"
    fi
    fail "'$pfx' holds no certificate with its key (or is no PKCS#12 .pfx file)"
  fi
  now=$(date +%s)
  from=$(date -d "$(openssl x509 -in "$tmp/signer.pem" -noout -startdate | cut -d= -f2)" +%s)
  until=$(date -d "$(openssl x509 -in "$tmp/signer.pem" -noout -enddate | cut -d= -f2)" +%s)
  [ "$now" -ge "$from" ] && [ "$now" -lt "$until" ] ||
    fail "the certificate in '$pfx' is not valid now (from $(date -u -d "@$from" +%F) until $(date -u -d "@$until" +%F))"
  usage=$(openssl x509 -in "$tmp/signer.pem" -noout -ext extendedKeyUsage 2>/dev/null || true)
  [ -z "$usage" ] || grep -q 'Code Signing' <<<"$usage" ||
    fail "the certificate in '$pfx' is not for code signing (extended key usage: $(tail -n +2 <<<"$usage" | xargs))"
  pfx=$(cd "$(dirname "$pfx")" && pwd)/$(basename "$pfx")
fi

./scripts/install-deps.sh
# Each build folder's cache goes first, so that only the preset's values and
# the project's defaults hold; the flags that CMake would take from the
# environment are unset for the same reason. The object files stay, and
# ninja rebuilds each whose command or sources changed.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS
for preset in win32 win64; do
  rm -f "build/package-$preset/CMakeCache.txt"
  cmake --preset "$preset" -B "build/package-$preset" >"$tmp/configure.txt" 2>&1 ||
    fail "configuring the $preset preset failed: $(grep -m 1 -i error "$tmp/configure.txt")"
  cmake --build "build/package-$preset" --target "${programs[@]%.exe}" >/dev/null ||
    fail "build of the $preset preset failed"
done

# uuid5 NAMESPACE NAME: the name-based UUID (SHA-1, RFC 4122), upper case.
uuid5() {
  python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$1" "$2"
}

# sign IN OUT: OUT is IN signed with the certificate (the name shows in the
# UAC prompt of the MSI).
sign() {
  local stamp=()
  [ -z "$timestamp" ] || stamp=(-ts "$timestamp")
  # The password through a pipe, where no other process sees it; the line
  # end is dropped, and an empty line is an empty password.
  osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s\n' "$QUORLIN_SIGN_PASSWORD") \
    -h sha256 -n Quorlin "${stamp[@]}" -in "$1" -out "$2" >"$tmp/osslsigncode.txt" 2>&1 ||
    fail "signing $(basename "$2") failed: $(grep -iE 'fail|error|wrong|unable' "$tmp/osslsigncode.txt" |
      grep -vE '^([0-9A-F]+:error:|Failed$)' | head -n 1)"
}

# summary PACKAGE_CODE: the MSI's summary information, for $work/$name.msi.
summary() { msibuild "$work/$name.msi" -s "Quorlin $version" Tesserine "$platform;1041" "{$1}"; }

# Windows users open the documents with Notepad: CRLF line ends, and a UTF-8
# byte order mark so that older Notepads do not guess another code page.
windows_text() {
  printf '\xEF\xBB\xBF'
  sed 's/\r\?$/\r/' "$1"
}

release=$tmp/release
mkdir "$release"
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
  # Copies are signed: the build's own programs stay as the tests run them.
  for program in "${programs[@]}"; do
    if [ -n "$pfx" ]; then
      sign "build/package-$preset/bin/$program" "$stage/$program"
    else
      cp "build/package-$preset/bin/$program" "$stage/"
    fi
  done
  # The READMEs without their picture, which a text file cannot show, and
  # pointing at each other's text file.
  for readme in README README.ja; do
    sed -e '/^!\[/d' -e 's/README\(\.ja\)\?\.md/README\1.txt/g' "$readme.md" >"$work/$readme.md"
    windows_text "$work/$readme.md" >"$stage/$readme.txt"
  done
  windows_text LICENSE >"$stage/LICENSE.txt"
  # What the zip and the cabinet keep of each file: its mode and its time.
  (cd "$stage" && chmod 755 "${programs[@]}" && chmod 644 "${documents[@]}" &&
    touch -d "@$epoch" "${programs[@]}" "${documents[@]}")

  # -X: no extra fields, which hold owners and more times.
  (cd "$stage" && zip -q -X "$work/$name.zip" -- "${programs[@]}" "${documents[@]}") ||
    fail "zip of $name failed"

  # One File line per shipped file; the first program is the component's key.
  {
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Include>'
    keypath=' KeyPath="yes"'
    for file in "${programs[@]}" "${documents[@]}"; do
      echo "  <File Id=\"$file\" Source=\"stage/$file\"$keypath/>"
      keypath=""
    done
    echo '</Include>'
  } >"$work/files.wxi"
  cp res/quorlin.ico "$work/"
  # wixl finds sources relative to the current folder only. It stores the
  # time of day as the summary's creation and save times: the clock it sees
  # stands still at SOURCE_DATE_EPOCH (-f with a date stops the clock; without
  # it, the clock runs on from there, and a slow run stored a second more).
  (cd "$work" && NO_FAKE_STAT=1 faketime -f "$epoch_text" wixl -a "$arch" -D Version="$version" \
    -D ProductCode="$(uuid5 "$upgrade_code" "product $version $arch")" \
    -D ProgramFiles="$programfiles" -D Win64="$win64" -D Icon=quorlin.ico -I . \
    -o "$name.msi" "$root/package/quorlin.wxs") || fail "wixl failed for $name.msi"

  # wixl 0.101 leaves out the upgrade row's inclusive maximum (attribute
  # 512): without it a newer build of the same 1.0.1 version would install
  # beside the old one. Attributes is part of the Upgrade table's key, so the
  # row is replaced through an exported table rather than updated.
  (cd "$work" && msiinfo export "$name.msi" Upgrade >Upgrade.idt &&
    sed -i 's/^\(.*\t\)256\(\t\tWIX_UPGRADE_DETECTED\r\?\)$/\1768\2/' Upgrade.idt &&
    grep -q $'\t768\t\tWIX_UPGRADE_DETECTED' Upgrade.idt &&
    msibuild "$name.msi" -i Upgrade.idt) || fail "patching the Upgrade table of $name.msi failed"
  # The summary's language list says Japanese, like the product's. Its
  # package code, which wixl draws at random, names the package's contents:
  # the same package, the same code; any change, another.
  summary 00000000-0000-0000-0000-000000000000 &&
    summary "$(uuid5 "$upgrade_code" "package $(sha256sum <"$work/$name.msi" | cut -c1-64)")" ||
    fail "setting the summary of $name.msi failed"

  mv "$work/$name.zip" "$release/"
  if [ -n "$pfx" ]; then
    sign "$work/$name.msi" "$release/$name.msi"
  else
    mv "$work/$name.msi" "$release/"
  fi
done

files=("Quorlin-$version-x86.zip" "Quorlin-$version-x64.zip" "Quorlin-$version-x86.msi" "Quorlin-$version-x64.msi")
(cd "$release" && sha256sum "${files[@]}" >SHA256SUMS)

# Into place: copied next to the output first, then each renamed, which
# does not fail halfway through a file; the list of checksums last.
next=""
trap 'rm -rf "$tmp" "$next"' EXIT
mkdir -p "$out" 2>/dev/null && out=$(cd "$out" && pwd) && next=$(mktemp -d "$out/.package.XXXXXX") &&
  cp "$release"/* "$next/" || fail "cannot write to $out"
for file in "${files[@]}" SHA256SUMS; do
  mv -f "$next/$file" "$out/$file"
done
echo "Wrote to $out${pfx:+, signed with $pfx}:"
(cd "$out" && ls -l "${files[@]}" SHA256SUMS)
