#!/usr/bin/env python3
"""Turns quillane_bench JSON reports into the tables of ratios: Evaluate
against its lean reference, Evaluate against the sum of its two floors, and
the stand-in host's throughput.

Usage: ratios.py REPORT.json [MORE.json...] [--markdown]

Several reports are read as one (scripts/bench.sh keeps the multi-threaded
benchmarks in a process of their own); the machine's context is the first's.

Takes the median of each benchmark's repetitions (or its single run), CPU
time for the single-threaded benchmarks and wall time for the render. Every
ratio is formed from numbers of the same run.
"""
import json
import sys

PATHS = [
    ("fixed_light", "nothing wired, fixed light"),
    ("lights_1", "1 scene light"),
    ("lights_4", "4 scene lights"),
    ("lights_16", "16 scene lights"),
    ("all_wired_point", "every input wired, \"Point\" custom light"),
    ("uv_rotate", "\"UV\" steering with a tangent rotation"),
    ("exit_no_trace", "exit: no ray-trace entry (no output)"),
    ("exit_shadow", "exit: shadow ray"),
    ("exit_no_specular", "exit: specular amount 0"),
    ("exit_zero_tangent", "exit: zero tangent"),
]
PATH_TARGET = 1.15
LIGHT_TARGET = 1.15
LEAN_TARGET = 1.10
SCALING_TARGET = 1.8


def load(paths):
    report = None
    for path in paths:
        with open(path) as f:
            part = json.load(f)
        if report is None:
            report = part
        else:
            report["benchmarks"] += part["benchmarks"]
    runs = {}
    for b in report["benchmarks"]:
        if b.get("error_occurred"):
            sys.exit(f"{b['name']}: {b.get('error_message', 'failed')}")
        kind = b.get("run_type", "iteration")
        name = b.get("run_name", b["name"])
        if kind == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if kind == "iteration" and name in runs:
            continue  # repetitions without aggregates: keep the first
        if kind == "aggregate" or name not in runs:
            runs[name] = b
    return report, runs


def ns(b, key="cpu_time"):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b[key] * scale


def mark(ok):
    return "met" if ok else "MISSED"


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    report, runs = load([a for a in sys.argv[1:] if not a.startswith("--")])
    md = "--markdown" in sys.argv[2:]
    rows, met, total = [], 0, 0

    def row(*cells):
        rows.append(cells)

    lean_header = ("Evaluate path", "Evaluate ns", "lean reference ns", "ratio", "target",
                   "result")
    for key, label in PATHS:
        e, r = runs.get(f"Evaluate/{key}"), runs.get(f"Lean/{key}")
        if not (e and r):
            continue
        ratio = ns(e) / ns(r)
        ok = ratio <= LEAN_TARGET
        met, total = met + ok, total + 1
        row(label, f"{ns(e):.1f}", f"{ns(r):.1f}", f"{ratio:.3f}", f"<= {LEAN_TARGET}", mark(ok))
    e1, e16 = runs.get("Evaluate/lights_1"), runs.get("Evaluate/lights_16")
    r1, r16 = runs.get("Lean/lights_1"), runs.get("Lean/lights_16")
    if e1 and e16 and r1 and r16:
        slope, lean_slope = (ns(e16) - ns(e1)) / 15, (ns(r16) - ns(r1)) / 15
        ratio = slope / lean_slope
        ok = ratio <= LEAN_TARGET
        met, total = met + ok, total + 1
        row("one more scene light (1 to 16)", f"{slope:.1f}", f"{lean_slope:.1f}",
            f"{ratio:.3f}", f"<= {LEAN_TARGET}", mark(ok))
    if rows:
        print_table(lean_header, rows, md)
        print()
        rows.clear()

    header = ("Evaluate path", "Evaluate ns", "arith floor ns", "host-call floor ns",
              "ratio", "target", "result")
    for key, label in PATHS:
        e, a, h = (runs.get(f"{p}/{key}") for p in ("Evaluate", "ArithFloor", "HostFloor"))
        if not (e and a and h):
            continue
        ratio = ns(e) / (ns(a) + ns(h))
        ok = ratio <= PATH_TARGET
        met, total = met + ok, total + 1
        row(label, f"{ns(e):.1f}", f"{ns(a):.1f}", f"{ns(h):.1f}", f"{ratio:.3f}",
            f"<= {PATH_TARGET}", mark(ok))

    lobe, calls = runs.get("Light/lobe"), runs.get("Light/host_calls")
    if e1 and e16 and lobe and calls:
        slope = (ns(e16) - ns(e1)) / 15
        floor = ns(lobe) + ns(calls)
        ratio = slope / floor
        ok = ratio <= LIGHT_TARGET
        met, total = met + ok, total + 1
        row("one more scene light (1 to 16)", f"{slope:.1f}", f"{ns(lobe):.1f} (lobe)",
            f"{ns(calls):.1f} (4 calls)", f"{ratio:.3f}", f"<= {LIGHT_TARGET}", mark(ok))

    print_table(header, rows, md)
    print()

    throughput = []
    r1, r2 = runs.get("Render/threads:1/real_time"), runs.get("Render/threads:2/real_time")
    for name, b in (("default render, 1 thread", r1), ("default render, 2 threads", r2)):
        if b:
            cpus = f"on {b['cpus']:.2f} cores" if "cpus" in b else ""
            throughput.append((name, f"{b['pixels_per_second'] / 1e6:.3f} M pixels/s", cpus))
    if r1 and r2:
        scaling = r2["pixels_per_second"] / r1["pixels_per_second"]
        throughput.append(("2 threads / 1 thread, from the rates above", f"{scaling:.3f}", ""))
    paired = runs.get("RenderScaling/min_time:1.000/real_time")
    if paired:
        scaling = paired["scaling"]
        ok = scaling >= SCALING_TARGET
        met, total = met + ok, total + 1
        busy = r2 and r2.get("cpus", 2.0) < 1.8
        throughput.append(("2 threads / 1 thread, paired renders",
                           f"{scaling:.3f} (>= {SCALING_TARGET})",
                           mark(ok) + (" (machine busy: fewer than 1.8 cores free)"
                                       if busy and not ok else "")))
    ev = runs.get("EvalCases")
    if ev:
        throughput.append(("quillane eval", f"{ev['cases_per_second'] / 1e3:.1f} k cases/s", ""))
    if throughput:
        print_table(("stand-in host", "throughput", "note"), throughput, md)
        print()

    ctx = report.get("context", {})
    reps = next((b.get("repetitions") for b in report["benchmarks"] if "repetitions" in b), 1)
    print(f"{met} of {total} targets met; medians of {reps} repetitions; "
          f"{ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz, "
          f"load average {', '.join(f'{x:.2f}' for x in ctx.get('load_avg', []))}")


def print_table(header, rows, md):
    if md:
        print("| " + " | ".join(header) + " |")
        print("|" + "|".join("---" for _ in header) + "|")
        for r in rows:
            print("| " + " | ".join(r) + " |")
        return
    widths = [max(len(str(x)) for x in col) for col in zip(header, *rows)]
    for r in (header, *rows):
        print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())


if __name__ == "__main__":
    main()
