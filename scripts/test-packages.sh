#!/usr/bin/env bash
# Checks the release files under Wine the way a Windows user meets them.
# It makes them with scripts/package.sh in a temporary folder, together with a
# "newer build" (the same files under the next revision number), then for x86
# and x64: the MSI's tables; a silent install into a fresh Wine prefix; the
# installed files byte for byte; the Start-menu shortcut and the Add/Remove
# entry with icon, publisher and version; Quorlin started from the shortcut
# shows its window and the installed QuorlinCmd.exe answers; installing again
# and installing the newer build leave one entry; uninstalling leaves no
# file, folder or registry value behind; the zip unpacks to the same files,
# its Quorlin.exe starts and its QuorlinCmd.exe answers. Packaging again
# under another time zone and umask gives the same bytes. A release signed
# with a throwaway certificate verifies with it, its programs are the
# unsigned ones plus a signature, and its MSIs install and uninstall as
# cleanly; a missing or bad certificate, a wrong password or a failing time
# stamp server is refused in one line and leaves the output folder as it
# was. On a host that runs no 32-bit programs (scripts/host.sh) the x86 MSI
# is still installed and checked, but its programs are not started: those
# checks count as skipped.
# Prints one line per failed check and "N passed, M failed, K skipped" at the
# end, also into the file QUORLIN_PACKAGES_SUMMARY names, if set.
# Leaves nothing: the temporary folder with its prefixes goes, and the Wine
# servers and the virtual display it started are ended.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/host.sh

tmp=$(mktemp -d)
prefixes=()
cleanup() {
  # Each prefix's Wine processes and server folder, then the display.
  if declare -F quorlin_wine_cleanup >/dev/null; then
    for p in "${prefixes[@]}"; do
      WINEPREFIX=$p quorlin_wine_cleanup
    done
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

passed=0
failed=0
skipped=0
summary() {
  echo "$passed passed, $failed failed, $skipped skipped" | tee ${QUORLIN_PACKAGES_SUMMARY:+"$QUORLIN_PACKAGES_SUMMARY"}
}
# check DESCRIPTION COMMAND...: runs the command quietly and counts the result.
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
  fi
}
# start_check ARCH DESCRIPTION COMMAND...: a check that starts one of the
# programs of ARCH; x86 ones only where the host runs 32-bit programs.
start_check() {
  if [ "$1" = x86 ] && [ "$QUORLIN_HOST_WIN32" = 0 ]; then
    skipped=$((skipped + 1))
    return
  fi
  shift
  check "$@"
}
# Ends the run when a step that the later checks build on goes wrong.
must() {
  local what=$1
  shift
  "$@" >/dev/null 2>&1 || {
    echo "FAIL: $what"
    failed=$((failed + 1))
    summary
    exit 1
  }
}

