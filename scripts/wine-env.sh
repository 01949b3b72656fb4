# shellcheck shell=bash
# Sourced by the scripts that run Wine: Wine's settings, a private Wine
# prefix in a temporary folder unless WINEPREFIX is set, a virtual X display
# when DISPLAY is not set, and the prefix's fonts set up as Windows draws
# them. Wine is started through scripts/wine/wine, first on PATH: Wine's
# processes get the Japanese code page (QUORLIN_LC_ALL changes it), and on a
# host that runs no 32-bit programs (scripts/host.sh) everything goes to the
# 64-bit loader with a 64-bit prefix.
# quorlin_wine_cleanup ends the prefix's Wine processes and the Xvfb started
# here, removes the wineserver's folder under /tmp, and removes the temporary
# folder with the prefix: nothing is left behind. It becomes the EXIT trap
# before anything is started, unless the caller has set one of its own
# (which then calls it). When Wine cannot start or cannot make its prefix,
# the script stops with one line saying so.
quorlin_scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=scripts/host.sh
source "$quorlin_scripts/host.sh"
case ":$PATH:" in
  *":$quorlin_scripts/wine:"*) ;;
  *) export PATH="$quorlin_scripts/wine:$PATH" ;;
esac
if [ "$QUORLIN_HOST_WIN32" != 1 ] || [ "$QUORLIN_HOST_WIN32_BY" = emulation ]; then
  export WINEARCH=win64
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko downloads; and no menu entries on the host for the
# shortcuts that installers create in the prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"

quorlin_xvfb_pid=""
quorlin_work=""

# The Wine processes of this prefix, by pid: the server, the prefix's
# services and the programs running in it.
quorlin_prefix_pids() {
  local environ pid
  while IFS= read -r environ; do
    pid="${environ#/proc/}"
    pid="${pid%/environ}"
    case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
      */wine*) echo "$pid" ;;
    esac
  done < <(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null)
}

