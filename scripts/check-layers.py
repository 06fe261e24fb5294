#!/usr/bin/env python3
"""The include layering, held to docs/architecture.md: every quoted
#include of a tracked C++ file must name a file of its own layer or of one
its row of the layer table allows. Exits 1 naming each new arrow with the
file and line, 0 with the graph's arrows counted.

    scripts/check-layers.py [--graph]

--graph prints the arrows between layers with their include counts.
"""
import re
import subprocess
import sys
from collections import Counter
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
ARCHITECTURE = ROOT / "docs/architecture.md"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
ROW = re.compile(r"^\|\s*`([\w/.]+)`\s*\|.*\|([^|]*)\|\s*$")


def layers():
    """{layer: allowed prefixes} from the layer table."""
    table = {}
    in_table = False
    for line in ARCHITECTURE.read_text(encoding="utf-8").splitlines():
        if line.startswith("| layer |"):
            in_table = True
            continue
        if in_table and not line.startswith("|"):
            break
        row = ROW.match(line) if in_table else None
        if row:
            table[row.group(1)] = re.findall(r"`([\w/.]+)`", row.group(2))
    if not table:
        sys.exit(f"check-layers: no layer table in {ARCHITECTURE.relative_to(ROOT)}")
    return table


def layer_of(path, table):
    """The longest layer that is a prefix of `path`, or None."""
    matches = [name for name in table if path.startswith(name)]
    return max(matches, key=len) if matches else None


def main():
    table = layers()
    files = subprocess.run(["git", "-C", str(ROOT), "ls-files", "*.cpp", "*.h"],
                           capture_output=True, text=True, check=True).stdout.split()
    errors, graph = [], Counter()
    for name in files:
        source = layer_of(name, table)
        if source is None:
            errors.append(f"{name}: in no layer of the table")
            continue
        lines = (ROOT / name).read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, 1):
            found = INCLUDE.match(line)
            if not found or not (ROOT / found.group(1)).is_file():
                continue
            target = found.group(1)
            allowed = [source, *table[source]]
            if not any(target.startswith(prefix) for prefix in allowed):
                errors.append(f"{name}:{number}: {source} may not include {target}")
            arrow = (source, layer_of(target, table) or target)
            if arrow[0] != arrow[1]:
                graph[arrow] += 1
    if "--graph" in sys.argv:
        for (a, b), count in sorted(graph.items()):
            print(f"{a} -> {b}: {count}")
    for error in errors:
        print(f"check-layers: {error}", file=sys.stderr)
    print(f"check-layers: {len(files)} files, {len(graph)} arrows, {len(errors)} outside the table")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
