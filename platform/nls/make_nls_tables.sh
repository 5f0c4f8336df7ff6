#!/usr/bin/env bash
# Remakes platform/nls/nls_tables.cpp, tests/platform/nls_reference.inc and
# tests/platform/nls_locale_reference.inc from what the platform answers:
# builds make_nls_tables.c with MinGW-w64 and runs it under Wine (a scratch
# prefix), first in the default en-US locale, then once in each locale of
# the locale reference (LC_ALL, which Wine honours without the system's
# locales installed).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -o "$work/make_nls_tables.exe" "$root/platform/nls/make_nls_tables.c"
cd "$work"
# run LOCALE ARGUMENTS...: the program in that locale. Where the system lacks
# the locale, bash (wine-run.sh) warns that it cannot take it on; Wine
# honours LC_ALL all the same.
run() {
  env LC_ALL="$1" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= \
    "$root/scripts/wine-run.sh" "$work/make_nls_tables.exe" "${@:2}"
}
run C tables.cpp reference.inc
printf '%s\n' "// Written by platform/nls/make_nls_tables.c under Wine, one block per locale; do not edit." \
  "// Each text as added to a sorted list box, its sort key, and its place in the list." \
  "const LocaleText LocaleTexts[] = {" >locales.inc
for locale in en_US sv_SE de_DE pl_PL tr_TR ru_RU; do
  run "$locale.UTF-8" --order locales.inc
done
echo "};" >>locales.inc
cp tables.cpp "$root/platform/nls/nls_tables.cpp"
cp reference.inc "$root/tests/platform/nls_reference.inc"
cp locales.inc "$root/tests/platform/nls_locale_reference.inc"
