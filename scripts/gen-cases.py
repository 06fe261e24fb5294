#!/usr/bin/env python3
"""Writes `quillane eval` cases, one JSON object per line, to standard output.

    gen-cases.py worked                 the worked examples of docs and tests
    gen-cases.py generated [--seed S] [--count N]
    gen-cases.py angles [--seed S]      tangent rotations from 1 to 1e300 rad

The generated set is deterministic for a seed. Case i wires the inputs of
bit pattern i mod 512 and offers the services of pattern (i / 512) mod 8, so
4096 cases meet every pair of wired-input set and offered services once.
The cases that walk the scene's lights (1024 of 4096) run through every light
set of up to three lights (585 sets), each light answering every combination
of "affects specular" (flags), exclusion from the spot's object and
illuminate result; the other cases draw a light set. The remaining values
(settings, input values, spot, light directions and colours) are drawn from
the seeded generator, with the degenerate values the evaluation singles out
(zero glossiness, non-positive specular, an axis along the normal, a zero
normal, a shadow-ray spot, a spot without the illuminate function's
successor, no object) mixed in.
"""
import argparse
import itertools
import json
import math
import random
import sys

INPUTS = ["Color", "Specular", "U Glossiness", "V Glossiness", "Axis",
          "Tangent Rotate", "Normal", "UV", "Custom Light"]
SCALAR_INPUTS = {"Specular", "U Glossiness", "V Glossiness", "Tangent Rotate"}
SERVICES = ["itemInfo", "objectInfo", "lightInfo"]
LIGHT_NO_SPECULAR = 4

# One light's answers: (flags, excluded, illuminate result).
LIGHT_PATTERNS = list(itertools.product([0, LIGHT_NO_SPECULAR], [False, True], [1, 0]))
# Every light set of zero to three lights over those answers.
LIGHT_SETS = [combo for n in range(4)
              for combo in itertools.product(range(len(LIGHT_PATTERNS)), repeat=n)]

TURN_30 = [math.sqrt(3) / 2, -0.5, 0, 0.5, math.sqrt(3) / 2, 0, 0, 0, 1]


def worked_examples():
    example4 = {
        "settings": {"axis": 2, "tangentRotate": 1.0, "classicMode": 1},
        "inputs": {"Color": [0.2, 0.4, 0.6], "Specular": 0.5, "U Glossiness": 0.25,
                   "V Glossiness": 0, "Axis": [0, 3, 0], "Tangent Rotate": 0,
                   "Normal": [0, 0, 2], "Custom Light": [0, -1, -1]},
        "services": {"itemInfo": False},
        "spot": {"normal": [1, 0, 0], "raySource": [2, 0, 1], "matrix2": TURN_30},
    }
    example4off = json.loads(json.dumps(example4))
    example4off["settings"]["classicMode"] = 0
    return [
        {"services": {"itemInfo": False}},
        {"services": {"itemInfo": False}, "inputs": {"UV": [0.5, 0.5, 0]}},
        {"settings": {"color": [1.0, 0.5, 0.25], "specular": 0.8, "uGlossiness": 0.3,
                      "vGlossiness": 0.05, "axis": 0, "tangentRotate": math.pi / 6,
                      "customLightType": 1},
         "inputs": {"UV": [0.75, 0.9, 0], "Custom Light": [3, 2, 5]},
         "spot": {"position": [1, 0, 0], "raySource": [1, -2, 4]}},
        {"settings": {"color": [0.9, 0.6, 0.3], "specular": 1.5, "uGlossiness": 0.4,
                      "vGlossiness": 0.2, "axis": 0},
         "spot": {"raySource": [0, 3, 4]},
         "lights": [{"name": "L1", "direction": [0.6, 0, -0.8], "color": [1.0, 0.9, 0.8]},
                    {"name": "L2", "excluded": True, "direction": [0, 0, -1]},
                    {"name": "L3", "direction": [0, -0.6, -0.8], "color": [0.5, 0.5, 1.0]}]},
        example4,
        example4off,
        # A huge rotation, as the setting and as the wired input.
        {"settings": {"tangentRotate": 1e300}, "services": {"itemInfo": False}},
        {"inputs": {"Tangent Rotate": -1e300}, "services": {"itemInfo": False}},
    ]


def vector(rng, scale=1.0):
    return [rng.uniform(-scale, scale) for _ in range(3)]


def direction(rng):
    # Mostly general directions; sometimes an axis or the zero vector.
    roll = rng.random()
    if roll < 0.08:
        v = [0.0, 0.0, 0.0]
        v[rng.randrange(3)] = rng.choice([-1.0, 1.0, 2.5])
        return v
    if roll < 0.1:
        return [0.0, 0.0, 0.0]
    return vector(rng, 3.0)


def fraction(rng):
    # Glossiness and specular: mostly (0, 1.5]; exact zeros and negatives too.
    roll = rng.random()
    if roll < 0.07:
        return 0.0
    if roll < 0.1:
        return -rng.uniform(0, 1)
    return rng.uniform(0.0005, 1.5)


