#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each on its corpus for the given seconds (default 60). New inputs go to build-fuzz/corpus/,
# the seeds in fuzz/corpus/ stay as they are; a crash stops the run and leaves its input in build-fuzz/.
# Usage: bash scripts/fuzz.sh [seconds] [target...]   (targets: profile form config driver script)
# KRVL_FUZZ_BUILD=DIR uses a tree already configured with KRVL_FUZZ instead of build-fuzz/ (the test
# command's sanitizer tree, so its short runs need no build of their own).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(profile form config driver script)
root=$PWD
build=${KRVL_FUZZ_BUILD:-build-fuzz}
mkdir -p "$build"
if [ -z "${KRVL_FUZZ_BUILD:-}" ]; then
  CC=clang CXX=clang++ CMAKE_CXX_COMPILER_LAUNCHER=ccache \
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRVL_FUZZ=ON \
    > build-fuzz/configure.log 2>&1 || { cat build-fuzz/configure.log; exit 1; }
fi
cmake --build "$build" -j "$(nproc)" --target fuzzers
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/crashes"
  echo "== fuzz_$t: ${seconds} s"
  log=$build/fuzz_$t.log
  if (cd "$build/crashes" && ../fuzz/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 ../corpus/"$t" "$root/fuzz/corpus/$t") > "$log" 2>&1; then
    grep -E '^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added))' "$log"
  else
    cat "$log"
    echo "fuzz_$t failed; the input is in $build/crashes/ (add it to fuzz/corpus/$t/ once fixed)"
    exit 1
  fi
done
