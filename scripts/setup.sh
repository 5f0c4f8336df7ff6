#!/usr/bin/env bash
# Installs what Cardloom needs on Debian 12.
#   setup.sh run    building and running the Linux editor and cardinfo (run.sh)
#   setup.sh test   that and everything the tests need: the Windows cross
#                   build and Wine, the virtual display and input tools, the
#                   package tools, the fuzzing compiler (test.sh, the default)
# Quick no-op when everything is installed; otherwise one apt-get update and one
# install, non-interactive. Needs root (or sudo) only when something is missing.
set -euo pipefail
need=${1:-test}

run_packages=(
  # Compiler and build
  cmake ninja-build g++
  # Linux window layer and the font it draws with; cardinfo's JSON
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core nlohmann-json3-dev
)
test_packages=(
  # Test scripts and unit tests
  python3 googletest libgtest-dev libbenchmark-dev libxdamage-dev
  # Windows cross build and its tests
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64 wine wine64
  fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1
  # Virtual display, input events and screenshots
  xvfb xauth xdotool xclip x11-utils imagemagick
  # A tiling window manager, whose tile the layout must follow
  i3-wm
  # What a screen reader reads: the accessibility bus, its Python client, a session bus
  at-spi2-core python3-pyatspi dbus
  # Packages and their checks (the .deb, the Windows installer)
  dpkg-dev lintian appstream desktop-file-utils man-db nsis
  # Fuzzing and formatting
  clang-14 libclang-rt-14-dev clang-format-14
)
case $need in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: setup.sh [run|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
