#!/usr/bin/env bash
# Compares builds of quillane.p against the same lean references: for each
# module, ROUNDS processes (the modules taking turns), each timing Evaluate
# and its reference on PATHS interleaved (9 repetitions of 0.03 s); prints
# per path and module the median of the processes' ratios and all of them.
# One process can meet a busy moment of a shared machine; five rarely all do.
#
#   bench/compare_modules.sh PATHS MODULE... [ROUNDS=5 in the environment]
#
# PATHS is a regular expression over the path names, e.g.
# 'fixed_light|exit_zero_tangent'. Run from the checkout after
# scripts/bench.sh has built build/bench.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 2 ]]; then
  sed -n '2,12p' "$0"
  exit 2
fi
paths=$1
shift
report=$(mktemp)
results=$(mktemp)
trap 'rm -f "$report" "$results"' EXIT

for ((round = 1; round <= ${ROUNDS:-5}; ++round)); do
  for module in "$@"; do
    QUILLANE_BENCH_MODULE=$module QUILLANE_BENCH_SPOTS=1000 \
      build/bench/quillane_bench --benchmark_filter="^(Evaluate|Lean)/($paths)\$" \
      --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \
      --benchmark_report_aggregates_only=true --benchmark_min_time=0.03 \
      --benchmark_out="$report" --benchmark_out_format=json >/dev/null 2>&1
    python3 - "$module" "$report" >>"$results" <<'PY'
import json, sys
medians = {b["run_name"]: b["cpu_time"] for b in json.load(open(sys.argv[2]))["benchmarks"]
           if b.get("aggregate_name") == "median"}
for name, t in medians.items():
    if name.startswith("Evaluate/"):
        path = name.split("/", 1)[1]
        print(path, sys.argv[1], t / medians["Lean/" + path])
PY
  done
done

python3 - "$results" <<'PY'
import collections, statistics, sys
ratios = collections.defaultdict(list)
for line in open(sys.argv[1]):
    path, module, ratio = line.split()
    ratios[(path, module)].append(float(ratio))
for (path, module), r in sorted(ratios.items()):
    print(f"{path:20} {module:32} median {statistics.median(r):.3f}   "
          + " ".join(f"{x:.3f}" for x in sorted(r)))
PY
