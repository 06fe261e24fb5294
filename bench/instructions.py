#!/usr/bin/env python3
"""Instructions per call of each Evaluate path, of its lean reference and of
its floors, counted under callgrind: the same ratios as ratios.py, in a
measure other work on the machine cannot disturb.

Usage: instructions.py [BENCH_BINARY]   (default build/bench/quillane_bench)

Each benchmark runs alone under `valgrind --tool=callgrind`; the count is the
inclusive instruction count of the timed function (Evaluate in quillane.p,
the lean reference's path function, bench::ArithmeticFloor,
bench::HostCallFloor, LobeCall, LightCalls) divided by the number of its
calls. The reference's check on random spots is turned off here
(QUILLANE_BENCH_SPOTS=0): it would add calls to the count. Symbols are bound
at start-up (LD_BIND_NOW): on a busy machine a run may make few calls, and
the first call of a library function (sincos) would otherwise carry its
lazy binding, thousands of instructions.
"""
import os
import re
import subprocess
import sys
import tempfile

PATHS = ["fixed_light", "lights_1", "lights_4", "lights_16", "all_wired_point",
         "uv_rotate", "exit_shadow", "exit_no_specular", "exit_zero_tangent"]


def per_call(binary, bench, function):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "callgrind.out")
        env = dict(os.environ, QUILLANE_BENCH_SPOTS="0", LD_BIND_NOW="1")
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}",
                        binary, f"--benchmark_filter=^{bench}$", "--benchmark_min_time=0.005"],
                       capture_output=True, check=True, env=env)
        text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--tree=caller",
                               "--threshold=100", out],
                              capture_output=True, text=True, check=True).stdout
    calls = 0
    for line in text.splitlines():
        caller = re.match(r"\s*[\d,]+ .*< .*\(([\d,]+)x\)", line)
        if caller:
            calls += int(caller.group(1).replace(",", ""))
            continue
        callee = re.match(r"\s*([\d,]+) .*\*  (.*)", line)
        if callee and function in callee.group(2) and calls:
            return int(callee.group(1).replace(",", "")) / calls
        calls = 0
    sys.exit(f"{bench}: no calls of {function} found")


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/bench/quillane_bench"
    print(f"{'path':20s} {'Evaluate':>9s} {'lean':>6s} {'ratio':>6s}   "
          f"{'arith':>6s} {'host':>6s} {'ratio':>6s}")
    evaluate, lean = {}, {}
    for p in PATHS:
        e = evaluate[p] = per_call(binary, f"Evaluate/{p}", "Evaluate(void")
        r = lean[p] = per_call(binary, f"Lean/{p}", "bench::lean::(anonymous namespace)::Path<")
        a = per_call(binary, f"ArithFloor/{p}", "bench::ArithmeticFloor")
        h = per_call(binary, f"HostFloor/{p}", "bench::HostCallFloor")
        print(f"{p:20s} {e:9.0f} {r:6.0f} {e / r:6.3f}   {a:6.0f} {h:6.0f} {e / (a + h):6.3f}")
    lobe = per_call(binary, "Light/lobe", "bench::(anonymous namespace)::LobeCall")
    calls = per_call(binary, "Light/host_calls", "bench::(anonymous namespace)::LightCalls")
    slope = (evaluate["lights_16"] - evaluate["lights_1"]) / 15
    lean_slope = (lean["lights_16"] - lean["lights_1"]) / 15
    print(f"{'one more light':20s} {slope:9.0f} {lean_slope:6.0f} {slope / lean_slope:6.3f}   "
          f"{lobe:6.0f} {calls:6.0f} {slope / (lobe + calls):6.3f}")


if __name__ == "__main__":
    main()
