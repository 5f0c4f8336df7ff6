# Sourced by the scripts that need a virtual X display.
# start_xvfb [LOG]: starts Xvfb on the first free display number from 90 on,
# with -noreset, so that it never resets (and refuses connections) when its
# last client leaves. Sets xvfb_display (the number) and xvfb_pid; returns 1
# when no display could be started.
start_xvfb() {
  local n
  for n in $(seq 90 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"${1:-/dev/null}" 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      xvfb_display=$n
      return 0
    fi
  done
  return 1
}
