#!/usr/bin/env bash
# The test command. Installs what is missing, then configures, builds and tests
# three trees with Ninja and CTest (the package checks too: ctest -L package):
#   build/linux    g++, the Qt-based window layer
#   build/asan     the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   build/windows  MinGW-w64 cross build, tests run under Wine
# A compiler warning fails a tree's build. With the linux tree, build/plain
# checks the default generator. One virtual X display serves the whole run.
# Name trees as arguments to run only those (scripts/test.sh linux windows).
# Exits non-zero when any build or test fails.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${CARDLOOM_JOBS:-2}
trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(linux asan windows)

bash scripts/setup.sh test || { echo "test: setup failed" >&2; exit 1; }
started=$SECONDS
log=$root/build/test-logs
mkdir -p "$log"

xvfb_pid=
wine_prefixes=()
cleanup() {
  local p
  for p in "${wine_prefixes[@]}"; do WINEPREFIX=$p wineserver -k 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# One Xvfb for all trees.
. scripts/xvfb.sh
start_xvfb "$log/xvfb.log" || { echo "test: could not start Xvfb" >&2; exit 1; }
export DISPLAY=:$xvfb_display

export WINEDEBUG=-all
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The Wine prefix is made while the Windows tree builds (it takes a while).
wine_prepare_pid=
for t in "${trees[@]}"; do
  if [ "$t" = windows ]; then
    mkdir -p build/windows
    export WINEPREFIX=$root/build/windows/wineprefix
    wine_prefixes+=("$WINEPREFIX")
    scripts/wine-run.sh --prepare >"$log/wine-prepare.log" 2>&1 &
    wine_prepare_pid=$!
  fi
done

declare -A options=(
  [linux]="-DCMAKE_BUILD_TYPE=RelWithDebInfo"
  [asan]="-DCMAKE_BUILD_TYPE=Debug -DCARDLOOM_SANITIZE=ON"
  [windows]="-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64-x86_64.cmake"
)
failed=()
summary=()

# With the linux tree, the plain build too: the default generator (Unix
# Makefiles) instead of Ninja. Compiling is the same under both; what differs
# is what a generator does for the project's custom commands (making their
# output's folder, for one), so the targets made of them are built.
if [[ " ${trees[*]} " == *" linux "* ]]; then
  echo "== plain: the default generator"
  t0=$SECONDS
  if cmake -S . -B build/plain -DCARDLOOM_TESTS=ON >"$log/plain.log" 2>&1 &&
    cmake --build build/plain --target compressed_docs >>"$log/plain.log" 2>&1; then
    summary+=("plain: configured with the default generator, custom commands built ($((SECONDS - t0)) s)")
  else
    tail -n 40 "$log/plain.log"
    failed+=("plain (default generator)"); summary+=("plain: failed, see $log/plain.log")
  fi
fi

for t in "${trees[@]}"; do
  [ -n "${options[$t]:-}" ] || { echo "test: unknown tree $t" >&2; failed+=("$t"); continue; }
  dir=build/$t
  echo "== $t: configure and build"
  t0=$SECONDS
  # shellcheck disable=SC2086
  # A compiler warning fails the build.
  if ! cmake -S . -B "$dir" -G Ninja -DCARDLOOM_TESTS=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON ${options[$t]} \
    >"$log/$t-configure.log" 2>&1; then
    tail -n 40 "$log/$t-configure.log"
    failed+=("$t (configure)"); summary+=("$t: configure failed, see $log/$t-configure.log"); continue
  fi
  # Keep going past a failed target: the tests that did build still run.
  if ! ninja -C "$dir" -j "$jobs" -k 0 >"$log/$t-build.log" 2>&1; then
    grep -E -A15 '^FAILED:' "$log/$t-build.log" | head -n 80
    failed+=("$t (build)"); summary+=("$t: build failed, see $log/$t-build.log")
  fi
  t1=$SECONDS
  if [ "$t" = windows ] && [ -n "$wine_prepare_pid" ]; then
    wait "$wine_prepare_pid" || { cat "$log/wine-prepare.log"; failed+=("windows (wine prefix)"); continue; }
  fi
  echo "== $t: ctest (built in $((t1 - t0)) s)"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 >"$log/$t-ctest.log" 2>&1
  status=$?
  if [ $status -ne 0 ]; then
    sed -n '/The following tests FAILED/,$p; /Errors while running CTest/p' "$log/$t-ctest.log"
    grep -E -B2 -A40 '\*\*\*Failed|\*\*\*Exception|\*\*\*Timeout|Not Run' "$log/$t-ctest.log" | head -n 200
    failed+=("$t (tests)")
  fi
  line=$(grep -E 'tests passed|No tests were found' "$log/$t-ctest.log" | tail -n 1)
  summary+=("$t: ${line:-ctest status $status} (tests $((SECONDS - t1)) s)")
done

echo "== Summary ($((SECONDS - started)) s)"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All passed."
