# The one starter of virtual X displays (Xvfb).
# Sourced by the shell scripts that need one:
#   start_xvfb [LOG [WIDTHxHEIGHT]] starts Xvfb on the first free display
#   number from 90 on (1280x1024 unless given), with -noreset, so that it
#   never resets (and refuses connections) when its last client leaves. Sets
#   xvfb_display (the number) and xvfb_pid; returns 1 when no display could
#   be started.
# Run as a command by programs in other languages (the end-to-end driver, the
# start-up benchmark):
#   bash scripts/xvfb.sh [WIDTHxHEIGHT]
#   starts one the same way, prints "NUMBER PID" and waits for it to end; the
#   caller stops it with SIGTERM to PID and then waits for this command.
start_xvfb() {
  local n
  for n in $(seq 90 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    setsid Xvfb ":$n" -screen 0 "${2:-1280x1024}x24" -nolisten tcp -noreset >"${1:-/dev/null}" 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      xvfb_display=$n
      return 0
    fi
  done
  return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  start_xvfb /dev/null "${1:-1280x1024}" || { echo "xvfb.sh: could not start Xvfb" >&2; exit 1; }
  echo "$xvfb_display $xvfb_pid"
  wait "$xvfb_pid"
  exit 0
fi
