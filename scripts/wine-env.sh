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
