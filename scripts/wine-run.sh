#!/usr/bin/env bash
# Runs a Windows executable under Wine: one prefix per build folder,
# initialised once, a persistent wineserver so that each process starts fast,
# and a virtual X display when none is set.
set -euo pipefail
exe=$1; shift
build=${CARDLOOM_WINE_BUILD:-$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${DISPLAY:-}" ]; then
  # A private display for this run; Xvfb ends with the wineserver's session.
  for n in $(seq 90 140); do
    if [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      export DISPLAY=:$n
      for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
      break
    fi
  done
fi
if [ ! -f "$WINEPREFIX/.cardloom-ready" ]; then
  mkdir -p "$WINEPREFIX"
  (flock 9
   if [ ! -f "$WINEPREFIX/.cardloom-ready" ]; then
     wineboot --init >/dev/null 2>&1 || true
     wineserver -w || true
     touch "$WINEPREFIX/.cardloom-ready"
   fi) 9>"$WINEPREFIX.lock"
fi
wineserver -p >/dev/null 2>&1 || true
exec wine "$exe" "$@"