# The release files and a newer build of them.
./scripts/package.sh --out "$tmp/dist" >/dev/null
msis=("$tmp"/dist/Quorlin-*-x86.msi)
must "the release has its x86 MSI" test -f "${msis[0]}"
version=${msis[0]##*/Quorlin-}
version=${version%-x86.msi}
newer=${version%.*}.$((${version##*.} + 1))
./scripts/package.sh --out "$tmp/newer" --version "$newer" >/dev/null

sums_hold() { (cd "$1" && [ "$(wc -l <SHA256SUMS)" = 4 ] && sha256sum -c --quiet SHA256SUMS); }
check "SHA256SUMS lists the four files with their hashes" sums_hold "$tmp/dist"
(umask 077 && TZ=Pacific/Kiritimati ./scripts/package.sh --out "$tmp/again" >/dev/null)
check "packaging again, later and under another time zone and umask, gives the same files" \
  cmp "$tmp/dist/SHA256SUMS" "$tmp/again/SHA256SUMS"

# A release signed with a throwaway self-signed code-signing certificate.
export QUORLIN_SIGN_PASSWORD="test $RANDOM"
must "a throwaway code-signing certificate is made" openssl req -x509 -newkey rsa:2048 -nodes \
  -keyout "$tmp/signer.key" -out "$tmp/signer.pem" -days 2 -subj "/CN=Quorlin test signer" \
  -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning
must "the certificate goes into a .pfx" openssl pkcs12 -export -inkey "$tmp/signer.key" \
  -in "$tmp/signer.pem" -out "$tmp/signer.pfx" -passout env:QUORLIN_SIGN_PASSWORD
must "a signed release is made" ./scripts/package.sh --sign "$tmp/signer.pfx" --out "$tmp/signed"
check "SHA256SUMS of the signed release covers the signed files" sums_hold "$tmp/signed"
for arch in x86 x64; do
  preset=win32
  [ "$arch" = x86 ] || preset=win64
  must "$arch signed zip unpacks" unzip -q "$tmp/signed/Quorlin-$version-$arch.zip" -d "$tmp/signed-$arch"
  for file in "signed-$arch/Quorlin.exe" "signed-$arch/QuorlinCmd.exe" "signed/Quorlin-$version-$arch.msi"; do
    check "$file verifies with the certificate as root" osslsigncode verify -CAfile "$tmp/signer.pem" -in "$tmp/$file"
  done
  for exe in Quorlin.exe QuorlinCmd.exe; do
    check "$arch signed zip: $exe without its signature is the build's own" \
      scripts/same-program.sh "$tmp/signed-$arch/$exe" "build/$preset/bin/$exe"
  done
done
# ... and a program changed by one byte is not.
not() { ! "$@"; }
{ head -c 1000 build/win64/bin/QuorlinCmd.exe && printf X && tail -c +1002 build/win64/bin/QuorlinCmd.exe; } >"$tmp/changed.exe"
must "the changed program is signed" osslsigncode sign -pkcs12 "$tmp/signer.pfx" \
  -readpass <(echo "$QUORLIN_SIGN_PASSWORD") -in "$tmp/changed.exe" -out "$tmp/changed-signed.exe"
check "same-program.sh tells a changed program from the build's own" \
  not scripts/same-program.sh "$tmp/changed-signed.exe" build/win64/bin/QuorlinCmd.exe

# refused WORD PASSWORD ARGUMENTS...: packaging so fails with one line that
# has WORD in it, and leaves the release already in the output folder as it was.
refused() {
  local word=$1 password=$2
  shift 2
  rm -rf "$tmp/refused" && cp -a "$tmp/dist" "$tmp/refused" &&
    not env QUORLIN_SIGN_PASSWORD="$password" ./scripts/package.sh --out "$tmp/refused" "$@" 2>"$tmp/refused.txt" &&
    [ "$(wc -l <"$tmp/refused.txt")" = 1 ] && grep -q "$word" "$tmp/refused.txt" && diff -r "$tmp/dist" "$tmp/refused"
}
pw=$QUORLIN_SIGN_PASSWORD
check "a missing certificate file is refused" refused "cannot read" "$pw" --sign "$tmp/none.pfx"
check "a file that is no certificate is refused" refused "no PKCS#12" "$pw" --sign LICENSE
check "a wrong password is refused" refused "wrong password" wrong --sign "$tmp/signer.pfx"
check "a time stamp server that does not answer fails the signing, and nothing is written" \
  refused "signing Quorlin.exe failed" "$pw" --sign "$tmp/signer.pfx" --timestamp http://127.0.0.1:9/

# One fresh prefix, booted once; the second architecture gets a copy made
# before anything is installed in it.
export WINEPREFIX=$tmp/pfx-x64
prefixes+=("$WINEPREFIX")
export QUORLIN_WORK=$tmp
source scripts/wine-env.sh
must "a fresh Wine prefix boots" test -f "$WINEPREFIX/system.reg"
wineserver -w  # the registry is on disk once the server has gone
prefixes+=("$tmp/pfx-x86")
cp -a "$tmp/pfx-x64" "$tmp/pfx-x86"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# Values of the Add/Remove entries named Quorlin in one registry view (32 or
# 64), one "key<TAB>name<TAB>value" line each.
arp_values() {
  wine reg query "$uninstall_key" /s "/reg:$1" 2>/dev/null | tr -d '\r' | awk -F '    ' '
    /^HKEY_/ { key = $0; next }
    NF >= 3 { print key "\t" $2 "\t" $4 }' |
    awk -F '\t' '$2 == "DisplayName" && $3 == "Quorlin" { keys[$1] = 1 } { line[NR] = $0; k[NR] = $1 }
      END { for (i = 1; i <= NR; ++i) if (k[i] in keys) print line[i] }'
}
arp_count() { arp_values "$1" | awk -F '\t' '$2 == "DisplayName"' | wc -l; }
arp_value() { arp_values "$1" | awk -F '\t' -v n="$2" '$2 == n { print $3 }'; }

# The product icon that Add/Remove shows: the Installer's ProductIcon value.
product_icon() {
  wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' |
    awk -F '    ' '/^HKEY_/ { if (name == "Quorlin") print icon; name = icon = ""; next }
      $2 == "ProductName" { name = $4 } $2 == "ProductIcon" { icon = $4 }
      END { if (name == "Quorlin") print icon }'
}

# Registry of the prefix as sorted "[key]<TAB>value" lines, and its files.
snapshot() {
  timeout 120 wineserver -w || true
  for hive in system user; do
    awk '/^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key); print key; next }
      /^#/ || /^$/ || /^WINE REGISTRY/ || /^;;/ { next }
      { print key "\t" $0 }' "$WINEPREFIX/$hive.reg"
  done | LC_ALL=C sort >"$1.reg"
  (cd "$WINEPREFIX/drive_c" && find . | LC_ALL=C sort) >"$1.files"
}

# What an uninstall left: registry lines and paths that were not there
# before. Not counted: the Windows Installer's own empty container keys and
# its folder, and the empty Uninstall key of the 32-bit view (a 64-bit-only
# Wine makes it only when the x86 package installs), which Windows keeps
# too; and the display adapter's driver date that Wine's display driver
# rewrites at each start.
leftovers() {
  LC_ALL=C comm -13 "$1.reg" "$2.reg" | awk -F '\t' '
    NF == 1 && /\\\\Installer(\\\\|\])/ { next }
    NF == 1 && /^\[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\]$/ { next }
    /^\[System\\\\CurrentControlSet\\\\Control\\\\Class\\\\/ { next }
    { print }'
  LC_ALL=C comm -13 "$1.files" "$2.files" | while read -r path; do
    [ "$path" = ./windows/Installer ] && [ -z "$(ls -A "$WINEPREFIX/drive_c/windows/Installer")" ] ||
      echo "$path"
  done
}

# Starts a program (a Unix path: an exe, or a shortcut through start.exe),
# waits for Quorlin's main window, then ends the prefix's processes.
starts_with_window() {
  if [[ $1 == *.lnk ]]; then
    wine start /unix "$1" >/dev/null 2>&1 &
  else
    wine "$1" >/dev/null 2>&1 &
  fi
  local pid=$! shown=0
  # No process to watch: the program may be started by start.exe, which ends at once.
  # shellcheck disable=SC2119
  quorlin_wait_for_window || shown=1
  wineserver -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  wineserver -w
  return $shown
}

# QuorlinCmd.exe answers where it was put: its version block's version, and
# C: in its list. (Into files: a pipe after wine would wait for the prefix's
# services, which keep the first wine's output open.)
cmd_answers() {
  wine "$1" --version >"$tmp/cmd-version.txt" 2>/dev/null &&
    [ "$(tr -d '\r' <"$tmp/cmd-version.txt")" = "QuorlinCmd Ver.:${version//./, }" ] &&
    wine "$1" list >"$tmp/cmd-list.txt" 2>/dev/null &&
    tr -d '\r' <"$tmp/cmd-list.txt" | grep -xF 'C:\  Fixed' >/dev/null
}

tab=$'\t'
# Rows of one table of an MSI, without the header lines.
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
properties_are() {
  [ "$(table "$1" Property | grep -E "^(ProductName|Manufacturer|ProductVersion|ALLUSERS)$tab" |
    LC_ALL=C sort)" = "$(printf 'ALLUSERS\t1\nManufacturer\tTesserine\nProductName\tQuorlin\nProductVersion\t%s' "$2")" ]
}
zip_holds_the_documents() {
  [ -f "$1/Quorlin.exe" ] && [ -f "$1/QuorlinCmd.exe" ] && [ -f "$1/README.txt" ] &&
    [ -f "$1/README.ja.txt" ] && [ -f "$1/LICENSE.txt" ]
}
# The Windows Installer's owners of the MSI's component, the one that holds
# the programs: one "    PRODUCT    REG_SZ    KEY PATH" line per product that
# has it installed, PRODUCT the product code in the Installer's packed form.
component_owners() {
  local component
  component=$(table "$1" Component | cut -f2)
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\$(packed "$component")" \
    /reg:64 2>/dev/null | tr -d '\r' | grep -F REG_SZ
}
# The Installer's packed form of a GUID: its first three groups reversed,
# each byte of the rest with its two digits swapped.
packed() {
  python3 -c 'import sys, uuid
h = uuid.UUID(sys.argv[1]).hex.upper()
print(h[7::-1] + h[11:7:-1] + h[15:11:-1] + "".join(h[i + 1] + h[i] for i in range(16, 32, 2)))' "$1"
}
# The installed programs belong to the product of MSI, and to no other.
installed_by() {
  local product
  product=$(table "$1" Property | grep "^ProductCode$tab" | cut -f2)
  [ -n "$product" ] &&
    [ "$(component_owners "$1")" = "    $(packed "$product")    REG_SZ    $2" ]
}
msi_files_are() { [ "$(table "$1" File | cut -f3 | LC_ALL=C sort)" = "$2" ]; }
icon_installed() { [ -n "$1" ] && cmp "$(winepath -u "$1")" res/quorlin.ico; }
# The shortcut's target path (ANSI) and icon location (UTF-16).
link_points_at() {
  { strings -a "$1" && strings -a -el "$1"; } >"$tmp/link.txt"
  grep -qF "$2" "$tmp/link.txt" && grep -qF "$3" "$tmp/link.txt"
}

for arch in x86 x64; do
  if [ "$arch" = x86 ]; then
    preset=win32 view=32 other=64 folder="Program Files (x86)" pf=ProgramFilesFolder platform=Intel
  else
    preset=win64 view=64 other=32 folder="Program Files" pf=ProgramFiles64Folder platform=x64
  fi
  export WINEPREFIX=$tmp/pfx-$arch
  msi=$tmp/dist/Quorlin-$version-$arch.msi
  msi_newer=$tmp/newer/Quorlin-$newer-$arch.msi
  zip=$tmp/dist/Quorlin-$version-$arch.zip
  unzipped=$tmp/zip-$arch
  dir=$WINEPREFIX/drive_c/$folder/Quorlin
  echo "== $arch"

  # What Windows reads from the package itself.
  check "$arch msi: product Quorlin $version by Tesserine, per machine" properties_are "$msi" "$version"
  check "$arch msi: upgrade row includes its maximum version" \
    grep -qx "{[-0-9A-F]*}${tab}0.0.0$tab$version$tab${tab}768$tab${tab}WIX_UPGRADE_DETECTED" <(table "$msi" Upgrade)
  check "$arch msi: summary names the platform $platform and Japanese" \
    grep -qx "Template: $platform;1041" <(msiinfo suminfo "$msi")
  check "$arch msi: installs under $pf" grep -qx "INSTALLDIR$tab$pf${tab}Quorlin" <(table "$msi" Directory)

  # The zip: exactly the shipped files, the programs as built.
  rm -rf "$unzipped" && mkdir -p "$unzipped"
  must "$arch zip unpacks" unzip -q "$zip" -d "$unzipped"
  shipped=$(cd "$unzipped" && LC_ALL=C ls)
  check "$arch zip holds Quorlin.exe, QuorlinCmd.exe, README.txt, README.ja.txt and LICENSE.txt" \
    zip_holds_the_documents "$unzipped"
  check "$arch msi installs the same files as the zip" msi_files_are "$msi" "$shipped"
  for exe in $(echo "$shipped" | grep '\.exe$'); do
    check "$arch zip: $exe is the build's own, byte for byte" cmp "$unzipped/$exe" "build/$preset/bin/$exe"
  done

  snapshot "$tmp/before-$arch"
  must "$arch msi installs silently" wine msiexec /i "$msi" /qn
  for file in $shipped; do
    check "$arch msi: installed $file is byte-identical to the built one" cmp "$dir/$file" "$unzipped/$file"
  done

  check "$arch msi: one Add/Remove entry in the $view-bit view" test "$(arp_count $view)" = 1
  check "$arch msi: no Add/Remove entry in the $other-bit view" test "$(arp_count $other)" = 0
  check "$arch msi: Add/Remove entry names publisher Tesserine" test "$(arp_value $view Publisher)" = Tesserine
  check "$arch msi: Add/Remove entry shows version $version" \
    test "$(arp_value $view DisplayVersion)" = "$version"
  icon=$(product_icon)
  check "$arch msi: Add/Remove icon is installed ($icon)" icon_installed "$icon"

  # Wine's msi puts a per-machine shortcut into the installing user's Start
  # menu; Windows uses the all-users one. Either way there is one.
  links=()
  for l in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorlin.lnk" \
    "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Quorlin.lnk; do
    [ -f "$l" ] && links+=("$l")
  done
  check "$arch msi: one Start-menu shortcut Quorlin" test ${#links[@]} = 1
  link=${links[0]:-none}
  check "$arch msi: shortcut points at the installed Quorlin.exe with the program's icon" \
    link_points_at "$link" "C:\\$folder\\Quorlin\\Quorlin.exe" "$icon"
  start_check $arch "$arch msi: Quorlin started from the shortcut shows its window" starts_with_window "$link"
  start_check $arch "$arch msi: the installed QuorlinCmd.exe answers" cmd_answers "$dir/QuorlinCmd.exe"

  must "$arch msi installs again" wine msiexec /i "$msi" /qn
  check "$arch msi: installing again leaves one entry" test "$(arp_count $view)" = 1
  must "$arch msi: the newer build $newer installs" wine msiexec /i "$msi_newer" /qn
  check "$arch msi: the newer build replaces the entry" \
    test "$(arp_count $view)-$(arp_value $view DisplayVersion)" = "1-$newer"
  # The newer build ships the same programs: what tells its files from the
  # older build's is the product that the Windows Installer has them for.
  check "$arch msi: Quorlin.exe is in place, installed by the newer build alone" \
    installed_by "$msi_newer" "C:\\$folder\\Quorlin\\Quorlin.exe"
  check "$arch msi: the newer build's Quorlin.exe is the built one" cmp "$dir/Quorlin.exe" "$unzipped/Quorlin.exe"

  must "$arch msi uninstalls silently" wine msiexec /x "$msi_newer" /qn
  snapshot "$tmp/after-$arch"
  leftovers "$tmp/before-$arch" "$tmp/after-$arch" >"$tmp/left-$arch"
  check "$arch msi: uninstall leaves nothing behind ($(head -c 300 "$tmp/left-$arch" | tr '\n\t' '  '))" \
    test ! -s "$tmp/left-$arch"
  check "$arch msi: no Add/Remove entry after uninstall" test "$(arp_count $view)" = 0

  # The signed MSI, as cleanly.
  msi_signed=$tmp/signed/Quorlin-$version-$arch.msi
  must "$arch signed msi installs silently" wine msiexec /i "$msi_signed" /qn
  check "$arch signed msi: installed Quorlin.exe is the signed one" cmp "$dir/Quorlin.exe" "$tmp/signed-$arch/Quorlin.exe"
  check "$arch signed msi: one Add/Remove entry" test "$(arp_count $view)" = 1
  must "$arch signed msi uninstalls silently" wine msiexec /x "$msi_signed" /qn
  snapshot "$tmp/after-signed-$arch"
  leftovers "$tmp/before-$arch" "$tmp/after-signed-$arch" >"$tmp/left-signed-$arch"
  check "$arch signed msi: uninstall leaves nothing behind ($(head -c 300 "$tmp/left-signed-$arch" | tr '\n\t' '  '))" \
    test ! -s "$tmp/left-signed-$arch"

  start_check $arch "$arch zip: its Quorlin.exe starts and shows its window" starts_with_window "$unzipped/Quorlin.exe"
  start_check $arch "$arch zip: its QuorlinCmd.exe answers" cmd_answers "$unzipped/QuorlinCmd.exe"
done

summary
[ "$failed" = 0 ]
