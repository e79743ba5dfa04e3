#!/usr/bin/env bash
# Measures what metering costs (docs/performance.md): the headless run on the virtual clock, callgrind's
# instruction counts, the configuration round trip, and the desktop host under Xvfb. Writes the figures to
# docs/performance-figures.md and the plot to docs/performance-cpu.png.
#   bash scripts/bench.sh [--seconds N] [--callgrind-seconds N] [--runs N] [--build DIR]
# Defaults: 60 s per desktop run (the virtual runs always take 60 simulated seconds), 10 simulated seconds under callgrind, 10 repeated runs, and
# an optimised build of its own in build-bench (--build DIR: an existing build instead, e.g. a quick look).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60 cgseconds=10 runs=10 build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --callgrind-seconds) cgseconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    *) echo "usage: bash scripts/bench.sh [--seconds N] [--callgrind-seconds N] [--runs N] [--build DIR]" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh
# What only the benchmark needs.
need=()
command -v valgrind > /dev/null || need+=(valgrind)
command -v gnuplot > /dev/null || need+=(gnuplot-nox)
command -v python3 > /dev/null || need+=(python3)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi

# An optimised build of its own, with symbols for the profiles.
if [ -z "$build" ]; then
  build=build-bench
  launcher=()
  command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" > /dev/null
fi
cmake --build "$build" -j "$(nproc)" --target krvl-bench krvl-script korvalin
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")

out=$build/results
mkdir -p "$out"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

echo "== virtual clock: every meter moving, then every meter falling from full scale"
"$build/bench/krvl-bench" virtual --mode busy --seconds 60 | tee "$out/virtual-busy.txt" | grep summary
"$build/bench/krvl-bench" virtual --mode falling --seconds 60 | tee "$out/virtual-falling.txt" | grep summary

echo "== callgrind: instructions per simulated second"
instructions() { # MODE SECONDS -> total instructions of the run
  valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.$1.$2.out" \
    "$build/bench/krvl-bench" virtual --mode "$1" --seconds "$2" --quiet 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
: > "$out/callgrind.txt"
for mode in busy falling; do
  base=$(instructions "$mode" 0)
  full=$(instructions "$mode" "$cgseconds")
  bare=$(grep summary "$out/virtual-$mode.txt" | sed -n 's/.*bare_work=\([0-9.]*\).*/\1/p')
  echo "$mode $base $full $cgseconds $bare" |
    awk '{ per = ($3 - $2) / $4; printf "callgrind mode=%s instructions_per_simulated_second=%.0f bare_work_per_second=%.1f instructions_per_bare_unit=%.0f\n", $1, per, $5, per / $5 }' |
    tee -a "$out/callgrind.txt"
done

echo "== callgrind: the painting alone (what the desktop host paints per turn of the loop)"
painting() { # MODE SECONDS -> instructions inside the painting pass
  valgrind --tool=callgrind --toggle-collect='*HostPainter::PaintAll*' \
    --callgrind-out-file="$out/callgrind-paint.$1.$2.out" \
    "$build/bench/krvl-bench" virtual --mode "$1" --seconds "$2" --quiet --paint 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
: > "$out/callgrind-paint.txt"
for mode in busy falling; do
  base=$(painting "$mode" 2)
  full=$(painting "$mode" $((cgseconds + 2)))
  echo "$mode $base $full $cgseconds" |
    awk '{ printf "callgrind-paint mode=%s painting_instructions_per_simulated_second=%.0f\n", $1, ($3 - $2) / $4 }' |
    tee -a "$out/callgrind-paint.txt"
done

echo "== configuration request round trip (real clock)"
"$build/bench/krvl-bench" config --runs 50 | tee "$out/config.txt"

echo "== desktop host under Xvfb"
python3 bench/desktop.py --build "$build" --seconds "$seconds" --runs "$runs" --out "$out/desktop.json"

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
python3 bench/report.py --results "$out" --seconds "$seconds" --load "$load_before / $load_after" --build-type "$build_type" \
  --figures docs/performance-figures.md --plot-data "$out/cpu-by-meters.dat"
gnuplot -e "datafile='$out/cpu-by-meters.dat'; outfile='docs/performance-cpu.png'" bench/cpu-by-meters.gp
echo "figures: docs/performance-figures.md, plot: docs/performance-cpu.png"
