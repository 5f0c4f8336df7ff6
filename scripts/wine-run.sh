#!/usr/bin/env bash
# Runs a Windows executable under Wine: one prefix per build folder, made once,
# and a persistent wineserver so that each process starts fast.
#   wine-run.sh program.exe [arguments]   run (the test emulator of the Windows build)
#   wine-run.sh --prepare                 only make $WINEPREFIX and start its wineserver
# Without $DISPLAY, one virtual display per prefix is started and reused; it
# stays until killed (its process id is in $WINEPREFIX.xvfb).
set -euo pipefail
if [ "${1:-}" = --prepare ]; then
  exe=
  : "${WINEPREFIX:?--prepare needs WINEPREFIX}"
else
  exe=$1
  shift
  build=${CARDLOOM_WINE_BUILD:-$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine: saves the installer prompts and seconds per start.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$(dirname "$WINEPREFIX")"

if [ -z "${DISPLAY:-}" ]; then
  exec 8>"$WINEPREFIX.xvfb.lock"
  flock 8
  n=$(cat "$WINEPREFIX.display" 2>/dev/null || true)
  if [ -z "$n" ] || [ ! -e "/tmp/.X11-unix/X$n" ]; then
    . "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
    start_xvfb || { echo "wine-run: could not start Xvfb" >&2; exit 1; }
    n=$xvfb_display
    echo "$xvfb_pid" >"$WINEPREFIX.xvfb"
    echo "$n" >"$WINEPREFIX.display"
  fi
  export DISPLAY=:$n
  flock -u 8
fi

if [ ! -f "$WINEPREFIX/.cardloom-ready" ]; then
  (flock 9
   if [ ! -f "$WINEPREFIX/.cardloom-ready" ]; then
     mkdir -p "$WINEPREFIX"
     wineboot --init >/dev/null 2>&1 || true
     # Wine places its windows itself, as Windows does: with no window manager
     # on the virtual display, a window that X manages waits two seconds for
     # each state change and never becomes maximised. Set before any test
     # starts, since a process reads it only when it starts.
     wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
     wineserver -w || true
     touch "$WINEPREFIX/.cardloom-ready"
   fi) 9>"$WINEPREFIX.lock"
fi
wineserver -p >/dev/null 2>&1 || true
if [ -z "$exe" ]; then
  # Start Wine's background services now, with no output attached: started by
  # the first test instead, they would inherit its output pipe and hold it
  # open, and CTest would wait on that test until its timeout.
  wine wineboot </dev/null >/dev/null 2>&1 || true
  exit 0
fi
exec wine "$exe" "$@"
