#!/usr/bin/env bash
# The run command. Installs what building and running need (not what only the
# tests need), builds build/linux and starts the editor with examples/ as the
# current folder, so that on a first start the file dialog opens beside
# examples/cardinfo.dat.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh run
# A new tree is made without the tests, which need more packages; a tree the
# test command made keeps them.
tests=()
[ -f build/linux/CMakeCache.txt ] || tests=(-DCARDLOOM_TESTS=OFF)
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${tests[@]}" >/dev/null
ninja -C build/linux -j "${CARDLOOM_JOBS:-2}" cardloom cardinfo
editor=build/linux/app/cardloom

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<'EOF'
There is no display ($DISPLAY and $WAYLAND_DISPLAY are empty), so the editor's
window cannot be shown.
Run it on a virtual display instead (Debian's package xvfb), for example:
  xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' scripts/run.sh
or keep a virtual display and look at it with screenshots:
  Xvfb :5 -screen 0 1280x1024x24 -noreset & export DISPLAY=:5
  scripts/run.sh &
  import -window root /tmp/cardloom.png
The companion works without a display:
  build/linux/tools/cardinfo dump examples/cardinfo.dat
EOF
  exit 1
fi
cd examples
exec "$root/$editor"
