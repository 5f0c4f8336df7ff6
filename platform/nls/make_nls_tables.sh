#!/usr/bin/env bash
# Remakes platform/nls/nls_tables.cpp and tests/platform/nls_reference.inc
# from what the platform answers: builds make_nls_tables.c with MinGW-w64 and
# runs it under Wine (a scratch prefix, the default en-US locale).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -o "$work/make_nls_tables.exe" "$root/platform/nls/make_nls_tables.c"
cd "$work"
LC_ALL=C WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
  "$root/scripts/wine-run.sh" "$work/make_nls_tables.exe" tables.cpp reference.inc
cp tables.cpp "$root/platform/nls/nls_tables.cpp"
cp reference.inc "$root/tests/platform/nls_reference.inc"
