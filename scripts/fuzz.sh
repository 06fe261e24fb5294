#!/usr/bin/env bash
# Builds the `fuzz` preset (clang, libFuzzer with address and undefined-
# behaviour checks) and runs every fuzz target for SECONDS (default 60),
# starting from its seed corpus in fuzz/corpus/<target>/. The grown corpus is
# kept in build/fuzz/corpus/<target>/ and any crashing input in
# build/fuzz/findings/. Prints, per target, the executions, executions per
# second, inputs in the final corpus and edges covered; fails when a target
# finds anything.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

root=build/fuzz
# Every target fuzz/CMakeLists.txt lists, unless some were named.
if ((${#targets[@]} == 0)); then
  mapfile -t targets <"$root/fuzz/targets.txt"
fi
mkdir -p "$root/findings"
failed=0
printf '%-24s %12s %10s %8s %8s\n' target executions exec/s corpus coverage
for t in "${targets[@]}"; do
  corpus="$root/corpus/$t"
  mkdir -p "$corpus"
  log="$root/$t.log"
  # Leaks are findings too; a single input slower than 10 s is a hang.
  if ! "$root/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$root/findings/$t-" \
      "$corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
    failed=1
    echo "$t: FOUND A FAILURE (log: $log)" >&2
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5 >&2 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  # The last status line: edges covered and inputs in the working corpus.
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  size=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  printf '%-24s %12s %10s %8s %8s\n' "$t" "${runs:-?}" "${speed:-?}" "${size:-?}" "${cov:-?}"
done
exit $failed
