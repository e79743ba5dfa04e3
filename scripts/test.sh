#!/usr/bin/env bash
# Builds and runs every test twice: a plain build, and one with AddressSanitizer and
# UndefinedBehaviorSanitizer. GUI tests run under a virtual X server. Then a short run (3 s) of every
# fuzz target (scripts/fuzz.sh; docs/reliability.md).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

run_config() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" --repeat until-pass:2)
}

mkdir -p build-test build-asan
echo "== plain build =="
run_config build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== AddressSanitizer + UndefinedBehaviorSanitizer =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
  run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DKRVL_SANITIZE=ON
echo "== fuzz targets, 3 s each =="
bash scripts/fuzz.sh 3
