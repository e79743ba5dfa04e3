#!/usr/bin/env bash
# A long random-use run: scripts/random-use.sh [STEPS] [SEED]
# (or KRVL_RANDOM_STEPS / KRVL_RANDOM_SEED in the environment; defaults 100000 steps and a seed from the
# clock, printed first so a failing run can be replayed). Builds with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan; KRVL_RANDOM_PLAIN=1 uses a plain build in build-random.
set -euo pipefail
cd "$(dirname "$0")/.."
steps=${1:-${KRVL_RANDOM_STEPS:-100000}}
seed=${2:-${KRVL_RANDOM_SEED:-$(date +%s)}}
if [ "${KRVL_RANDOM_PLAIN:-0}" = 1 ]; then
  dir=build-random
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
else
  dir=build-asan # the test command's sanitizer tree (clang), so neither builds it twice
  flags=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DKRVL_FUZZ=ON)
fi
echo "random use: $steps steps, seed $seed (replay: scripts/random-use.sh $steps $seed)"
mkdir -p "$dir"
cmake -S . -B "$dir" -G Ninja "${flags[@]}" > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" -j "$(nproc)" --target test_random
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
  KRVL_RANDOM_STEPS=$steps KRVL_RANDOM_SEED=$seed \
  "$dir/tests/test_random" --gtest_filter='RandomUse.*'
