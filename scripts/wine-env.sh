# Sourced by the scripts that run Wine: a private Wine prefix, and a virtual
# X display when none is set. Japanese code page by default.
# quorlin_wine_cleanup ends the prefix's processes and the display, and
# removes the work folder when this file made it.
quorlin_work_made=""
if [ -z "${QUORLIN_WORK:-}" ]; then
  QUORLIN_WORK=$(mktemp -d /tmp/quorlin.XXXXXX)
  quorlin_work_made=$QUORLIN_WORK
fi
export WINEPREFIX="${WINEPREFIX:-$QUORLIN_WORK/pfx}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko downloads; and no menu entries on the host for the
# shortcuts that installers create in the prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
export LC_ALL="${QUORLIN_LC_ALL:-ja_JP.UTF-8}"

quorlin_xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    quorlin_xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi

quorlin_wine_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$quorlin_xvfb_pid" ] && kill "$quorlin_xvfb_pid" 2>/dev/null || true
  if [ -n "$quorlin_work_made" ]; then
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$quorlin_work_made"
  fi
}

# The first start of a new prefix takes a while; do it once, up front.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
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
  reg=$(mktemp --suffix=.reg)
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
  wine reg import "$(winepath -w "$reg")" >/dev/null 2>&1 || echo "wine-env: font replacements not set" >&2
  rm -f "$reg"
}
quorlin_wine_fonts