quorlin_wine_cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    # Without their server the prefix's processes end by themselves; any
    # that hang on are ended by pid.
    local _ pids=() serverDir=""
    for _ in $(seq 50); do
      mapfile -t pids < <(quorlin_prefix_pids)
      [ ${#pids[@]} -gt 0 ] || break
      sleep 0.1
    done
    [ ${#pids[@]} = 0 ] || kill -9 "${pids[@]}" 2>/dev/null || true
    # Debian's wineserver keeps its socket in a folder of its own under
    # /tmp, named in the prefix's file "wineserver", and leaves it there.
    [ -f "$WINEPREFIX/wineserver" ] && serverDir="$(cat "$WINEPREFIX/wineserver" 2>/dev/null)"
    case "$serverDir" in
      wine-??????)
        rm -rf "${TMPDIR:-/tmp}/$serverDir"
        rm -f "$WINEPREFIX/wineserver"
        ;;
    esac
  fi
  if [ -n "$quorlin_xvfb_pid" ]; then
    kill "$quorlin_xvfb_pid" 2>/dev/null || true
    wait "$quorlin_xvfb_pid" 2>/dev/null || true
    quorlin_xvfb_pid=""
  fi
  if [ -n "$quorlin_work" ]; then
    rm -rf "$quorlin_work"
    quorlin_work=""
  fi
}

# Waits up to 30 s for Quorlin's main window ("Velkomir") on the display
# (times QUORLIN_WIN32_TIME_SCALE where 32-bit programs run by emulation).
# Fails when it does not show, or when the process PID, if given, ends first.
quorlin_wait_for_window() {
  local _
  for _ in $(seq $((150 * ${QUORLIN_WIN32_TIME_SCALE:-1}))); do
    xwininfo -root -tree 2>/dev/null | grep '"Velkomir": ("quorlin.exe"' >/dev/null && return 0
    [ -z "${1:-}" ] || kill -0 "$1" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

# A signal ends the script through its EXIT trap, and so through the cleanup,
# also while the display or the prefix is still being set up.
[ -n "$(trap -p EXIT)" ] || trap quorlin_wine_cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "${WINEPREFIX:-}" ]; then
  quorlin_work="$(mktemp -d /tmp/quorlin.XXXXXX)"
  export WINEPREFIX="$quorlin_work/pfx"
  # The tests' scratch folders (their Wine drives) go in here too, so that
  # they go with the prefix.
  export QUORLIN_WORK="$quorlin_work"
fi

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and writes its number to fd 3 once it
  # accepts connections: no number is guessed, and no other server races.
  coproc QUORLIN_XVFB {
    exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>&1 >/dev/null 2>&1
  }
  # shellcheck disable=SC2153 # the coprocess's pid, set by coproc
  quorlin_xvfb_pid="$QUORLIN_XVFB_PID"
  quorlin_display=""
  read -r -t 30 -u "${QUORLIN_XVFB[0]}" quorlin_display || true
  if [ -z "$quorlin_display" ]; then
    echo "wine-env.sh: the virtual display (Xvfb) did not start" >&2
    quorlin_wine_cleanup
    exit 1
  fi
  export DISPLAY=":$quorlin_display"
fi

quorlin_wine_fail() {
  echo "wine-env.sh: $*" >&2
  exit 1
}

if ! wine --version >/dev/null 2>&1; then
  quorlin_wine_fail "Wine cannot start: $(wine --version 2>&1 | tail -n 1)"
fi

# The first start of a new prefix takes a while; do it once, up front.
# (Into a file: a pipe would wait for the prefix's services, which keep the
# first wine's output open.)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  quorlin_boot_log="$(mktemp "${TMPDIR:-/tmp}/quorlin-wineboot.XXXXXX")"
  wineboot -i >"$quorlin_boot_log" 2>&1 || true
  wineserver -w || true
  quorlin_boot_error="$(grep -v '^[[:space:]]*$' "$quorlin_boot_log" | tail -n 1)"
  rm -f "$quorlin_boot_log"
  if [ ! -d "$WINEPREFIX/drive_c/windows" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    quorlin_wine_fail "Wine could not make its prefix $WINEPREFIX${quorlin_boot_error:+ (wineboot: $quorlin_boot_error)}"
  fi
fi

# Fonts as Windows draws them. Debian's Wine does not find its own fonts
# (Marlett draws the caption buttons, Tahoma the captions) where the package
# puts them, so they are linked into the prefix's Fonts folder. The dialogs
# ask for ＭＳ ゴシック and ＭＳ Ｐゴシック; without them Wine picks any Japanese
# font, and the IPA fonts are wider and sit lower: "WM_DEVICECHANGE" lost its
# underscore below its 8-unit label, or its end. The Ume fonts are cut to the
# same metrics (ascent 0.859, descent 0.141 of the em); their S4 cut draws
# the code 0x5C as a yen sign, as the Windows fonts do, and unlike the other
# proportional cuts keeps a colon clear of the next letter at 12 pixels.
quorlin_wine_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  [ -e "$fonts/marlett.ttf" ] || ln -sf /usr/share/wine/fonts/*.ttf "$fonts/"
  grep -q '^\[Software\\\\Wine\\\\Fonts\\\\Replacements\]' "$WINEPREFIX/user.reg" && return
  local reg
  reg=$(mktemp -p "$WINEPREFIX" --suffix=.reg)
  {
    printf '\xFF\xFE'
    iconv -f UTF-8 -t UTF-16LE <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ ゴシック"="Ume Gothic S4"
"ＭＳ Ｐゴシック"="Ume P Gothic S4"
"MS Gothic"="Ume Gothic S4"
"MS PGothic"="Ume P Gothic S4"
"MS UI Gothic"="Ume P Gothic S4"
REG
  } >"$reg"
  if ! wine reg import "$(winepath -w "$reg")" >/dev/null 2>&1; then
    rm -f "$reg"
    quorlin_wine_fail "Wine could not import the font replacements into $WINEPREFIX"
  fi
  rm -f "$reg"
}
quorlin_wine_fonts
