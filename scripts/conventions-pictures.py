#!/usr/bin/env python3
"""Renders the pictures of docs/conventions.md into docs/conventions/ from
examples/conventions-reference.json with one change each. Run from the
repository root after building: python3 scripts/conventions-pictures.py"""
import json
import math
import os
import subprocess
import tempfile

QUILLANE = os.environ.get("QUILLANE", "build/default/quillane")
OUT = "docs/conventions"
TILT = [-0.5, math.sqrt(3) / 2, 0]


def node(classic=0, light_type=0):
    return ("Version 0\nColor 0.95 0.9 0.85\nSpecular 1\n{ URough\n  0.5\n}\n{ VRough\n  0.03\n}\n"
            "{ Axis\n  1\n}\n{ TanRot\n  0\n}\n{ LigType\n  %d\n}\n{ Classic\n  %d\n}\n"
            % (light_type, classic))


PICTURES = {
    "reference": {},
    "axis-tilt": {"inputs": {"Axis": TILT}},
    "rotate-plus": {"inputs": {"Tangent Rotate": math.pi / 6}},
    "rotate-undo": {"inputs": {"Axis": TILT, "Tangent Rotate": math.pi / 6}},
    "uv-90": {"inputs": {"UV": [0.5, 1, 0]}},
    "uv-60": {"inputs": {"UV": [0.75, 0.5 + math.sqrt(3) / 4, 0]}},
    "classic-off": {"rotation": [0, 0, 40]},
    "classic-on": {"rotation": [0, 0, 40], "node": node(classic=1)},
    "light-distant": {"inputs": {"Custom Light": [-0.1, -0.05, -1]}},
    "light-point": {"inputs": {"Custom Light": [0.4, 0.3, 1.5]}, "node": node(light_type=1)},
}


def main():
    base = json.load(open("examples/conventions-reference.json"))
    os.makedirs(OUT, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for name, change in PICTURES.items():
            scene = json.loads(json.dumps(base))
            scene["inputs"] = change.get("inputs", {})
            scene["node"] = change.get("node", node())
            scene["objects"][0]["rotation"] = change.get("rotation", [0, 0, 0])
            path = os.path.join(tmp, name + ".json")
            json.dump(scene, open(path, "w"))
            subprocess.run([QUILLANE, "render", path, "-o", os.path.join(OUT, name + ".png"),
                            "--size", "192x108"], check=True)


if __name__ == "__main__":
    main()
