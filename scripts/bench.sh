#!/usr/bin/env bash
# Builds the `bench` preset (Release, as the module ships) and runs every
# benchmark, in two processes (below): Evaluate through quillane.p on each
# path next to
# its lean reference (checked bit for bit against the module on the path's
# spot and on QUILLANE_BENCH_SPOTS random spots first) and its arithmetic and
# host-call floors, one more scene light, and the stand-in host's render and
# eval throughput. Prints the tables of ratios.
#
#   scripts/bench.sh [REPETITIONS] [extra Google Benchmark options...]
#
# REPETITIONS (default 9) repetitions are interleaved in random order and
# the table uses their medians. The JSON reports are kept in
# build/bench/bench.json (and bench-threads.json for the stand-in host's
# multi-threaded benchmarks); bench/ratios.py re-reads them (--markdown for
# the tables in BENCHMARKS.md).
set -euo pipefail
cd "$(dirname "$0")/.."

repetitions=9
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
  repetitions=$1
  shift
fi

scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2

# The single-threaded timings (Evaluate, its reference, floors, one light)
# and the stand-in host's multi-threaded ones run in two processes: after a
# 2-thread render, oneTBB's idle worker kept the other core about 65 % busy
# for the rest of the process, and a path timed next to it ran up to 1.8x
# slower, on either side of a ratio at random. An explicit filter runs as
# given, in one process.
single='^(Evaluate|Lean|ArithFloor|HostFloor|Light)/'
report=build/bench/bench.json
threads_report=build/bench/bench-threads.json
run() {
  build/bench/quillane_bench \
    --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.1 \
    --benchmark_out_format=json "$@"
}
rm -f "$threads_report"
if [[ " $* " == *" --benchmark_filter="* ]]; then
  run --benchmark_out="$report" "$@"
  reports=("$report")
else
  run --benchmark_filter="$single" --benchmark_out="$report" "$@"
  run --benchmark_filter="-$single" --benchmark_out="$threads_report" "$@"
  reports=("$report" "$threads_report")
fi
echo
python3 bench/ratios.py "${reports[@]}"
