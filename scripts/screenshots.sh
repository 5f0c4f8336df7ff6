#!/usr/bin/env bash
# Makes docs/screenshot-linux.png and docs/screenshot-windows.png: the editor
# on a virtual display with a copy of examples/cardinfo.dat and a card
# selected, client area 1000 x 700. Builds the two programs first.
# scripts/screenshots.sh [linux] [windows]   (both by default)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
which=("$@")
[ ${#which[@]} -gt 0 ] || which=(linux windows)

bash scripts/setup.sh test
args=(--example examples/cardinfo.dat --work build/screenshots --out docs)
for t in "${which[@]}"; do
  case $t in
    linux)
      cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
      ninja -C build/linux -j "${CARDLOOM_JOBS:-2}" cardloom
      args+=(--linux build/linux/app/cardloom) ;;
    windows)
      cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
      ninja -C build/windows -j "${CARDLOOM_JOBS:-2}" cardloom
      # A prefix of its own: the screenshot changes how Wine draws window frames.
      args+=(--windows build/windows/app/cardloom.exe --wine scripts/wine-run.sh
             --prefix build/windows/screenshot-prefix) ;;
    *) echo "screenshots: unknown platform $t" >&2; exit 2 ;;
  esac
done
WINEDEBUG=-all python3 scripts/screenshots.py "${args[@]}"
