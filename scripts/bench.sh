#!/usr/bin/env bash
# Builds the `bench` preset (Release, as the module ships) and runs every
# benchmark in one process: Evaluate through quillane.p on each path next to
# its lean reference (checked bit for bit against the module on the path's
# spot and on QUILLANE_BENCH_SPOTS random spots first) and its arithmetic and
# host-call floors, one more scene light, and the stand-in host's render and
# eval throughput. Prints the tables of ratios.
#
#   scripts/bench.sh [REPETITIONS] [extra Google Benchmark options...]
#
# REPETITIONS (default 9) repetitions are interleaved in random order and
# the table uses their medians. The JSON report is kept in
# build/bench/bench.json; bench/ratios.py re-reads it (--markdown for the
# table in BENCHMARKS.md).
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

report=build/bench/bench.json
build/bench/quillane_bench \
  --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.1 \
  --benchmark_out="$report" --benchmark_out_format=json \
  "$@"
echo
python3 bench/ratios.py "$report"
