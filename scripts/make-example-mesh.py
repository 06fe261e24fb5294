#!/usr/bin/env python3
"""Writes examples/meshes/knob.obj: a turned control knob (a lathe profile:
flat top, rounded shoulder, straight side), smooth-shaded from the file's
normals, with UVs projected from above so that a circular direction map
turns the top's tangent around the axis."""
import math
import sys

SEGMENTS = 64
# (radius, height) along the profile, top centre to bottom edge.
PROFILE = [(0.0, 0.5), (0.3, 0.5), (0.6, 0.5), (0.8, 0.49)]
PROFILE += [(0.8 + 0.15 * math.sin(a), 0.34 + 0.15 * math.cos(a))
            for a in (math.pi / 2 * k / 6 for k in range(1, 7))]
PROFILE += [(0.95, 0.0), (0.95, -0.5)]


def normals(profile):
    """Profile normals (radial, up): from the neighbouring segments."""
    out = []
    for i, (r, y) in enumerate(profile):
        r0, y0 = profile[max(i - 1, 0)]
        r1, y1 = profile[min(i + 1, len(profile) - 1)]
        dr, dy = r1 - r0, y1 - y0
        n = (dy, -dr)
        length = math.hypot(*n)
        out.append((n[0] / length, n[1] / length))
    return out


def main(path):
    lines = ["# turned knob, written by scripts/make-example-mesh.py"]
    ring = SEGMENTS + 1
    for (r, y), (nr, ny) in zip(PROFILE, normals(PROFILE)):
        for s in range(ring):
            a = 2 * math.pi * s / SEGMENTS
            x, z = r * math.sin(a), r * math.cos(a)
            lines.append("v %.6f %.6f %.6f" % (x, y, z))
            lines.append("vn %.6f %.6f %.6f" % (nr * math.sin(a), ny, nr * math.cos(a)))
            # Seen from above: u along -x, v along +z (the tangent frame of
            # an axis along Z on the top face).
            lines.append("vt %.6f %.6f" % (0.5 - x / 2, 0.5 + z / 2))
    for p in range(len(PROFILE) - 1):
        for s in range(SEGMENTS):
            a = p * ring + s + 1
            b, c, d = a + 1, a + ring, a + ring + 1
            lines.append("f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d" % (a, a, a, c, c, c, d, d, d, b, b, b))
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/meshes/knob.obj")