def rotation(rng):
    # Half of the cases leave the tangent unrotated.
    return 0.0 if rng.random() < 0.5 else rng.uniform(-2 * math.pi, 2 * math.pi)


def input_value(rng, name):
    if name in ("Specular", "U Glossiness", "V Glossiness"):
        return fraction(rng)
    if name == "Tangent Rotate":
        return rotation(rng)
    if name == "Color":
        return [rng.uniform(0, 2) for _ in range(3)]
    if name == "UV":
        return [rng.uniform(-0.25, 1.25), rng.uniform(-0.25, 1.25), 0.0]
    return direction(rng)


def settings(rng):
    return {
        "color": [rng.uniform(0, 1.5) for _ in range(3)],
        "specular": fraction(rng),
        "uGlossiness": fraction(rng),
        "vGlossiness": fraction(rng),
        "axis": rng.choice([0, 1, 2, 0, 1, 2, 3, -1]),
        "tangentRotate": rotation(rng),
        "customLightType": rng.choice([0, 1, 0, 1, 7]),
        "classicMode": rng.choice([0, 1]),
    }


def rotation_matrix(rng):
    # A rotation about a random axis, or the identity.
    if rng.random() < 0.3:
        return [1, 0, 0, 0, 1, 0, 0, 0, 1]
    x, y, z = vector(rng)
    n = math.sqrt(x * x + y * y + z * z) or 1.0
    x, y, z = x / n, y / n, z / n
    a = rng.uniform(-math.pi, math.pi)
    c, s, t = math.cos(a), math.sin(a), 1 - math.cos(a)
    return [t * x * x + c, t * x * y - s * z, t * x * z + s * y,
            t * x * y + s * z, t * y * y + c, t * y * z - s * x,
            t * x * z - s * y, t * y * z + s * x, t * z * z + c]


def spot(rng):
    normal = direction(rng) if rng.random() < 0.3 else [0.0, 0.0, 1.0]
    s = {
        "position": vector(rng, 2.0),
        "normal": normal,
        "raySource": vector(rng, 6.0),
        "matrix1": rotation_matrix(rng),
        "matrix2": rotation_matrix(rng),
    }
    roll = rng.random()
    if roll < 0.02:
        s["flags"] = 1
    elif roll < 0.04:
        s["afterIlluminate"] = False
    elif roll < 0.08:
        s["object"] = False
    return s


def lights(rng, light_set):
    out = []
    for k, pattern in enumerate(light_set):
        flags, excluded, illuminate = LIGHT_PATTERNS[pattern]
        out.append({"name": "L%d" % (k + 1), "flags": flags, "excluded": excluded,
                    "illuminate": illuminate, "direction": direction(rng),
                    "color": [rng.uniform(0, 2) for _ in range(3)]})
    return out


def generated(seed, count):
    rng = random.Random(seed)
    walks = 0
    for i in range(count):
        wired = i % 512
        offered = (i // 512) % 8
        # The scene lights are walked only with the item list offered and no
        # "Custom Light" wired; those cases take the light sets in turn.
        if offered & 1 and not wired >> INPUTS.index("Custom Light") & 1:
            light_set = LIGHT_SETS[walks % len(LIGHT_SETS)]
            walks += 1
        else:
            light_set = LIGHT_SETS[rng.randrange(len(LIGHT_SETS))]
        case = {
            "settings": settings(rng),
            "inputs": {name: input_value(rng, name)
                       for bit, name in enumerate(INPUTS) if wired >> bit & 1},
            "services": {name: bool(offered >> bit & 1) for bit, name in enumerate(SERVICES)},
            "spot": spot(rng),
            "lights": lights(rng, light_set),
        }
        yield case


def angles(seed):
    # Eight cases per decade of the rotation, 1 to 1e300 radians, half as the
    # setting and half as the wired input, the rest as in the generated set.
    rng = random.Random(seed)
    for decade in range(301):
        for k in range(8):
            angle = rng.uniform(1, 10) * 10.0 ** decade * rng.choice([-1, 1])
            case = {"settings": settings(rng), "spot": spot(rng),
                    "lights": lights(rng, LIGHT_SETS[rng.randrange(len(LIGHT_SETS))])}
            if k % 2:
                case["inputs"] = {"Tangent Rotate": angle}
            else:
                case["settings"]["tangentRotate"] = angle
            yield case


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("set", choices=["worked", "generated", "angles"])
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--count", type=int, default=4096)
    args = parser.parse_args()
    if args.set == "worked":
        cases = worked_examples()
    elif args.set == "angles":
        cases = angles(args.seed)
    else:
        cases = generated(args.seed, args.count)
    for case in cases:
        sys.stdout.write(json.dumps(case, allow_nan=False) + "\n")


if __name__ == "__main__":
    main()
