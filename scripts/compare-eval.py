#!/usr/bin/env python3
"""Compares two `quillane eval` outputs of the same cases, line by line.

    compare-eval.py CASES REFERENCE OTHER [--label NAME]

A line matches when its trace (or error) is identical and its colour is the
same double, bit for bit. Where the case turns the tangent (a non-zero
"Tangent Rotate", from the wired input or else from the setting) the two C
runtimes' sine and cosine may differ in the last bits, so there each channel
may differ by up to 1e-12 relative; for a rotation beyond ANGLE_LIMIT
radians they reduce the angle differently and the colours are not compared. Prints the counts and the first
failures; exits with 1 when any line fails.
"""
import argparse
import json
import math
import struct
import sys

TOLERANCE = 1e-12
# The largest rotation for which the two C runtimes' sine and cosine agree
# to TOLERANCE, measured with `gen-cases.py angles`; beyond it they reduce
# the angle differently and only the traces are compared.
ANGLE_LIMIT = 1e8
FLOAT_MAX = 3.4028234663852886e38
NON_FINITE = {"NaN": math.nan, "Infinity": math.inf, "-Infinity": -math.inf}


def number(value):
    return NON_FINITE[value] if isinstance(value, str) else float(value)


def bits(value):
    return struct.pack("<d", value)


def rotation(case):
    """The case's tangent rotation in radians: the wired input, else the
    setting (stored as a float, so beyond its range it is infinite)."""
    inputs = case.get("inputs", {})
    if "Tangent Rotate" in inputs:
        return number(inputs["Tangent Rotate"])
    angle = number(case.get("settings", {}).get("tangentRotate", 0))
    return angle if abs(angle) <= FLOAT_MAX else math.copysign(math.inf, angle)


def close(a, b):
    if bits(a) == bits(b):
        return True
    if not (math.isfinite(a) and math.isfinite(b)):
        return False
    return abs(a - b) <= TOLERANCE * max(abs(a), abs(b))


def relative(a, b):
    if bits(a) == bits(b):
        return 0.0
    return abs(a - b) / max(abs(a), abs(b))


def compare(case, ref, other):
    """('identical' or 'tolerance' or a reason for failure, largest relative
    colour difference)."""
    if set(ref) != set(other) or ref.get("trace") != other.get("trace") \
            or ref.get("error") != other.get("error"):
        return "trace or error differs", 0.0
    a, b = ref.get("output"), other.get("output")
    if (a is None) != (b is None):
        return "one sets no output", 0.0
    if a is None:
        return "identical", 0.0
    a, b = [number(v) for v in a], [number(v) for v in b]
    if all(bits(x) == bits(y) for x, y in zip(a, b)):
        return "identical", 0.0
    largest = max(relative(x, y) for x, y in zip(a, b))
    angle = rotation(case)
    if angle == 0:
        return "colour differs without a tangent rotation", largest
    if not abs(angle) <= ANGLE_LIMIT:
        return "beyond", largest
    if all(close(x, y) for x, y in zip(a, b)):
        return "tolerance", largest
    return "colour differs by more than %g relative" % TOLERANCE, largest


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return [line for line in f.read().splitlines() if line.strip()]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("cases")
    parser.add_argument("reference")
    parser.add_argument("other")
    parser.add_argument("--label", default="cases")
    args = parser.parse_args()
    cases, refs, others = (read_lines(p) for p in (args.cases, args.reference, args.other))
    counts = {"identical": 0, "tolerance": 0, "beyond": 0}
    failures = []
    largest = 0.0
    if not (len(cases) == len(refs) == len(others)):
        failures.append((0, "line counts differ: %d cases, %d and %d results"
                         % (len(cases), len(refs), len(others)), "", ""))
    for n, (case, ref, other) in enumerate(zip(cases, refs, others), start=1):
        verdict, difference = compare(json.loads(case), json.loads(ref), json.loads(other))
        if verdict == "tolerance":
            largest = max(largest, difference)
        if verdict in counts:
            counts[verdict] += 1
        else:
            failures.append((n, verdict, ref, other))
    print("%s: %d cases, %d identical, %d within tolerance (largest relative "
          "difference %.3g), %d rotated beyond %g rad (traces only), %d failures"
          % (args.label, len(cases), counts["identical"], counts["tolerance"],
             largest, counts["beyond"], ANGLE_LIMIT, len(failures)))
    for n, reason, ref, other in failures[:5]:
        print("  line %d: %s\n    reference: %s\n    other:     %s" % (n, reason, ref, other))
    return 1 if failures or not cases else 0


if __name__ == "__main__":
    sys.exit(main())
