#!/usr/bin/env bash
# Builds and runs every test twice: a plain build (gcc), and one with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang). GUI tests run under a virtual X server. The sanitizer tree also
# holds the fuzz targets, so a short run (3 s) of each needs no build of its own (scripts/fuzz.sh;
# docs/reliability.md).
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
  run_config build-asan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DKRVL_FUZZ=ON
echo "== fuzz targets, 3 s each =="
KRVL_FUZZ_BUILD=build-asan bash scripts/fuzz.sh 3
